#pragma once
// The stub's reading of its install script: the script's fields go into the run
// state, with the defaults that follow from them, and a damaged script ends the run
// with the corrupt-installer message.

#include "core/string.h"
#include "installer/run_state.h"

// Shows the background window from the run's settings (start-up's creates it; tests
// record the call).
using ShowBackground = void (*)(InstallRun& run);

// Reads the unpacked script `bytes` (the header's script key is its checksum) into
// `run`: the script, the product flags, automatic mode, the language tables (also
// when a later field is bad, so that the product's own corrupt-installer text
// shows), the product name (unless /n: gave one), the shared folder and start-menu
// names, the default directory, the uninstall key name and the background's colours,
// picture and title. Unless the flags switch it off, `show_background` is called once
// all that is in `run`, also when a bad field then ends with corrupt_installer.
// A script read whole also has its folders resolved against the machine's (run.folders):
// the shared folder under Common Files, created at once (through run.system), and the
// default directory under Program Files, with its "<os>" and directory variables.
void read_install_script(InstallRun& run, const String& bytes, ShowBackground show_background = nullptr);
