#include "installer/batch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_machine.h"

namespace {

// A machine on which every folder has a value of its own, so that a SET line that
// reads the wrong folder shows.
TestFolders distinct_machine() {
    TestFolders machine;
    machine.system = "C:\\WINDOWS\\SYSTEM32";
    machine.installer = "D:\\Setup\\install.exe";
    machine.user_values = {
        {"Desktop", "E:\\User\\Desktop"},     {"Personal", "E:\\User\\Documents"},
        {"Favorites", "E:\\User\\Favorites"}, {"Fonts", "E:\\Fonts"},
        {"Start Menu", "E:\\User\\Start"},    {"Programs", "E:\\User\\Start\\Programs"},
        {"Startup", "E:\\User\\Start\\Boot"},
    };
    machine.machine_values = {
        {"Common Desktop", "F:\\All\\Desktop"},          {"Common Documents", "F:\\All\\Documents"},
        {"Common Favorites", "F:\\All\\Favorites"},      {"Common Start Menu", "F:\\All\\Start"},
        {"Common Programs", "F:\\All\\Start\\Programs"}, {"Common Startup", "F:\\All\\Start\\Boot"},
    };
    machine.setup_values = {
        {"Setup\\BootDir", "G:\\"},
        {"ProgramFilesDir", "E:\\Program Files"},
        {"CommonFilesDir", "E:\\Shared Files"},
        {"DevicePath", "H:\\Drivers"},
        {"MediaPath", "H:\\Media"},
    };
    return machine;
}

// The SET lines of distinct_machine() after InstallDir and InstallDrive.
const std::vector<std::string> machine_set_lines = {
    "SET SharedDir=C:\\Common\\Acme",
    "SET InstallerFilepath=D:\\Setup\\install.exe",
    "SET InstallerDir=D:\\Setup",
    "SET InstallerFilename=install.exe",
    "SET InstallerDrive=D:",
    "SET SystemDir=C:\\WINDOWS\\SYSTEM32",
    "SET DeviceDir=H:\\Drivers",
    "SET MediaDir=H:\\Media",
    "SET FavoritesDir=E:\\User\\Favorites",
    "SET FavoritesAllDir=F:\\All\\Favorites",
    "SET FontDir=E:\\Fonts",
    "SET DesktopDir=E:\\User\\Desktop",
    "SET DesktopAllDir=F:\\All\\Desktop",
    "SET DocumentDir=E:\\User\\Documents",
    "SET DocumentAllDir=F:\\All\\Documents",
    "SET ProgramsDir=E:\\Program Files",
    "SET StartMenuDir=E:\\User\\Start",
    "SET StartMenuAllDir=F:\\All\\Start",
    "SET SMProgramsDir=E:\\User\\Start\\Programs",
    "SET SMProgramsAllDir=F:\\All\\Start\\Programs",
    "SET StartupDir=E:\\User\\Start\\Boot",
    "SET StartupAllDir=F:\\All\\Start\\Boot",
    "SET BootDrive=G:",
    "SET CommonDir=E:\\Shared Files",
};

std::string crlf_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string batch_file(const TestFolders& machine, const char* directory, const char* batch_text,
                       bool drop_pauses) {
    String install(directory);
    String shared("C:\\Common\\Acme");
    return text_of(
        batch_file_text(DirectoryValues{machine, install, shared}, String(batch_text), drop_pauses));
}

TEST(BatchFile, SetLinesForEveryFolderThenTheBatchTextWithCrLf) {
    TestFolders machine = distinct_machine();
    // The batch text is not expanded: the batch reads the folders from its variables.
    const char* batch_text = "copy a.txt \"%InstallDir%\"\npause\r\necho done";

    std::vector<std::string> lines = {"@echo off", "SET InstallDir=c:\\Apps\\Tool", "SET InstallDrive=C:"};
    lines.insert(lines.end(), machine_set_lines.begin(), machine_set_lines.end());
    lines.insert(lines.end(), {"copy a.txt \"%InstallDir%\"", "pause"});
    EXPECT_EQ(batch_file(machine, "c:\\Apps\\Tool", batch_text, false), crlf_lines(lines) + "echo done");

    // Without PAUSE lines every kept line ends in a line end, the last one too.
    lines.erase(lines.end() - 1);
    lines.push_back("echo done");
    EXPECT_EQ(batch_file(machine, "c:\\Apps\\Tool", batch_text, true), crlf_lines(lines));
}

TEST(BatchFile, NoInstallationLinesBeforeTheDirectoryIsKnown) {
    std::vector<std::string> lines = {"@echo off"};
    lines.insert(lines.end(), machine_set_lines.begin(), machine_set_lines.end());
    lines.push_back("echo x");
    EXPECT_EQ(batch_file(distinct_machine(), "", "echo x\n", false), crlf_lines(lines));
}

TEST(BatchFile, DrivesWithoutALetterHaveEmptyValues) {
    TestFolders machine = distinct_machine();
    machine.installer = "\\\\server\\setup\\install.exe";
    std::string text = batch_file(machine, "\\\\server\\apps\\Tool", "echo x", false);
    EXPECT_NE(text.find("\r\nSET InstallDir=\\\\server\\apps\\Tool\r\nSET InstallDrive=\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\r\nSET InstallerDir=\\\\server\\setup\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSET InstallerDrive=\r\nSET SystemDir="), std::string::npos) << text;
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(BatchFile, PauseLinesAreDroppedAndEveryOtherLineKept) {
    struct {
        const char* text;
        const char* kept;
    } cases[] = {
        {"@ pause", ""},
        {"  PAUSE  ", ""},
        {"\t@\tPause\r\n", ""},
        {"@@pause", "@@pause\n"},
        {"echo pause", "echo pause\n"},
        {"pause now", "pause now\n"},
        {"pause.", "pause.\n"},
        {"echo a\n\n  echo b  \r\n", "echo a\n\n  echo b  \n"},
        {"@echo off\r\n@pause\r\necho done", "@echo off\necho done\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_of(without_pause_lines(String(c.text))), c.kept) << c.text;
}

TEST(BatchFile, BlankTextsAreNotRun) {
    EXPECT_TRUE(is_blank_batch(String()));
    EXPECT_TRUE(is_blank_batch(String(" \r\n\t ")));
    EXPECT_FALSE(is_blank_batch(String("  x\r\n")));
    EXPECT_FALSE(is_blank_batch(String("pause")));
}

} // namespace
