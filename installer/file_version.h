#pragma once
// A file's version as its version resource states it, and the form in which two
// versions compare as texts.

#include "core/string.h"

// The FileVersion text of the file's US English (code page 1252) version block; empty
// when the file has no version resource or no such value. With `normalise`, the
// form of `normalised_version` (Windows only).
String file_version(const char* path, bool normalise);

// Upper case, every dot-separated part padded on the left with "0" to 10 characters
// (longer parts stay as they are), so that "1.10" compares above "1.9" as text. An
// empty version stays empty.
String normalised_version(const String& version);
