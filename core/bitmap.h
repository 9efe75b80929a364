#pragma once
// One Windows device-independent bitmap in memory: the background picture. It is
// loaded from the payload or a .bmp file, drawn stretched into a rectangle, and saved
// as a .bmp file for the uninstaller. The header parsing is portable; drawing and
// the files are Win32 (bitmap_win32.cpp).

#include <cstdint>

#include "core/string.h"

// An inclusive rectangle: its width is right - left + 1, its height bottom - top + 1.
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

class Bitmap {
  public:
    // Every load starts from an empty bitmap and leaves it empty when it fails.
    // The name made absolute against the installer's folder and given ".bmp" when it
    // has none; false unless the file starts with "BM" and its DIB parses.
    bool load_file(const char* name);
    // A copy of the n bytes as the packed DIB; false for null, n <= 0, no memory or a
    // header that does not parse.
    bool load_memory(const void* bytes, std::int32_t n);
    // "BM", the file size, 0, 0, the pixel offset, then the packed DIB; false only when
    // the file cannot be opened.
    bool save_file(const char* name) const;
    // StretchDIBits of the whole picture into the rectangle; nothing for a null
    // device context or an empty bitmap.
    void draw(void* device_context, const PixelRect& rect, std::uint32_t raster_operation) const;

    bool is_empty() const { return width_ <= 0; }
    void clear();

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t bit_count() const { return bit_count_; }
    std::int32_t colour_count() const { return colour_count_; }
    std::int32_t palette_entry_size() const { return palette_entry_size_; }
    std::int32_t bits_offset() const { return bits_offset_; }
    // The header, palette and pixels as in a .bmp file after its 14-byte file header.
    const String& packed_dib() const { return dib_; }

  private:
    // Reads the numbers from the packed DIB's header; clears and fails for a DIB of
    // 12 bytes or less, an unknown header size, or a header, palette or pixel data
    // that does not fit in the DIB.
    bool parse_header();

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t bit_count_ = 0;
    std::int32_t colour_count_ = 0;
    std::int32_t palette_entry_size_ = 0;
    std::int32_t bits_offset_ = 0;
    String dib_;
};
