#include "core/bitmap.h"

namespace {

constexpr std::int32_t core_header_size = 12;
constexpr std::int32_t info_header_size = 40;
constexpr std::int32_t bit_fields_compression = 3;
constexpr std::int32_t colour_masks_size = 12;

// Little-endian reads that never leave the DIB; a field beyond its end reads as 0,
// and the header parse refuses a header that does not fit before it reads one.
std::uint32_t read_u16(const String& dib, std::int32_t offset) {
    if (offset < 0 || offset + 2 > dib.length())
        return 0;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(dib.data()) + offset;
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8;
}

std::int32_t read_i32(const String& dib, std::int32_t offset) {
    if (offset < 0 || offset + 4 > dib.length())
        return 0;
    return dib.get_int32(offset);
}

// Whether the pixel rows of an uncompressed picture fit in the bytes after the
// palette. GDI reads every row of the picture when it draws it, so a DIB cut short
// would be read past its end.
bool rows_fit(std::int64_t width, std::int64_t height, std::int64_t bit_count, std::int64_t available) {
    if (width <= 0 || height == 0)
        return true;
    std::int64_t rows = height < 0 ? -height : height;
    std::int64_t row_bytes = (width * bit_count + 31) / 32 * 4;
    if (row_bytes == 0)
        return true;
    return rows <= available / row_bytes;
}

} // namespace

bool Bitmap::load_memory(const void* bytes, std::int32_t n) {
    if (bytes == nullptr || n <= 0 || !dib_.try_assign(static_cast<const char*>(bytes), n)) {
        clear();
        return false;
    }
    return parse_header();
}

void Bitmap::clear() {
    dib_.clear();
    width_ = 0;
    height_ = 0;
    bit_count_ = 0;
    colour_count_ = 0;
    palette_entry_size_ = 0;
    bits_offset_ = 0;
}

bool Bitmap::parse_header() {
    const std::int32_t length = dib_.length();
    if (length <= core_header_size) {
        clear();
        return false;
    }
    const std::int32_t header_size = read_i32(dib_, 0);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bit_count = 0;
    std::int64_t colour_count = 0;
    std::int64_t entry_size = 0;
    std::int64_t header_bytes = header_size;
    std::int32_t compression = 0;
    std::int64_t image_size = 0;
    if (header_size == core_header_size) {
        width = read_u16(dib_, 4);
        height = read_u16(dib_, 6);
        bit_count = read_u16(dib_, 10);
        colour_count = bit_count <= 8 ? std::int64_t{1} << bit_count : 0;
        entry_size = 3;
    } else if (header_size == info_header_size && length >= info_header_size) {
        width = read_i32(dib_, 4);
        height = read_i32(dib_, 8);
        bit_count = read_u16(dib_, 14);
        compression = read_i32(dib_, 16);
        image_size = static_cast<std::uint32_t>(read_i32(dib_, 20));
        colour_count = read_i32(dib_, 32);
        if (colour_count == 0 && bit_count <= 8)
            colour_count = std::int64_t{1} << bit_count;
        entry_size = 4;
        if (compression == bit_fields_compression)
            header_bytes += colour_masks_size;
    } else {
        // An unknown header, or an info header longer than the whole DIB.
        clear();
        return false;
    }

    // The header, the masks and the palette must lie inside the DIB, and so must the
    // pixels: drawing hands all of it to GDI, which trusts the numbers.
    const std::int64_t bits_offset = colour_count < 0 ? -1 : header_bytes + colour_count * entry_size;
    bool fits = bits_offset >= 0 && bits_offset <= length;
    if (fits) {
        const std::int64_t available = length - bits_offset;
        if (compression == 0 || compression == bit_fields_compression)
            fits = rows_fit(width, height, bit_count, available);
        else
            fits = image_size > 0 && image_size <= available; // compressed: the size field bounds the data
    }
    if (!fits) {
        clear();
        return false;
    }

    width_ = static_cast<std::int32_t>(width);
    height_ = static_cast<std::int32_t>(height);
    bit_count_ = static_cast<std::int32_t>(bit_count);
    colour_count_ = static_cast<std::int32_t>(colour_count);
    palette_entry_size_ = static_cast<std::int32_t>(entry_size);
    bits_offset_ = static_cast<std::int32_t>(bits_offset);
    return true;
}
