// Any bytes given to unpack_block end in success or false, without reading or
// writing outside the buffers (AddressSanitizer watches) and without hanging; and
// the outcome is the one that reading the format plainly, bit by bit, gives.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory.h"
#include "installer/unpack.h"

namespace {

// The format read one bit at a time: the content, or false where a block fails.
struct PlainReader {
    const uint8_t* data;
    uint64_t bits;
    uint64_t position = 64;

    bool bit(int& b) {
        if (position >= bits)
            return false;
        b = (data[position / 8] >> (position % 8)) & 1;
        ++position;
        return true;
    }
    bool field(int width, uint64_t& v) {
        v = 0;
        for (int i = 0, b = 0; i < width; ++i) {
            if (!bit(b))
                return false;
            v |= uint64_t(b) << i;
        }
        return true;
    }
    bool number(int base, int step, uint64_t& v) {
        if (bits - position < 2)
            return false;
        int width = base;
        for (int b = 0; bit(b) && b == 1;)
            width += step;
        return field(width > 32 ? 32 : width, v);
    }
    bool read(uint64_t declared, std::string& out) {
        while (out.size() < declared) {
            int first = 0, second = 0;
            uint64_t n = 0, d = 0, v = 0;
            if (!bit(first))
                return false;
            if (first == 0) {
                if (!number(2, 2, n) || n + 1 > declared - out.size())
                    return false;
                for (uint64_t i = 0; i <= n; ++i) {
                    if (!field(8, v))
                        return false;
                    out += static_cast<char>(v);
                }
            } else if (!bit(second)) {
                return false;
            } else if (second == 1) {
                if (!field(8, v) || !number(1, 1, n) || n + 3 > declared - out.size())
                    return false;
                out.append(n + 3, static_cast<char>(v));
            } else {
                if (!number(2, 1, n) || !number(12, 2, d) || d + 4 > out.size() || n > d ||
                    n + 4 > declared - out.size())
                    return false;
                out += out.substr(out.size() - d - 4, n + 4);
            }
        }
        return true;
    }
};

} // namespace

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
    bool plain_ok = size >= 8 && declared >= 0 && std::memcmp(data, "\xA1\x2B\xC7\x9E", 4) == 0 &&
                    PlainReader{data, 8 * uint64_t{size}}.read(static_cast<uint64_t>(declared), plain);
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
