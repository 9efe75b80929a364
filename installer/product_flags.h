#pragma once
// The install script's 64-bit option word. Bits are numbered 0 to 63 from the least
// significant; the script reader fills it, every part of the engine tests its bits.

#include <cstdint>

struct ProductFlags {
    std::uint64_t bits = 0;

    bool has(int bit) const { return bit >= 0 && bit < 64 && ((bits >> bit) & 1u) != 0; }
};

// The process-wide flags of the product being installed (all clear before the
// script has been read).
ProductFlags& product_flags();

// Shows non-fatal error boxes even in automatic mode.
constexpr int flag_errors_in_automatic_mode = 35;
