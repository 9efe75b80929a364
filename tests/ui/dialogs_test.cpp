#include "ui/dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(CentredPlace, CutToTheScreenAndCentred) {
    struct Case {
        int screen_width, screen_height, width, height;
        WindowPlace expected;
    };
    const Case cases[] = {
        {800, 600, 1000, 300, {0, 150, 800, 300}},   // too wide: as wide as the screen, at x 0
        {800, 600, 200, 900, {300, 0, 200, 600}},    // too tall
        {1024, 768, 1100, 800, {0, 0, 1024, 768}},   // too large both ways
        {1024, 768, 301, 201, {361, 283, 301, 201}}, // odd leftovers round down
        {1024, 768, 1024, 768, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases) {
        const WindowPlace place = centred_place(c.screen_width, c.screen_height, c.width, c.height);
        EXPECT_EQ(place.x, c.expected.x) << c.width << "x" << c.height;
        EXPECT_EQ(place.y, c.expected.y) << c.width << "x" << c.height;
        EXPECT_EQ(place.width, c.expected.width) << c.width << "x" << c.height;
        EXPECT_EQ(place.height, c.expected.height) << c.width << "x" << c.height;
    }
}

} // namespace
