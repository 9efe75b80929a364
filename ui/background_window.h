#pragma once
// The full-screen window behind the installer's dialogs and boxes: a vertical
// colour gradient, one colour or a stretched picture, with the product's title in
// large letters in the top left corner. It takes no input; it owns the boxes and is
// destroyed by `shutdown`. The geometry and the choice of the title's size are
// portable; the window itself is Win32 (background_window_win32.cpp).

#include <cstdint>

#include "core/bitmap.h"
#include "core/containers.h"
#include "core/numbers.h"
#include "core/string.h"

// What the window paints, read again at every paint: a change shows at the next one.
struct BackgroundSettings {
    std::uint32_t title_colour = 0;  // COLORREF
    std::uint32_t top_colour = 0;    // the whole window with single_colour
    std::uint32_t bottom_colour = 0; // the gradient's last row
    bool single_colour = true;
    Bitmap picture;       // drawn over the whole window instead of the colours when loaded
    String display_title; // may hold several lines; nothing is written when blank
};

// The bands of the gradient drawn without the system's gradient function.
struct GradientBands {
    std::int32_t height = 1; // pixels of one band
    std::int32_t count = 1;  // the colour reaches the bottom colour after this many bands
};
// The bands for the rectangle from `top` to `bottom`: (bottom - top + 1) / 224
// pixels each, held to 1..3, so a tall screen needs a half or a third of the fills.
GradientBands gradient_bands(std::int32_t top, std::int32_t bottom);

// One band after another from the top colour towards the bottom colour: each
// channel's difference spread over the band count in whole steps, the first band
// already one step away from the top colour and the last one (of `count`) on the
// bottom colour.
class BandedGradient {
  public:
    BandedGradient(std::uint32_t top_colour, std::int32_t top, std::int32_t bottom,
                   std::uint32_t bottom_colour);
    // The next band from `y` for `height` pixels and its colour; false once the bands
    // have reached the bottom.
    bool next(std::int32_t& y, std::int32_t& height, std::uint32_t& colour);

  private:
    GradientBands bands_;
    std::int32_t remaining_; // bands still to step
    std::int32_t y_;
    std::int32_t bottom_;
    std::int64_t channels_[3]; // red, green, blue as drawn last
    IntegerStepper steps_[3];
};

// The title's point sizes: the largest is tried first, one point smaller at a time;
// the smallest size is used without being measured.
constexpr std::int32_t title_largest_size = 26;
constexpr std::int32_t title_smallest_size = 6;

// The size the title is written at: the largest from 26 down to 7 whose measured width
// plus 2 lies left of `client_right`, else 6. `measure` gives the title's width at a
// size; it is called for each size tried, largest first, and never for 6.
std::int32_t title_font_size(std::int32_t client_right,
                             std::int32_t (*measure)(std::int32_t size, void* context), void* context);

// The font's height in pixels for a size in points on a device of `dots_per_inch`.
std::int32_t title_font_height(std::int32_t dots_per_inch, std::int32_t size);

// The title's lines as drawn: lines end at CR, LF or CR LF; each line loses its
// trailing spaces, tabs, CR and LF.
Vector<String> title_lines(const String& title);

// Whether the title has nothing to write: empty or only spaces, CR, LF and tabs.
bool title_is_blank(const String& title);

// Registers the window class on first use and creates the window, maximised and
// active; it paints from `settings`, which must outlive it. Failing to register or
// to create ends the program with a fatal message. `instance` and `parent` are the
// module and window handles.
void* create_background_window(void* instance, void* parent, const BackgroundSettings& settings);

// Paints the whole window again from its settings (after they changed); nothing for
// no window.
void repaint_background_window(void* window);

// Fills `rect` of the device context with a vertical gradient, the top colour at its
// top: with the system's GradientFill (looked up once) or, without it, in bands.
// `rect` holds the values of a window rectangle (right and bottom just outside).
void fill_gradient(void* device_context, std::uint32_t top_colour, const PixelRect& rect,
                   std::uint32_t bottom_colour);

// For tests: from now on `fill_gradient` draws the bands, as on a system without
// GradientFill.
void use_banded_gradient();
