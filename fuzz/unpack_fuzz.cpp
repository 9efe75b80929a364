// Any bytes given to unpack_block end in success or false, without reading or
// writing outside the buffers (AddressSanitizer watches) and without hanging; and
// the outcome is the one that reading the format plainly, bit by bit, gives.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory.h"
#include "format/packed_block.h"
#include "tests/support/plain_unpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The decoder allocates the declared size up front; sizes beyond 64 MiB only
    // make the runs slow (the unit tests cover them).
    int32_t declared = -1;
    if (size >= 8) {
        std::memcpy(&declared, data + 4, 4);
        if (declared > (64 << 20))
            return 0;
    }
    // An exact-size copy, so that a read one byte past the end is caught.
    std::vector<char> block(data, data + size);
    const char* p = block.empty() ? nullptr : block.data();
    int32_t n = static_cast<int32_t>(size);
    bool ok = unpack_block(p, n);
    std::string plain;
    bool plain_ok = plain_unpack(data, size, plain);
    if (ok != plain_ok)
        __builtin_trap();
    if (ok) {
        if (p[n] != '\0' || plain.size() != static_cast<size_t>(n) ||
            std::memcmp(p, plain.data(), plain.size()) != 0)
            __builtin_trap();
        heap_free(const_cast<char*>(p));
    }
    return 0;
}
