// Placement over files the user may not write, with Windows permissions in force: ctest
// runs this group as an ordinary user (Wine run as root writes read-only files).

#include "installer/placement.h"

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "core/win32.h"
#include "installer/system_calls.h"
#include "tests/support/process_win32.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/test_machine.h"

namespace {

class ReadOnlyDestination : public ::testing::Test {
  protected:
    ReadOnlyDestination() {
        folder = join(temp_directory().c_str(), "varnook-read-only");
        delete_tree(folder.c_str());
        create_folder(folder.c_str());
        path = join(folder.c_str(), "settings.ini");
        write_string(path.c_str(), String("old content"));
        set_read_only(path.c_str(), true);
        run.folders = &folders;
        run.system = &windows_system_calls();
        run.prompt = &prompt;
        run.languages.names.add(String("English"));
        for (int i = 0; i <= 31; ++i) {
            Vector<String> texts;
            texts.add(String(i == 31 ? "Could not write" : ""));
            run.languages.strings.add(texts);
        }
    }
    ~ReadOnlyDestination() override { delete_tree(folder.c_str()); }

    std::string content() {
        String bytes;
        read_file(path.c_str(), bytes);
        return bytes.c_str();
    }

    TestFolders folders;
    ScriptedPrompt prompt;
    InstallRun run;
    String folder;
    String path;
};

TEST_F(ReadOnlyDestination, StaysWithoutTheOptionToClearItsAttributes) {
    ASSERT_FALSE(wine_runs_as_root()) << "this group must run as an ordinary user";
    EXPECT_FALSE(write_installed_file(run, path.c_str(), "new content", 11, TimeStamp{}, 0, false));
    EXPECT_EQ(content(), "old content");
    // The system's text brings its own line end.
    EXPECT_EQ(std::string(run.error_report.c_str()),
              std::string("Could not write ") + path.c_str() + "\r\nAccess denied.\r\n\r\n");
    EXPECT_NE(get_attributes(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(ReadOnlyDestination, IsWrittenWhenTheProductClearsProtectingAttributes) {
    run.flags.set(flag_clear_protecting_attributes);
    EXPECT_TRUE(write_installed_file(run, path.c_str(), "new content", 11, TimeStamp{},
                                     FILE_ATTRIBUTE_ARCHIVE, false));
    EXPECT_EQ(content(), "new content");
    EXPECT_TRUE(run.error_report.is_empty()) << run.error_report.c_str();
    std::uint32_t attributes = get_attributes(path.c_str());
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_ARCHIVE, 0u);
}

} // namespace
