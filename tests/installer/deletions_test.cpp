#include "installer/deletions.h"

#include <gtest/gtest.h>

namespace {

TEST(Deletions, DateAndSizeConditions) {
    const TimeStamp written{2002, 3, 5, 13, 2, 3}; // 5 March 2002, 1:02:03 pm
    const std::int64_t size = 1000;
    struct {
        std::uint8_t condition;
        const char* value;
        bool holds;
    } cases[] = {
        // Dates with a time compare to the second; without one by the day alone.
        {1, "3/5/02, 1:02:03 pm", true},
        {1, "3/5/02, 1:02:04 pm", false},
        {1, "3/5/2002", true},
        {2, "3/5/02, 1:02:03 pm", true},
        {2, "3/5/02, 1:02:04 pm", false},
        {2, "3/4/2002", true},
        {3, "3/5/02, 1:02:03 pm", true},
        {3, "3/5/02, 1:02:02 pm", false},
        {3, "3/6/2002", true},
        {3, "3/4/2002", false},
        // Sizes.
        {4, "1000", true},
        {4, "999", false},
        {5, "1,000", true},
        {5, "1001", false},
        {6, "1000", true},
        {6, "999", false},
        {5, "-1", true},
        // Anything else always deletes, 128 to 255 being negative.
        {0, "", true},
        {7, "x", true},
        {127, "", true},
        {128, "", true},
        {0xFF, "", true},
    };
    for (const auto& c : cases) {
        FileDeletion deletion;
        deletion.condition = c.condition;
        deletion.value = c.value;
        bool bad = true;
        EXPECT_EQ(deletion_condition_holds(deletion, written, size, bad), c.holds)
            << int(c.condition) << " " << c.value;
        EXPECT_FALSE(bad);
    }
}

TEST(Deletions, ADateThatIsNoDateIsFlagged) {
    for (const char* value : {"", "yesterday", "13/45/2002", "12:30 pm"}) {
        FileDeletion deletion;
        deletion.condition = 2;
        deletion.value = value;
        bool bad = false;
        EXPECT_FALSE(deletion_condition_holds(deletion, TimeStamp{2002, 3, 5, 0, 0, 0}, 0, bad)) << value;
        EXPECT_TRUE(bad) << value;
    }
}

} // namespace
