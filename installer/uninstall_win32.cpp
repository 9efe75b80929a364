#include "installer/uninstall.h"

// The removal itself needs the uninstall record and registry entry, which are not
// built yet: until then the hand-over ends the process with nothing removed.
bool uninstall_product(UninstallRun&) {
    return false;
}

void remove_uninstaller(UninstallRun&) {}
