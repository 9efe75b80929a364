#pragma once
// Comparing screen colours in tests of gradients.

#include <cstdint>

// Each channel of `later` lies between `earlier` and `end` (inclusive), so a column
// read from top to bottom never turns back.
inline bool colour_between(std::uint32_t earlier, std::uint32_t later, std::uint32_t end) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (earlier >> shift) & 0xFF, b = (later >> shift) & 0xFF, c = (end >> shift) & 0xFF;
        if (a <= c ? (b < a || b > c) : (b > a || b < c))
            return false;
    }
    return true;
}
