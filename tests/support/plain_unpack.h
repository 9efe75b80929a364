#pragma once
// The packed-block format read the plain way, one bit at a time: a second opinion
// on what a block holds, for the tests and the fuzz target of the fast decoder.

#include <cstdint>
#include <cstring>
#include <string>

// The content of the size bytes at block into out; false wherever the format says
// the block fails (header, stream, no-overlap rule, exact size).
inline bool plain_unpack(const uint8_t* block, size_t size, std::string& out) {
    out.clear();
    if (size < 8 || std::memcmp(block, "\xA1\x2B\xC7\x9E", 4) != 0)
        return false;
    int32_t declared_signed;
    std::memcpy(&declared_signed, block + 4, 4);
    if (declared_signed < 0)
        return false;
    const uint64_t declared = static_cast<uint64_t>(declared_signed);
    const uint64_t bits = 8 * uint64_t{size};
    uint64_t position = 64;
    auto bit = [&](int& b) {
        if (position >= bits)
            return false;
        b = (block[position / 8] >> (position % 8)) & 1;
        ++position;
        return true;
    };
    auto field = [&](int width, uint64_t& v) {
        v = 0;
        for (int i = 0, b = 0; i < width; ++i) {
            if (!bit(b))
                return false;
            v |= uint64_t(b) << i;
        }
        return true;
    };
    auto number = [&](int base, int step, uint64_t& v) {
        if (bits - position < 2)
            return false;
        int width = base;
        for (int b = 0; bit(b) && b == 1;)
            width += step;
        return field(width > 32 ? 32 : width, v);
    };
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
            if (!number(2, 1, n) || !number(12, 2, d))
                return false;
            const uint64_t length = n + 4, distance = d + 4;
            if (distance > out.size() || length > distance || length > declared - out.size())
                return false;
            out += out.substr(out.size() - distance, length);
        }
    }
    return true;
}
