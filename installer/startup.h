#pragma once
// Start-up of the stub: the display defaults, the command line, the uninstall
// hand-over, the payload and its install script. Every run ends through `shutdown`
// with exit code 1.

#include "core/string.h"
#include "installer/command_line.h"
#include "installer/run_state.h"

// What the command line asks of an installation: /a, /d:, /n:, /r:.
void apply_command_line(const CommandLine& options, InstallRun& run);

// The whole start-up. Never returns.
[[noreturn]] void run_startup(void* instance, const char* command_line);
