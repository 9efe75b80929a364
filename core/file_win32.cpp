#include "core/file.h"

#include <cstring>
#include <utility>

#include "core/fatal.h"
#include "core/path.h"
#include "core/system_error.h"
#include "core/temp_files.h"
#include "core/timestamp_win32.h"
#include "core/win32.h"

namespace {

// Waits of the open retries: the one extra try of File::retry_once, and each try
// after a sharing violation (another program usually lets go of a file within
// half a second: a virus scanner, an editor saving).
constexpr DWORD retry_once_wait_ms = 150;
constexpr DWORD sharing_retry_wait_ms = 100;
constexpr int sharing_retry_limit = 5;

constexpr int append_attempts = 10;
constexpr DWORD append_retry_wait_ms = 100;

constexpr int32_t compare_block = 4096;

// The prefix of the temporary files a File creates.
constexpr const char* temp_prefix = "VNK";

HANDLE to_handle(void* handle) {
    return static_cast<HANDLE>(handle);
}

// The system's text for an error number; its number when the system has no text.
void set_system_text(String& out, DWORD error) {
    out = system_message(error);
    if (out.is_empty())
        out.format("System error %lu", static_cast<unsigned long>(error));
}

uint64_t to_uint64(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME to_file_time(uint64_t value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

void fill_info(const WIN32_FIND_DATAA& data, FileInfo& info) {
    info = FileInfo();
    time_stamp_from_utc_file_time(data.ftLastAccessTime, info.last_access_time);
    info.attributes = data.dwFileAttributes;
    time_stamp_from_utc_file_time(data.ftLastWriteTime, info.last_write_time);
    time_stamp_from_utc_file_time(data.ftCreationTime, info.creation_time);
    info.name.assign(data.cFileName);
    info.short_name.assign(data.cAlternateFileName);
    info.size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

} // namespace

// ---------------------------------------------------------------------------
// Opening and closing

File::~File() {
    close();
}

int32_t File::open(const char* name, uint32_t flags, uint32_t attributes) {
    close();
    uint32_t kind = flags & path_kind_mask;
    name_.assign(name);
    if (name_.is_empty() && kind != path_temp_file)
        return open_invalid_name;

    can_read_ = opened_read_ = (flags & no_read) == 0;
    can_write_ = opened_write_ = (flags & no_write) == 0;

    // Whoever only writes lets others write and therefore also read; whoever only
    // reads lets others read and therefore also write.
    if (!can_read_ && (flags & share_write) != 0)
        flags |= share_read;
    if (!can_write_ && (flags & share_read) != 0)
        flags |= share_write;

    uint32_t creation = flags & creation_mask;
    switch (kind) {
    case path_temp_file:
        name_ = temp_file_name("");
        creation = create_always;
        break;
    case path_temp_in_folder:
        name_ = temp_file_name(name_.c_str());
        creation = create_always;
        break;
    case path_temp_beside:
        name_ = temp_file_name(folder_of(name_.c_str()).c_str());
        creation = create_always;
        break;
    case path_in_temp_folder:
        name_ = join(temp_directory().c_str(), name);
        break;
    default:
        break;
    }

    // On failure the access flags stay as asked: a later read then reports "File
    // not open" rather than a denied access.
    int32_t result = open_handle((flags & ~creation_mask) | creation, attributes);
    if (result != open_success)
        return result;
    if ((flags & load_to_memory) != 0 && !load_into_memory()) {
        close();
        return open_memory_failed;
    }
    if ((flags & at_end) != 0)
        seek_end(0);
    if ((flags & close_at_once) != 0)
        close();
    return open_success;
}

int32_t File::open_handle(uint32_t flags, uint32_t attributes) {
    static const DWORD dispositions[4] = {OPEN_ALWAYS, OPEN_EXISTING, CREATE_NEW, CREATE_ALWAYS};
    DWORD access = (can_read_ ? GENERIC_READ : 0) | (can_write_ ? GENERIC_WRITE : 0);
    DWORD share = ((flags & share_read) != 0 ? FILE_SHARE_READ : 0) |
                  ((flags & share_write) != 0 ? FILE_SHARE_WRITE : 0);
    DWORD disposition = dispositions[flags & creation_mask];

    int retries = 0;
    bool waited_once = false;
    for (;;) {
        HANDLE handle = CreateFileA(name_.c_str(), access, share, nullptr, disposition, attributes, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            handle_ = handle;
            return open_success;
        }
        DWORD error = GetLastError();
        if ((flags & retry_once) != 0 && !waited_once) {
            waited_once = true;
            ++retries;
            Sleep(retry_once_wait_ms);
            continue;
        }
        if (error != ERROR_SHARING_VIOLATION || (flags & no_sharing_retry) != 0 ||
            retries >= sharing_retry_limit)
            return open_result_for_error(error);
        ++retries;
        Sleep(sharing_retry_wait_ms);
    }
}

int32_t File::open_required(const char* name, uint32_t flags, uint32_t attributes) {
    int32_t result = open(name, flags, attributes);
    if (result == open_success)
        return result;
    last_error_.assign(open_result_text(result));
    if ((flags & required) != 0)
        fatal_format("Failed to open required file:\r\n%s\r\n\r\n%s", name_.c_str(), last_error_.c_str());
    return result;
}

void File::write_back_memory() {
    // Out of memory mode first, so that seek, write and truncate reach the disk.
    in_memory_ = false;
    dirty_ = false;
    if (seek(0) && write_string(memory_.string()))
        truncate_here();
}

void File::close() {
    if (in_memory_ && dirty_)
        write_back_memory();
    in_memory_ = false;
    dirty_ = false;
    memory_.clear();
    while (!locks_.is_empty()) {
        FileLock* lock = locks_.top();
        if (handle_ != nullptr)
            UnlockFile(to_handle(handle_), static_cast<DWORD>(lock->offset), 0,
                       static_cast<DWORD>(lock->length), 0);
        locks_.discard_top();
    }
    if (handle_ != nullptr)
        CloseHandle(to_handle(handle_));
    handle_ = nullptr;
    positions_.clear();
    can_read_ = can_write_ = opened_read_ = opened_write_ = false;
}

void File::set_system_error() {
    set_system_text(last_error_, GetLastError());
}

// ---------------------------------------------------------------------------
// Reading and writing

bool File::read(void* buffer, int32_t n) {
    if (n == 0)
        return true;
    if (n < 0) {
        last_error_.format("Illegal block size %d", static_cast<int>(n));
        return false;
    }
    if (buffer == nullptr) {
        last_error_.assign("NULL block pointer");
        return false;
    }
    if (!can_read_) {
        last_error_.assign("Read access denied");
        return false;
    }
    if (in_memory_) {
        if (memory_.read(buffer, n))
            return true;
        last_error_.assign("Read past end of file");
        return false;
    }
    if (handle_ == nullptr) {
        last_error_.assign("File not open");
        return false;
    }
    DWORD got = 0;
    if (!ReadFile(to_handle(handle_), buffer, static_cast<DWORD>(n), &got, nullptr)) {
        set_system_error();
        return false;
    }
    if (got < static_cast<DWORD>(n)) {
        last_error_.assign("Read past end of file");
        return false;
    }
    return true;
}

bool File::write(const void* bytes, int32_t n) {
    if (n == 0)
        return true;
    if (n < 0) {
        last_error_.assign("Illegal block size");
        return false;
    }
    if (bytes == nullptr) {
        last_error_.assign("NULL block pointer");
        return false;
    }
    if (!can_write_) {
        last_error_.assign("Write access denied");
        return false;
    }
    if (in_memory_) {
        if (!memory_.write(bytes, n))
            return false;
        dirty_ = true;
        return true;
    }
    if (handle_ == nullptr)
        return false;
    const char* next = static_cast<const char*>(bytes);
    int32_t left = n;
    while (left > 0) {
        DWORD chunk = static_cast<DWORD>(left < write_chunk ? left : write_chunk);
        DWORD written = 0;
        if (!WriteFile(to_handle(handle_), next, chunk, &written, nullptr)) {
            set_system_error();
            return false;
        }
        if (written != chunk) {
            last_error_.assign("Not all data could be written");
            return false;
        }
        next += chunk;
        left -= static_cast<int32_t>(chunk);
    }
    if (flush_after_write_)
        FlushFileBuffers(to_handle(handle_));
    return true;
}

// ---------------------------------------------------------------------------
// Positions and size

int32_t File::tell() {
    if (in_memory_)
        return memory_.position();
    if (handle_ == nullptr)
        return -1;
    return static_cast<int32_t>(SetFilePointer(to_handle(handle_), 0, nullptr, FILE_CURRENT));
}

bool File::seek(int32_t offset) {
    if (in_memory_)
        return memory_.seek(offset);
    if (handle_ == nullptr)
        return false;
    SetLastError(NO_ERROR);
    DWORD result = SetFilePointer(to_handle(handle_), offset, nullptr, FILE_BEGIN);
    return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool File::seek_end(int32_t offset) {
    if (in_memory_)
        return memory_.seek(memory_.length() + offset);
    if (handle_ == nullptr)
        return false;
    SetLastError(NO_ERROR);
    DWORD result = SetFilePointer(to_handle(handle_), offset, nullptr, FILE_END);
    return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

int32_t File::push_position() {
    int32_t position = tell();
    positions_.push(position);
    return position;
}

bool File::push_position(int32_t offset) {
    push_position();
    return seek(offset);
}

int32_t File::pop_position() {
    if (positions_.is_empty())
        return no_saved_position;
    int32_t position = positions_.pop();
    seek(position);
    return position;
}

int32_t File::size() {
    if (in_memory_)
        return memory_.length();
    if (handle_ == nullptr)
        return -1;
    push_position();
    seek_end(0);
    int32_t end = tell();
    pop_position();
    return end;
}

// ---------------------------------------------------------------------------
// Whole-file and range operations

bool File::read_at(int32_t offset, void* buffer, int32_t n) {
    if (handle_ == nullptr && !in_memory_)
        return false;
    bool ok = push_position(offset) && read(buffer, n);
    pop_position();
    return ok;
}

bool File::read_tail(void* buffer, int32_t n) {
    if (n <= 0)
        return false;
    int32_t total = size();
    if (total < n)
        return false;
    return read_at(total - n, buffer, n);
}

bool File::read_all(String& out) {
    int32_t total = size();
    if (total < 0)
        return false;
    out.set_length(total);
    if (total == 0)
        return true;
    if (read_at(0, out.data(), total))
        return true;
    out.clear();
    return false;
}

bool File::read_range(String& out, int32_t offset, int32_t count) {
    if (offset < 0 || count < 0)
        return false;
    int32_t total = size();
    if (total < 0 || static_cast<int64_t>(offset) + count > total)
        return false;
    out.set_length(count);
    if (count == 0)
        return true;
    if (read_at(offset, out.data(), count))
        return true;
    out.clear();
    return false;
}

bool File::read_text(String& out) {
    out.clear();
    uint8_t byte = 0;
    while (read_byte(byte)) {
        if (byte == 0)
            return true;
        out.append(static_cast<char>(byte));
    }
    return false;
}

bool File::replace_content(const String& content) {
    bool written = seek(0) && write_string(content);
    bool truncated = truncate_here();
    return written && truncated;
}

bool File::truncate_here() {
    if (!can_write_) {
        last_error_.assign("Write access denied");
        return false;
    }
    if (in_memory_) {
        if (memory_.position() < memory_.length()) {
            memory_.truncate_here();
            dirty_ = true;
        }
        return true;
    }
    if (handle_ == nullptr)
        return false;
    if (SetEndOfFile(to_handle(handle_)))
        return true;
    set_system_error();
    return false;
}

bool File::load_into_memory() {
    // A dirty content is newer than the disk: it stays.
    if (in_memory_)
        return true;
    if (handle_ == nullptr)
        return false;
    int32_t position = tell();
    String content;
    if (!read_all(content))
        return false;
    memory_.string() = std::move(content);
    if (!memory_.seek(position))
        memory_.seek(0);
    in_memory_ = true;
    dirty_ = false;
    return true;
}

bool File::ensure_file_line_end() {
    if (handle_ == nullptr)
        return false;
    char last = 0;
    int32_t total = size();
    if (total <= 0)
        return total == 0;
    if (!read_at(total - 1, &last, 1))
        return false;
    if (last == '\r' || last == '\n')
        return true;
    return seek_end(0) && write_text("\r\n");
}

bool File::flush() {
    if (handle_ == nullptr)
        return false;
    return FlushFileBuffers(to_handle(handle_)) != FALSE;
}

// ---------------------------------------------------------------------------
// File times

bool File::set_modified_time(uint64_t local_file_time) {
    if (handle_ == nullptr)
        return false;
    FILETIME local = to_file_time(local_file_time);
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&local, &utc))
        return false;
    // Pending writes would otherwise stamp the file again after us.
    flush();
    if (SetFileTime(to_handle(handle_), nullptr, nullptr, &utc))
        return true;
    set_system_error();
    return false;
}

bool File::set_modified_time(const TimeStamp& local_time) {
    if (handle_ == nullptr)
        return false;
    FILETIME local;
    if (!file_time_from_time_stamp(local_time, local))
        return false;
    return set_modified_time(to_uint64(local));
}

// ---------------------------------------------------------------------------
// Directory scan

bool FileFinder::find_first(const char* pattern, FileInfo& info) {
    close();
    if (pattern == nullptr)
        return false;
    WIN32_FIND_DATAA data;
    HANDLE handle = FindFirstFileA(pattern, &data);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    handle_ = handle;
    if (data.cFileName[0] == '\0')
        return find_next(info);
    fill_info(data, info);
    return true;
}

bool FileFinder::find_next(FileInfo& info) {
    if (handle_ == nullptr)
        return false;
    WIN32_FIND_DATAA data;
    while (FindNextFileA(to_handle(handle_), &data)) {
        if (data.cFileName[0] == '\0')
            continue;
        fill_info(data, info);
        return true;
    }
    close();
    return false;
}

void FileFinder::close() {
    if (handle_ != nullptr)
        FindClose(to_handle(handle_));
    handle_ = nullptr;
}

// ---------------------------------------------------------------------------
// File-level functions

bool append_to_file(const char* path, const char* text, uint32_t flags) {
    if (path == nullptr || *path == '\0')
        return false;
    uint32_t open_flags = File::at_end | ((flags & append_existing_only) != 0 ? File::open_existing : 0);
    for (int attempt = 0; attempt < append_attempts; ++attempt) {
        File file;
        if (file.open(path, open_flags) != open_success)
            return false;
        if ((flags & append_line_end_first) != 0)
            file.ensure_file_line_end();
        if (text == nullptr)
            return true;
        if (file.write_text(text))
            return true;
        if ((flags & append_no_retry) != 0)
            return false;
        file.close();
        Sleep(append_retry_wait_ms);
    }
    return false;
}

bool file_equals_memory(const void* bytes, int32_t n, const char* path) {
    if (n < 0 || (bytes == nullptr && n > 0))
        return false;
    File file;
    if (file.open(path, File::open_for_reading) != open_success || file.size() != n)
        return false;
    const char* expected = static_cast<const char*>(bytes);
    char block[compare_block];
    for (int32_t done = 0; done < n;) {
        int32_t count = n - done < compare_block ? n - done : compare_block;
        if (!file.read(block, count) || std::memcmp(block, expected + done, static_cast<size_t>(count)) != 0)
            return false;
        done += count;
    }
    return true;
}
