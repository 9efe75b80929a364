#include "installer/uninstall_entry.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallEntry, VersionNumbersOnlyForAVersionWithAPoint) {
    struct {
        const char* version;
        bool written;
        std::uint32_t major, minor;
    } cases[] = {
        {"3", false, 0, 0},    {"3.10", true, 3, 10}, {"2.5.1", true, 2, 5},
        {"v1.2b", true, 1, 2}, {"", false, 0, 0},     {"4.", true, 4, 0},
    };
    for (const auto& c : cases) {
        std::uint32_t major = 99;
        std::uint32_t minor = 99;
        EXPECT_EQ(version_numbers(String(c.version), major, minor), c.written) << c.version;
        if (c.written) {
            EXPECT_EQ(major, c.major) << c.version;
            EXPECT_EQ(minor, c.minor) << c.version;
        }
    }
}

TEST(UninstallEntry, TheUninstallCommands) {
    InstallRun run;
    run.uninstall_folder = "C:\\Apps\\Tool\\Uninst";
    run.script.uninstaller_file_name = "unTool.exe";
    run.script.uninstall_key_name = "Acme Tool";
    EXPECT_STREQ(uninstall_command(run, false).c_str(),
                 "C:\\Apps\\Tool\\Uninst\\unTool.exe /u:\"Acme Tool\"");
    EXPECT_STREQ(uninstall_command(run, true).c_str(),
                 "C:\\Apps\\Tool\\Uninst\\unTool.exe /a /u:\"Acme Tool\"");
    // A path with a space is quoted, so that Windows runs nothing but the uninstaller.
    run.uninstall_folder = "C:\\Program Files\\Acme Tool";
    run.script.uninstaller_file_name = "Uninstall Tool.exe";
    EXPECT_STREQ(uninstall_command(run, false).c_str(),
                 "\"C:\\Program Files\\Acme Tool\\Uninstall Tool.exe\" /u:\"Acme Tool\"");
    EXPECT_STREQ(uninstall_command(run, true).c_str(),
                 "\"C:\\Program Files\\Acme Tool\\Uninstall Tool.exe\" /a /u:\"Acme Tool\"");
}

} // namespace
