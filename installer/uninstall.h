#pragma once
// The uninstaller: started as `/u:"name"`, it removes an installed product.

#include "installer/run_state.h"

// Removes the product registered under the run's uninstall name; true when the
// uninstaller's own copy should then remove itself.
bool uninstall_product(UninstallRun& run);

// Deletes the uninstaller's own executable through a batch file.
void remove_uninstaller(UninstallRun& run);
