#include "core/bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/string_text.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v);
    put16(b, at + 2, v >> 16);
}

std::size_t row_bytes(std::int32_t width, std::int32_t bits) {
    return static_cast<std::size_t>((static_cast<std::int64_t>(width) * bits + 31) / 32 * 4);
}

// An info-header DIB: header, masks when compressed as bit fields, `palette` entries
// of 4 bytes and the pixel rows, each byte numbered so that copies can be compared.
Bytes info_dib(std::int32_t width, std::int32_t height, std::int32_t bits, std::uint32_t colours = 0,
               std::uint32_t compression = 0, std::size_t palette = 0) {
    std::size_t masks = compression == 3 ? 12 : 0;
    std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    Bytes b(40 + masks + palette * 4 + row_bytes(width, bits) * rows);
    for (std::size_t i = 40; i < b.size(); ++i)
        b[i] = static_cast<unsigned char>(i * 7);
    put32(b, 0, 40);
    put32(b, 4, static_cast<std::uint32_t>(width));
    put32(b, 8, static_cast<std::uint32_t>(height));
    put16(b, 12, 1);
    put16(b, 14, static_cast<std::uint32_t>(bits));
    put32(b, 16, compression);
    put32(b, 32, colours);
    return b;
}

// A core-header DIB with its full palette of 3-byte entries and its pixel rows.
Bytes core_dib(std::int32_t width, std::int32_t height, std::int32_t bits) {
    std::size_t palette = bits <= 8 ? std::size_t{1} << bits : 0;
    Bytes b(12 + palette * 3 + row_bytes(width, bits) * static_cast<std::size_t>(height));
    put32(b, 0, 12);
    put16(b, 4, static_cast<std::uint32_t>(width));
    put16(b, 6, static_cast<std::uint32_t>(height));
    put16(b, 8, 1);
    put16(b, 10, static_cast<std::uint32_t>(bits));
    return b;
}

bool load(Bitmap& bitmap, const Bytes& b) {
    return bitmap.load_memory(b.data(), static_cast<std::int32_t>(b.size()));
}

void expect_empty(const Bitmap& bitmap) {
    EXPECT_TRUE(bitmap.is_empty());
    EXPECT_EQ(bitmap.packed_dib().length(), 0);
    EXPECT_EQ(bitmap.width(), 0);
    EXPECT_EQ(bitmap.height(), 0);
    EXPECT_EQ(bitmap.bit_count(), 0);
    EXPECT_EQ(bitmap.colour_count(), 0);
    EXPECT_EQ(bitmap.palette_entry_size(), 0);
    EXPECT_EQ(bitmap.bits_offset(), 0);
}

struct Parsed {
    const char* what;
    Bytes dib;
    std::int32_t width, height, bit_count, colour_count, entry_size, bits_offset;
};

TEST(Bitmap, HeaderGivesSizesPaletteAndPixelOffset) {
    const Parsed cases[] = {
        {"24-bit info header", info_dib(3, 2, 24), 3, 2, 24, 0, 4, 40},
        {"8-bit, colour count 0", info_dib(5, 3, 8, 0, 0, 256), 5, 3, 8, 256, 4, 1064},
        {"1-bit, colour count 0", info_dib(9, 1, 1, 0, 0, 2), 9, 1, 1, 2, 4, 48},
        {"8-bit, colour count 4", info_dib(2, 2, 8, 4, 0, 4), 2, 2, 8, 4, 4, 56},
        {"24-bit with a palette of 2", info_dib(1, 1, 24, 2, 0, 2), 1, 1, 24, 2, 4, 48},
        {"16-bit bit fields", info_dib(4, 4, 16, 0, 3), 4, 4, 16, 0, 4, 52},
        {"32-bit bit fields", info_dib(2, 3, 32, 0, 3), 2, 3, 32, 0, 4, 52},
        {"top-down 24-bit", info_dib(2, -2, 24), 2, -2, 24, 0, 4, 40},
        {"4-bit core header", core_dib(3, 2, 4), 3, 2, 4, 16, 3, 60},
        {"1-bit core header", core_dib(8, 1, 1), 8, 1, 1, 2, 3, 18},
        {"24-bit core header", core_dib(2, 2, 24), 2, 2, 24, 0, 3, 12},
        {"65535 pixels wide core header", core_dib(65535, 1, 1), 65535, 1, 1, 2, 3, 18},
    };
    for (const Parsed& c : cases) {
        Bitmap bitmap;
        ASSERT_TRUE(load(bitmap, c.dib)) << c.what;
        EXPECT_FALSE(bitmap.is_empty()) << c.what;
        EXPECT_EQ(bitmap.width(), c.width) << c.what;
        EXPECT_EQ(bitmap.height(), c.height) << c.what;
        EXPECT_EQ(bitmap.bit_count(), c.bit_count) << c.what;
        EXPECT_EQ(bitmap.colour_count(), c.colour_count) << c.what;
        EXPECT_EQ(bitmap.palette_entry_size(), c.entry_size) << c.what;
        EXPECT_EQ(bitmap.bits_offset(), c.bits_offset) << c.what;
        EXPECT_EQ(text_of(bitmap.packed_dib()), std::string(c.dib.begin(), c.dib.end())) << c.what;
    }
}

struct Refused {
    const char* what;
    Bytes dib;
};

Bytes with32(Bytes b, std::size_t at, std::uint32_t v) {
    put32(b, at, v);
    return b;
}

Bytes cut(Bytes b, std::size_t n) {
    b.resize(n);
    return b;
}

TEST(Bitmap, RefusesDibsThatDoNotHoldWhatTheirHeaderClaims) {
    const Bytes picture = info_dib(2, 2, 24); // 40 + 2 rows of 8 bytes
    const Refused cases[] = {
        {"12 bytes: a core header alone", cut(core_dib(1, 1, 24), 12)},
        {"12 bytes of an info header", cut(picture, 12)},
        {"header size 0", with32(picture, 0, 0)},
        {"header size 108", with32(cut(info_dib(2, 2, 24), 120), 0, 108)},
        {"header size 124", with32(cut(info_dib(8, 8, 24), 200), 0, 124)},
        {"header size 41", with32(picture, 0, 41)},
        {"header size 40 in 20 bytes", cut(picture, 20)},
        {"header size 40 in 39 bytes", cut(picture, 39)},
        {"bit-field masks past the end", cut(info_dib(0, 0, 16, 0, 3), 46)},
        {"palette past the end", cut(info_dib(2, 2, 8, 0, 0, 256), 40 + 100 * 4)},
        {"core palette past the end", cut(core_dib(2, 2, 8), 12 + 255 * 3)},
        {"negative colour count", with32(picture, 32, 0xFFFFFFFF)},
        {"huge colour count", with32(picture, 32, 0x7FFFFFFF)},
        {"last pixel row cut short", cut(picture, picture.size() - 1)},
        {"height beyond the rows", with32(picture, 8, 3)},
        {"huge width and height", with32(with32(picture, 4, 0x7FFFFFFF), 8, 0x7FFFFFFF)},
        {"most negative height", with32(picture, 8, 0x80000000)},
        {"compressed without an image size", with32(picture, 16, 1)},
        {"compressed image size past the end", with32(with32(picture, 16, 1), 20, 17)},
    };
    for (const Refused& c : cases) {
        Bitmap bitmap;
        ASSERT_TRUE(load(bitmap, info_dib(1, 1, 24))) << c.what;
        EXPECT_FALSE(load(bitmap, c.dib)) << c.what;
        expect_empty(bitmap);
    }
}

TEST(Bitmap, CompressedPixelsAreBoundedByTheImageSize) {
    Bytes rle = with32(with32(info_dib(4, 4, 8, 0, 0, 256), 16, 1), 20, 16);
    rle.resize(1064 + 16);
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, rle));
    EXPECT_EQ(bitmap.bits_offset(), 1064);
    EXPECT_EQ(bitmap.colour_count(), 256);
}

TEST(Bitmap, ZeroWidthParsesButIsEmpty) {
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, info_dib(0, 5, 24)));
    EXPECT_TRUE(bitmap.is_empty());
    EXPECT_EQ(bitmap.height(), 5);
    EXPECT_EQ(bitmap.bits_offset(), 40);
}

TEST(Bitmap, NullOrNoBytesFailAndLeaveItEmpty) {
    const Bytes picture = info_dib(2, 2, 24);
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, picture));
    EXPECT_FALSE(bitmap.load_memory(nullptr, 56));
    expect_empty(bitmap);
    ASSERT_TRUE(load(bitmap, picture));
    EXPECT_FALSE(bitmap.load_memory(picture.data(), 0));
    expect_empty(bitmap);
    EXPECT_FALSE(bitmap.load_memory(picture.data(), -1));
    expect_empty(bitmap);
}

TEST(Bitmap, ClearFreesTheDibAndZeroesEveryNumber) {
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, info_dib(5, 3, 8, 0, 0, 256)));
    bitmap.clear();
    expect_empty(bitmap);
    EXPECT_EQ(bitmap.packed_dib().data(), nullptr);
}

} // namespace
