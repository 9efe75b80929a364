#pragma once
// Last-write times of host files in seconds since 1970 (UTC), on Linux and on
// Windows alike (std::filesystem's clock has no portable epoch before C++20).

#include <cstdint>
#include <string>

bool file_modified_seconds(const std::string& path, std::int64_t& seconds);
bool set_file_modified_seconds(const std::string& path, std::int64_t seconds);
