#pragma once
// Reference counts of shared files under the machine's SharedDLLs key, which every
// installer on the machine keeps: a shared file is removed only once no installed
// product counts it any more.

#include "core/string.h"
#include "installer/run_state.h"

// The key below HKEY_LOCAL_MACHINE\Software that counts the users of each shared file.
extern const char* const shared_dlls_key;

// The SharedFiles text: double-quoted paths joined by ";". A path that ends in one
// space (inside the quotes) is counted but never removed by the uninstaller.
// Takes the next path off the front of `value`; `keep` tells whether it ended in the
// space, which `path` no longer has. False when no path is left.
bool take_shared_file(String& value, String& path, bool& keep);
// Appends one list entry (with its trailing space, if any) to `value`.
void append_shared_file(String& value, const String& entry);

class RegistryKey;
// One user fewer for the shared file `path` in the SharedDLLs key open in `key`: its
// count after that; the value goes at 0, and a missing value counts as 0 (Windows only).
std::uint32_t count_down_shared_file(RegistryKey& key, const char* path);

// Counts this installation's shared files up, after counting the previous
// installation's down when this is a reinstall; run.shared_file_value becomes this
// installation's list (Windows only).
void update_shared_counts(InstallRun& run, bool reinstall);
