#pragma once
// Placing the payload's files: where each goes, which existing file stays, how a file
// in use is replaced at the next restart, and what each decision leaves in the
// reports and the uninstall record.

#include <cstdint>

#include "core/string.h"
#include "format/payload.h"
#include "installer/run_state.h"

// Destination kinds of a file record.
enum DestinationKind : std::int32_t {
    destination_program = 0,
    destination_shared = 1,  // reference-counted, replaced only by a newer date
    destination_font = 4,    // replaced only by a newer date, registered
    destination_startup = 5, // a program file with a Startup shortcut
    destination_system = 6,  // reference-counted, replaced only by a newer version and date
};

// Bits of a file record's options.
constexpr std::int32_t option_desktop_shortcut = 0x1;
constexpr std::int32_t option_start_menu_shortcut = 0x2;
constexpr std::int32_t option_existence_mask = 0xC;
constexpr std::int32_t existence_always = 0x0;
constexpr std::int32_t existence_never = 0x4;
constexpr std::int32_t existence_if_present = 0x8;
constexpr std::int32_t existence_if_absent = 0xC;
constexpr std::int32_t option_permanent = 0x20;
constexpr std::int32_t option_uninstall_folder = 0x40;

// The attributes a placed file takes from its record: read-only, hidden, system,
// archive, temporary and offline.
constexpr std::uint32_t placed_attribute_mask = 0x1127;

struct FileDestination {
    String path;
    bool prepare_folder = false; // create the folder first (and record it)
};

// Where `record` goes. A target without a backslash is a new file name, which
// replaces the record's name (and the target becomes empty).
FileDestination file_destination(const InstallRun& run, FileRecord& record);

// Places one record of the file-data area (Windows only).
void place_file(InstallRun& run, FileRecord& record);

// Reads the next record of the file-data area at the payload's cursor, the
// `index`-th of the file-size table, and places it. A damaged record (an empty name,
// a checksum that differs, a kind without a folder and no target) ends the run as a
// damaged installer (Windows only).
void place_next_file(InstallRun& run, std::int32_t index);

// Writes `size` bytes of `data` to `path` with up to three tries; then the file time
// (when set) and the attributes under placed_attribute_mask. A file that cannot be
// written is replaced at the next restart when `allow_restart_replacement`. True when
// written now (Windows only).
bool write_installed_file(InstallRun& run, const char* path, const char* data, std::int32_t size,
                          const TimeStamp& time, std::uint32_t attributes, bool allow_restart_replacement);
