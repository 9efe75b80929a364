#include "builder/host_file.h"

#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

bool read_host_file(const std::string& path, String& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || content.size() > static_cast<size_t>(String::max_length))
        return false;
    bytes = String(content.data(), static_cast<std::int32_t>(content.size()));
    return true;
}

bool write_host_file(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}

bool file_modified_seconds(const std::string& path, std::int64_t& seconds) {
#ifdef _WIN32
    struct _stat64 st;
    if (_stat64(path.c_str(), &st) != 0)
        return false;
#else
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return false;
#endif
    seconds = static_cast<std::int64_t>(st.st_mtime);
    return true;
}

bool set_file_modified_seconds(const std::string& path, std::int64_t seconds) {
#ifdef _WIN32
    struct __utimbuf64 times;
    times.actime = seconds;
    times.modtime = seconds;
    return _utime64(path.c_str(), &times) == 0;
#else
    struct utimbuf times;
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    return utime(path.c_str(), &times) == 0;
#endif
}
