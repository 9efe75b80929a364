#pragma once
// The files a product removes before it installs: each entry of the script's deletion
// list, deleted when its date or size condition holds.

#include <cstdint>

#include "core/string.h"
#include "core/timestamp.h"
#include "format/script.h"
#include "installer/run_state.h"

// Whether the entry's condition holds for a file of `size` bytes last written at
// `written` (local time): 1 to 3 compare dates (equal, not older, not newer), 4 to 6
// sizes (equal, at least, at most), any other condition always holds. False with
// `date_is_bad` set when a date condition's value is not a valid date.
bool deletion_condition_holds(const FileDeletion& deletion, const TimeStamp& written, std::int64_t size,
                              bool& date_is_bad);

// Carries out the script's deletion list, in order, against the installation
// directory: report lines for what was deleted or not, deletion at the next restart
// where the entry allows it (Windows only). A bad date ends the run as a damaged
// installer.
void process_deletions(InstallRun& run);
