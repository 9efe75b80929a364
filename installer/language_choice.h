#pragma once
// The first step of an installation: the language its texts are shown in.

#include "installer/run_state.h"

// With one language, or in automatic mode, the first; otherwise the one the user
// picks in the language dialog. The display title then follows the language. False
// when the user cancelled: the installation ends.
bool choose_installation_language(InstallRun& run);
