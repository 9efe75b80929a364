#pragma once
// File: the library's one class for files on disk.
//
// It wraps a Windows file handle with open modes, sharing and retry rules, reports
// failures as small result codes (`open`) and as readable texts (`last_error`),
// reads and writes exact-size blocks, keeps a stack of saved positions, and can
// hold the whole file in a MemoryStream that is written back on close.
//
// Beside it: `FileFinder` and `FileInfo` for directory scans, `append_to_file` and
// `file_equals_memory`, and the texts of the open result codes. Handles are held
// as void*, so this header needs no <windows.h>.

#include <cstdint>

#include "core/containers.h"
#include "core/stream.h"
#include "core/string.h"
#include "core/timestamp.h"

// A locked region of a file. Nothing in the system locks regions; `close` still
// releases whatever the lock stack holds.
struct FileLock {
    int32_t offset = 0;
    int32_t length = 0;
};

// Open result codes.
constexpr int32_t open_success = 0;
constexpr int32_t open_failed = 1;            // any other system error
constexpr int32_t open_invalid_name = 2;      // empty name or ERROR_INVALID_NAME
constexpr int32_t open_not_found = 3;         // ERROR_FILE_NOT_FOUND
constexpr int32_t open_path_not_found = 4;    // ERROR_PATH_NOT_FOUND
constexpr int32_t open_locked = 5;            // ERROR_SHARING_VIOLATION
constexpr int32_t open_memory_failed = 6;     // the in-memory load failed
constexpr int32_t open_too_many_files = 7;    // ERROR_TOO_MANY_OPEN_FILES
constexpr int32_t open_invalid_parameter = 8; // ERROR_INVALID_PARAMETER
constexpr int32_t open_exists = 9;            // ERROR_FILE_EXISTS

// "The file was not found." and the rest; a code outside 0..9 reads as code 1,
// "An unknown error occurred.".
const char* open_result_text(int32_t code);
// The open result code for a system error number (0 gives 0, unknown ones 1).
int32_t open_result_for_error(uint32_t system_error);

class File : public Reader, public Writer {
  public:
    // Open flags. Bits 0-1 choose the creation disposition.
    static constexpr uint32_t open_or_create = 0x0000; // OPEN_ALWAYS
    static constexpr uint32_t open_existing = 0x0001;  // OPEN_EXISTING
    static constexpr uint32_t create_new = 0x0002;     // CREATE_NEW: fails if it exists
    static constexpr uint32_t create_always = 0x0003;  // CREATE_ALWAYS: create or truncate
    static constexpr uint32_t creation_mask = 0x0003;
    static constexpr uint32_t no_read = 0x0008;          // without it: GENERIC_READ
    static constexpr uint32_t no_write = 0x0010;         // without it: GENERIC_WRITE
    static constexpr uint32_t required = 0x0020;         // `open_required`: failure is fatal
    static constexpr uint32_t retry_once = 0x0040;       // after the first failure wait 150 ms, try again
    static constexpr uint32_t load_to_memory = 0x0080;   // in-memory mode after opening
    static constexpr uint32_t share_read = 0x0100;       // FILE_SHARE_READ
    static constexpr uint32_t share_write = 0x0200;      // FILE_SHARE_WRITE
    static constexpr uint32_t at_end = 0x0400;           // position at the end after opening
    static constexpr uint32_t close_at_once = 0x0800;    // close again after a successful open
    static constexpr uint32_t no_sharing_retry = 0x1000; // a sharing violation fails at once

    // Path kinds: the value of the top three bits; any other value: the name as given.
    static constexpr uint32_t path_kind_mask = 0xE0000000;
    static constexpr uint32_t path_temp_file = 0x20000000;      // new temporary file in the temp folder
    static constexpr uint32_t path_temp_in_folder = 0x40000000; // new temporary file in the folder named
    static constexpr uint32_t path_temp_beside = 0x80000000;    // ... in the folder part of the name
    static constexpr uint32_t path_in_temp_folder = 0xC0000000; // the name below the temp folder

    // Common combinations: reading installed files and the program image; writing;
    // appending.
    static constexpr uint32_t open_for_reading = 0x0111; // open existing, no write, others may read
    static constexpr uint32_t open_for_writing = 0x0003;
    static constexpr uint32_t open_for_appending = 0x0400;

    static constexpr uint32_t attribute_normal = 128; // FILE_ATTRIBUTE_NORMAL

    // Size of the blocks `write` hands to the system.
    static constexpr int32_t write_chunk = 0x100000;
    // `pop_position` with nothing saved.
    static constexpr int32_t no_saved_position = INT32_MIN;

    // Closed, every flag false.
    File() = default;
    // Closes (and writes back an in-memory content).
    ~File() override;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Closes what is open, then opens name with the flags (constants above) and
    // passes attributes to CreateFileA. Returns an open result code; on failure the
    // File is closed. Retries: with retry_once one more try after 150 ms; on a
    // sharing violation (unless no_sharing_retry) up to five tries after 100 ms
    // each; at most six attempts in all.
    int32_t open(const char* name, uint32_t flags, uint32_t attributes = attribute_normal);
    int32_t open(const String& name, uint32_t flags, uint32_t attributes = attribute_normal) {
        return open(name.c_str(), flags, attributes);
    }
    // As open; on failure `last_error` gets the code's text, and with flag
    // `required` the program ends through fatal_format with
    // "Failed to open required file:\r\n%s\r\n\r\n%s" (name, text).
    int32_t open_required(const char* name, uint32_t flags, uint32_t attributes = attribute_normal);
    int32_t open_required(const String& name, uint32_t flags, uint32_t attributes = attribute_normal) {
        return open_required(name.c_str(), flags, attributes);
    }

    // Writes back a dirty in-memory content (and truncates the file to it), releases
    // the locks, closes the handle; the position stack is emptied and every access
    // flag cleared. The name and last_error stay.
    void close();

    // Exactly n bytes from the position. Failures leave a text in last_error:
    // "Illegal block size %d", "NULL block pointer", "Read access denied",
    // "Read past end of file", "File not open" or the system's text.
    bool read(void* buffer, int32_t n) override;
    // Exactly n bytes at the position, in 1 MiB chunks. Failures: "Illegal block
    // size", "Write access denied", the system's text, "Not all data could be
    // written"; a File that is not open fails without a text.
    bool write(const void* bytes, int32_t n) override;

    // -1 when not open.
    int32_t tell();
    // From the start / relative to the end. False when not open or the system fails.
    bool seek(int32_t offset);
    bool seek_end(int32_t offset);
    // Saves `tell` on the position stack and returns it.
    int32_t push_position();
    // Saves `tell`, then seeks to offset; returns the seek result.
    bool push_position(int32_t offset);
    // Seeks back to the most recently saved position and returns it; with nothing
    // saved returns no_saved_position and does not move.
    int32_t pop_position();
    // -1 when not open.
    int32_t size();

    // Whole-file and range reads; all fail when the File is neither open nor in
    // memory. read_at leaves the position where it was.
    bool read_at(int32_t offset, void* buffer, int32_t n);
    // The last n bytes (n > 0 and size >= n).
    bool read_tail(void* buffer, int32_t n);
    // The whole file; an empty file gives an empty String.
    bool read_all(String& out);
    // count bytes at offset; false when the range is not inside the file (out then
    // untouched) or the read fails (out cleared).
    bool read_range(String& out, int32_t offset, int32_t count);
    // Bytes up to a NUL byte or the end: out gets the bytes before it. True when
    // the NUL was found.
    bool read_text(String& out);

    // seek (0), write content, truncate_here; returns the truncate result.
    bool replace_content(const String& content);
    // Cuts the file at the position; needs write access.
    bool truncate_here();
    // Loads the whole file into the memory stream (in-memory mode, not dirty); true
    // at once when already in memory and not dirty.
    bool load_into_memory();
    // Appends "\r\n" unless the file is empty or ends with CR or LF.
    bool ensure_file_line_end();
    // FlushFileBuffers when open.
    bool flush();

    // The last-write time from a local FILETIME (100 ns units since 1601, as one
    // 64-bit number) or a local TimeStamp; the file is flushed first. False when
    // not open or a conversion or the system call fails.
    bool set_modified_time(uint64_t local_file_time);
    bool set_modified_time(const TimeStamp& local_time);

    bool is_open() const { return handle_ != nullptr; }
    void* handle() const { return handle_; }
    // The path actually opened (after the path-kind rules).
    const String& name() const { return name_; }
    const String& last_error() const { return last_error_; }
    bool in_memory() const { return in_memory_; }
    bool dirty() const { return dirty_; }
    bool can_read() const { return can_read_; }
    bool can_write() const { return can_write_; }
    bool opened_read() const { return opened_read_; }
    bool opened_write() const { return opened_write_; }
    // The content while in memory.
    MemoryStream& memory() { return memory_; }
    // Flush the handle after every successful disk write (the system never sets it).
    void set_flush_after_write(bool on) { flush_after_write_ = on; }

  private:
    int32_t open_handle(uint32_t flags, uint32_t attributes);
    void write_back_memory();
    void set_system_error();

    void* handle_ = nullptr;
    String name_;
    Stack<int32_t> positions_;
    MemoryStream memory_;
    bool in_memory_ = false;
    bool dirty_ = false;
    bool flush_after_write_ = false;
    bool can_read_ = false;
    bool can_write_ = false;
    bool opened_read_ = false;
    bool opened_write_ = false;
    String last_error_;
    Stack<FileLock> locks_;
};

// One entry of a directory scan; the times are local.
struct FileInfo {
    TimeStamp last_access_time;
    uint32_t attributes = 0;
    TimeStamp last_write_time;
    TimeStamp creation_time;
    String name;
    String short_name; // 8.3 name; empty when the system has none
    int64_t size = 0;
};

// One FindFirstFileA scan; entries with an empty name are skipped.
class FileFinder {
  public:
    FileFinder() = default;
    ~FileFinder() { close(); }
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // Closes any earlier scan; false when nothing matches.
    bool find_first(const char* pattern, FileInfo& info);
    // The next entry; at the end closes the scan and returns false.
    bool find_next(FileInfo& info);
    void close();

  private:
    void* handle_ = nullptr;
};

// Flags of append_to_file.
constexpr uint32_t append_line_end_first = 0x01; // ensure_file_line_end before writing
constexpr uint32_t append_no_retry = 0x02;       // a failed write ends at once
constexpr uint32_t append_existing_only = 0x04;  // do not create the file

// Appends text at the end of the file (created unless append_existing_only). A
// failed write is retried up to 10 attempts, 100 ms apart; a failed open ends at
// once. A null text succeeds once the file is open. False for a null or empty path.
bool append_to_file(const char* path, const char* text, uint32_t flags = 0);

// True when the file at path holds exactly the n bytes.
bool file_equals_memory(const void* bytes, int32_t n, const char* path);
