// The background window on the real screen: the test process makes its own window,
// lets it paint and reads the screen back.

#include "ui/background_window.h"

#include <gtest/gtest.h>

#include <string>

#include "core/win32.h"
#include "tests/support/colour_order.h"
#include "tests/support/fatal_capture.h"
#include "tests/ui/screen_capture_win32.h"

namespace {

HINSTANCE this_module() {
    return GetModuleHandleA(nullptr);
}

// Runs first: once the window has registered its class, it does not register again.
TEST(BackgroundWindowFailures, RegistrationAndCreationEndWithTheirMessages) {
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = this_module();
    taken.lpszClassName = "VNK Window Class";
    ASSERT_NE(RegisterClassA(&taken), 0);
    BackgroundSettings settings;
    EXPECT_EQ(fatal_text([&] { create_background_window(this_module(), nullptr, settings); }),
              "Internal Fatal Error\r\nModule: Installer\r\nLine: 53");
    ASSERT_TRUE(UnregisterClassA("VNK Window Class", this_module()));

    // A parent that is no window: the class registers, the window cannot be made.
    HWND no_window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF1234));
    EXPECT_EQ(fatal_text([&] { create_background_window(this_module(), no_window, settings); }),
              "Failed to create the window.  Please reboot your machine and try again.");
}

// The column at x from top to bottom: starts near `top`, ends near `bottom` and moves
// monotonically in between; the number of rows that broke the rule.
int column_faults(const ScreenCapture& screen, int x, std::uint32_t top, std::uint32_t bottom,
                  int tolerance) {
    int faults = 0;
    if (!near_colour(screen.at(x, 0), top, tolerance))
        ++faults;
    if (!near_colour(screen.at(x, screen.height() - 1), bottom, tolerance))
        ++faults;
    for (int y = 1; y < screen.height(); ++y)
        if (!colour_between(screen.at(x, y - 1), screen.at(x, y), bottom))
            ++faults;
    return faults;
}

// Pixels of exactly `colour` in the rectangle.
int count_colour(const ScreenCapture& screen, std::uint32_t colour, int left, int top, int right,
                 int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (screen.at(x, y) == colour)
                ++n;
    return n;
}

class BackgroundWindow : public testing::Test {
  protected:
    void TearDown() override {
        if (window_ != nullptr)
            DestroyWindow(window_);
        pump_for(50);
    }
    void create() {
        window_ = static_cast<HWND>(create_background_window(this_module(), nullptr, settings_));
        ASSERT_NE(window_, nullptr);
        pump_for(300);
    }
    // The window paints again from the settings as they are now.
    void repaint() {
        InvalidateRect(window_, nullptr, TRUE);
        pump_for(300);
    }

    BackgroundSettings settings_;
    HWND window_ = nullptr;
};

const std::uint32_t top_colour = 0x602010;    // dark blue
const std::uint32_t bottom_colour = 0x10C0F0; // orange
const std::uint32_t title_colour = 0x00FFFF;  // yellow

TEST_F(BackgroundWindow, AGradientOverTheWholeScreenWithTheTitleTopLeft) {
    settings_.top_colour = top_colour;
    settings_.bottom_colour = bottom_colour;
    settings_.single_colour = false;
    settings_.title_colour = title_colour;
    settings_.display_title = "Demo Tool Setup\r\nSecond Line  ";
    create();

    char name[64] = {};
    GetClassNameA(window_, name, sizeof name);
    EXPECT_STREQ(name, "VNK Window Class");
    EXPECT_EQ(GetClassLongPtrA(window_, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HCURSOR), 0u);
    LONG style = GetWindowLongA(window_, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_EQ(GetWindowLongA(window_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_TRUE(IsZoomed(window_));
    EXPECT_EQ(GetActiveWindow(), window_);
    RECT rect;
    GetWindowRect(window_, &rect);
    EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN));

    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    EXPECT_EQ(column_faults(screen, screen.width() - 1, top_colour, bottom_colour, 2), 0);
    EXPECT_EQ(column_faults(screen, screen.width() / 2, top_colour, bottom_colour, 2), 0);
    // Bold 26 points at the screen's resolution; each line one font height lower.
    HDC dc = GetDC(nullptr);
    int font_height = title_font_height(GetDeviceCaps(dc, LOGPIXELSY), 26);
    ReleaseDC(nullptr, dc);
    EXPECT_GT(count_colour(screen, title_colour, 2, 0, 600, font_height), 50) << "first line";
    EXPECT_GT(count_colour(screen, title_colour, 2, font_height, 600, 2 * font_height), 50) << "second line";
    EXPECT_EQ(count_colour(screen, title_colour, 0, 0, 2, 2 * font_height), 0) << "written from x = 2";
    EXPECT_EQ(count_colour(screen, title_colour, 0, 2 * font_height, 600, 3 * font_height), 0)
        << "two lines only";
}

TEST_F(BackgroundWindow, OneColourAndAPictureFromTheSettingsOfTheNextPaint) {
    settings_.top_colour = 0x336699;
    settings_.bottom_colour = 0xFFFFFF; // unused with one colour
    settings_.single_colour = true;
    create();
    {
        ScreenCapture screen;
        ASSERT_GT(screen.width(), 0);
        int off = 0;
        for (int y = 0; y < screen.height(); y += 7)
            for (int x = 0; x < screen.width(); x += 13)
                if (screen.at(x, y) != 0x336699u)
                    ++off;
        EXPECT_EQ(off, 0) << "a blank title writes nothing: the colour is uniform";
    }

    // A 2 x 2 picture, rows bottom-up, pixels blue, green, red.
    const std::uint32_t quadrant[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}; // TL, TR, BL, BR
    unsigned char dib[40 + 16] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    auto put = [&](int offset, std::uint32_t colour) {
        dib[offset] = static_cast<unsigned char>(colour >> 16);
        dib[offset + 1] = static_cast<unsigned char>(colour >> 8);
        dib[offset + 2] = static_cast<unsigned char>(colour);
    };
    put(40, quadrant[2]); // bottom row first
    put(43, quadrant[3]);
    put(48, quadrant[0]);
    put(51, quadrant[1]);
    ASSERT_TRUE(settings_.picture.load_memory(dib, sizeof dib));
    repaint();
    ScreenCapture screen;
    int w = screen.width(), h = screen.height();
    const int centre[4][2] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(screen.at(centre[i][0], centre[i][1]), quadrant[i]);
    }
    EXPECT_EQ(screen.at(0, 0), quadrant[0]);
    EXPECT_EQ(screen.at(w - 1, h - 1), quadrant[3]);
}

TEST(FillGradient, TheBandsEndOnTheSameColoursAsTheSystemsGradient) {
    const int width = 16, height = 768;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(target, nullptr);
    SelectObject(dc, target);
    auto pixel = [&](int x, int y) {
        GdiFlush();
        std::uint32_t rgb = static_cast<const std::uint32_t*>(bits)[y * width + x] & 0xFFFFFF;
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
    };
    PixelRect rect;
    rect.right = width;
    rect.bottom = height;
    // Equal colours fill evenly on either path.
    auto expect_uniform = [&](std::uint32_t colour) {
        fill_gradient(dc, colour, rect, colour);
        int off = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (pixel(x, y) != colour)
                    ++off;
        EXPECT_EQ(off, 0) << std::hex << colour;
    };
    expect_uniform(0x445566);
    std::uint32_t system_rows[height];
    fill_gradient(dc, top_colour, rect, bottom_colour);
    for (int y = 0; y < height; ++y)
        system_rows[y] = pixel(width - 1, y);

    use_banded_gradient();
    fill_gradient(dc, top_colour, rect, bottom_colour);
    EXPECT_TRUE(near_colour(pixel(0, 0), top_colour, 1)) << "one step from the top colour";
    EXPECT_EQ(pixel(0, height - 1), bottom_colour) << "the last band is the bottom colour";
    EXPECT_EQ(pixel(width - 1, height - 1), bottom_colour) << "to the right edge";
    for (int y = 0; y < height; ++y) {
        SCOPED_TRACE(y);
        EXPECT_TRUE(near_colour(pixel(width - 1, y), system_rows[y], 6))
            << std::hex << pixel(width - 1, y) << " " << system_rows[y];
        if (y > 0) {
            EXPECT_TRUE(colour_between(pixel(0, y - 1), pixel(0, y), bottom_colour));
        }
        if (y % 3 != 0) {
            EXPECT_EQ(pixel(0, y), pixel(0, y - 1)) << "bands of three rows on a 768-row rectangle";
        }
        if (HasFailure())
            break;
    }
    EXPECT_TRUE(near_colour(system_rows[0], top_colour, 1));
    EXPECT_TRUE(near_colour(system_rows[height - 1], bottom_colour, 2));

    expect_uniform(0x445566);
    DeleteDC(dc);
    DeleteObject(target);
}

// After the test above: the bands are in use for the rest of the process.
TEST_F(BackgroundWindow, TheBandedGradientCoversTheScreenWithTheSameEnds) {
    use_banded_gradient();
    settings_.top_colour = top_colour;
    settings_.bottom_colour = bottom_colour;
    settings_.single_colour = false;
    create();
    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    EXPECT_EQ(column_faults(screen, screen.width() - 1, top_colour, bottom_colour, 1), 0);
    EXPECT_EQ(screen.at(0, screen.height() - 1), bottom_colour);
    EXPECT_EQ(screen.at(screen.width() - 1, screen.height() - 1), bottom_colour);
}

} // namespace
