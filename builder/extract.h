#pragma once
// `extract`: the product's files out of an installer, as recorded.

#include <string>
#include <vector>

#include "format/payload.h"

// The path below the target folder that a recorded name gives: its backslashes as
// folder separators. Empty when the name would leave the folder (a drive, a root,
// "..") or names no file.
std::string extraction_path(const String& name);

// Writes every file under folder (created when missing) by its recorded name, with
// its recorded time (read as UTC). False, with `error`, when a name would leave the
// folder (checked for every file before anything is written) or a file cannot be
// written.
bool extract_files(const std::vector<FileRecord>& files, const std::string& folder,
                   std::vector<std::string>& written, std::string& error);
