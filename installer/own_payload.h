#pragma once
// The stub's own payload: its image file opened, the payload found and checked, the
// install script block unpacked. Every failure ends the run with its message.

#include "core/string.h"
#include "installer/run_state.h"

// Opens the program's own image (named first on the command line), finds its payload
// section and checks the payload header and file-size table; shows the no-archive
// message when there is none, the version message or the corrupt-installer message
// for a bad one. Returns the unpacked install script; the payload's cursor then
// stands behind the script block.
String open_own_payload(InstallRun& run);
