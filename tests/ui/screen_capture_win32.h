#pragma once
// The whole screen's pixels as a person sees them, read through the screen's device
// context: what every program's windows show there, not only this one's.

#include <cstdint>
#include <vector>

class ScreenCapture {
  public:
    // Takes the picture now; empty (width 0) when the screen cannot be read.
    ScreenCapture();

    int width() const { return width_; }
    int height() const { return height_; }
    // The colour at x, y as a COLORREF (0x00BBGGRR).
    std::uint32_t at(int x, int y) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_; // top-down rows of 0x00RRGGBB
};

// Dispatches this thread's messages for about `ms` milliseconds, so that its windows
// paint and the display catches up.
void pump_for(unsigned long ms);

// The red, green and blue of a COLORREF each within `tolerance` of the other's.
bool near_colour(std::uint32_t a, std::uint32_t b, int tolerance);
