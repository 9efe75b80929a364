#include "installer/language.h"

#include <gtest/gtest.h>

namespace {

TEST(Language, OnlyTheExpectedConversionsAreFormatted) {
    struct {
        const char* format;
        const char* conversions;
        bool takes;
    } cases[] = {
        {"Show %s?", "s", true},
        {"100%% sure: %s", "s", true},
        {"no conversion", "s", false},
        {"%s and %s", "s", false},
        {"%d", "s", false},
        {"ends in %", "s", false},
        {"disk %d in %c:", "dc", true},
        {"%c then %d", "dc", false},
        {"", "", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(takes_conversions(String(c.format), c.conversions), c.takes) << c.format;
    EXPECT_STREQ(format_with_text(String("Read %s now?"), "C:\\Install.LOG").c_str(),
                 "Read C:\\Install.LOG now?");
    EXPECT_STREQ(format_with_text(String("Read %s%s now?"), "x").c_str(), "Read %s%s now?");
    EXPECT_STREQ(format_language_text(String("%s on %c: has %s"), "scs", "10 KB", 'D', "5 KB").c_str(),
                 "10 KB on D: has 5 KB");
    EXPECT_STREQ(format_language_text(String("%s on %s"), "scs", "10 KB", 'D', "5 KB").c_str(), "%s on %s");
}

} // namespace
