#pragma once
// The installation itself, once the script is read and the language chosen: the
// questions, the directory, the file data, the files, shortcuts and registry entries,
// the records, the log, and the restart. It never returns: every path ends the process.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"
#include "installer/run_state.h"

// The space the files need on a drive with clusters of `cluster_size` bytes: each
// file's size rounded up to whole clusters, summed in 64 bits.
std::int64_t required_space(const Vector<std::int32_t>& file_sizes, std::int32_t cluster_size);

// The progress bar before file `index` of `count`: 45 % to below 85 %.
int file_bar_position(std::int32_t index, std::int32_t count);

// Which text tells of an existing installation: 3 (installed in this folder), or with
// the versions compared (`compare`, both versions given) 4 (same version), 5 (the
// installed one is older) or 6 (newer).
std::int32_t existing_installation_text(bool compare, const String& installed_version,
                                        const String& new_version);

// Runs the installation from the operating-system check to the end (Windows only).
[[noreturn]] void run_install_sequence(InstallRun& run);
