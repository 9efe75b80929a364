#include "ui/background_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(GradientBands, OneToThreePixelsByScreenHeight) {
    struct Case {
        std::int32_t height, band_height, count;
    } cases[] = {
        {600, 2, 300},  // 600 / 224 = 2
        {100, 1, 100},  // the quotient 0 is raised to 1
        {1200, 3, 400}, // 5 is lowered to 3
        {223, 1, 223},  {224, 1, 224}, {448, 2, 224}, {769, 3, 256}, {1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        GradientBands bands = gradient_bands(0, c.height - 1);
        EXPECT_EQ(bands.height, c.band_height);
        EXPECT_EQ(bands.count, c.count);
    }
    EXPECT_EQ(gradient_bands(100, 699).height, 2) << "only the height counts, not where it starts";
}

struct Band {
    std::int32_t y, height;
    std::uint32_t colour;
};

std::vector<Band> bands_of(std::uint32_t top_colour, std::int32_t top, std::int32_t bottom,
                           std::uint32_t bottom_colour) {
    std::vector<Band> bands;
    BandedGradient gradient(top_colour, top, bottom, bottom_colour);
    Band band{};
    while (gradient.next(band.y, band.height, band.colour))
        bands.push_back(band);
    return bands;
}

TEST(BandedGradient, StepsFromTheTopColourToExactlyTheBottomColour) {
    // Each channel moves its own way: red down, green up, blue not at all.
    const std::uint32_t top = 0x4080FF, bottom = 0x40FF00;
    std::vector<Band> bands = bands_of(top, 0, 599, bottom);
    ASSERT_EQ(bands.size(), 300u);
    EXPECT_EQ(bands.front().y, 0);
    EXPECT_EQ(bands.back().y, 598);
    EXPECT_EQ(bands.back().colour, bottom);
    EXPECT_EQ(bands_of(0xFFFFFF, 0, 99, 0).front().colour, 0xFDFDFDu)
        << "255 over 100 bands: the first band is already one step (2) away";
    for (size_t i = 1; i < bands.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bands[i].y, bands[i - 1].y + 2);
        EXPECT_EQ(bands[i].height, 2);
        EXPECT_LE(bands[i].colour & 0xFF, bands[i - 1].colour & 0xFF);
        EXPECT_GE((bands[i].colour >> 8) & 0xFF, (bands[i - 1].colour >> 8) & 0xFF);
        EXPECT_EQ(bands[i].colour >> 16, 0x40u);
    }
}

TEST(BandedGradient, EqualColoursAndALeftoverBandKeepTheColour) {
    for (const Band& band : bands_of(0x123456, 0, 767, 0x123456))
        EXPECT_EQ(band.colour, 0x123456u);
    // 1202 rows: 400 bands of 3 reach the bottom colour and one more band is left.
    std::vector<Band> bands = bands_of(0xFFFFFF, 0, 1201, 0);
    ASSERT_EQ(bands.size(), 401u);
    EXPECT_EQ(bands[399].colour, 0u);
    EXPECT_EQ(bands[400].colour, 0u) << "the leftover band stays on the bottom colour";
    EXPECT_TRUE(bands_of(0xFFFFFF, 10, 10, 0).empty()) << "nothing between top and bottom";
}

// A title `width_per_point` pixels wide per point of size; records the sizes measured.
struct FakeTitle {
    std::int32_t width_per_point;
    std::vector<std::int32_t> measured;
};

std::int32_t measure_fake(std::int32_t size, void* context) {
    FakeTitle& title = *static_cast<FakeTitle*>(context);
    title.measured.push_back(size);
    return size * title.width_per_point;
}

TEST(TitleFontSize, TheLargestSizeThatLeavesRoomElseSix) {
    FakeTitle narrow{10, {}};
    EXPECT_EQ(title_font_size(1024, measure_fake, &narrow), 26);
    EXPECT_EQ(narrow.measured, std::vector<std::int32_t>{26});

    // 20 points: 20 * 50 + 2 = 1002 < 1010; 21 points: 1052 is too wide.
    FakeTitle wider{50, {}};
    EXPECT_EQ(title_font_size(1010, measure_fake, &wider), 20);
    EXPECT_EQ(wider.measured, (std::vector<std::int32_t>{26, 25, 24, 23, 22, 21, 20}));

    // The width plus 2 must lie strictly left of the right edge.
    FakeTitle exact{10, {}};
    EXPECT_EQ(title_font_size(262, measure_fake, &exact), 25);

    // Too wide even at 7 points: 6 without a further look.
    FakeTitle huge{1000, {}};
    EXPECT_EQ(title_font_size(1024, measure_fake, &huge), 6);
    ASSERT_EQ(huge.measured.size(), 20u);
    EXPECT_EQ(huge.measured.front(), 26);
    EXPECT_EQ(huge.measured.back(), 7);
}

TEST(TitleFontSize, HeightInPixelsFromTheDevicesResolution) {
    EXPECT_EQ(title_font_height(96, 26), 34); // 34.67 truncated
    EXPECT_EQ(title_font_height(120, 26), 43);
    EXPECT_EQ(title_font_height(96, 6), 8);
    EXPECT_EQ(title_font_height(72, 7), 7);
}

std::vector<std::string> lines_of(const char* title) {
    std::vector<std::string> lines;
    Vector<String> split = title_lines(String(title));
    for (std::int32_t i = 0; i < split.count(); ++i)
        lines.push_back(split.at(i).c_str());
    return lines;
}

TEST(TitleLines, LineEndsAndTrailingBlanks) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(lines_of("Demo Tool Setup"), Lines{"Demo Tool Setup"});
    EXPECT_EQ(lines_of("Demo Tool\r\nSetup"), (Lines{"Demo Tool", "Setup"}));
    EXPECT_EQ(lines_of("One\rTwo\nThree"), (Lines{"One", "Two", "Three"}));
    EXPECT_EQ(lines_of("One \t\r\n\r\n  Three  \t"), (Lines{"One", "", "  Three"}))
        << "an empty line still takes its row; leading blanks stay";
    EXPECT_EQ(lines_of("One\n\rTwo"), (Lines{"One", "", "Two"})) << "LF CR is two line ends";
    EXPECT_EQ(lines_of("Last\r\n"), Lines{"Last"});
    EXPECT_TRUE(lines_of("").empty());
}

TEST(TitleLines, BlankTitlesAreNotWritten) {
    EXPECT_TRUE(title_is_blank(String("")));
    EXPECT_TRUE(title_is_blank(String(" \t\r\n")));
    EXPECT_FALSE(title_is_blank(String("  x")));
}

} // namespace
