#include "core/filesystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "core/file.h"
#include "core/win32.h"
#include "tests/support/process_win32.h"
#include "tests/support/string_text.h"
#include "tests/support/timeouts.h"

namespace {

// Started with this argument, the test executable is the child of the launch-flag
// test: it ends at once with its show-window request as exit code (0xFF when none
// was requested).
const char child_argument[] = "--report-startup-info";

[[maybe_unused]] const bool child_mode = [] {
    if (std::strstr(GetCommandLineA(), child_argument) == nullptr)
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    DWORD show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : 0xFF;
    ExitProcess(show);
    return true;
}();

bool exists(const String& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a test folder without the code under test.
void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                remove_tree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Each test works in a folder of its own below the temporary directory.
class FileSystem : public testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        folder_.format("%s\\vnk-fs-%lu-%d", temp_directory().c_str(), GetCurrentProcessId(), ++serial);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_.c_str();
    }
    void TearDown() override {
        remove_tree(folder_.c_str());
        EXPECT_FALSE(exists(folder_)) << "test folder left behind";
    }

    String path(const char* name) const { return join(folder_.c_str(), name); }
    String make_file(const char* name, const char* content = "content") const {
        String file = path(name);
        HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << file.c_str();
        DWORD written = 0;
        WriteFile(handle, content, static_cast<DWORD>(std::strlen(content)), &written, nullptr);
        CloseHandle(handle);
        return file;
    }
    std::string content_of(const String& file) const {
        String text;
        EXPECT_EQ(read_file(file.c_str(), text), open_success) << file.c_str();
        return text_of(text);
    }

    String folder_;
};

TEST_F(FileSystem, ProgramPathsDescribeTheRunningProgram) {
    char module[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, module, sizeof module);
    char windows[MAX_PATH + 1];
    GetWindowsDirectoryA(windows, sizeof windows);

    const ProgramPaths& paths = program_paths();
    EXPECT_STREQ(paths.installer_path.c_str(), module);
    EXPECT_STREQ(join(paths.installer_folder.c_str(), paths.installer_file_name.c_str()).c_str(), module);
    EXPECT_STREQ(paths.installer_file_name.c_str(), "core_win32_tests.exe");
    EXPECT_EQ(paths.installer_drive, String::ascii_upper(module[0]));
    EXPECT_STREQ(paths.windows_directory.c_str(), windows);
    EXPECT_EQ(&program_paths(), &paths);

    String interpreter = paths.command_interpreter;
    interpreter.unquote();
    EXPECT_TRUE(exists(interpreter)) << paths.command_interpreter.c_str();

    EXPECT_FALSE(temp_directory().ends_with_char('\\'));
    EXPECT_TRUE(folder_exists(temp_directory().c_str())) << temp_directory().c_str();
}

TEST_F(FileSystem, StartProcessReturnsTheExitCodeAndUsesTheWorkingDirectory) {
    EXPECT_EQ(start_process("cmd.exe /c exit 7", launch_wait, nullptr), 7u);
    EXPECT_EQ(start_process("cmd.exe /c exit 0", launch_wait | launch_pump_messages, ""), 0u);
    EXPECT_EQ(start_process("cmd.exe /c exit 7", 0, nullptr), start_not_waited);

    make_file("marker.txt");
    EXPECT_EQ(start_process("cmd.exe /c if exist marker.txt exit 3", launch_wait, folder_.c_str()), 3u);

    SetLastError(0);
    EXPECT_EQ(start_process("", launch_wait, nullptr), start_failed);
    EXPECT_EQ(start_process(nullptr, launch_wait, nullptr), start_failed);
    EXPECT_EQ(GetLastError(), 0u) << "an empty command line never reaches the system";
    EXPECT_EQ(start_process(path("missing.exe").c_str(), launch_wait, nullptr), start_failed);
    EXPECT_NE(GetLastError(), 0u);
}

// The priority class is not checked: Wine starts every child at normal priority.
TEST_F(FileSystem, LaunchFlagsChooseTheWindow) {
    struct Case {
        uint32_t flags;
        DWORD show;
    };
    const Case cases[] = {
        {0, 0xFF},
        {launch_idle_priority, 0xFF},
        {launch_hidden, SW_HIDE},
        {launch_minimised | launch_hidden | launch_high_priority, SW_SHOWMINIMIZED},
        {launch_maximised | launch_minimised | launch_hidden, SW_SHOWMAXIMIZED},
    };
    String command = program_paths().installer_path;
    command.quote();
    command.append_format(" %s", child_argument);
    for (const Case& c : cases)
        EXPECT_EQ(start_process(command.c_str(), launch_wait | c.flags, nullptr), c.show)
            << "flags " << c.flags;
}

LRESULT CALLBACK counting_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    static const UINT counted = WM_APP + 1;
    if (message == counted) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(FileSystem, WaitingWithPumpDispatchesTheThreadsMessages) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = counting_window_procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "VarnookPumpTest";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("VarnookPumpTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    int dispatched = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dispatched));

    PostMessageA(window, WM_APP + 1, 0, 0);
    EXPECT_EQ(start_process("cmd.exe /c exit 0", launch_wait, nullptr), 0u);
    EXPECT_EQ(dispatched, 0) << "a plain wait leaves the queue alone";
    EXPECT_EQ(start_process("cmd.exe /c exit 0", launch_wait | launch_pump_messages, nullptr), 0u);
    EXPECT_EQ(dispatched, 1);

    PostQuitMessage(5);
    EXPECT_EQ(start_process("cmd.exe /c exit 0", launch_wait | launch_pump_messages, nullptr), 0u);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request survives";
    EXPECT_EQ(message.wParam, 5u);
    DestroyWindow(window);
    UnregisterClassA("VarnookPumpTest", GetModuleHandleA(nullptr));
}

TEST_F(FileSystem, FailedStartIsReportedInAnErrorBox) {
    String command = path("missing.exe");
    std::string caption_text;
    std::string box_text;
    std::thread closer([&] {
        for (int i = 0; i < 500; ++i) {
            HWND box = FindWindowA("#32770", "Error");
            if (box != nullptr) {
                char text[1024] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                box_text = text;
                GetWindowTextA(box, text, sizeof text);
                caption_text = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    uint32_t result = start_process(command.c_str(), launch_wait | launch_report_failure, nullptr);
    DWORD error = GetLastError();
    closer.join();
    EXPECT_EQ(result, start_failed);
    EXPECT_EQ(caption_text, "Error");
    EXPECT_EQ(box_text, std::string("Unable to create process:\r\n") + command.c_str());
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
}

TEST_F(FileSystem, ShellOpenRunsTheDefaultVerb) {
    String marker = path("opened.txt");
    String batch = path("open.bat");
    String script("@echo opened> \"");
    script.append(marker);
    script.append("\"\r\n");
    ASSERT_TRUE(write_string(batch.c_str(), script));
    ASSERT_TRUE(shell_open(batch.c_str()));
    for (int i = 0; i < 500 && !exists(marker); ++i)
        Sleep(10);
    EXPECT_TRUE(exists(marker));
    // The interpreter goes on holding its files for a while: they go when it ends.
    DeleteFileA(batch.c_str());
    DeleteFileA(marker.c_str());
    for (int i = 0; i < 1000 && (exists(batch) || exists(marker)); ++i)
        Sleep(10);
    EXPECT_FALSE(exists(batch));
    EXPECT_FALSE(shell_open(path("missing.txt").c_str()));
}

TEST_F(FileSystem, CreateFolderMakesEveryMissingLevel) {
    String deepest = path("one\\two\\three\\");
    ASSERT_TRUE(create_folder(deepest.c_str()));
    EXPECT_TRUE(folder_exists(path("one").c_str()));
    EXPECT_TRUE(folder_exists(path("one\\two").c_str()));
    EXPECT_TRUE(folder_exists(path("one\\two\\three").c_str()));
    EXPECT_TRUE(create_folder(deepest.c_str())) << "an existing folder is success";

    char before[MAX_PATH + 1];
    GetCurrentDirectoryA(sizeof before, before);
    EXPECT_TRUE(folder_exists(folder_.c_str()));
    char after[MAX_PATH + 1];
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(before, after) << "folder_exists restores the current directory";

    String file = make_file("file");
    EXPECT_FALSE(folder_exists(file.c_str()));
    EXPECT_FALSE(create_folder(file.c_str()));
    EXPECT_FALSE(create_folder(path("file\\below").c_str()));
    EXPECT_FALSE(create_folder(""));
}

TEST_F(FileSystem, RemoveFolderOnlyRemovesEmptyFolders) {
    ASSERT_TRUE(create_folder(path("a\\b").c_str()));
    EXPECT_FALSE(remove_folder(path("a").c_str()));
    EXPECT_TRUE(remove_folder(path("a\\b\\").c_str()));
    EXPECT_TRUE(remove_folder(path("a").c_str()));
    EXPECT_FALSE(folder_exists(path("a").c_str()));
    EXPECT_FALSE(remove_folder("C:\\"));
}

TEST_F(FileSystem, DeleteTreeRemovesEverythingBelowIncludingReadOnlyFiles) {
    ASSERT_TRUE(create_folder(path("tree\\sub\\deeper").c_str()));
    make_file("tree\\a.txt");
    String read_only = make_file("tree\\sub\\deeper\\locked.dll");
    ASSERT_TRUE(SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY));
    make_file("tree\\sub\\b.txt");

    EXPECT_TRUE(delete_tree(path("tree\\").c_str()));
    EXPECT_FALSE(exists(path("tree")));
    EXPECT_TRUE(exists(folder_)) << "the parent stays";
    EXPECT_FALSE(delete_tree(path("tree").c_str())) << "nothing left to delete";
}

TEST_F(FileSystem, DeleteTreeRefusesDrivesAndTheWindowsFolder) {
    const String& windows = program_paths().windows_directory;
    ASSERT_FALSE(windows.is_empty());
    // A folder of our own inside the Windows folder shows the refusal is the rule,
    // not a failure to delete system files.
    std::string inside =
        std::string(windows.c_str()) + "\\vnk-fs-keep-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(inside.c_str(), nullptr));
    std::string inside_file = inside + "\\keep.txt";
    CloseHandle(CreateFileA(inside_file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    String upper = windows;
    upper.to_upper();
    String lower = windows;
    lower.to_lower();
    const std::string refused[] = {
        "",
        "C:",
        "C:\\",
        "Z:\\",
        windows.c_str(),
        std::string(upper.c_str()) + "\\",
        std::string(lower.c_str()) + "\\vnk-fs-keep-" + std::to_string(GetCurrentProcessId()),
        inside,
    };
    for (const std::string& path : refused)
        EXPECT_FALSE(delete_tree(path.c_str())) << path;
    EXPECT_FALSE(delete_tree(nullptr));
    EXPECT_TRUE(exists(String(inside_file.c_str())));
    EXPECT_TRUE(exists(windows));
    remove_tree(inside);
}

TEST_F(FileSystem, DrivesAndSpace) {
    EXPECT_TRUE(drive_present('C'));
    EXPECT_TRUE(drive_present('c'));
    DWORD drives = GetLogicalDrives();
    char unused = 0;
    for (char letter = 'Y'; letter >= 'D'; --letter)
        if ((drives & (1u << (letter - 'A'))) == 0)
            unused = letter;
    ASSERT_NE(unused, 0);
    EXPECT_FALSE(drive_present(unused));

    int32_t cluster = cluster_size("c:\\windows\\system32");
    EXPECT_GE(cluster, 512);
    EXPECT_EQ(cluster & (cluster - 1), 0) << "a power of two";
    EXPECT_EQ(cluster_size("relative\\path"), -1);
    EXPECT_EQ(cluster_size(""), -1);

    int64_t free = 0, total = 0;
    ASSERT_TRUE(disk_space("C:\\", free, total));
    EXPECT_GT(free, 0);
    EXPECT_GT(total, 0);
    EXPECT_LE(free, total);
    ULARGE_INTEGER available, system_total, system_free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &system_total, &system_free));
    EXPECT_EQ(total, static_cast<int64_t>(system_total.QuadPart));
    int64_t now = free_bytes("C:\\anything");
    int64_t difference = now - static_cast<int64_t>(system_free.QuadPart);
    EXPECT_LT(difference < 0 ? -difference : difference, 64 * 1024 * 1024) << "close to the system's figure";
    EXPECT_EQ(free_bytes("relative"), -1);
    std::string missing_root = std::string(1, unused) + ":\\";
    EXPECT_FALSE(disk_space(missing_root.c_str(), free, total));
    EXPECT_EQ(free_bytes(missing_root.c_str()), -1);
}

TEST_F(FileSystem, WholeFileReadAndWrite) {
    String file = path("data.bin");
    const char bytes[] = "a\0b\r\nc";
    ASSERT_TRUE(write_file(file.c_str(), bytes, sizeof bytes - 1));
    EXPECT_EQ(content_of(file), std::string(bytes, sizeof bytes - 1));

    ASSERT_TRUE(write_file(file.c_str(), "shorter", String::to_end));
    EXPECT_EQ(content_of(file), "shorter") << "truncated, not overwritten in place";
    ASSERT_TRUE(write_string(file.c_str(), String()));
    String text("left over");
    EXPECT_EQ(read_file(file.c_str(), text), open_success);
    EXPECT_TRUE(text.is_empty());

    EXPECT_EQ(read_file(path("missing.txt").c_str(), text), open_not_found);
    EXPECT_STREQ(open_result_text(read_file(path("missing.txt").c_str(), text)), "The file was not found.");
    EXPECT_EQ(read_file(path("no\\such\\folder.txt").c_str(), text), open_path_not_found);
    EXPECT_STREQ(open_result_text(read_file(path("no\\such\\folder.txt").c_str(), text)),
                 "The directory does not exist.");
    EXPECT_EQ(read_file("", text), open_invalid_name);
    EXPECT_FALSE(write_file("", "x", 1));
    EXPECT_FALSE(write_file(path("no\\such\\folder.txt").c_str(), "x", 1));
}

TEST_F(FileSystem, FileExistsCountsLockedFiles) {
    String file = make_file("here.txt");
    EXPECT_TRUE(file_exists(file.c_str()));
    EXPECT_FALSE(file_exists(path("missing.txt").c_str()));
    EXPECT_FALSE(file_exists(folder_.c_str()));
    EXPECT_FALSE(file_exists(""));

    HANDLE holder =
        CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    DWORD start = GetTickCount();
    EXPECT_TRUE(file_exists(file.c_str())) << "locked by another handle";
    EXPECT_LT(GetTickCount() - start, 400u) << "no waiting for the lock to go";
    CloseHandle(holder);
}

// Wine reports every plain file as ARCHIVE whatever is set, so only the bits it keeps
// (read-only, hidden, system) are looked at.
TEST_F(FileSystem, AttributesChangeOnlyTheBitsAsked) {
    const uint32_t kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    String file = make_file("attributes.txt");
    auto bits = [&] { return get_attributes(file.c_str()) & kept; };
    ASSERT_TRUE(set_attributes(file.c_str(), FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(bits(), static_cast<uint32_t>(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(set_read_only(file.c_str(), true));
    EXPECT_EQ(bits(), static_cast<uint32_t>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(set_masked_attributes(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(bits(), static_cast<uint32_t>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN))
        << "system outside the mask stays, read-only inside it goes";
    EXPECT_TRUE(clear_attributes(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(bits(), static_cast<uint32_t>(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(clear_attributes(file.c_str(), kept));
    EXPECT_EQ(bits(), 0u);
    EXPECT_TRUE(set_read_only(file.c_str(), false)) << "no change is success";

    String missing = path("missing.txt");
    EXPECT_EQ(get_attributes(missing.c_str()), no_attributes);
    EXPECT_FALSE(set_attributes(missing.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(clear_attributes(missing.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(set_read_only(missing.c_str(), true));
}

TEST_F(FileSystem, FindFileAndFileTime) {
    String file = make_file("stamped.txt", "12345");
    TimeStamp stamp;
    stamp.year = 2003;
    stamp.month = 7;
    stamp.day = 14;
    stamp.hour = 9;
    stamp.minute = 30;
    stamp.second = 20;
    {
        File handle;
        ASSERT_EQ(handle.open(file, File::open_existing), open_success);
        ASSERT_TRUE(handle.set_modified_time(stamp));
    }
    FileInfo info;
    ASSERT_TRUE(find_file(path("*.txt").c_str(), info));
    EXPECT_STREQ(info.name.c_str(), "stamped.txt");
    EXPECT_EQ(info.size, 5);
    TimeStamp read;
    ASSERT_TRUE(file_time(file.c_str(), read));
    EXPECT_EQ(compare_time_stamps(read, stamp), 0) << read.year << "-" << read.month << "-" << read.day << " "
                                                   << read.hour << ":" << read.minute << ":" << read.second;
    EXPECT_FALSE(find_file(path("*.none").c_str(), info));
    EXPECT_FALSE(file_time(path("missing").c_str(), read));
}

TEST_F(FileSystem, TempFileNamesShortPathsAndEnvironment) {
    String first = temp_file_name(folder_.c_str());
    String second = temp_file_name(folder_.c_str());
    ASSERT_FALSE(first.is_empty());
    EXPECT_TRUE(same_folder(folder_of(first.c_str()).c_str(), folder_.c_str()));
    EXPECT_TRUE(name_of(first.c_str()).starts_with("VNK"));
    EXPECT_TRUE(exists(first)) << "the system makes the file";
    EXPECT_NE(first, second);
    String in_temp = temp_file_name("");
    ASSERT_FALSE(in_temp.is_empty());
    EXPECT_TRUE(same_folder(folder_of(in_temp.c_str()).c_str(), temp_directory().c_str()));
    DeleteFileA(in_temp.c_str());
    EXPECT_TRUE(temp_file_name(path("missing").c_str()).is_empty());

    String long_name = make_file("a rather long file name.text");
    String short_name = short_path(long_name.c_str());
    EXPECT_TRUE(exists(short_name));
    EXPECT_LE(name_of(short_name.c_str()).length(), 12) << short_name.c_str();
    String missing = path("missing file name.text");
    EXPECT_STREQ(short_path(missing.c_str()).c_str(), missing.c_str());

    String text("%WINDIR%\\x");
    ASSERT_TRUE(expand_environment(text));
    EXPECT_TRUE(same_folder(folder_of(text.c_str()).c_str(), program_paths().windows_directory.c_str()))
        << text.c_str();
    // 28000 bytes that expand to more than the 31999-byte buffer, and a text longer
    // than any expansion can be.
    String overflowing;
    for (int i = 0; i < 3500; ++i)
        overflowing.append("%WINDIR%");
    EXPECT_FALSE(expand_environment(overflowing));
    EXPECT_EQ(overflowing.length(), 28000);
    String huge;
    huge.insert_chars('x', 0, 40000);
    EXPECT_FALSE(expand_environment(huge));
    EXPECT_EQ(huge.length(), 40000);
}

TEST_F(FileSystem, DeleteFileClearsReadOnlyUnlessAsked) {
    String file = make_file("plain.txt");
    EXPECT_TRUE(delete_file(file.c_str(), 0));
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(delete_file(file.c_str(), 0));

    String read_only = make_file("read-only.txt");
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(delete_file(read_only.c_str(), delete_keep_read_only));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(exists(read_only));
    EXPECT_TRUE(delete_file(read_only.c_str(), 0));
    EXPECT_FALSE(exists(read_only));
}

TEST_F(FileSystem, MoveFileRules) {
    String source = make_file("source.txt", "source");
    String destination = path("destination.txt");

    EXPECT_FALSE(move_file(source.c_str(), source.c_str(), 0)) << "same text";
    EXPECT_FALSE(move_file(path("missing.txt").c_str(), destination.c_str(), 0));
    EXPECT_FALSE(move_file("", destination.c_str(), 0));
    EXPECT_FALSE(move_file(source.c_str(), "", 0));
    EXPECT_FALSE(move_file(source.c_str(), destination.c_str(), move_replace_existing))
        << "the destination must exist";
    EXPECT_TRUE(exists(source));

    // A read-only destination is replaced: its attribute is cleared first.
    make_file("destination.txt", "old");
    SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(move_file(source.c_str(), destination.c_str(), move_no_replace));
    EXPECT_EQ(content_of(destination), "old");
    EXPECT_TRUE(move_file(source.c_str(), destination.c_str(), 0));
    EXPECT_FALSE(exists(source));
    EXPECT_EQ(content_of(destination), "source");

    make_file("source.txt", "second");
    EXPECT_TRUE(move_file(source.c_str(), destination.c_str(), move_replace_existing));
    EXPECT_EQ(content_of(destination), "second");

    String nested = path("new\\folder\\moved.txt");
    EXPECT_FALSE(move_file(destination.c_str(), nested.c_str(), 0));
    EXPECT_TRUE(move_file(destination.c_str(), nested.c_str(), move_create_folder));
    EXPECT_EQ(content_of(nested), "second");

    // Only the case changes: the destination is the source itself and is never
    // deleted. (Wine keeps the old case of the name.)
    String upper = path("new\\folder\\MOVED.TXT");
    EXPECT_TRUE(move_file(nested.c_str(), upper.c_str(), 0));
    EXPECT_EQ(content_of(upper), "second");
}

TEST_F(FileSystem, PathsLongerThanTheSystemTakesFailCleanly) {
    std::string long_path(std::string(folder_.c_str()) + "\\");
    while (long_path.size() < 300)
        long_path += "long-folder-name\\";
    long_path += "file.txt";
    struct Case {
        std::string path;
        int32_t code; // as Wine reports it: ERROR_FILENAME_EXCED_RANGE, ERROR_INVALID_PARAMETER
        const char* text;
    };
    const Case cases[] = {
        {long_path, open_failed, "An unknown error occurred."},
        {std::string(folder_.c_str()) + "\\" + std::string(40000, 'x'), open_invalid_parameter,
         "An invalid parameter was used."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.size());
        const char* p = c.path.c_str();
        String text("stale");
        int32_t code = read_file(p, text);
        EXPECT_EQ(code, c.code);
        EXPECT_STREQ(open_result_text(code), c.text);
        EXPECT_TRUE(text.is_empty());
        EXPECT_FALSE(create_folder(p));
        EXPECT_FALSE(folder_exists(p));
        EXPECT_FALSE(file_exists(p));
        EXPECT_FALSE(write_file(p, "x", 1));
        EXPECT_FALSE(delete_file(p, 0));
        EXPECT_FALSE(delete_tree(p));
        EXPECT_FALSE(move_file(p, path("x").c_str(), 0));
        EXPECT_EQ(get_attributes(p), no_attributes);
        EXPECT_TRUE(temp_file_name(p).is_empty());
        EXPECT_STREQ(short_path(p).c_str(), p);
    }
}

TEST_F(FileSystem, AFolderWhereAFileIsExpected) {
    String folder = path("folder");
    ASSERT_TRUE(create_folder(folder.c_str()));
    String text;
    int32_t code = read_file(folder.c_str(), text);
    EXPECT_EQ(code, open_failed) << "ERROR_ACCESS_DENIED has no code of its own";
    EXPECT_STREQ(open_result_text(code), "An unknown error occurred.");
    EXPECT_FALSE(file_exists(folder.c_str()));
    EXPECT_FALSE(write_file(folder.c_str(), "x", 1));
    EXPECT_FALSE(delete_file(folder.c_str(), 0));
    EXPECT_FALSE(move_file(folder.c_str(), path("moved").c_str(), 0));
    EXPECT_TRUE(folder_exists(folder.c_str()));
}

TEST_F(FileSystem, AReadOnlyFileIsNotWrittenOver) {
    String probe = make_file("probe.txt");
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE handle = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        // Wine keeps the attribute in the Unix mode bits, which do not hold back root.
        if (wine_runs_as_root())
            GTEST_SKIP() << "Wine runs as root, who writes read-only files: run this as an ordinary user";
        FAIL() << "an ordinary user could open a read-only file for writing";
    }
    String read_only = make_file("read-only.txt", "kept");
    SetFileAttributesA(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(write_file(read_only.c_str(), "new", String::to_end));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(content_of(read_only), "kept");
}

// ---------------------------------------------------------------------------
// At the next restart

const char session_manager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char pending_value[] = "PendingFileRenameOperations";

// Keeps the pending renames of the prefix as they were before the test.
class PendingRenames {
  public:
    PendingRenames() {
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, session_manager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        DWORD size = 0;
        had_value_ = RegQueryValueExA(key_, pending_value, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
        if (had_value_) {
            saved_.resize(size);
            RegQueryValueExA(key_, pending_value, nullptr, &type_, reinterpret_cast<BYTE*>(&saved_[0]),
                             &size);
        }
    }
    ~PendingRenames() {
        if (had_value_)
            RegSetValueExA(key_, pending_value, 0, type_, reinterpret_cast<const BYTE*>(saved_.data()),
                           static_cast<DWORD>(saved_.size()));
        else
            RegDeleteValueA(key_, pending_value);
        RegCloseKey(key_);
    }

  private:
    HKEY key_ = nullptr;
    bool had_value_ = false;
    DWORD type_ = REG_MULTI_SZ;
    std::string saved_;
};

std::string upper(std::string text) {
    for (char& c : text)
        c = String::ascii_upper(c);
    return text;
}

TEST_F(FileSystem, DeletionAndMoveAtRestartAreRecordedBySystem) {
    PendingRenames keep;
    String doomed = make_file("doomed.dll");
    String source = make_file("new-version.dll");
    String destination = make_file("in-use.dll");

    EXPECT_TRUE(delete_file(doomed.c_str(), delete_at_restart));
    EXPECT_FALSE(move_file(source.c_str(), destination.c_str(), move_at_restart | move_no_replace))
        << "the destination exists";
    EXPECT_TRUE(move_file(source.c_str(), destination.c_str(), move_at_restart | move_replace_existing));
    EXPECT_TRUE(exists(doomed)) << "nothing happens before the restart";
    EXPECT_TRUE(exists(source));

    std::string query = std::string("reg.exe query \"HKLM\\") + session_manager + "\" /v " + pending_value;
    RunResult result = run_process(query, timeouts::program_ms, true);
    ASSERT_TRUE(result.started);
    ASSERT_EQ(result.exit_code, 0u) << result.output;
    std::string recorded = upper(result.output);
    EXPECT_NE(recorded.find("DOOMED.DLL"), std::string::npos) << result.output;
    EXPECT_NE(recorded.find("NEW-VERSION.DLL"), std::string::npos) << result.output;
    EXPECT_NE(recorded.find("IN-USE.DLL"), std::string::npos) << result.output;
    // The move names its source before its destination; the deletion has none.
    EXPECT_LT(recorded.find("NEW-VERSION.DLL"), recorded.find("IN-USE.DLL")) << result.output;
}

// Runs a test with the Windows folder's wininit.ini set aside and put back after.
class WininitFile {
  public:
    WininitFile() : path_(join(program_paths().windows_directory.c_str(), "wininit.ini")) {
        had_file_ = read_file(path_.c_str(), saved_) == open_success;
        DeleteFileA(path_.c_str());
    }
    ~WininitFile() {
        if (had_file_)
            write_string(path_.c_str(), saved_);
        else
            DeleteFileA(path_.c_str());
    }
    const String& path() const { return path_; }

  private:
    String path_;
    bool had_file_ = false;
    String saved_;
};

TEST_F(FileSystem, WininitRenameCreatesTheFileAndPutsNewEntriesFirst) {
    WininitFile wininit;
    // A new file and an empty one start with a line end, as any text without one does.
    ASSERT_TRUE(wininit_rename("NUL", "C:\\OLD.DLL"));
    EXPECT_EQ(content_of(wininit.path()), "\r\n[rename]\r\nNUL=C:\\OLD.DLL");
    ASSERT_TRUE(write_file(wininit.path().c_str(), "", 0));
    ASSERT_TRUE(wininit_rename("NUL", "C:\\OLD.DLL"));
    EXPECT_EQ(content_of(wininit.path()), "\r\n[rename]\r\nNUL=C:\\OLD.DLL");

    ASSERT_TRUE(write_file(wininit.path().c_str(), "[boot]\r\nx=1\r\n[Rename]\r\nNUL=C:\\OLD.DLL\r\n",
                           String::to_end));
    ASSERT_TRUE(wininit_rename("C:\\APP\\DEST.DLL", "C:\\APP\\NEW.DLL"));
    EXPECT_EQ(content_of(wininit.path()),
              "[boot]\r\nx=1\r\n[Rename]\r\nC:\\APP\\DEST.DLL=C:\\APP\\NEW.DLL\r\nNUL=C:\\OLD.DLL\r\n");

    ASSERT_TRUE(write_file(wininit.path().c_str(), "[boot]\r\nx=1", String::to_end));
    ASSERT_TRUE(wininit_rename("NUL", "C:\\A.DLL"));
    EXPECT_EQ(content_of(wininit.path()), "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\A.DLL");

    EXPECT_FALSE(wininit_rename(" ", "C:\\A.DLL"));
    EXPECT_FALSE(wininit_rename("NUL", ""));
    EXPECT_FALSE(wininit_rename(nullptr, "C:\\A.DLL"));
    EXPECT_EQ(content_of(wininit.path()), "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\A.DLL");
}

} // namespace
