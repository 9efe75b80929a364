#include "installer/file_version.h"

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "tests/support/process_win32.h"

namespace {

TEST(FileVersionOnWine, TheUSEnglishFileVersionOfTheResource) {
    // The probe carries a German block ("9.9") beside the US English one.
    std::string probe = exe_folder() + "\\system_probe.exe";
    EXPECT_STREQ(file_version(probe.c_str(), false).c_str(), "2.5.10b");
    EXPECT_STREQ(file_version(probe.c_str(), true).c_str(), "0000000002.0000000005.000000010B");
}

TEST(FileVersionOnWine, NoResourceNoFileNoVersion) {
    String text_file = join(temp_directory().c_str(), "varnook-no-version.txt");
    ASSERT_TRUE(write_string(text_file.c_str(), String("no version here")));
    EXPECT_STREQ(file_version(text_file.c_str(), false).c_str(), "");
    EXPECT_STREQ(file_version(text_file.c_str(), true).c_str(), "");
    delete_file(text_file.c_str(), 0);
    EXPECT_STREQ(file_version("C:\\no such folder\\no such file.dll", true).c_str(), "");
}

} // namespace
