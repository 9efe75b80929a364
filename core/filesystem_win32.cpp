#include "core/filesystem.h"

#include <cstring>

#include "core/dynlib.h"
#include "core/file.h"
#include "core/win32.h"

#include <shellapi.h>

namespace {

// ExpandEnvironmentStrings gets a buffer of this size.
constexpr DWORD environment_buffer_size = 31999;

// Paths that are only a drive ("C:", "C:\") or shorter are never removed.
constexpr int32_t drive_root_length = 3;

int32_t text_length(const char* text) {
    return text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
}

bool is_blank_text(const char* text) {
    if (text == nullptr)
        return true;
    for (; *text != '\0'; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\r' && *text != '\n')
            return false;
    return true;
}

bool starts_with_ignore_case(const char* text, const String& prefix) {
    for (int32_t i = 0; i < prefix.length(); ++i)
        if (text[i] == '\0' || String::ascii_lower(text[i]) != String::ascii_lower(prefix.char_at(i)))
            return false;
    return true;
}

// Closes a kernel handle on every way out.
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

// A system text that fits `capacity` bytes: `call` gets the buffer and its size and
// returns the length (0 on failure, the needed size when the buffer is too small).
template <class Call>
bool system_text(String& out, DWORD capacity, Call call) {
    out.set_length(static_cast<int32_t>(capacity));
    DWORD n = call(out.data(), capacity);
    if (n == 0 || n >= capacity) {
        out.clear();
        return false;
    }
    out = String(out.c_str(), static_cast<int32_t>(n));
    return true;
}

bool running_on_nt() {
    static int platform = -1;
    if (platform < 0) {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        platform = GetVersionExA(&version) ? static_cast<int>(version.dwPlatformId) : 0;
    }
    return platform == VER_PLATFORM_WIN32_NT;
}

using MoveFileExFunction = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);

// MoveFileExA does not exist on Windows 95/98/ME; looked up at the first need.
MoveFileExFunction move_file_ex() {
    static MoveFileExFunction function = nullptr;
    static bool looked_up = false;
    if (!looked_up) {
        looked_up = true;
        load_function("kernel32.dll", "MoveFileExA", function);
    }
    return function;
}

// The delayed deletion (destination null) or move: MoveFileExA on NT, wininit.ini
// where Windows 9x reads it, and on NT only when wininit.exe is there to read it.
bool replace_at_restart(const char* source, const char* destination) {
    if (running_on_nt()) {
        MoveFileExFunction move = move_file_ex();
        DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (destination != nullptr ? MOVEFILE_REPLACE_EXISTING : 0);
        if (move != nullptr && move(source, destination, flags))
            return true;
        DWORD error = GetLastError();
        String wininit_exe = join(program_paths().windows_directory.c_str(), "wininit.exe");
        bool has_wininit = GetFileAttributesA(wininit_exe.c_str()) != INVALID_FILE_ATTRIBUTES;
        SetLastError(error);
        if (!has_wininit)
            return false;
    }
    String key = destination != nullptr ? short_path(destination) : String("NUL");
    return wininit_rename(key.c_str(), short_path(source).c_str());
}

// Dispatches every queued message of this thread while start_process waits, so that
// the caller's windows stay alive. A WM_QUIT taken off the queue is remembered and
// posted again once the wait is over, for the caller's own loop to see.
void pump_thread_messages(bool& quit, WPARAM& quit_code) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quit_code = message.wParam;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void report_start_failure(const char* command_line) {
    DWORD error = GetLastError();
    String text("Unable to create process:\r\n");
    text.append(command_line);
    MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
    SetLastError(error);
}

WORD show_window_for(uint32_t flags) {
    if ((flags & launch_maximised) != 0)
        return SW_SHOWMAXIMIZED;
    if ((flags & launch_minimised) != 0)
        return SW_SHOWMINIMIZED;
    return SW_HIDE;
}

DWORD priority_class_for(uint32_t flags) {
    if ((flags & launch_high_priority) != 0)
        return HIGH_PRIORITY_CLASS;
    if ((flags & launch_idle_priority) != 0)
        return IDLE_PRIORITY_CLASS;
    return NORMAL_PRIORITY_CLASS;
}

bool is_dot_entry(const String& name) {
    return name == String(".") || name == String("..");
}

// Deletes what is below `folder`, then the folder. Folders that are links are removed
// without entering them, so nothing outside the tree is touched.
bool delete_below_and_remove(const String& folder) {
    bool complete = true;
    FileFinder finder;
    FileInfo entry;
    String pattern = join(folder.c_str(), "*.*");
    for (bool found = finder.find_first(pattern.c_str(), entry); found; found = finder.find_next(entry)) {
        if (is_dot_entry(entry.name))
            continue;
        String path = join(folder.c_str(), entry.name.c_str());
        if ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
                complete = RemoveDirectoryA(path.c_str()) != FALSE && complete;
            else
                complete = delete_below_and_remove(path) && complete;
            continue;
        }
        if ((entry.attributes & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesA(path.c_str(), entry.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        complete = DeleteFileA(path.c_str()) != FALSE && complete;
    }
    finder.close();
    return RemoveDirectoryA(folder.c_str()) != FALSE && complete;
}

// Writes the attributes when they differ from the current ones.
bool change_attributes(const char* path, uint32_t old_attributes, uint32_t new_attributes) {
    if (old_attributes == no_attributes)
        return false;
    if (old_attributes == new_attributes)
        return true;
    // 0 would mean "leave as they are" to the file system below.
    return SetFileAttributesA(path, new_attributes != 0 ? new_attributes : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

} // namespace

// ---------------------------------------------------------------------------
// Program paths

const ProgramPaths& program_paths() {
    static ProgramPaths paths;
    static bool computed = false;
    if (computed)
        return paths;
    computed = true;

    system_text(paths.windows_directory, MAX_PATH + 1,
                [](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
    // Under the module path limit of the NT line, longer than MAX_PATH on purpose.
    system_text(paths.installer_path, 1024,
                [](char* buffer, DWORD size) { return GetModuleFileNameA(nullptr, buffer, size); });
    paths.installer_folder = folder_of(paths.installer_path.c_str());
    paths.installer_file_name = name_of(paths.installer_path.c_str());
    paths.installer_drive = drive_letter(paths.installer_path.c_str());

    String comspec("%comspec%");
    bool expanded = expand_environment(comspec) && comspec.compare("%comspec%", false) != 0;
    paths.command_interpreter =
        command_interpreter_path(expanded ? comspec.c_str() : nullptr, paths.windows_directory.c_str());
    return paths;
}


// ---------------------------------------------------------------------------
// Processes

uint32_t start_process(const char* command_line, uint32_t flags, const char* working_directory) {
    if (text_length(command_line) == 0)
        return start_failed;
    // CreateProcessA may write into the command line.
    String line(command_line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if ((flags & (launch_hidden | launch_maximised | launch_minimised)) != 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = show_window_for(flags);
    }
    PROCESS_INFORMATION process = {};
    BOOL created = CreateProcessA(
        nullptr, line.data(), nullptr, nullptr, (flags & launch_inherit_handles) != 0 ? TRUE : FALSE,
        priority_class_for(flags), nullptr, text_length(working_directory) > 0 ? working_directory : nullptr,
        &startup, &process);
    if (!created) {
        if ((flags & launch_report_failure) != 0)
            report_start_failure(command_line);
        return start_failed;
    }
    ScopedHandle process_handle(process.hProcess);
    ScopedHandle thread_handle(process.hThread);
    if ((flags & launch_wait) == 0)
        return start_not_waited;

    if ((flags & launch_pump_messages) != 0) {
        bool quit = false;
        WPARAM quit_code = 0;
        while (WaitForSingleObject(process_handle.get(), 1) == WAIT_TIMEOUT)
            pump_thread_messages(quit, quit_code);
        if (quit)
            PostQuitMessage(static_cast<int>(quit_code));
    } else {
        WaitForSingleObject(process_handle.get(), INFINITE);
    }
    DWORD exit_code = 0;
    if (!GetExitCodeProcess(process_handle.get(), &exit_code))
        return start_not_waited;
    return exit_code;
}

bool shell_open(const char* file) {
    HINSTANCE result = ShellExecuteA(nullptr, nullptr, file, nullptr,
                                     program_paths().installer_folder.c_str(), SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// ---------------------------------------------------------------------------
// Folders

bool folder_exists(const char* path) {
    if (text_length(path) == 0)
        return false;
    String previous;
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed > 0)
        system_text(previous, needed + 1,
                    [](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
    if (!SetCurrentDirectoryA(path))
        return false;
    if (!previous.is_empty())
        SetCurrentDirectoryA(previous.c_str());
    return true;
}

bool create_folder(const char* path) {
    if (text_length(path) == 0)
        return false;
    String folder(path);
    if (folder.length() > drive_root_length)
        folder.remove_trailing_char('\\');
    if (folder_exists(folder.c_str()))
        return true;
    String parent = folder_of(folder.c_str());
    if (parent.length() > drive_root_length && !folder_exists(parent.c_str()))
        create_folder(parent.c_str());
    if (CreateDirectoryA(folder.c_str(), nullptr))
        return true;
    // Keep the reason CreateDirectory gave (a file of that name, a missing drive).
    DWORD error = GetLastError();
    if (folder_exists(folder.c_str()))
        return true;
    SetLastError(error);
    return false;
}

bool remove_folder(const char* path) {
    if (text_length(path) <= drive_root_length)
        return false;
    String folder(path);
    folder.remove_trailing_char('\\');
    return RemoveDirectoryA(folder.c_str()) != FALSE;
}

bool delete_tree(const char* path) {
    if (text_length(path) <= drive_root_length)
        return false;
    // An empty Windows directory (the system gave none) is a prefix of every path:
    // then nothing is deleted at all.
    if (starts_with_ignore_case(path, program_paths().windows_directory))
        return false;
    String folder(path);
    folder.remove_trailing_char('\\');
    return delete_below_and_remove(folder);
}

// ---------------------------------------------------------------------------
// Drives and space

bool drive_present(char letter) {
    char root[] = {letter, ':', '\\', '\0'};
    return GetDriveTypeA(root) != DRIVE_NO_ROOT_DIR;
}

int32_t cluster_size(const char* path) {
    char letter = drive_letter(path);
    if (letter == 0)
        return -1;
    char root[] = {letter, ':', '\\', '\0'};
    DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters))
        return -1;
    return static_cast<int32_t>(sectors_per_cluster * bytes_per_sector);
}

int64_t free_bytes(const char* path) {
    char letter = drive_letter(path);
    if (letter == 0)
        return -1;
    char root[] = {letter, ':', '\\', '\0'};
    int64_t free = 0, total = 0;
    return disk_space(root, free, total) ? free : -1;
}

bool disk_space(const char* root, int64_t& free, int64_t& total) {
    // GetDiskFreeSpaceExA came with Windows 95 OSR2 and NT 4; the older call cannot
    // count beyond 2 GB.
    using DiskFreeSpaceExFunction = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    static DiskFreeSpaceExFunction disk_free_space_ex = nullptr;
    static bool looked_up = false;
    if (!looked_up) {
        looked_up = true;
        const FunctionEntry table[] = {
            {"GetDiskFreeSpaceExA", reinterpret_cast<void**>(&disk_free_space_ex), 1},
            {nullptr, nullptr, 0},
        };
        load_functions("kernel32.dll", table);
    }
    if (disk_free_space_ex != nullptr) {
        ULARGE_INTEGER available = {}, total_bytes = {}, free_total = {};
        if (disk_free_space_ex(root, &available, &total_bytes, &free_total)) {
            free = static_cast<int64_t>(free_total.QuadPart);
            total = static_cast<int64_t>(total_bytes.QuadPart);
            return true;
        }
        if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
            disk_free_space_ex = nullptr;
    }
    DWORD sectors_per_cluster = 0, bytes_per_sector = 0, free_clusters = 0, total_clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters))
        return false;
    int64_t cluster = static_cast<int64_t>(sectors_per_cluster) * bytes_per_sector;
    free = cluster * free_clusters;
    total = cluster * total_clusters;
    return true;
}

// ---------------------------------------------------------------------------
// Files

bool file_exists(const char* path) {
    File file;
    int32_t code = file.open(path, File::open_for_reading | File::close_at_once | File::no_sharing_retry);
    return code == open_success || code == open_locked;
}

bool delete_file(const char* path, uint32_t flags) {
    if (text_length(path) == 0)
        return false;
    if ((flags & delete_keep_read_only) == 0)
        clear_attributes(path, FILE_ATTRIBUTE_READONLY);
    if ((flags & delete_at_restart) == 0)
        return DeleteFileA(path) != FALSE;
    return replace_at_restart(path, nullptr);
}

bool move_file(const char* source, const char* destination, uint32_t flags) {
    if (text_length(source) == 0 || text_length(destination) == 0)
        return false;
    if (std::strcmp(source, destination) == 0 || !file_exists(source))
        return false;
    // A change of case only renames the file onto itself: the destination is the
    // source and must not be touched.
    if (String(source).compare(destination, false) != 0) {
        if ((flags & move_replace_existing) != 0) {
            if (!file_exists(destination) || !delete_file(destination, 0))
                return false;
        } else if ((flags & move_no_replace) == 0) {
            delete_file(destination, 0);
        } else if (file_exists(destination)) {
            return false;
        }
    }
    if ((flags & move_create_folder) != 0)
        create_folder(folder_of(destination).c_str());
    if ((flags & move_at_restart) == 0)
        return MoveFileA(source, destination) != FALSE;
    return replace_at_restart(source, destination);
}

bool wininit_rename(const char* key, const char* value) {
    SetLastError(0);
    if (is_blank_text(key) || is_blank_text(value))
        return false;
    String path = join(program_paths().windows_directory.c_str(), "wininit.ini");
    File file;
    if (file.open(path, File::open_or_create) != open_success)
        return false;
    String text;
    if (!file.read_all(text))
        return false;
    add_rename_entry(text, key, value);
    return file.replace_content(text);
}

int32_t read_file(const char* path, String& out) {
    out.clear();
    File file;
    int32_t code = file.open(path, File::open_for_reading);
    if (code != open_success)
        return code;
    if (!file.read_all(out)) {
        out.clear();
        return open_memory_failed;
    }
    return open_success;
}

bool write_file(const char* path, const char* bytes, int32_t n) {
    if (text_length(path) == 0)
        return false;
    if (n == String::to_end)
        n = text_length(bytes);
    if (n < 0 || (bytes == nullptr && n > 0))
        return false;
    File file;
    if (file.open(path, File::open_for_writing) != open_success)
        return false;
    return file.write(bytes, n);
}

bool write_string(const char* path, const String& text) {
    return write_file(path, text.data(), text.length());
}

uint32_t get_attributes(const char* path) {
    return GetFileAttributesA(path);
}

bool set_attributes(const char* path, uint32_t attributes) {
    return change_attributes(path, get_attributes(path), attributes);
}

bool clear_attributes(const char* path, uint32_t bits) {
    uint32_t old_attributes = get_attributes(path);
    return change_attributes(path, old_attributes, old_attributes & ~bits);
}

bool set_masked_attributes(const char* path, uint32_t value, uint32_t mask) {
    uint32_t old_attributes = get_attributes(path);
    return change_attributes(path, old_attributes, (old_attributes & ~mask) | (value & mask));
}

bool set_read_only(const char* path, bool on) {
    return set_masked_attributes(path, on ? FILE_ATTRIBUTE_READONLY : 0, FILE_ATTRIBUTE_READONLY);
}

bool find_file(const char* pattern, FileInfo& info) {
    FileFinder finder;
    bool found = finder.find_first(pattern, info);
    finder.close();
    return found;
}

bool file_time(const char* path, TimeStamp& time) {
    FileInfo info;
    if (!find_file(path, info))
        return false;
    time = info.last_write_time;
    return true;
}


String short_path(const char* path) {
    int32_t length = text_length(path);
    DWORD capacity = static_cast<DWORD>(length * 2 > MAX_PATH ? length * 2 : MAX_PATH) + 1;
    String result;
    if (length == 0 || !system_text(result, capacity, [path](char* buffer, DWORD size) {
            return GetShortPathNameA(path, buffer, size);
        }))
        return String(path != nullptr ? path : "");
    return result;
}

bool expand_environment(String& text) {
    // No expansion of a longer text fits, and not every version of the call copes
    // with one (Wine's cuts it to nothing and reports success).
    if (text.length() >= static_cast<int32_t>(environment_buffer_size)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    String expanded;
    expanded.set_length(static_cast<int32_t>(environment_buffer_size));
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), environment_buffer_size);
    // n counts the terminating NUL; more than the buffer means it did not fit.
    if (n == 0 || n > environment_buffer_size)
        return false;
    text.assign_at_most(expanded.c_str(), static_cast<int32_t>(n));
    return true;
}
