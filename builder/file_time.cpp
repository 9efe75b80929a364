#include "builder/file_time.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

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
