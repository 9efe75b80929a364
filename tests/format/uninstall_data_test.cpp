#include "format/uninstall_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A literal's bytes, NULs included.
template <size_t N>
std::string bytes_of(const char (&text)[N]) {
    return std::string(text, N - 1);
}

struct Entry {
    UninstallEntryKind kind;
    std::string path;
    bool operator==(const Entry& other) const { return kind == other.kind && path == other.path; }
};

std::vector<Entry> entries_of(const String& entries) {
    std::vector<Entry> result;
    TextLines lines(entries);
    UninstallEntryKind kind;
    String path;
    while (take_uninstall_entry(lines, kind, path))
        result.push_back({kind, path.c_str()});
    return result;
}

void fill_strings(String (&strings)[uninstall_string_count]) {
    for (int32_t i = 0; i < uninstall_string_count; ++i)
        strings[i].format("Text %d", static_cast<int>(uninstall_string_numbers[i]));
}

TEST(UninstallData, TheFileItsSectionsAndTheirOrder) {
    String strings[uninstall_string_count];
    fill_strings(strings);
    strings[0] = "First line\r\nsecond line"; // 10
    strings[1] = "";                          // 15
    String record("~C:\\Apps\\Tool\r\nC:\\Apps\\Tool\\tool.exe\r\n");
    EXPECT_STREQ(uninstall_data_text(record, strings, String()).c_str(),
                 "~C:\\Apps\\Tool\r\nC:\\Apps\\Tool\\tool.exe\r\n"
                 "\r\n\r\n[Strings]\r\n"
                 "~10\r\nFirst line\r\nsecond line\r\n"
                 "~15\r\n\r\n"
                 "~20\r\nText 20\r\n~30\r\nText 30\r\n~34\r\nText 34\r\n~35\r\nText 35\r\n"
                 "~53\r\nText 53\r\n~55\r\nText 55\r\n~56\r\nText 56\r\n~57\r\nText 57\r\n"
                 "~58\r\nText 58\r\n~59\r\nText 59\r\n");
    String with_types = uninstall_data_text(record, strings, String(".tl~!~Tool.Doc~!~open\r\n"));
    std::string tail = "~59\r\nText 59\r\n\r\n\r\n[Associations]\r\n.tl~!~Tool.Doc~!~open\r\n";
    std::string whole = with_types.c_str();
    ASSERT_GT(whole.size(), tail.size());
    EXPECT_EQ(whole.substr(whole.size() - tail.size()), tail);
}

TEST(UninstallData, WhatIsWrittenReadsBack) {
    String strings[uninstall_string_count];
    fill_strings(strings);
    strings[0] = "First line\r\nsecond line";
    strings[1] = "";
    String record("~C:\\Apps\\Tool\r\nC:\\Apps\\Tool\\tool.exe\r\n!.tl\r\n");
    String associations(".tl~!~Tool.Doc~!~open\r\n.t2~!~Tool.Two~!~edit\r\n");
    UninstallDataContents contents;
    read_uninstall_data(uninstall_data_text(record, strings, associations), contents);

    std::vector<Entry> expected = {{UninstallEntryKind::folder, "C:\\Apps\\Tool"},
                                   {UninstallEntryKind::file, "C:\\Apps\\Tool\\tool.exe"},
                                   {UninstallEntryKind::key, ".tl"}};
    EXPECT_EQ(entries_of(contents.entries), expected);
    ASSERT_EQ(contents.strings.count(), 60);
    EXPECT_STREQ(contents.strings.at(10).c_str(), "First line\r\nsecond line");
    EXPECT_STREQ(contents.strings.at(15).c_str(), "");
    EXPECT_STREQ(contents.strings.at(59).c_str(), "Text 59")
        << "the blank lines before [Associations] are not text";
    EXPECT_STREQ(contents.strings.at(11).c_str(), "");
    ASSERT_EQ(contents.associations.count(), 2);
    EXPECT_STREQ(contents.associations.at(1).extension.c_str(), ".t2");
    EXPECT_STREQ(contents.associations.at(1).file_type.c_str(), "Tool.Two");
    EXPECT_STREQ(contents.associations.at(1).verb.c_str(), "edit");
    EXPECT_TRUE(contents.associations_left.is_empty());
}

TEST(UninstallData, EditedAndDamagedFiles) {
    struct Case {
        std::string text;
        std::vector<Entry> entries;
        int string_count; // strings.count()
        int string_number;
        const char* string_text;
        int associations;
    };
    const Case cases[] = {
        // No [Strings]: all of it is the entry list, and "[Associations]" with it.
        {bytes_of("a.exe\r\n[Associations]\r\n.x~!~X~!~open\r\n"),
         {{UninstallEntryKind::file, "a.exe"},
          {UninstallEntryKind::file, "[Associations]"},
          {UninstallEntryKind::file, ".x~!~X~!~open"}},
         0,
         0,
         "",
         0},
        // Headers in any case; empty lines between entries.
        {bytes_of("\r\n~D\r\n\r\n[STRINGS]\r\n~12\r\ntwelve\r\n[associations]\r\n.x~!~X~!~open"),
         {{UninstallEntryKind::folder, "D"}},
         13,
         12,
         "twelve",
         1},
        // Numbers outside 1..1000 are skipped, their text too; 1000 is taken.
        {bytes_of("[Strings]\r\n~0\r\nzero\r\n~1001\r\nbig\r\n~1000\r\nlast\r\n"), {}, 1001, 1000, "last", 0},
        {bytes_of("[Strings]\r\n~0\r\nzero\r\n"), {}, 0, 0, "", 0},
        // A number line that is not a number; text before the first block.
        {bytes_of("[Strings]\r\nstray\r\n~x\r\nlost\r\n~7 trailing\r\nseven  \r\n\t\r\n"),
         {},
         8,
         7,
         "seven",
         0},
        // Lone LF and CR line ends, a NUL ending a line.
        {bytes_of("a\nb\rc\0d[Strings]\n~3\nthree\n"),
         {{UninstallEntryKind::file, "a"},
          {UninstallEntryKind::file, "b"},
          {UninstallEntryKind::file, "c"},
          {UninstallEntryKind::file, "d"}},
         4,
         3,
         "three",
         0},
        // Association lines that lack a part, or hold a blank one.
        {bytes_of("[Strings][Associations]a~!~b\r\n~!~T~!~open\r\n.a~!~ "
                  "~!~open\r\n.a~!~T~!~\r\n.a~!~T~!~open~!~x\r\n"),
         {},
         0,
         0,
         "",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        UninstallDataContents contents;
        read_uninstall_data(String(c.text.data(), static_cast<int32_t>(c.text.size())), contents);
        EXPECT_EQ(entries_of(contents.entries), c.entries);
        EXPECT_EQ(contents.strings.count(), c.string_count);
        if (c.string_number > 0) {
            EXPECT_STREQ(contents.strings.at(c.string_number).c_str(), c.string_text);
        }
        EXPECT_EQ(contents.associations.count(), c.associations);
    }
}

TEST(UninstallData, OnlySoManyLinesOfEachSectionAreRead) {
    std::string text = "[Strings]\r\n";
    for (int i = 1; i <= 600; ++i)
        text += "~" + std::to_string(i) + "\r\ntext\r\n";
    text += "[Associations]\r\n";
    for (int i = 1; i <= 600; ++i)
        text += ".e" + std::to_string(i) + "~!~T~!~open\r\n";
    UninstallDataContents contents;
    read_uninstall_data(String(text.c_str()), contents);
    // Each section's first line is what follows its header on the header's line (here
    // nothing); a string's own text lines do not count. So 499 of each are read.
    EXPECT_EQ(contents.strings.count(), 500);
    EXPECT_STREQ(contents.strings.at(499).c_str(), "text");
    EXPECT_EQ(contents.associations.count(), 499);
    EXPECT_TRUE(contents.associations_left.starts_with(".e500~!~T~!~open\r\n"))
        << contents.associations_left.c_str();
}

} // namespace
