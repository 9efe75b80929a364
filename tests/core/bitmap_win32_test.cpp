#include "core/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/file.h"
#include "core/path.h"
#include "core/temp_files.h"
#include "core/win32.h"
#include "tests/support/process_win32.h"
#include "tests/support/string_text.h"
#include "tests/support/timeouts.h"

namespace {

// Started with this argument and a name, the test executable loads that bitmap as the
// installer does and ends with the picture's width as exit code (1000 when it fails).
const char load_argument[] = "--bitmap-load-file=";

[[maybe_unused]] const bool child_mode = [] {
    const char* found = std::strstr(GetCommandLineA(), load_argument);
    if (found == nullptr)
        return false;
    String name(found + sizeof load_argument - 1);
    name.strip_right(" \"");
    Bitmap bitmap;
    ExitProcess(bitmap.load_file(name.c_str()) ? static_cast<UINT>(bitmap.width()) : 1000);
    return true;
}();

using Bytes = std::vector<unsigned char>;

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A 2 x 2 picture with one colour per pixel, as 24-bit info-header DIB (bottom row
// first, each row padded to 8 bytes). Colours are COLORREFs (0x00BBGGRR).
Bytes two_by_two(COLORREF top_left, COLORREF top_right, COLORREF bottom_left, COLORREF bottom_right) {
    Bytes b(40 + 16);
    put32(b, 0, 40);
    put32(b, 4, 2);
    put32(b, 8, 2);
    b[12] = 1;
    b[14] = 24;
    const COLORREF pixels[4] = {bottom_left, bottom_right, top_left, top_right};
    for (int i = 0; i < 4; ++i) {
        std::size_t at = 40 + (i / 2) * 8 + (i % 2) * 3;
        b[at] = GetBValue(pixels[i]);
        b[at + 1] = GetGValue(pixels[i]);
        b[at + 2] = GetRValue(pixels[i]);
    }
    return b;
}

// The same picture as a 4-bit core-header DIB: a palette of 16 three-byte entries
// (the four colours first), then two rows of 4 bytes whose high nibble is the left
// pixel.
Bytes two_by_two_core(COLORREF top_left, COLORREF top_right, COLORREF bottom_left, COLORREF bottom_right) {
    Bytes b(12 + 16 * 3 + 2 * 4);
    b[0] = 12;
    b[4] = 2;
    b[6] = 2;
    b[8] = 1;
    b[10] = 4;
    const COLORREF colours[4] = {top_left, top_right, bottom_left, bottom_right};
    for (int i = 0; i < 4; ++i) {
        b[12 + i * 3] = GetBValue(colours[i]);
        b[12 + i * 3 + 1] = GetGValue(colours[i]);
        b[12 + i * 3 + 2] = GetRValue(colours[i]);
    }
    b[60] = 0x23; // bottom row: entries 2 and 3
    b[64] = 0x01; // top row: entries 0 and 1
    return b;
}

const COLORREF red = RGB(255, 0, 0);
const COLORREF green = RGB(0, 255, 0);
const COLORREF blue = RGB(0, 0, 255);
const COLORREF yellow = RGB(255, 255, 0);
const COLORREF grey = RGB(128, 128, 128);

bool load(Bitmap& bitmap, const Bytes& b) {
    return bitmap.load_memory(b.data(), static_cast<std::int32_t>(b.size()));
}

std::string dib_text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

void write_bytes(const String& path, const std::string& bytes) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << path.c_str();
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    ASSERT_EQ(written, bytes.size());
}

std::string read_bytes(const String& path) {
    String content;
    File file;
    if (file.open(path, File::open_for_reading) != open_success || !file.read_all(content))
        return "<unreadable>";
    return text_of(content);
}

// The file header and DIB of a .bmp file as another writer would make them.
std::string bmp_file(const Bytes& dib, std::uint32_t pixel_offset, const char* signature = "BM") {
    Bytes header(14);
    header[0] = static_cast<unsigned char>(signature[0]);
    header[1] = static_cast<unsigned char>(signature[1]);
    put32(header, 2, static_cast<std::uint32_t>(dib.size() + 14));
    put32(header, 10, pixel_offset);
    return dib_text(header) + dib_text(dib);
}

// Each test works in a folder of its own below the temporary directory.
class BitmapFiles : public testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        folder_.format("%s\\vnk-bmp-%lu-%d", temp_directory().c_str(), GetCurrentProcessId(), ++serial);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_.c_str();
    }
    void TearDown() override {
        for (const String& file : files_)
            DeleteFileA(file.c_str());
        EXPECT_TRUE(RemoveDirectoryA(folder_.c_str())) << "test folder left behind";
    }
    String path(const char* name) {
        files_.push_back(join(folder_.c_str(), name));
        return files_.back();
    }

    String folder_;
    std::vector<String> files_;
};

TEST_F(BitmapFiles, AFileWithoutBmSignatureIsRefusedAndLeavesTheBitmapEmpty) {
    const Bytes dib = two_by_two(red, green, blue, yellow);
    const String wrong = path("wrong.bmp");
    write_bytes(wrong, bmp_file(dib, 54, "MB"));
    const String right = path("right.bmp");
    write_bytes(right, bmp_file(dib, 54));

    Bitmap bitmap;
    EXPECT_FALSE(bitmap.load_file(wrong.c_str()));
    EXPECT_TRUE(bitmap.is_empty());
    ASSERT_TRUE(bitmap.load_file(right.c_str()));
    EXPECT_EQ(text_of(bitmap.packed_dib()), dib_text(dib));
    EXPECT_EQ(bitmap.bits_offset(), 40);
    EXPECT_FALSE(bitmap.load_file(wrong.c_str()));
    EXPECT_TRUE(bitmap.is_empty());
    EXPECT_EQ(bitmap.packed_dib().length(), 0);
    EXPECT_FALSE(bitmap.load_file(path("missing.bmp").c_str()));
}

TEST_F(BitmapFiles, ASizeFieldBeyondTheFileOrAHeaderThatDoesNotParseFails) {
    const Bytes dib = two_by_two(red, green, blue, yellow);
    std::string too_long = bmp_file(dib, 54);
    too_long[5] = '\x7F'; // claims almost 2 GiB
    const String lying = path("lying.bmp");
    write_bytes(lying, too_long);
    std::string short_one = bmp_file(dib, 54);
    short_one.resize(14 + 12);
    short_one[2] = 14 + 12;
    const String tiny = path("tiny.bmp");
    write_bytes(tiny, short_one);

    Bitmap bitmap;
    EXPECT_FALSE(bitmap.load_file(lying.c_str()));
    EXPECT_TRUE(bitmap.is_empty());
    EXPECT_FALSE(bitmap.load_file(tiny.c_str()));
    EXPECT_TRUE(bitmap.is_empty());
}

TEST_F(BitmapFiles, SavingAndLoadingAgainGivesTheSamePackedDib) {
    Bytes paletted(40 + 256 * 4 + 4 * 3);
    put32(paletted, 0, 40);
    put32(paletted, 4, 3);
    put32(paletted, 8, 3);
    paletted[12] = 1;
    paletted[14] = 8;
    for (std::size_t i = 40; i < paletted.size(); ++i)
        paletted[i] = static_cast<unsigned char>(i * 13);
    const Bytes pictures[] = {two_by_two(red, green, blue, yellow), paletted,
                              two_by_two_core(red, green, blue, yellow)};
    const String file = path("saved.bmp");
    // A longer file there before is cut to what is saved.
    write_bytes(file, std::string(5000, 'x'));
    for (const Bytes& dib : pictures) {
        Bitmap saved;
        ASSERT_TRUE(load(saved, dib));
        ASSERT_TRUE(saved.save_file(file.c_str()));

        const std::string bytes = read_bytes(file);
        EXPECT_EQ(bytes, bmp_file(dib, static_cast<std::uint32_t>(saved.bits_offset() + 14)));

        Bitmap loaded;
        ASSERT_TRUE(loaded.load_file(file.c_str()));
        EXPECT_EQ(text_of(loaded.packed_dib()), dib_text(dib));
        EXPECT_EQ(loaded.bits_offset(), saved.bits_offset());
        EXPECT_EQ(loaded.colour_count(), saved.colour_count());
    }
    Bitmap bitmap;
    EXPECT_FALSE(bitmap.save_file(path("no-such-folder\\x.bmp").c_str()));
}

TEST_F(BitmapFiles, ARelativeNameIsFoundBesideTheProgramWithBmpAdded) {
    // The test program's own folder is not writable here: a copy of it runs from the
    // test folder, with the pictures beside it.
    char module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, module, sizeof module), 0u);
    const String copy = path("loader.exe");
    ASSERT_TRUE(CopyFileA(module, copy.c_str(), FALSE));
    write_bytes(path("picture.bmp"), bmp_file(two_by_two(red, green, blue, yellow), 54));
    Bytes wide = two_by_two(red, green, blue, yellow);
    put32(wide, 4, 1); // 1 x 2, the rows still 8 bytes: tells the files apart
    write_bytes(path("picture.dat"), bmp_file(wide, 54));

    struct Case {
        const char* name;
        unsigned long exit_code;
    };
    const Case cases[] = {{"picture", 2}, {"picture.dat", 1}, {"picture.bmp", 2}, {"missing", 1000}};
    for (const Case& c : cases) {
        RunResult run = run_process(command_line({text_of(copy), std::string(load_argument) + c.name}),
                                    timeouts::program_ms);
        ASSERT_TRUE(run.started) << c.name;
        ASSERT_FALSE(run.timed_out) << c.name;
        EXPECT_EQ(run.exit_code, c.exit_code) << c.name;
    }
}

// A 640 x 480 memory device context over a 32-bit DIB section, filled with grey.
class Canvas {
  public:
    Canvas() {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 640;
        info.bmiHeader.biHeight = 480;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        section_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, section_);
        RECT all = {0, 0, 640, 480};
        HBRUSH brush = CreateSolidBrush(grey);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(section_);
        DeleteDC(dc_);
    }
    bool ready() const { return dc_ != nullptr && section_ != nullptr; }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

  private:
    HDC dc_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST(BitmapDraw, StretchesThePictureOverTheWholeRectangle) {
    const Bytes pictures[] = {two_by_two(red, green, blue, yellow),
                              two_by_two_core(red, green, blue, yellow)};
    for (const Bytes& dib : pictures) {
        Bitmap bitmap;
        ASSERT_TRUE(load(bitmap, dib));
        Canvas canvas;
        ASSERT_TRUE(canvas.ready());
        bitmap.draw(canvas.dc(), PixelRect{0, 0, 639, 479}, SRCCOPY);

        struct Point {
            int x, y;
            COLORREF colour;
        };
        const Point points[] = {
            {0, 0, red},     {319, 239, red},   {320, 0, green},  {639, 0, green},    {639, 239, green},
            {0, 240, blue},  {0, 479, blue},    {319, 479, blue}, {320, 240, yellow}, {639, 479, yellow},
            {160, 120, red}, {480, 120, green}, {160, 360, blue}, {480, 360, yellow},
        };
        for (const Point& p : points)
            EXPECT_EQ(canvas.at(p.x, p.y), p.colour)
                << "at " << p.x << ", " << p.y << " of a " << bitmap.palette_entry_size()
                << "-byte-palette picture";
    }
}

TEST(BitmapDraw, TheRectangleIsInclusiveAndNothingIsDrawnWithoutAPictureOrDc) {
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, two_by_two(red, red, red, red)));
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    bitmap.draw(canvas.dc(), PixelRect{100, 50, 199, 149}, SRCCOPY);
    EXPECT_EQ(canvas.at(100, 50), red);
    EXPECT_EQ(canvas.at(199, 149), red);
    EXPECT_EQ(canvas.at(99, 50), grey);
    EXPECT_EQ(canvas.at(100, 49), grey);
    EXPECT_EQ(canvas.at(200, 149), grey);
    EXPECT_EQ(canvas.at(199, 150), grey);

    bitmap.draw(nullptr, PixelRect{0, 0, 639, 479}, SRCCOPY);
    Bitmap empty;
    empty.draw(canvas.dc(), PixelRect{0, 0, 639, 479}, SRCCOPY);
    EXPECT_EQ(canvas.at(0, 0), grey);
    EXPECT_EQ(canvas.at(639, 479), grey);
}

TEST(BitmapDraw, TheRasterOperationIsPassedOn) {
    Bitmap bitmap;
    ASSERT_TRUE(load(bitmap, two_by_two(red, green, blue, yellow)));
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    bitmap.draw(canvas.dc(), PixelRect{0, 0, 639, 479}, NOTSRCCOPY);
    EXPECT_EQ(canvas.at(0, 0), RGB(0, 255, 255));
    EXPECT_EQ(canvas.at(639, 479), RGB(0, 0, 255));
}

} // namespace
