#include "installer/uninstall_safety.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace {

TEST(UninstallSafety, OnlyPlainAbsolutePathsAreRecordLines) {
    const struct {
        const char* path;
        bool plain;
    } cases[] = {
        {"C:\\Program Files\\Tool\\tool.exe", true},
        {"c:\\a", true},
        {"\\\\server\\share\\tool.exe", true},
        {"\\\\server\\share", true},
        {"C:\\", false}, // a drive root
        {"C:", false},
        {"C:tool.exe", false},
        {"tool.exe", false},
        {"docs\\guide.txt", false},
        {"\\Windows", false},
        {"\\\\server", false},
        {"C:\\Tool\\..\\..\\Windows", false},
        {"C:\\Tool\\.\\x", false},
        {"C:\\Tool\\..", false},
        {"C:\\Tool\\\\x", false},
        {"C:/Windows", false},
        {"C:\\Tool\\*.*", false},
        {"C:\\Tool\\a?", false},
        {"C:\\Tool\\a:b", false},
        {"1:\\Tool", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_plain_absolute_path(String(c.path)), c.plain) << c.path;
}

TEST(UninstallSafety, TheSystemsClassKeysAreNeverRemoved) {
    const struct {
        const char* name;
        bool removable;
    } cases[] = {
        {".demo", true},
        {"ExampleSoftware.DemoFile", true},
        {"ExampleSoftware.DemoFile\\shell\\open", true},
        {"CLSID\\{12345678-1234-1234-1234-123456789ABC}", true},
        {"", false}, // HKEY_CLASSES_ROOT itself
        {"CLSID", false},
        {"clsid", false},
        {"Interface", false},
        {"*", false},
        {"*\\shellex", false},
        {"exefile", false},
        {"exefile\\shell\\open\\command", false},
        {".exe", false},
        {".EXE", false},
        {"Folder\\shell", false},
        {"\\CLSID", false},
        {"CLSID\\", false},
        {"CLSID\\..", false},
        {"My.Type\\..\\..\\exefile", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_removable_class_key(String(c.name)), c.removable) << c.name;
}

TEST(UninstallSafety, TheWholeFolderGoesOnlyWhenItHoldsNoSpecialFolder) {
    TestFolders machine;
    machine.windows = "C:\\WINDOWS";
    machine.user_values = {{"Personal", "C:\\Users\\ann\\Documents"}, {"Desktop", "C:\\Users\\ann\\Desktop"}};
    machine.setup_values = {{"ProgramFilesDir", "C:\\Program Files"}};
    Vector<String> folders = protected_folders(machine);
    const struct {
        const char* directory;
        bool deletable;
    } cases[] = {
        {"C:\\Program Files\\Tool", true},
        {"C:\\Program Files\\Tool\\", true},
        {"C:\\Users\\ann\\Documents\\Tool", true},
        {"C:\\Program Files", false},
        {"c:\\program files\\", false},
        {"C:\\WINDOWS", false},
        {"C:\\Windows\\System", false}, // the system folder
        {"C:\\WINDOWS\\Fonts", false},
        {"C:\\Users\\ann\\Documents", false},
        {"C:\\Users", false}, // holds the documents and the desktop
        {"C:\\Users\\ann", false},
        {"C:\\", false},
        {"C:\\Program Files\\..", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(may_delete_tree(String(c.directory), folders), c.deletable) << c.directory;
}

} // namespace
