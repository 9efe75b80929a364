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

// Bits read by the payload and the install script readers.
constexpr int flag_shared_folder = 2;          // the shared folder lies under Common Files
constexpr int flag_packed_file_data = 5;       // the file-data area is one packed block
constexpr int flag_automatic_mode = 8;         // no questions
constexpr int flag_script_colours = 13;        // the title, top and bottom colours are used
constexpr int flag_master_product = 16;        // the script names a master product key
constexpr int flag_no_early_background = 29;   // the background window waits
constexpr int flag_compare_stub_checksum = 32; // the stub checksum is compared
// Shows non-fatal error boxes even in automatic mode.
constexpr int flag_errors_in_automatic_mode = 35;

constexpr std::uint64_t flag_mask(int bit) {
    return std::uint64_t{1} << bit;
}
