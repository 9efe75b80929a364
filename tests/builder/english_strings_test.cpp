// The built-in English strings: a complete table whose texts fit what the stub
// formats into them, and the check that keeps a product's own texts from crashing
// the installer or the uninstaller.

#include "builder/english_strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(EnglishStrings, EveryTextCarriesItsDeclaredConversions) {
    const std::vector<LanguageStringInfo>& table = english_strings();
    ASSERT_FALSE(table.empty());
    int previous = -1;
    for (const LanguageStringInfo& info : table) {
        SCOPED_TRACE(info.number);
        EXPECT_GT(info.number, previous) << "numbers ascend";
        previous = info.number;
        EXPECT_GT(std::strlen(info.purpose), 0u);
        std::string conversions;
        std::string error;
        ASSERT_TRUE(printf_conversions(info.text, conversions, error)) << error;
        if (info.is_format)
            EXPECT_EQ(conversions, info.format);
        else
            EXPECT_STREQ(info.format, "") << "only printf formats have conversions";
        EXPECT_TRUE(check_language_string(info.number, info.text, error)) << error;
        EXPECT_EQ(std::string(info.text).find('\r'), std::string::npos) << "line ends are written \\n";
    }
    EXPECT_EQ(english_string_count(), previous + 1);
}

TEST(EnglishStrings, NamesAreUniqueAndFindBothWays) {
    std::set<std::string> names;
    for (const LanguageStringInfo& info : english_strings()) {
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        EXPECT_EQ(find_language_string(info.name), &info);
        EXPECT_EQ(find_language_string(info.number), &info);
    }
    EXPECT_EQ(find_language_string(60), nullptr);
    EXPECT_EQ(find_language_string(english_string_count()), nullptr);
    EXPECT_EQ(find_language_string(-1), nullptr);
    EXPECT_EQ(find_language_string("no_such_string"), nullptr);
}

TEST(EnglishStrings, FormatsWhereTheStubFormats) {
    // The conversions the stub passes, in its order of arguments.
    struct Case {
        const char* name;
        int number;
        const char* format;
    };
    const Case cases[] = {
        {"uninstall_failed", 10, "%s"},
        {"master_missing", 12, "%s"},
        {"corrupt_installer", 13, "%d"},
        {"drive_missing", 16, "%c"},
        {"directory_is_program_files", 18, "%s"},
        {"disk_space_low", 19, "%s%c%s"},
        {"volume_request", 26, "%d%c"},
        {"shortcut_name", 38, "%s"},
        {"log_offer", 40, "%s"},
        {"font_question", 56, "%s"},
        {"shared_file_question", 59, "%s"},
        {"system_excluded", 61, "%s"},
    };
    for (const Case& c : cases) {
        const LanguageStringInfo* info = find_language_string(c.name);
        ASSERT_NE(info, nullptr) << c.name;
        EXPECT_EQ(info->number, c.number) << c.name;
        EXPECT_STREQ(info->format, c.format) << c.name;
        EXPECT_TRUE(info->is_format) << c.name;
    }
    // Status texts and error_box texts are printf formats without conversions;
    // leading words joined with a path are not formats at all.
    for (int n : {8, 9, 17, 29, 32, 36, 62})
        EXPECT_TRUE(find_language_string(n)->is_format) << n;
    for (int n : {0, 14, 25, 30, 31, 58})
        EXPECT_FALSE(find_language_string(n)->is_format) << n;
}

TEST(EnglishStrings, CheckRefusesWrongOverrides) {
    struct Case {
        const char* what;
        int number;
        const char* text;
    };
    const Case refused[] = {
        {"missing %d", 26, "Please insert the next disk in drive %c:."},
        {"missing %c", 26, "Please insert disk %d."},
        {"extra %s", 26, "Please insert disk %d (%s) in drive %c:."},
        {"swapped order", 26, "Drive %c: needs disk %d."},
        {"lone % in a format", 17, "100% wrong"},
        {"lone % at the end", 36, "Done 100%"},
        {"wrong conversion", 13, "Error %s"},
        {"star width", 18, "%*s"},
        {"length modifier", 13, "Error %lld"},
        {"writing conversion", 13, "Error %d%n"},
        {"width and flags", 26, "Disk %-3d, drive %c:"},
        {"%i for %d", 13, "Code %i"},
        {"precision on a text", 61, "Not for %.40s"},
        {"conversion in a plain format", 9, "Already installed in %s"},
        {"three where two", 19, "%s %s %c %s"},
        {"tilde line in the uninstall record", 34, "Removed.\n~thanks"},
        {"tilde at the start in the uninstall record", 58, "~Could not remove"},
        {"section header in the uninstall record", 53, "Remove? [associations] too"},
        {"path separator in the shortcut name", 33, "Tools\\Uninstall <product>"},
        {"colon in the shortcut name", 33, "Uninstall: <product>"},
        {"unused number", 60, "anything"},
        {"beyond the table", 66, "anything"},
    };
    for (const Case& c : refused) {
        std::string error;
        EXPECT_FALSE(check_language_string(c.number, c.text, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(EnglishStrings, CheckAcceptsGoodOverrides) {
    struct Case {
        const char* what;
        int number;
        const char* text;
    };
    const Case accepted[] = {
        {"literal percent in a format", 36, "Done: 100%% finished"},
        {"lone percent where nothing formats", 14, "100% not a folder:"},
        {"percent in a caption", 20, "50% off"},
        {"empty text", 53, ""},
        {"tilde inside a line of the uninstall record", 34, "Removed ~ all of it"},
        {"tilde line where no record holds it", 1, "Hello\n~there"},
        {"placeholder in the shortcut name", 33, "Remove <Product>"},
    };
    for (const Case& c : accepted) {
        std::string error;
        EXPECT_TRUE(check_language_string(c.number, c.text, error)) << c.what << ": " << error;
    }
}

TEST(EnglishStrings, ErrorSaysWhatToWrite) {
    std::string error;
    ASSERT_FALSE(check_language_string(26, "Drive %c: needs disk %d.", error));
    EXPECT_NE(error.find("%d%c"), std::string::npos) << error;
    EXPECT_NE(error.find("%c%d"), std::string::npos) << error;
    ASSERT_FALSE(check_language_string(36, "Done 100%", error));
    EXPECT_NE(error.find("%%"), std::string::npos) << error;
}

} // namespace
