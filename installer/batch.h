#pragma once
// Batch actions: a batch text of the install script (or of the uninstall entry) run
// by the command interpreter. The text goes into a batch file in the folder it runs
// in, after SET lines that give the batch the folders the directory variables name;
// the batch text itself is not expanded, it reads those folders from the variables.

#include "core/string.h"
#include "installer/directory_variables.h"

struct RunState;

// The batch file, written into the folder the batch runs in and deleted afterwards.
constexpr const char batch_file_name[] = "VRNKBAT.BAT";

// Whether the text is empty or only spaces, CRs, LFs and tabs: such a batch is not run.
bool is_blank_batch(const String& batch_text);

// The batch text without its PAUSE lines, for a batch that nobody watches. A line is
// dropped when, trimmed of blanks on both sides and of one leading "@" and the blanks
// after it, it reads PAUSE in any case; every other line is kept as it was and ends
// in "\n".
String without_pause_lines(const String& batch_text);

// The whole batch file: "@echo off", the SET lines for the folders of `values` (the
// InstallDir and InstallDrive lines only when the installation directory is known;
// none for Temp and WinDir), then the batch text, without its PAUSE lines when
// `drop_pauses`. Every line ends in CR LF.
String batch_file_text(const DirectoryValues& values, const String& batch_text, bool drop_pauses);

// Runs the batch text in `folder`, the installation directory when null (Windows
// only): writes the batch file there, runs it through the command interpreter while the window messages are
// pumped, in a hidden window when `quiet`, and deletes it. PAUSE lines are dropped in
// automatic mode or when `quiet`. Nothing runs when the text is blank or the file
// cannot be written; nothing is reported.
void run_batch(const RunState& run, const DirectoryValues& values, bool quiet, const String& batch_text,
               const char* folder = nullptr);
