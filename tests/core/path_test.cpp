#include "core/filesystem.h"

#include <gtest/gtest.h>

namespace {

struct JoinCase {
    const char* base;
    const char* name;
    const char* expected;
};

TEST(Path, JoinUsesExactlyOneBackslash) {
    const JoinCase cases[] = {
        {"C:\\App", "data.txt", "C:\\App\\data.txt"},
        {"C:\\App\\", "data.txt", "C:\\App\\data.txt"},
        {"C:\\App\\", "\\data.txt", "C:\\App\\data.txt"},
        {"C:\\App", "\\data.txt", "C:\\App\\data.txt"},
        {"C:", "data.txt", "C:data.txt"},
        {"C:", "\\data.txt", "C:\\data.txt"},
        {"\\\\server\\share", "dir\\x", "\\\\server\\share\\dir\\x"},
        {"", "data.txt", "data.txt"},
        {nullptr, "data.txt", "data.txt"},
        {"C:\\App", "", "C:\\App"},
        {"C:\\App\\", nullptr, "C:\\App\\"},
        {"", "", ""},
    };
    for (const JoinCase& c : cases)
        EXPECT_STREQ(join(c.base, c.name).c_str(), c.expected)
            << "join(" << (c.base ? c.base : "null") << ", " << (c.name ? c.name : "null") << ")";
}

struct PieceCase {
    const char* path;
    const char* folder;
    const char* name;
    const char* root;
    char letter;
    int32_t extension;
};

TEST(Path, PiecesOfDriveUncRelativeAndRootedNames) {
    const PieceCase cases[] = {
        {"C:\\setup.exe", "C:\\", "setup.exe", "C:\\", 'C', 8},
        {"C:\\dir\\setup.exe", "C:\\dir", "setup.exe", "C:\\", 'C', 12},
        {"c:\\dir\\sub\\", "c:\\dir\\sub", "", "c:\\", 'C', -1},
        {"d:readme", "d:", "readme", "d:", 'D', -1},
        {"C:", "C:", "", "C:", 'C', -1},
        {"\\\\server\\share\\file.txt", "\\\\server\\share", "file.txt", "", 0, 19},
        {"\\rooted\\name.x", "\\rooted", "name.x", "", 0, 12},
        {"\\name", "", "name", "", 0, -1},
        {"dir.d\\name", "dir.d", "name", "", 0, -1},
        {"relative.tar.gz", "", "relative.tar.gz", "", 0, 12},
        {"C:\\dir\\file;C:\\other\\list", "C:\\dir", "list", "C:\\", 'C', -1},
        {"1:\\x", "1:\\", "x", "", 0, -1},
        {"", "", "", "", 0, -1},
    };
    for (const PieceCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_STREQ(folder_of(c.path).c_str(), c.folder);
        EXPECT_STREQ(name_of(c.path).c_str(), c.name);
        EXPECT_STREQ(drive_root(c.path).c_str(), c.root);
        EXPECT_EQ(drive_letter(c.path), c.letter);
        EXPECT_EQ(extension_position(c.path), c.extension);
    }
    EXPECT_STREQ(folder_of(nullptr).c_str(), "");
    EXPECT_EQ(drive_letter(nullptr), 0);
}

TEST(Path, AddExtensionOnlyWhereThereIsNone) {
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
        bool changed;
    };
    const Case cases[] = {
        {"C:\\App\\readme", "txt", "C:\\App\\readme.txt", true},
        {"C:\\App\\readme", ".txt", "C:\\App\\readme.txt", true},
        {"C:\\App\\readme.doc", "txt", "C:\\App\\readme.doc", false},
        {"C:\\App.d\\readme", "txt", "C:\\App.d\\readme.txt", true},
        {"  ", "txt", "  ", false},
        {"", "txt", "", false},
    };
    for (const Case& c : cases) {
        String path(c.path);
        EXPECT_EQ(add_extension(path, c.extension), c.changed) << c.path;
        EXPECT_STREQ(path.c_str(), c.expected);
    }
}

TEST(Path, SameFolderIgnoresCaseAndTrailingBackslashes) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"C:\\Program Files\\App", "c:\\PROGRAM FILES\\app\\\\", true},
        {"C:\\", "c:", true},
        {"C:\\App", "C:\\App2", false},
        {"C:\\App", "C:\\Ap", false},
        // Texts that are empty, or become empty once the backslashes go.
        {"", "", true},
        {"\\", "\\\\", true},
        {"\\", "", true},
        {nullptr, "\\", true},
        {"", "C:", false},
        {"C:\\", "\\", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(same_folder(c.a, c.b), c.same) << (c.a ? c.a : "null") << " and " << c.b;
        EXPECT_EQ(same_folder(c.b, c.a), c.same) << c.b << " and " << (c.a ? c.a : "null");
    }
}

TEST(Path, RootedNames) {
    struct Case {
        const char* path;
        bool rooted;
    };
    const Case cases[] = {
        {"C:\\", true},   {"  c:\\dir", true}, {"\\\\server\\share", true},
        {"C:dir", false}, {"\\dir", false},    {"dir\\x", false},
        {"", false},      {nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(is_rooted(c.path), c.rooted) << (c.path ? c.path : "null");
}

TEST(Path, ValidCharactersDependOnWildcardFlags) {
    struct Case {
        const char* path;
        bool none;     // flags 0
        bool asterisk; // path_allow_asterisk
        bool wildcard; // path_allow_wildcards
    };
    const Case cases[] = {
        {"C:\\Program Files\\App", true, true, true},
        {"\"C:\\Program Files\\App\"", true, true, true},
        {"relative\\name.txt", true, true, true},
        {"C:\\App\\*.txt", false, true, true},
        {"C:\\App\\file?.txt", false, false, true},
        {"1:\\App", false, false, false},
        {"C:\\App:x", false, false, false},
        {"C:\\App;D:\\x", false, false, false},
        {"C:/App", false, false, false},
        {"C:\\A<B>", false, false, false},
        {"C:\\A|B", false, false, false},
        {"\"C:\\App", false, false, false},
        {"\"\"", false, false, false},
        {"", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(valid_path_chars(c.path, 0), c.none);
        EXPECT_EQ(valid_path_chars(c.path, path_allow_asterisk), c.asterisk);
        EXPECT_EQ(valid_path_chars(c.path, path_allow_wildcards), c.wildcard);
    }
}

TEST(Path, MakeAbsoluteAgainstABase) {
    struct Case {
        const char* path;
        const char* base;
        const char* expected;
        bool changed;
    };
    const Case cases[] = {
        {"data", "C:\\App", "C:\\App\\data", true},
        {"  data\\x  ", "C:\\App\\", "C:\\App\\data\\x", true},
        {"\\data", "C:\\App", "C:\\data", true},
        {"D:data", "C:\\App", "D:\\App\\data", true},
        {"D:data", "C:\\", "D:\\data", true},
        {"data", "\\\\server\\share", "\\\\server\\share\\data", true},
        {"D:\\data", "C:\\App", "D:\\data", false},
        {"\\\\server\\data", "C:\\App", "\\\\server\\data", false},
        {"\\data", "\\\\server\\share", "\\data", false},
        {"data", "App", "data", false},
        {"data", "C:App", "data", false},
        {"   ", "C:\\App", "", false},
    };
    for (const Case& c : cases) {
        String path(c.path);
        EXPECT_EQ(make_absolute(path, c.base), c.changed) << c.path << " against " << c.base;
        EXPECT_STREQ(path.c_str(), c.expected) << c.path << " against " << c.base;
    }
}

TEST(Path, RenameEntriesGoFirstInTheirSection) {
    String text;
    add_rename_entry(text, "NUL", "C:\\OLD.DLL");
    EXPECT_STREQ(text.c_str(), "\r\n[rename]\r\nNUL=C:\\OLD.DLL");

    text = "[Settings]\r\n";
    add_rename_entry(text, "NUL", "C:\\A.DLL");
    EXPECT_STREQ(text.c_str(), "[Settings]\r\n[rename]\r\nNUL=C:\\A.DLL");

    text = "[Settings]\r\nx=1";
    add_rename_entry(text, "NUL", "C:\\A.DLL");
    EXPECT_STREQ(text.c_str(), "[Settings]\r\nx=1\r\n[rename]\r\nNUL=C:\\A.DLL");

    text = "[Settings]\r\n[RENAME]\r\nNUL=C:\\A.DLL\r\n";
    add_rename_entry(text, "C:\\DEST.DLL", "C:\\NEW.DLL");
    EXPECT_STREQ(text.c_str(), "[Settings]\r\n[RENAME]\r\nC:\\DEST.DLL=C:\\NEW.DLL\r\nNUL=C:\\A.DLL\r\n");
}

TEST(Path, ProgramPathFallbacks) {
    EXPECT_STREQ(command_interpreter_path("C:\\WINDOWS\\COMMAND.COM", "C:\\WINDOWS").c_str(),
                 "C:\\WINDOWS\\COMMAND.COM");
    EXPECT_STREQ(command_interpreter_path("C:\\Program Files\\sh.exe", "C:\\WINDOWS").c_str(),
                 "\"C:\\Program Files\\sh.exe\"");
    EXPECT_STREQ(command_interpreter_path(" ", "C:\\WINDOWS").c_str(), "C:\\WINDOWS\\command.com");
    EXPECT_STREQ(command_interpreter_path(nullptr, "C:\\My Windows").c_str(),
                 "\"C:\\My Windows\\command.com\"");

    EXPECT_STREQ(temp_directory_path("C:\\WINDOWS\\TEMP\\").c_str(), "C:\\WINDOWS\\TEMP");
    EXPECT_STREQ(temp_directory_path("C:\\TEMP").c_str(), "C:\\TEMP");
    EXPECT_STREQ(temp_directory_path("").c_str(), "c:\\temp");
    EXPECT_STREQ(temp_directory_path(nullptr).c_str(), "c:\\temp");
}

} // namespace
