#pragma once
// The builder's files on the host, on Linux and on Windows alike: whole reads and
// writes, and last-write times in seconds since 1970 (UTC; std::filesystem's clock
// has no portable epoch before C++20).

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/string.h"

// The whole file; false when it cannot be read or is longer than a String holds.
bool read_host_file(const std::string& path, String& bytes);
// Creates or replaces the file with size bytes at data; false unless all were written.
bool write_host_file(const std::string& path, const void* data, size_t size);

bool file_modified_seconds(const std::string& path, std::int64_t& seconds);
bool set_file_modified_seconds(const std::string& path, std::int64_t seconds);
