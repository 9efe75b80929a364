#include "core/bitmap.h"

#include "core/file.h"
#include "core/filesystem.h"
#include "core/win32.h"

namespace {

constexpr std::int32_t file_header_size = 14;
constexpr std::uint32_t bmp_signature = 0x4D42; // "BM"

std::uint32_t read_u16(const unsigned char* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8;
}

std::uint32_t read_u32(const unsigned char* b) {
    return read_u16(b) | read_u16(b + 2) << 16;
}

void put_u16(unsigned char* b, std::uint32_t value) {
    b[0] = static_cast<unsigned char>(value);
    b[1] = static_cast<unsigned char>(value >> 8);
}

void put_u32(unsigned char* b, std::uint32_t value) {
    put_u16(b, value);
    put_u16(b + 2, value >> 16);
}

} // namespace

bool Bitmap::load_file(const char* name) {
    clear();
    String path(name);
    make_absolute(path, program_paths().installer_folder.c_str());
    add_extension(path, "bmp");

    File file;
    if (file.open(path, File::open_for_reading) != open_success)
        return false;
    unsigned char header[file_header_size];
    if (!file.read(header, file_header_size) || read_u16(header) != bmp_signature)
        return false;
    // The size field is trusted only as far as the file reaches, so that a lying one
    // asks for no more memory than the file could fill.
    const std::int64_t dib_size = static_cast<std::int64_t>(read_u32(header + 2)) - file_header_size;
    const std::int32_t file_size = file.size();
    if (dib_size <= 0 || dib_size > static_cast<std::int64_t>(file_size) - file_header_size)
        return false;
    const std::int32_t n = static_cast<std::int32_t>(dib_size);
    if (!dib_.try_set_length(n))
        return false;
    if (!file.read(dib_.data(), n)) {
        clear();
        return false;
    }
    file.close();
    return parse_header();
}

bool Bitmap::save_file(const char* name) const {
    File file;
    if (file.open(name, File::open_for_writing) != open_success)
        return false;
    unsigned char header[file_header_size] = {};
    put_u16(header, bmp_signature);
    put_u32(header + 2, static_cast<std::uint32_t>(dib_.length()) + file_header_size);
    put_u32(header + 10, static_cast<std::uint32_t>(bits_offset_) + file_header_size);
    file.write(header, file_header_size);
    if (dib_.length() > 0)
        file.write(dib_.data(), dib_.length());
    file.close();
    return true;
}

void Bitmap::draw(void* device_context, const PixelRect& rect, std::uint32_t raster_operation) const {
    if (device_context == nullptr || is_empty())
        return;
    // Inclusive rectangle; the sizes wrap as the system's 32-bit arithmetic would.
    const int width =
        static_cast<int>(static_cast<std::uint32_t>(rect.right) - static_cast<std::uint32_t>(rect.left) + 1);
    const int height =
        static_cast<int>(static_cast<std::uint32_t>(rect.bottom) - static_cast<std::uint32_t>(rect.top) + 1);
    StretchDIBits(static_cast<HDC>(device_context), rect.left, rect.top, width, height, 0, 0, width_, height_,
                  dib_.data() + bits_offset_, reinterpret_cast<const BITMAPINFO*>(dib_.data()),
                  DIB_RGB_COLORS, raster_operation);
}
