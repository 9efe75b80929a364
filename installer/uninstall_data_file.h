#pragma once
// Writing Uninstall.DAT into the uninstall folder from what the installation recorded.

#include "core/string.h"
#include "installer/run_state.h"

String uninstall_data_path(const InstallRun& run);

// The file's text from the run: its record lines, the uninstaller's texts in the
// chosen language, its association lines.
String uninstall_data_of(InstallRun& run);

// Writes the file whole (created or truncated) through the run's system calls; true
// when it was. A file that could not be written is named in the error report.
bool write_uninstall_data(InstallRun& run);
