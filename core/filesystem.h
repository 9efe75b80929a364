#pragma once
// File-system operations: free functions over 8-bit ANSI paths with backslashes.
//
// Contracts shared by every operation:
// - A null text is an empty text.
// - Results are bool, -1, null or the codes named below; nothing throws and only
//   `start_process` with `launch_report_failure` ever shows a message.
// - After a failed system call the system's last error is left as that call set it,
//   so the caller can append the system's error text.
//
// The path texts (join, folder_of, ... make_absolute) are pure and portable; the rest
// lives in filesystem_win32.cpp.

#include <cstdint>

#include "core/string.h"

struct FileInfo;
struct TimeStamp;

// ---------------------------------------------------------------------------
// Program paths, computed together by the first call that needs one of them.

struct ProgramPaths {
    String windows_directory;   // GetWindowsDirectory
    String installer_path;      // the program's own module file
    String installer_folder;    // folder part of installer_path
    String installer_file_name; // file-name part of installer_path
    char installer_drive = 0;   // upper-case drive letter of installer_path, or 0
    String command_interpreter; // %comspec%, else <windows>\command.com; quoted when it has a blank
};

const ProgramPaths& program_paths();

// GetTempPath without its trailing backslash ("c:\temp" when the system gives
// nothing), computed on first use.
const String& temp_directory();

// The command interpreter from the expansion of "%comspec%" (null or blank when that
// failed) and the Windows directory.
String command_interpreter_path(const char* comspec_expansion, const char* windows_directory);
// The temporary directory from what GetTempPath gave (null or empty when nothing).
String temp_directory_path(const char* system_temp_path);

// ---------------------------------------------------------------------------
// Processes

constexpr uint32_t launch_wait = 0x001;            // wait and return the exit code
constexpr uint32_t launch_inherit_handles = 0x002; // the child inherits handles
constexpr uint32_t launch_idle_priority = 0x004;   // idle priority class
constexpr uint32_t launch_high_priority = 0x008;   // high priority class (wins over idle)
constexpr uint32_t launch_hidden = 0x010;          // hidden window
constexpr uint32_t launch_maximised = 0x020;       // maximised window (wins over minimised, hidden)
constexpr uint32_t launch_minimised = 0x040;       // minimised window (wins over hidden)
constexpr uint32_t launch_report_failure = 0x080;  // "Unable to create process:" box on failure
constexpr uint32_t launch_pump_messages = 0x100;   // while waiting, pump this thread's messages

constexpr uint32_t start_failed = 0x80000000;     // empty command line, or not created
constexpr uint32_t start_not_waited = 0x80000001; // created; not waited for or no exit code

// Starts `command_line` (CreateProcess reads the program from it) in
// `working_directory` (null or empty: the current one). Returns `start_failed`,
// `start_not_waited` or the exit code.
uint32_t start_process(const char* command_line, uint32_t flags, const char* working_directory);

// Opens `file` with its default verb, in the installer folder, in a normal window.
bool shell_open(const char* file);

// ---------------------------------------------------------------------------
// Folders

// Whether the current directory can be set to `path` (it is restored afterwards).
bool folder_exists(const char* path);
// Creates `path` and, first, every missing parent down to the drive root. True when
// the folder exists afterwards.
bool create_folder(const char* path);
// Removes an empty folder; paths of 3 characters or fewer are refused.
bool remove_folder(const char* path);
// Deletes everything below `path` and the folder itself (read-only files too).
// Refuses paths of 3 characters or fewer and paths inside the Windows directory.
// True only when everything went.
bool delete_tree(const char* path);

// ---------------------------------------------------------------------------
// Drives and space

// Whether the drive of `letter` has a root directory.
bool drive_present(char letter);
// Bytes per cluster of the path's drive, or -1 (no drive letter, or failure).
int32_t cluster_size(const char* path);
// Free bytes of the path's drive, or -1.
int64_t free_bytes(const char* path);
// Free and total bytes of the drive whose root is `root` ("C:\").
bool disk_space(const char* root, int64_t& free, int64_t& total);

// ---------------------------------------------------------------------------
// Files

// Whether `path` opens for reading, or fails to only because it is locked.
bool file_exists(const char* path);

constexpr uint32_t delete_keep_read_only = 0x1; // do not clear the read-only attribute first
constexpr uint32_t delete_at_restart = 0x2;     // delete at the next restart
bool delete_file(const char* path, uint32_t flags);

constexpr uint32_t move_replace_existing = 0x1; // the destination must exist; it is deleted
constexpr uint32_t move_no_replace = 0x2;       // fail when the destination exists
constexpr uint32_t move_create_folder = 0x4;    // create the destination's folder first
constexpr uint32_t move_at_restart = 0x8;       // move at the next restart
bool move_file(const char* source, const char* destination, uint32_t flags);

// Adds "key=value" to the "[rename]" section of the Windows directory's wininit.ini
// (created when missing), where Windows 9x carries it out at the next start.
bool wininit_rename(const char* key, const char* value);
// The text edit of `wininit_rename`: the entry goes directly after the "[rename]"
// header (newest first), or a new section is appended at the end.
void add_rename_entry(String& text, const char* key, const char* value);

// The whole file into `out`: an open result code (6 when reading fails).
int32_t read_file(const char* path, String& out);
// Creates or truncates `path` and writes n bytes (String::to_end: strlen (bytes)).
bool write_file(const char* path, const char* bytes, int32_t n);
bool write_string(const char* path, const String& text);

// Attributes. `get_attributes` gives 0xFFFFFFFF when the file does not exist; the
// others write only when the attributes change and fail when the file does not exist.
constexpr uint32_t no_attributes = 0xFFFFFFFF;
uint32_t get_attributes(const char* path);
bool set_attributes(const char* path, uint32_t attributes);
bool clear_attributes(const char* path, uint32_t bits);
// new = (old without mask) | (value & mask)
bool set_masked_attributes(const char* path, uint32_t value, uint32_t mask);
bool set_read_only(const char* path, bool on);

// The first match of `pattern`.
bool find_file(const char* pattern, FileInfo& info);
// The last-write time (local) of the first match of `path`.
bool file_time(const char* path, TimeStamp& time);

// A new empty file in `folder` (the temporary directory when empty) made by the
// system; its path, or an empty String on failure.
String temp_file_name(const char* folder);
// The short 8.3 form of `path`; `path` itself when the system cannot give one.
String short_path(const char* path);
// Expands %variables% in place; false (text unchanged) when that fails.
bool expand_environment(String& text);

// ---------------------------------------------------------------------------
// Path texts

// base, one backslash, name (see filesystem.cpp for the exact joining rules).
String join(const char* base, const char* name);
// Up to the last backslash before any semicolon, else up to the first colon. A
// colon, or a backslash right after one, stays ("C:\x" gives "C:\"); any other
// backslash is dropped ("C:\dir\x" gives "C:\dir"). Empty without a separator.
String folder_of(const char* path);
// What follows the last backslash, else the colon, else the whole path.
String name_of(const char* path);
// "C:" or "C:\" as the path has it; empty without a drive letter.
String drive_root(const char* path);
// The upper-case drive letter when the path starts with a letter and a colon, else 0.
char drive_letter(const char* path);
// Index of the last '.' after the last backslash, or -1.
int32_t extension_position(const char* path);
// Appends "." and `extension` when the path is not blank and has none. True when
// something was appended.
bool add_extension(String& path, const char* extension);
// Equal without regard to ASCII case once trailing backslashes are removed.
bool same_folder(const char* a, const char* b);
// After leading blanks: "\\..." or "?:\...".
bool is_rooted(const char* path);

constexpr uint32_t path_allow_asterisk = 0x1;  // '*' allowed, '?' not
constexpr uint32_t path_allow_wildcards = 0x2; // '*' and '?' allowed
// Whether the path (surrounding double quotes removed, a drive colon allowed) holds
// none of / " < > | : ; nor the wildcards the flags do not allow. False when empty.
bool valid_path_chars(const char* path, uint32_t flags);

// Makes `path` (trimmed) absolute against the rooted `base`. True when the path was
// changed; false when it was empty or already absolute, or `base` does not serve.
bool make_absolute(String& path, const char* base);
