// Whatever the bytes and the level, the packer's block unpacks to the same bytes.
// The first byte chooses the level, the rest is the input.

#include <cstdint>
#include <cstring>
#include <vector>

#include "builder/packer.h"
#include "core/memory.h"
#include "format/packed_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    int level = pack_level_fastest + data[0] % pack_level_best;
    const uint8_t* input = data + 1;
    size_t length = size - 1;
    std::vector<unsigned char> block;
    if (!pack_block(input, length, level, block))
        __builtin_trap();
    if (block.size() > length + length / 256 + 32)
        __builtin_trap();
    const char* p = reinterpret_cast<const char*>(block.data());
    int32_t n = static_cast<int32_t>(block.size());
    if (!unpack_block(p, n))
        __builtin_trap();
    if (static_cast<size_t>(n) != length || (length > 0 && std::memcmp(p, input, length) != 0))
        __builtin_trap();
    heap_free(const_cast<char*>(p));
    return 0;
}
