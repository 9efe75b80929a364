// Any bytes taken as an unpacked install script are read field by field and end with
// a code, without reading or writing outside the buffers and without hanging. The key
// is the bytes' own checksum, so that the reader gets past the checksum test and
// into every field.

#include <cstdint>

#include "core/string.h"
#include "format/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    String bytes(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    InstallScript script;
    parse_script(bytes, bytes.hash(), script);
    return 0;
}
