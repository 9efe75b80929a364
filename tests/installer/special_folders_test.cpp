#include "installer/special_folders.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace {

struct FolderCase {
    SpecialFolder folder;
    const char* missing; // with no value at all
    const char* present; // with every value set (see every_value)
};

void every_value(TestFolders& machine) {
    machine.user_values = {{"Desktop", "U:\\Desk"},       {"Personal", "U:\\Docs"},
                           {"Favorites", "U:\\Fav"},      {"Fonts", "U:\\Fonts\\"},
                           {"Start Menu", "U:\\Menu"},    {"Programs", "U:\\Menu\\Progs"},
                           {"Startup", "U:\\Menu\\Start"}};
    machine.machine_values = {{"Common Desktop", "A:\\Desk"},         {"Common Documents", "A:\\Docs"},
                              {"Common Favorites", "A:\\Fav"},        {"Common Start Menu", "A:\\Menu"},
                              {"Common Programs", "A:\\Menu\\Progs"}, {"Common Startup", "A:\\Menu\\Start"}};
    machine.setup_values = {{"ProgramFilesDir", "E:\\Apps"},
                            {"CommonFilesDir", "E:\\Shared\\"},
                            {"DevicePath", "E:\\Inf"},
                            {"MediaPath", "E:\\Sounds"}};
}

TEST(SpecialFolders, EachFolderFromItsValueOrItsFallback) {
    const FolderCase cases[] = {
        {SpecialFolder::desktop, "C:\\WINDOWS\\Desktop", "U:\\Desk"},
        {SpecialFolder::desktop_all, "C:\\WINDOWS\\Desktop", "A:\\Desk"},
        {SpecialFolder::documents, "c:\\My Documents", "U:\\Docs"},
        {SpecialFolder::documents_all, "c:\\My Documents", "A:\\Docs"},
        {SpecialFolder::favorites, "C:\\WINDOWS\\Favorites", "U:\\Fav"},
        {SpecialFolder::favorites_all, "C:\\WINDOWS\\Favorites", "A:\\Fav"},
        {SpecialFolder::fonts, "C:\\WINDOWS\\Fonts", "U:\\Fonts"},
        {SpecialFolder::start_menu, "C:\\WINDOWS\\Start Menu", "U:\\Menu"},
        {SpecialFolder::start_menu_all, "C:\\WINDOWS\\Start Menu", "A:\\Menu"},
        {SpecialFolder::programs, "C:\\WINDOWS\\Start Menu\\Programs", "U:\\Menu\\Progs"},
        {SpecialFolder::programs_all, "C:\\WINDOWS\\Start Menu\\Programs", "A:\\Menu\\Progs"},
        {SpecialFolder::startup, "C:\\WINDOWS\\Start Menu\\Programs\\StartUp", "U:\\Menu\\Start"},
        {SpecialFolder::startup_all, "C:\\WINDOWS\\Start Menu\\Programs\\StartUp", "A:\\Menu\\Start"},
        {SpecialFolder::program_files, "c:\\Program Files", "E:\\Apps"},
        {SpecialFolder::common_files, "c:\\Program Files\\Common Files", "E:\\Shared"},
        {SpecialFolder::device_information, "C:\\WINDOWS\\INF", "E:\\Inf"},
        {SpecialFolder::media, "C:\\WINDOWS\\Media", "E:\\Sounds"},
        {SpecialFolder::system, "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM"},
        {SpecialFolder::windows, "C:\\WINDOWS", "C:\\WINDOWS"},
        {SpecialFolder::temp, "C:\\WINDOWS\\TEMP", "C:\\WINDOWS\\TEMP"},
    };
    TestFolders bare;
    TestFolders full;
    every_value(full);
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.folder));
        EXPECT_STREQ(special_folder(bare, c.folder).c_str(), c.missing);
        EXPECT_STREQ(special_folder(full, c.folder).c_str(), c.present);
    }
}

TEST(SpecialFolders, FallbacksFollowTheFoldersTheyAreBuiltFrom) {
    // Only the user's Start Menu is set: programs and startup are built below it, and
    // the all-users folders take the user's. Common Files follows Program Files.
    TestFolders machine;
    machine.user_values = {{"Start Menu", "U:\\Menu\\"}};
    machine.setup_values = {{"ProgramFilesDir", "E:\\Apps"}};
    EXPECT_STREQ(special_folder(machine, SpecialFolder::startup_all).c_str(), "U:\\Menu\\Programs\\StartUp");
    EXPECT_STREQ(special_folder(machine, SpecialFolder::common_files).c_str(), "E:\\Apps\\Common Files");
}

TEST(SpecialFolders, OneTrailingBackslashGoesFromValuesLongerThanThree) {
    struct {
        const char* value;
        const char* folder;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\Desk\\", "C:\\Desk"},
        {"C:\\Desk\\\\", "C:\\Desk\\"},
        {"AB\\\\", "AB\\"},
    };
    for (const auto& c : cases) {
        TestFolders machine;
        machine.user_values = {{"Desktop", c.value}};
        EXPECT_STREQ(special_folder(machine, SpecialFolder::desktop).c_str(), c.folder) << c.value;
    }
}

TEST(SpecialFolders, TheDevicePathNamesTheSystemRoot) {
    TestFolders machine;
    machine.setup_values = {{"DevicePath", "%systemroot%\\inf;%SystemRoot%\\more"}};
    EXPECT_STREQ(special_folder(machine, SpecialFolder::device_information).c_str(),
                 "%systemroot%\\inf;%SystemRoot%\\more")
        << "left as it is while the variable has no value";
    machine.environment = {{"SystemRoot", "C:\\WINNT"}};
    EXPECT_STREQ(special_folder(machine, SpecialFolder::device_information).c_str(),
                 "C:\\WINNT\\inf;C:\\WINNT\\more");
}

TEST(SpecialFolders, TheBootDriveIsALetterAndAColonOrC) {
    struct {
        const char* boot_dir;
        char drive;
    } cases[] = {{"d:\\", 'D'}, {"E:", 'E'}, {"", 'C'}, {"1:\\", 'C'}, {"D", 'C'}, {"\\\\server", 'C'}};
    for (const auto& c : cases) {
        TestFolders machine;
        if (c.boot_dir[0] != '\0')
            machine.setup_values = {{"Setup\\BootDir", c.boot_dir}};
        EXPECT_EQ(boot_drive(machine), c.drive) << c.boot_dir;
    }
}

} // namespace
