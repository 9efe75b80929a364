#pragma once
// Temporary files: the system's temporary directory and new files made in it, for
// the file layer's temporary files and for replacements at the next restart.

#include "core/string.h"

// GetTempPath without its trailing backslash ("c:\temp" when the system gives
// nothing), computed on first use.
const String& temp_directory();

// The temporary directory from what GetTempPath gave (null or empty when nothing).
String temp_directory_path(const char* system_temp_path);

// A new empty file in `folder` (the temporary directory when empty) made by the
// system; its path, or an empty String on failure.
String temp_file_name(const char* folder);
