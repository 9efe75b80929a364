#include "installer/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
    bool ok;
    std::string complaint;
    CommandLine values;
};

Parsed parse(const char* text) {
    Parsed result;
    String complaint;
    result.ok = parse_command_line(String(text), result.values, complaint);
    result.complaint = complaint.c_str();
    return result;
}

TEST(CommandLine, AutomaticModeWithQuotedDirectoryAndName) {
    Parsed p = parse("/a /d:\"C:\\Program Files\\Demo Suite\" /n:\"Demo Suite\"");
    ASSERT_TRUE(p.ok) << p.complaint;
    EXPECT_TRUE(p.values.automatic);
    EXPECT_STREQ(p.values.install_directory.c_str(), "C:\\Program Files\\Demo Suite");
    EXPECT_STREQ(p.values.product_name.c_str(), "Demo Suite");
    EXPECT_FALSE(p.values.uninstall_requested);
}

TEST(CommandLine, SwitchCharactersAndLettersInEitherCase) {
    for (const char* text : {"/a", "-a", "/A", "-A"}) {
        Parsed p = parse(text);
        EXPECT_TRUE(p.ok && p.values.automatic) << text;
    }
    Parsed p = parse("-D:C:\\one /d:C:\\two -N:first");
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.values.install_directory.c_str(), "C:\\two") << "later switches overwrite earlier ones";
    EXPECT_STREQ(p.values.product_name.c_str(), "first");
}

TEST(CommandLine, ValuesAreUnquotedOnceAndDoubledQuotesStandForOne) {
    struct Case {
        const char* text;
        const char* directory;
    } cases[] = {
        {"/d:\"C:\\Say \"\"Hi\"\"\"", "C:\\Say \"Hi\""},
        {"/d:plain", "plain"},
        {"/d:\"\"", ""},
        {"/d:\"half", "half"}, // an unclosed quote runs to the end
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.text);
        ASSERT_TRUE(p.ok) << c.text;
        EXPECT_STREQ(p.values.install_directory.c_str(), c.directory) << c.text;
    }
}

TEST(CommandLine, UninstallAndRunAfter) {
    Parsed named = parse("/u:\"Demo Suite\"");
    ASSERT_TRUE(named.ok);
    EXPECT_TRUE(named.values.uninstall_requested);
    EXPECT_STREQ(named.values.uninstall_name.c_str(), "Demo Suite");

    Parsed bare = parse("/u");
    ASSERT_TRUE(bare.ok);
    EXPECT_TRUE(bare.values.uninstall_requested);
    EXPECT_TRUE(bare.values.uninstall_name.is_empty());

    Parsed discarded = parse("/uDemo");
    ASSERT_TRUE(discarded.ok);
    EXPECT_TRUE(discarded.values.uninstall_name.is_empty()) << "without the colon the rest is discarded";

    Parsed run = parse("/r:\"C:\\Program Files\\Demo\\demo.exe\"");
    ASSERT_TRUE(run.ok);
    EXPECT_STREQ(run.values.run_after.c_str(), "C:\\Program Files\\Demo\\demo.exe");
}

TEST(CommandLine, Complaints) {
    struct Case {
        const char* text;
        const char* complaint;
    } cases[] = {
        {"setup", "Unexpected command line parameter:\nsetup"},
        {"/a \"quoted word\"", "Unexpected command line parameter:\n\"quoted word\""},
        {"/x", "Illegal command line atom:\nx"},
        {"/r:demo.exe", "Illegal command line atom:\nr:demo.exe"},
        {"/automatic", "Illegal command line atom:\nautomatic"},
    };
    for (const Case& c : cases) {
        Parsed p = parse(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        EXPECT_EQ(p.complaint, c.complaint) << c.text;
    }
}

TEST(CommandLine, LoneSwitchAndBlanksAreIgnored) {
    Parsed p = parse("  /  \t-\r\n/a  ");
    ASSERT_TRUE(p.ok) << p.complaint;
    EXPECT_TRUE(p.values.automatic);
    EXPECT_TRUE(parse("").ok);
}

TEST(CommandLine, OnlyTheFirstNineteenAtomsAreExamined) {
    std::string text;
    for (int i = 1; i <= 25; ++i)
        text += "/n:" + std::to_string(i) + " ";
    Parsed p = parse(text.c_str());
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.values.product_name.c_str(), "19");

    std::string with_bad_twentieth;
    for (int i = 1; i <= 19; ++i)
        with_bad_twentieth += "/a ";
    with_bad_twentieth += "not-a-switch";
    EXPECT_TRUE(parse(with_bad_twentieth.c_str()).ok) << "the 20th atom is not examined";
}

} // namespace
