// The background window of a real installer: the stub covers the screen with the
// product's gradient, colour or picture and its title, behind the box it shows. A
// spanned installer whose second volume is missing stays at its volume request, so
// the screen can be read while it runs.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/installer_fixture.h"
#include "tests/support/colour_order.h"
#include "tests/support/timeouts.h"
#include "tests/ui/screen_capture_win32.h"

namespace {

const char window_class[] = "VNK Window Class";

struct FoundWindows {
    DWORD pid;
    HWND background = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK note_window(HWND window, LPARAM context) {
    FoundWindows& found = *reinterpret_cast<FoundWindows*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != found.pid)
        return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == window_class)
        found.background = window;
    else if (std::string(name) == "#32770" && IsWindowVisible(window))
        found.box = window;
    return TRUE;
}

FoundWindows windows_of(DWORD pid) {
    FoundWindows found{pid};
    EnumWindows(note_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

// An installer of `script` that stops at the request for its second volume.
class WaitingInstaller {
  public:
    explicit WaitingInstaller(const InstallScript& script) {
        PayloadOptions options;
        options.volume_size = 604;
        options.section_data_size = 200;
        String image = build_installer(script, demo_files(), options);
        path_ = folder_.file("setup.exe");
        EXPECT_TRUE(write_file(path_, image));
    }
    // Starts the installer and waits for its volume request; then, for at most
    // `look_ms`, for the screen to show what `ready` looks for (the window paints
    // while the box runs its loop).
    bool start(bool (*ready)(const ScreenCapture&), unsigned long look_ms = 5000) {
        if (!process_.start(quote_argument(path_)))
            return false;
        DWORD start = GetTickCount();
        while (windows_of(process_.pid()).box == nullptr) {
            if (GetTickCount() - start > timeouts::box_ms || !process_.running())
                return false;
            Sleep(50);
        }
        start = GetTickCount();
        while (GetTickCount() - start < look_ms && !ready(ScreenCapture()))
            Sleep(100);
        return true;
    }
    FoundWindows windows() { return windows_of(process_.pid()); }

  private:
    TempFolder folder_{"varnook_background"};
    std::string path_;
    Process process_; // ended when the test ends
};

InstallScript coloured_script(const char* title, std::uint32_t title_colour, std::uint32_t top,
                              std::uint32_t bottom) {
    InstallScript script = demo_script({{0, title}});
    script.flags.set(flag_gradient_colours);
    script.title_colour = static_cast<std::int32_t>(title_colour);
    script.top_colour = static_cast<std::int32_t>(top);
    script.bottom_colour = static_cast<std::int32_t>(bottom);
    return script;
}

const std::uint32_t top_colour = 0x602010;    // dark blue
const std::uint32_t bottom_colour = 0x10C0F0; // orange
const std::uint32_t title_colour = 0x00FFFF;  // yellow

bool gradient_shown(const ScreenCapture& screen) {
    return near_colour(screen.at(screen.width() - 1, 0), top_colour, 2) &&
           near_colour(screen.at(screen.width() - 1, screen.height() - 1), bottom_colour, 2);
}

TEST(BackgroundWindow, TheProductsGradientAndTitleCoverTheScreen) {
    WaitingInstaller installer(coloured_script("<product> Setup", title_colour, top_colour, bottom_colour));
    ASSERT_TRUE(installer.start(gradient_shown));
    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    FoundWindows found = installer.windows();
    ASSERT_NE(found.background, nullptr);
    EXPECT_TRUE(IsWindowVisible(found.background));
    EXPECT_EQ(GetWindow(found.box, GW_OWNER), found.background) << "the box is owned by the background";

    // The right edge is clear of the box and of the title.
    const int x = screen.width() - 1;
    EXPECT_TRUE(near_colour(screen.at(x, 0), top_colour, 2)) << std::hex << screen.at(x, 0);
    EXPECT_TRUE(near_colour(screen.at(x, screen.height() - 1), bottom_colour, 2))
        << std::hex << screen.at(x, screen.height() - 1);
    int turns = 0;
    for (int y = 1; y < screen.height(); ++y)
        if (!colour_between(screen.at(x, y - 1), screen.at(x, y), bottom_colour))
            ++turns;
    EXPECT_EQ(turns, 0) << "the colours move monotonically from top to bottom";
    EXPECT_NE(screen.at(x, screen.height() / 2), top_colour);
    EXPECT_NE(screen.at(x, screen.height() / 2), bottom_colour);

    int title_pixels = 0, stray = 0;
    for (int y = 0; y < 40; ++y)
        for (int x2 = 0; x2 < screen.width(); ++x2)
            if (screen.at(x2, y) == title_colour)
                ++(x2 < 400 ? title_pixels : stray);
    EXPECT_GT(title_pixels, 50) << "the title in its colour in the top left corner";
    EXPECT_EQ(stray, 0) << "\"Demo Tool Setup\" ends well left of x = 400";
}

// Pixels off `colour` on a grid over the screen, leaving out the box.
int off_colour(const ScreenCapture& screen, std::uint32_t colour, HWND box) {
    RECT skip = {};
    GetWindowRect(box, &skip);
    int off = 0;
    for (int y = 0; y < screen.height(); y += 5)
        for (int x = 0; x < screen.width(); x += 7) {
            POINT p = {x, y};
            if (!PtInRect(&skip, p) && screen.at(x, y) != colour)
                ++off;
        }
    return off;
}

bool one_colour_shown(const ScreenCapture& screen) {
    return screen.at(0, 0) == 0x336699u && screen.at(screen.width() - 1, screen.height() - 1) == 0x336699u;
}

TEST(BackgroundWindow, OneColourIsUniform) {
    // Equal top and bottom colours and a blank title: nothing but the one colour.
    WaitingInstaller installer(coloured_script(" ", title_colour, 0x336699, 0x336699));
    ASSERT_TRUE(installer.start(one_colour_shown));
    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    EXPECT_EQ(off_colour(screen, 0x336699, installer.windows().box), 0);
}

const std::uint32_t quadrant[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF}; // TL, TR, BL, BR

bool picture_shown(const ScreenCapture& screen) {
    return screen.at(0, 0) == quadrant[0] &&
           screen.at(screen.width() - 1, screen.height() - 1) == quadrant[3];
}

TEST(BackgroundWindow, ThePictureIsStretchedOverTheScreen) {
    // A 2 x 2 24-bit packed DIB, rows bottom-up, pixels blue, green, red, each row
    // padded to 4 bytes.
    std::string dib = std::string("\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0", 16) + std::string(24, '\0');
    auto pixel = [](std::uint32_t colour) {
        return std::string{static_cast<char>(colour >> 16), static_cast<char>(colour >> 8),
                           static_cast<char>(colour)};
    };
    dib += pixel(quadrant[2]) + pixel(quadrant[3]) + std::string(2, '\0');
    dib += pixel(quadrant[0]) + pixel(quadrant[1]) + std::string(2, '\0');
    InstallScript script = demo_script({{0, "<product> Setup"}});
    script.title_colour = 0x000000;
    script.background_picture = String(dib.data(), static_cast<std::int32_t>(dib.size()));
    WaitingInstaller installer(script);
    ASSERT_TRUE(installer.start(picture_shown));
    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    const int w = screen.width(), h = screen.height();
    const int centre[4][2] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(screen.at(centre[i][0], centre[i][1]), quadrant[i]);
    }
    EXPECT_EQ(screen.at(w - 1, 0), quadrant[1]);
    EXPECT_EQ(screen.at(0, h - 1), quadrant[2]);
    int title_pixels = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 400; ++x)
            if (screen.at(x, y) == 0x000000u)
                ++title_pixels;
    EXPECT_GT(title_pixels, 50) << "a picture brings the script's title colour";
}

bool never(const ScreenCapture&) {
    return false;
}

TEST(BackgroundWindow, SwitchedOffThereIsNone) {
    InstallScript script = coloured_script("<product> Setup", title_colour, top_colour, bottom_colour);
    script.flags.set(flag_no_background_window);
    WaitingInstaller installer(script);
    ASSERT_TRUE(installer.start(never, 1000)); // a second's look: nothing may come
    FoundWindows found = installer.windows();
    EXPECT_NE(found.box, nullptr);
    EXPECT_EQ(found.background, nullptr);
    EXPECT_EQ(GetWindow(found.box, GW_OWNER), nullptr) << "the box has no owner then";
    ScreenCapture screen;
    ASSERT_GT(screen.width(), 0);
    EXPECT_FALSE(gradient_shown(screen));
}

} // namespace
