#pragma once
// Path texts: pure functions over 8-bit ANSI paths with backslashes, the same on
// every host. A null text is an empty text.

#include <cstdint>

#include "core/string.h"

// base, one backslash, name (see path.cpp for the exact joining rules).
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
