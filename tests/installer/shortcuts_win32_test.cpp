// Shell links made under Wine with its real link object, read back with Debian's
// lnkinfo. The machine's desktop, Programs and Startup folders are pointed into a
// fresh folder of each test, so nothing lands in the prefix's real ones.

#include "installer/shortcuts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/filesystem.h"
#include "core/path.h"
#include "core/temp_files.h"
#include "core/win32.h"
#include "installer/run_state.h"
#include "tests/support/test_machine.h"
#include "tests/support/timeouts.h"
#include "tests/support/unix_command_win32.h"
#include "ui/services.h"

namespace {

bool exists(const String& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The fields lnkinfo prints as "label : value", by label.
std::map<std::string, std::string> link_fields(const String& link_path) {
    std::map<std::string, std::string> fields;
    const std::string file = unix_path(link_path.c_str());
    EXPECT_FALSE(file.empty()) << link_path.c_str();
    UnixResult result = run_unix_command("lnkinfo " + shell_quote(file), timeouts::program_ms);
    EXPECT_TRUE(result.finished) << "lnkinfo did not end";
    EXPECT_EQ(result.exit_code, 0) << result.output;
    size_t start = 0;
    while (start < result.output.size()) {
        size_t end = result.output.find('\n', start);
        if (end == std::string::npos)
            end = result.output.size();
        std::string line = result.output.substr(start, end - start);
        start = end + 1;
        size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        size_t label_start = line.find_first_not_of(" \t");
        size_t label_end = line.find_last_not_of(" \t", colon - 1);
        if (label_start == std::string::npos || label_end == std::string::npos || label_end < label_start)
            continue;
        // The first of a label wins: the link's own fields come before its item list.
        fields.emplace(line.substr(label_start, label_end - label_start + 1), line.substr(colon + 2));
    }
    return fields;
}

// The system's text for the error `operation` leaves, as the error report shows it.
template <typename Operation>
std::string error_text_of(Operation operation) {
    operation();
    DWORD error = GetLastError();
    EXPECT_NE(error, 0u);
    SetLastError(error);
    std::string text = system_error_text();
    EXPECT_FALSE(text.empty()) << "no text for error " << error;
    return text;
}

class ShellLinks : public testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        folder_.format("%s\\vnk-links-%lu-%d", temp_directory().c_str(), GetCurrentProcessId(), ++serial);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_.c_str();
        app_ = path("App");
        ASSERT_TRUE(CreateDirectoryA(app_.c_str(), nullptr));
        target_ = join(app_.c_str(), "tool.exe");
        make_file(target_);

        folders_.user_values = {{"Desktop", path("User\\Desktop").c_str()},
                                {"Programs", path("User\\Programs").c_str()},
                                {"Startup", path("User\\Startup").c_str()}};
        folders_.machine_values = {{"Common Desktop", path("All\\Desktop").c_str()},
                                   {"Common Programs", path("All\\Programs").c_str()},
                                   {"Common Startup", path("All\\Startup").c_str()}};
        run_.folders = &folders_;
        run_.install_directory = app_;
        run_.product_name = "Vrnk Tools";
        // Text 31 begins the line for a file that could not be written.
        run_.languages.names.add(String("English"));
        for (int i = 0; i <= string_write_failed; ++i) {
            Vector<String> by_language;
            by_language.add(String(i == string_write_failed ? "Cannot write" : ""));
            run_.languages.strings.add(by_language);
        }
    }
    void TearDown() override {
        delete_tree(folder_.c_str());
        EXPECT_FALSE(exists(folder_)) << "test folder left behind: " << folder_.c_str();
    }

    String path(const char* relative) const { return join(folder_.c_str(), relative); }
    static void make_file(const String& file) {
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << file.c_str();
        CloseHandle(handle);
    }
    ShortcutEntry& add_entry(const char* name) {
        ShortcutEntry& entry = run_.shortcuts.add(ShortcutEntry());
        entry.name = name;
        entry.target = target_;
        return entry;
    }

    String folder_;
    String app_;
    String target_;
    TestFolders folders_;
    InstallRun run_;
};

TEST_F(ShellLinks, SavedLinkReadsBackAsMade) {
    String icon = join(app_.c_str(), "icons.dll");
    String link_path = path("Links\\Tool");
    ASSERT_TRUE(make_link(link_path, LinkContents{target_, "/x \"a b\"", app_, icon})) << GetLastError();
    EXPECT_STREQ(link_path.c_str(), path("Links\\Tool.LNK").c_str()) << "the folder is made, .LNK added";
    auto fields = link_fields(link_path);
    EXPECT_EQ(fields["Local path"], target_.c_str());
    EXPECT_EQ(fields["Command line arguments"], "/x \"a b\"");
    EXPECT_EQ(fields["Working directory"], app_.c_str());
    EXPECT_EQ(fields["Icon location"], icon.c_str());
    EXPECT_EQ(fields["Icon index"], "0");

    // Nothing but a target: the target's own icon, no arguments, no working directory.
    String bare = path("Links\\Bare");
    ASSERT_TRUE(make_link(bare, LinkContents{target_, "", "", ""})) << GetLastError();
    fields = link_fields(bare);
    EXPECT_EQ(fields["Local path"], target_.c_str());
    EXPECT_EQ(fields["Icon location"], target_.c_str());
    EXPECT_EQ(fields.count("Command line arguments"), 0u);
    EXPECT_EQ(fields.count("Working directory"), 0u);
}

TEST_F(ShellLinks, NameEndingInLnkGetsNoSecondExtension) {
    for (const char* name : {"Tool.lnk", "Other.LnK"}) {
        String link_path = path(name);
        ASSERT_TRUE(make_link(link_path, LinkContents{target_, "", "", ""})) << name;
        EXPECT_STREQ(link_path.c_str(), path(name).c_str());
        EXPECT_TRUE(exists(link_path)) << name;
        EXPECT_FALSE(exists(link_path + ".LNK")) << name;
        EXPECT_EQ(link_fields(link_path)["Local path"], target_.c_str()) << name;
    }
}

TEST_F(ShellLinks, PathTooLongForTheSystemIsRefusedNotCut) {
    // Cut to the system's length, the name would lose its end and its ".LNK".
    String link_path = path(std::string(MAX_PATH, 'n').c_str());
    EXPECT_FALSE(make_link(link_path, LinkContents{target_, "", "", ""}));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(path("n*").c_str(), &entry);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "a file was saved: " << entry.cFileName;
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

TEST_F(ShellLinks, DesktopFolderMadeOnceAndRecordedBeforeItsLinks) {
    run_.script.desktop_folder = "Vrnk Folder";
    run_.script.start_menu = "Vrnk\\Tools";
    run_.flags.set(flag_report_every_file);
    ShortcutEntry& first = add_entry("First");
    first.desktop = true;
    first.start_menu = true;
    first.arguments = "--home \"%InstallDir%\"";
    ShortcutEntry& second = add_entry("Second");
    second.desktop = true;
    second.startup = true;
    second.permanent = true;

    create_shortcuts(run_);
    EXPECT_STREQ(run_.error_report.c_str(), "");
    EXPECT_TRUE(run_.shortcuts_changed);
    const String desktop_folder = path("User\\Desktop\\Vrnk Folder");
    const String first_desktop = join(desktop_folder.c_str(), "First.LNK");
    const String first_menu = path("User\\Programs\\Vrnk\\Tools\\First.LNK");
    const String second_desktop = join(desktop_folder.c_str(), "Second.LNK");
    const String second_startup = path("User\\Startup\\Second.LNK");
    for (const String& link : {first_desktop, first_menu, second_desktop, second_startup})
        EXPECT_TRUE(exists(link)) << link.c_str();
    EXPECT_FALSE(exists(path("All"))) << "the shortcut mode is not 1: the user's folders only";

    // The permanent entry's links are left out; the folder is recorded once.
    EXPECT_EQ(run_.record.lines(),
              "~" + desktop_folder + "\r\n" + first_desktop + "\r\n" + first_menu + "\r\n");
    EXPECT_EQ(run_.install_report, "Desktop Folder Shortcut(First) -> " + first_desktop + "\r\n" +
                                       "Start Menu Shortcut(First) -> " + first_menu + "\r\n" +
                                       "Desktop Folder Shortcut(Second) -> " + second_desktop + "\r\n" +
                                       "Startup Shortcut(Second) -> " + second_startup + "\r\n");

    auto fields = link_fields(first_menu);
    EXPECT_EQ(fields["Command line arguments"], "--home \"" + std::string(app_.c_str()) + "\"");
    EXPECT_EQ(fields["Working directory"], app_.c_str());
    EXPECT_EQ(fields["Icon location"], target_.c_str());
    EXPECT_EQ(run_.shortcuts.at(0).arguments, "--home \"%InstallDir%\"") << "the entry itself is kept";
}

TEST_F(ShellLinks, AllUsersLinksOnTheDesktopItselfWithoutReportLines) {
    run_.script.shortcut_mode = 1;
    run_.script.start_menu = "Vrnk";
    ShortcutEntry& entry = add_entry("Tool");
    entry.desktop = true;
    entry.start_menu = true;
    entry.startup = true;

    create_shortcuts(run_);
    EXPECT_STREQ(run_.error_report.c_str(), "");
    const String desktop = path("All\\Desktop\\Tool.LNK");
    const String menu = path("All\\Programs\\Vrnk\\Tool.LNK");
    const String startup = path("All\\Startup\\Tool.LNK");
    for (const String& link : {desktop, menu, startup})
        EXPECT_TRUE(exists(link)) << link.c_str();
    EXPECT_FALSE(exists(path("User")));
    EXPECT_EQ(run_.record.lines(), desktop + "\r\n" + menu + "\r\n" + startup + "\r\n");
    EXPECT_STREQ(run_.install_report.c_str(), "") << "no line per shortcut without the report flag";
}

TEST_F(ShellLinks, LinksThatCannotBeMadeAreReportedAndTheRestIsMade) {
    // The desktop lies below a file: neither the folder nor its link can be made.
    make_file(path("Blocked"));
    folders_.user_values["Desktop"] = path("Blocked\\Desktop").c_str();
    run_.script.desktop_folder = "Vrnk Folder";
    run_.script.start_menu = "Vrnk";
    run_.flags.set(flag_report_every_file);
    ShortcutEntry& entry = add_entry("Tool");
    entry.desktop = true;
    entry.start_menu = true;

    create_shortcuts(run_);
    const String desktop_folder = path("Blocked\\Desktop\\Vrnk Folder");
    const std::string reason = error_text_of([&] { CreateDirectoryA(desktop_folder.c_str(), nullptr); });
    EXPECT_EQ(run_.error_report, "Failed to create directory " + desktop_folder + ": " + reason.c_str() +
                                     "\r\n" + "Cannot write " + desktop_folder + "\\Tool.LNK\r\n" +
                                     reason.c_str() + "\r\n");
    EXPECT_TRUE(run_.shortcuts_changed) << "set for a desktop entry whether or not its link was made";
    const String menu = path("User\\Programs\\Vrnk\\Tool.LNK");
    EXPECT_TRUE(exists(menu));
    EXPECT_EQ(run_.install_report, "Start Menu Shortcut(Tool) -> " + menu + "\r\n");
    EXPECT_EQ(run_.record.lines(), "~" + desktop_folder + "\r\n" + menu + "\r\n");
}

} // namespace
