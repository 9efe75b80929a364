#include "ui/background_window.h"

namespace {

constexpr std::int32_t pixels_per_band_step = 224;
constexpr std::int32_t widest_band = 3;

std::int32_t channel(std::uint32_t colour, int index) {
    return static_cast<std::int32_t>((colour >> (8 * index)) & 0xFF);
}

} // namespace

GradientBands gradient_bands(std::int32_t top, std::int32_t bottom) {
    GradientBands bands;
    std::int32_t height = bottom - top + 1;
    bands.height = height / pixels_per_band_step;
    if (bands.height < 1)
        bands.height = 1;
    if (bands.height > widest_band)
        bands.height = widest_band;
    bands.count = height / bands.height;
    // An empty rectangle draws no band, but the steppers still need a count.
    if (bands.count < 1)
        bands.count = 1;
    return bands;
}

BandedGradient::BandedGradient(std::uint32_t top_colour, std::int32_t top, std::int32_t bottom,
                               std::uint32_t bottom_colour)
    : bands_(gradient_bands(top, bottom)), remaining_(bands_.count), y_(top), bottom_(bottom) {
    for (int i = 0; i < 3; ++i) {
        channels_[i] = channel(top_colour, i);
        steps_[i].set(channel(top_colour, i) - channel(bottom_colour, i), bands_.count);
    }
}

bool BandedGradient::next(std::int32_t& y, std::int32_t& height, std::uint32_t& colour) {
    if (y_ >= bottom_)
        return false;
    // A rectangle whose height is not a multiple of the band height has a band more
    // than the count at its bottom: it keeps the bottom colour.
    if (remaining_ > 0) {
        for (int i = 0; i < 3; ++i)
            channels_[i] -= steps_[i].step();
        --remaining_;
    }
    colour = 0;
    for (int i = 0; i < 3; ++i)
        colour |= static_cast<std::uint32_t>(channels_[i] & 0xFF) << (8 * i);
    y = y_;
    height = bands_.height;
    y_ += bands_.height;
    return true;
}

std::int32_t title_font_size(std::int32_t client_right,
                             std::int32_t (*measure)(std::int32_t size, void* context), void* context) {
    std::int32_t size = title_largest_size;
    while (size > title_smallest_size) {
        if (measure(size, context) + 2 < client_right)
            return size;
        --size;
    }
    return size;
}

std::int32_t title_font_height(std::int32_t dots_per_inch, std::int32_t size) {
    return dots_per_inch * size / 72;
}

Vector<String> title_lines(const String& title) {
    Vector<String> lines;
    const char* text = title.c_str();
    std::int32_t n = title.length();
    std::int32_t start = 0;
    while (start < n) {
        std::int32_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n')
            ++end;
        String line(text + start, end - start);
        line.trim_right();
        lines.add(line);
        if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

bool title_is_blank(const String& title) {
    return title.find_not_any(" \r\n\t", 0) < 0;
}
