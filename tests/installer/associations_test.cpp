#include "installer/associations.h"

#include <gtest/gtest.h>

namespace {

TEST(Associations, ExtensionKeyWithOneLeadingDot) {
    EXPECT_STREQ(with_leading_dot("txt").c_str(), ".txt");
    EXPECT_STREQ(with_leading_dot(".txt").c_str(), ".txt");
    EXPECT_STREQ(with_leading_dot("..txt").c_str(), "..txt");
    EXPECT_STREQ(with_leading_dot("tar.gz").c_str(), ".tar.gz");
}

TEST(Associations, OldDefaultKeptOnlyWhenItIsAnotherText) {
    struct Case {
        const char* old_text;
        const char* new_text;
        bool kept;
    };
    const Case cases[] = {
        {"Other.Document", "Vrnk.Document", true},
        {"", "Vrnk.Document", false},
        {" \t\r\n", "Vrnk.Document", false},
        {"vrnk.DOCUMENT", "Vrnk.Document", false},
        {"Vrnk.Document", "Vrnk.Document", false},
        {"Vrnk.Document2", "Vrnk.Document", true},
        {"Vrnk.Document", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(keeps_backup(c.old_text, c.new_text), c.kept)
            << '"' << c.old_text << "\" -> " << c.new_text;
    EXPECT_STREQ(backup_value_name("Vrnk Tools").c_str(), "Vrnk Tools Backup");
}

} // namespace
