#pragma once
// The uninstaller: started as `/u:"name"`, it removes an installed product.

#include "core/string.h"

// Removes the product registered under `name`; true when the uninstaller's own copy
// should then remove itself.
bool uninstall_product(const String& name);

// Deletes the uninstaller's own executable through a batch file.
void remove_uninstaller();
