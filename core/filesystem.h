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
// The path texts (core/path.h) and the temporary names (core/temp_files.h) have
// units of their own, below the file layer; they come with this header.

#include <cstdint>

#include "core/path.h"
#include "core/string.h"
#include "core/temp_files.h"

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

// The command interpreter from the expansion of "%comspec%" (null or blank when that
// failed) and the Windows directory.
String command_interpreter_path(const char* comspec_expansion, const char* windows_directory);

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

// The short 8.3 form of `path`; `path` itself when the system cannot give one.
String short_path(const char* path);
// Expands %variables% in place; false (text unchanged) when that fails.
bool expand_environment(String& text);
