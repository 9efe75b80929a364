#pragma once
// The quit question, asked when the user turns down a request of the running
// installation (a volume asked for, the progress dialog's cancel button).

#include "installer/run_state.h"

// Asks whether to quit (language strings 28 and 20), Yes/No with the question icon.
// True when the user wants to quit: the caller then ends the run.
bool confirm_cancel(RunState& run);
