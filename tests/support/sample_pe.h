#pragma once
// The real PE file that the builder's tests take as a sample of what installers carry
// (VARNOOK_SAMPLE_PE, set by the build), read whole.

#include <cstdio>

#include "core/string.h"

inline String read_sample_pe() {
    String bytes;
    if (FILE* f = std::fopen(VARNOOK_SAMPLE_PE, "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            bytes.append(buffer, static_cast<std::int32_t>(n));
        std::fclose(f);
    }
    return bytes;
}
