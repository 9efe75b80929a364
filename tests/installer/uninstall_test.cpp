#include "installer/uninstall.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallerRemoval, TheBatchWaitsForTheProgramThenRemovesTheEmptiedFolders) {
    EXPECT_STREQ(
        uninstaller_removal_batch(String("C:\\Tool\\Uninst\\un.exe"), String("C:\\Tool"), String("Uninst"))
            .c_str(),
        ":Repeat\r\ndel \"C:\\Tool\\Uninst\\un.exe\"\r\nif exist \"C:\\Tool\\Uninst\\un.exe\" goto Repeat\r\n"
        "rd \"C:\\Tool\\Uninst\"\r\nrd \"C:\\Tool\"\r\ndel \"c:\\delunins.bat\"\r\n");
    EXPECT_STREQ(uninstaller_removal_batch(String("C:\\Tool\\un.exe"), String("C:\\Tool"), String()).c_str(),
                 ":Repeat\r\ndel \"C:\\Tool\\un.exe\"\r\nif exist \"C:\\Tool\\un.exe\" goto Repeat\r\n"
                 "rd \"C:\\Tool\"\r\ndel \"c:\\delunins.bat\"\r\n");
}

TEST(UninstallerFonts, PairsAreTakenUntilOneIsIncomplete) {
    String list("  \"Sans\" \"sans.ttf\" \"Mono Bold\"  \"mono bold.ttf\" \"Lonely\" ");
    String title, file;
    ASSERT_TRUE(take_font_pair(list, title, file));
    EXPECT_STREQ(title.c_str(), "Sans");
    EXPECT_STREQ(file.c_str(), "sans.ttf");
    ASSERT_TRUE(take_font_pair(list, title, file));
    EXPECT_STREQ(title.c_str(), "Mono Bold");
    EXPECT_STREQ(file.c_str(), "mono bold.ttf");
    EXPECT_STREQ(font_pair_text(title, file).c_str(), "\"Mono Bold\" \"mono bold.ttf\" ");
    EXPECT_FALSE(take_font_pair(list, title, file)) << "a title without its file ends the list";
    String empty;
    EXPECT_FALSE(take_font_pair(empty, title, file));
}

TEST(UninstallerStrings, TheRecordsStringsBecomeTheOnlyLanguage) {
    LanguageTables tables;
    tables.strings.add(Vector<String>()).add(String("old"));
    tables.current = 1;
    Vector<String> strings;
    strings.add(String());
    strings.add(String("one"));
    strings.add(String());
    strings.add(String("three"));
    use_uninstall_strings(tables, strings);
    EXPECT_EQ(tables.current, 0);
    EXPECT_STREQ(language_string(tables, String("P"), 3).c_str(), "three");
    EXPECT_STREQ(language_string(tables, String("P"), 2).c_str(), "");
    EXPECT_STREQ(language_string(tables, String("P"), 4).c_str(), "") << "a number the record lacks";
}

} // namespace
