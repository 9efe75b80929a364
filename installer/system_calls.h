#pragma once
// The system calls whose failures decide what an installation does: writing a file,
// replacing one at the next restart, file attributes, free disk space. They go
// through this table so that their failure branches can be driven in tests, natively
// with a table of the test's own and under Wine with real calls made to fail.

#include <cstdint>

struct SystemCalls {
    // Creates or truncates `path` and writes the n bytes; false (the system's last
    // error kept) when not all could be written.
    bool (*write_file)(const char* path, const char* bytes, std::int32_t n);
    // Registers `source` to replace `destination` at the next restart.
    bool (*replace_at_restart)(const char* source, const char* destination);
    // The attribute bits of `path`, 0xFFFFFFFF when it cannot be read.
    std::uint32_t (*get_attributes)(const char* path);
    bool (*set_attributes)(const char* path, std::uint32_t attributes);
    // Creates the folder and its missing parents; true when it exists afterwards.
    bool (*create_folder)(const char* path);
    // Free and total bytes of the drive at `root`; false when unknown.
    bool (*disk_space)(const char* root, std::int64_t& free, std::int64_t& total);
    // The system's text for the last failure, empty when there is none.
    const char* (*last_error_text)();
};

// The real calls (Windows only).
const SystemCalls& windows_system_calls();
