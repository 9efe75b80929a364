#pragma once
// The PATH line of the boot drive's autoexec.bat: the installation adds
// "PATH=%PATH%;<directory>" for its directory (in its short form, which every
// system's command interpreter reads), the uninstall takes it out again.

#include "core/string.h"
#include "installer/directory_variables.h"

// "PATH=%PATH%;<directory>" and CR LF.
String path_line(const String& short_directory);

// What adding `line` appends to the text: nothing when the text holds it already
// (in any case), else the line, after a CR LF unless the text ends with a line feed.
String path_line_addition(const String& text, const String& line);

// Removes the first occurrence of `line` (in any case); when there is none, the line
// without its CR LF where it ends a line (the file's last line may lack its line end).
// True when something was removed.
bool remove_path_line(String& text, const String& line);

// The problem text when the file cannot be edited: the user is told to change the
// PATH by hand.
String path_edit_failure(const String& file, bool add, const String& directory);

// Adds the PATH line for values.install_directory to the boot drive's autoexec.bat
// (created when missing), or removes it (the file must exist). Returns the problem
// text, empty on success (Windows only).
String add_to_path(const DirectoryValues& values, bool add);
