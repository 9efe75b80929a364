#include "installer/directory_variables.h"

#include <gtest/gtest.h>

#include "tests/support/test_machine.h"

namespace {

String expanded(const char* text, const TestFolders& machine,
                const char* install_directory = "C:\\Apps\\Tool", const char* shared = "C:\\Common\\Acme") {
    String install(install_directory);
    String shared_folder(shared);
    String result(text);
    expand_directory_variables(result, DirectoryValues{machine, install, shared_folder});
    return result;
}

TEST(DirectoryVariables, EveryVariableIgnoringCase) {
    TestFolders machine;
    machine.setup_values = {{"Setup\\BootDir", "E:\\"}, {"ProgramFilesDir", "E:\\Apps"}};
    machine.user_values = {{"Desktop", "E:\\Desk"}};
    struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"%installdir%\\bin", "C:\\Apps\\Tool\\bin"},
        {"%INSTALLDIR% and %InstallDir%", "C:\\Apps\\Tool and C:\\Apps\\Tool"},
        {"%InstallDrive%", "C:"},
        {"%InstallerDrive%", "D"},
        {"%InstallerDir%|%InstallerFilename%|%InstallerFilepath%",
         "D:\\Setup|install.exe|D:\\Setup\\install.exe"},
        {"%BootDrive%\\autoexec.bat", "E:\\autoexec.bat"},
        {"%ProgramsDir%|%CommonDir%", "E:\\Apps|E:\\Apps\\Common Files"},
        {"%SharedDir%|%SystemDir%|%WinDir%|%Temp%",
         "C:\\Common\\Acme|C:\\WINDOWS\\SYSTEM|C:\\WINDOWS|C:\\WINDOWS\\TEMP"},
        {"%DeviceDir%|%MediaDir%|%FontDir%", "C:\\WINDOWS\\INF|C:\\WINDOWS\\Media|C:\\WINDOWS\\Fonts"},
        {"%DesktopDir%|%DesktopAllDir%", "E:\\Desk|E:\\Desk"},
        {"%FavoritesDir%|%FavoritesAllDir%", "C:\\WINDOWS\\Favorites|C:\\WINDOWS\\Favorites"},
        {"%DocumentDir%|%DocumentAllDir%", "c:\\My Documents|c:\\My Documents"},
        {"%StartMenuDir%|%StartMenuAllDir%", "C:\\WINDOWS\\Start Menu|C:\\WINDOWS\\Start Menu"},
        {"%SMProgramsDir%|%SMProgramsAllDir%",
         "C:\\WINDOWS\\Start Menu\\Programs|C:\\WINDOWS\\Start Menu\\Programs"},
        {"%StartupDir%", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"},
        {"%StartupAllDir%", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"},
        {"%Unknown% %InstallDir", "%Unknown% %InstallDir"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(expanded(c.text, machine).c_str(), c.result) << c.text;
}

TEST(DirectoryVariables, ALaterVariableIsReplacedInAnEarlierOnesValue) {
    // %InstallDir% comes third: a value that names %WinDir% (28th) is expanded
    // further, one that names %BootDrive% (first) no longer is.
    TestFolders machine;
    EXPECT_STREQ(expanded("%InstallDir%", machine, "%WinDir%\\Tool").c_str(), "C:\\WINDOWS\\Tool");
    EXPECT_STREQ(expanded("%InstallDir%", machine, "%BootDrive%\\Tool").c_str(), "%BootDrive%\\Tool");
}

TEST(DirectoryVariables, DrivesWithoutLettersAndRoots) {
    TestFolders machine;
    machine.installer = "E:\\setup.exe";
    EXPECT_STREQ(
        expanded("[%InstallDrive%][%InstallerDir%][%InstallerDrive%]", machine, "\\\\server\\apps").c_str(),
        "[][E:\\][E]");
    machine.installer = "\\\\server\\share\\setup.exe";
    EXPECT_STREQ(expanded("[%InstallDrive%][%InstallerDir%][%InstallerDrive%]", machine, "c:\\x").c_str(),
                 "[C:][\\\\server\\share][]");
}

} // namespace
