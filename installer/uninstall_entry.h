#pragma once
// The product's entry in the list of installed programs: the values the uninstaller
// and Windows read back, written once the files are in place.

#include <cstdint>

#include "core/string.h"
#include "installer/run_state.h"

// The key below HKEY_LOCAL_MACHINE\Software that holds every product's entry.
extern const char* const uninstall_key_path;

// The uninstaller's file in the uninstall folder.
String uninstaller_path(const InstallRun& run);
// What starts the uninstall: the uninstaller (in double quotes when its path holds a
// space), then (quietly with /a) /u: and the key name in double quotes.
String uninstall_command(const InstallRun& run, bool quiet);

// VersionMajor and VersionMinor from the product version: only for a version with a
// point; the number before it and the number after it.
bool version_numbers(const String& version, std::uint32_t& major, std::uint32_t& minor);

// Writes every value of the entry, in order, and reads UninstallString back: true
// when it reads as written; otherwise the error report says the uninstall will not
// work (Windows only).
bool write_uninstall_entry(InstallRun& run);

// Whether the product `name` is installed (its entry has an uninstall command). With
// `location`, that receives its InstallLocation, or is cleared when it is not
// installed; an entry that does not open leaves it as it was (Windows only).
bool installed_location(const char* name, String* location);
