// File associations made in Wine's real HKEY_CLASSES_ROOT and read back with Wine's
// own reg.exe. Every key a test touches has a name of the tests' own (.vrnktestN,
// VrnkTest.TypeN) and is removed before and after each test (with the system's calls,
// which are quicker than reg.exe).

#include "installer/associations.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/win32.h"
#include "installer/run_state.h"
#include "tests/support/process_win32.h"
#include "tests/support/test_machine.h"
#include "tests/support/timeouts.h"

namespace {

const char* const test_keys[] = {".vrnktest1",     ".vrnktest2",     ".vrnktest3",     ".vrnktest4",
                                 ".vrnktest5",     ".vrnktest6",     ".vrnktest7",     ".vrnktest8",
                                 ".vrnktest9",     ".vrnktest10",    "VrnkTest.Type1", "VrnkTest.Type3",
                                 "VrnkTest.Type4", "VrnkTest.Other", "VrnkTest.Type6", "VrnkTest.Type8",
                                 "VrnkTest.Type9"};

RunResult reg(const std::vector<std::string>& arguments) {
    std::vector<std::string> line = {"reg"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return run_process(command_line(line), timeouts::program_ms);
}

std::string classes_key(const std::string& key) {
    return "HKCR\\" + key;
}

bool key_exists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// Deletes a key with everything below it, without the code under test. True when it
// is gone.
bool delete_key(HKEY parent, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return true;
    char child[256];
    DWORD size = sizeof child;
    bool emptied = true;
    while (emptied &&
           RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        emptied = delete_key(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

// A text value as reg.exe reads it (`name` null: the default value); none when the
// value is missing.
std::optional<std::string> value_of(const std::string& key, const char* name = nullptr) {
    std::vector<std::string> arguments = {"query", classes_key(key)};
    if (name == nullptr) {
        arguments.push_back("/ve");
    } else {
        arguments.push_back("/v");
        arguments.push_back(name);
    }
    RunResult result = reg(arguments);
    if (result.exit_code != 0)
        return std::nullopt;
    const std::string marker = "    REG_SZ    ";
    size_t at = result.output.find(marker);
    if (at == std::string::npos)
        return std::nullopt;
    size_t start = at + marker.size();
    size_t end = result.output.find_first_of("\r\n", start);
    std::string text =
        result.output.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // How reg.exe shows a key's default value that was never written.
    if (name == nullptr && text == "(value not set)")
        return std::nullopt;
    return text;
}

void set_default(const std::string& key, const std::string& text) {
    ASSERT_EQ(reg({"add", classes_key(key), "/ve", "/d", text, "/f"}).exit_code, 0u) << key;
}

class Associations : public testing::Test {
  protected:
    void SetUp() override {
        remove_keys();
        folders_.windows = "C:\\windows";
        run_.folders = &folders_;
        run_.install_directory = "C:\\Apps\\Vrnk";
        run_.product_name = "Vrnk Tools";
        run_.languages.names.add(String("English"));
    }
    void TearDown() override {
        remove_keys();
        for (const char* key : test_keys)
            EXPECT_FALSE(key_exists(key)) << "left behind: " << key;
    }
    static void remove_keys() {
        for (const char* key : test_keys)
            EXPECT_TRUE(delete_key(HKEY_CLASSES_ROOT, key)) << key;
    }

    FileAssociation& add_entry(const char* extension, const char* file_type) {
        FileAssociation& entry = run_.script.associations.add(FileAssociation());
        entry.extension = extension;
        entry.file_type = file_type;
        entry.verb = "open";
        entry.verb_caption = "&Open";
        entry.command = "\"%InstallDir%\\tool.exe\" \"%1\"";
        return entry;
    }

    TestFolders folders_;
    InstallRun run_;
};

TEST_F(Associations, TypeIconAndVerbUnderTheExtensionWithOrWithoutItsDot) {
    FileAssociation& first = add_entry("vrnktest1", "VrnkTest.Type1");
    first.flags = 1;
    first.description = "Vrnk Test Document";
    first.default_icon = "%InstallDir%\\tool.exe,1";
    add_entry(".vrnktest2", "VrnkTest.Type1");

    create_associations(run_);
    EXPECT_STREQ(run_.error_report.c_str(), "");
    EXPECT_EQ(value_of(".vrnktest1"), "VrnkTest.Type1");
    EXPECT_EQ(value_of(".vrnktest2"), "VrnkTest.Type1");
    EXPECT_FALSE(key_exists("..vrnktest2"));
    EXPECT_EQ(value_of("VrnkTest.Type1"), "Vrnk Test Document");
    EXPECT_EQ(value_of("VrnkTest.Type1\\DefaultIcon"), "C:\\Apps\\Vrnk\\tool.exe,1");
    EXPECT_EQ(value_of("VrnkTest.Type1\\shell"), "open") << "the first entry makes its verb the default";
    EXPECT_EQ(value_of("VrnkTest.Type1\\shell\\open"), "&Open");
    EXPECT_EQ(value_of("VrnkTest.Type1\\shell\\open\\command"), "\"C:\\Apps\\Vrnk\\tool.exe\" \"%1\"");
    EXPECT_EQ(value_of(".vrnktest1", "Vrnk Tools Backup"), std::nullopt) << "nothing was there to keep";
    EXPECT_EQ(run_.association_record, ".vrnktest1~!~VrnkTest.Type1~!~open\r\n"
                                       ".vrnktest2~!~VrnkTest.Type1~!~open\r\n");
}

TEST_F(Associations, ReassociationKeepsTheOtherTypeUnderTheBackupValue) {
    set_default(".vrnktest3", "VrnkTest.Other");
    set_default("VrnkTest.Type3\\shell\\open\\command", "other.exe \"%1\"");
    add_entry(".vrnktest3", "VrnkTest.Type3");

    create_associations(run_);
    EXPECT_STREQ(run_.error_report.c_str(), "");
    EXPECT_EQ(value_of(".vrnktest3"), "VrnkTest.Type3");
    EXPECT_EQ(value_of(".vrnktest3", "Vrnk Tools Backup"), "VrnkTest.Other");
    EXPECT_EQ(value_of("VrnkTest.Type3\\shell\\open\\command"), "\"C:\\Apps\\Vrnk\\tool.exe\" \"%1\"");
    EXPECT_EQ(value_of("VrnkTest.Type3\\shell\\open\\command", "Vrnk Tools Backup"), "other.exe \"%1\"");

    // Made again (an installation over this one), the own type is no backup: the other stays.
    create_associations(run_);
    EXPECT_EQ(value_of(".vrnktest3", "Vrnk Tools Backup"), "VrnkTest.Other");
    EXPECT_EQ(value_of("VrnkTest.Type3\\shell\\open\\command", "Vrnk Tools Backup"), "other.exe \"%1\"");
}

TEST_F(Associations, EmptyFileTypeTakesTheExtensionsOwn) {
    set_default(".vrnktest4", "VrnkTest.Type4");
    FileAssociation& existing = add_entry(".vrnktest4", "");
    existing.verb = "print";
    existing.verb_caption = "&Print";
    existing.description = "not for a type the entry did not name";
    add_entry(".vrnktest5", ""); // no such extension: nothing to associate
    // An extension without a type: its type's key would be HKEY_CLASSES_ROOT itself.
    ASSERT_EQ(reg({"add", classes_key(".vrnktest10"), "/f"}).exit_code, 0u);
    add_entry(".vrnktest10", "");
    const bool root_shell_existed = key_exists("shell");

    create_associations(run_);
    EXPECT_EQ(key_exists("shell"), root_shell_existed);
    EXPECT_NE(value_of("shell\\open\\command"), "\"C:\\Apps\\Vrnk\\tool.exe\" \"%1\"");
    EXPECT_STREQ(run_.error_report.c_str(), "");
    EXPECT_EQ(value_of(".vrnktest4"), "VrnkTest.Type4");
    EXPECT_EQ(value_of("VrnkTest.Type4\\shell\\print\\command"), "\"C:\\Apps\\Vrnk\\tool.exe\" \"%1\"");
    EXPECT_EQ(value_of("VrnkTest.Type4"), std::nullopt);
    EXPECT_FALSE(key_exists(".vrnktest5"));
    EXPECT_EQ(run_.association_record, ".vrnktest4~!~VrnkTest.Type4~!~print\r\n");
}

TEST_F(Associations, LanguageEntriesOnlyForTheChosenLanguageByItsExactName) {
    run_.languages.names.add(String("Deutsch"));
    run_.languages.current = 1;
    add_entry(".vrnktest6", "VrnkTest.Type6").language = "English";
    add_entry(".vrnktest7", "VrnkTest.Type6").language = "deutsch";
    add_entry(".vrnktest8", "VrnkTest.Type8").language = "Deutsch";
    add_entry("", "VrnkTest.Type8"); // no extension: skipped

    create_associations(run_);
    EXPECT_FALSE(key_exists(".vrnktest6"));
    EXPECT_FALSE(key_exists(".vrnktest7"));
    EXPECT_FALSE(key_exists("VrnkTest.Type6"));
    EXPECT_EQ(value_of(".vrnktest8"), "VrnkTest.Type8");
    EXPECT_EQ(run_.association_record, ".vrnktest8~!~VrnkTest.Type8~!~open\r\n");
}

TEST_F(Associations, FailedAssociationIsReportedAndStillRecorded) {
    // Below a volatile key the system refuses the lasting keys of the verb.
    HKEY volatile_key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "VrnkTest.Type9", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &volatile_key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(volatile_key);
    add_entry(".vrnktest9", "VrnkTest.Type9");
    add_entry(".vrnktest1", "VrnkTest.Type1");

    create_associations(run_);
    EXPECT_EQ(run_.error_report, "Failed to associate file type:  \".vrnktest9\".\r\n\r\n");
    EXPECT_EQ(value_of("VrnkTest.Type9\\shell\\open\\command"), std::nullopt);
    EXPECT_EQ(value_of("VrnkTest.Type1\\shell\\open\\command"), "\"C:\\Apps\\Vrnk\\tool.exe\" \"%1\"");
    EXPECT_EQ(run_.association_record, ".vrnktest9~!~VrnkTest.Type9~!~open\r\n"
                                       ".vrnktest1~!~VrnkTest.Type1~!~open\r\n");
}

} // namespace
