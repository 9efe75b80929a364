#pragma once
// The installer's command line: /a, /d:"dir", /n:"name", /u:"name", /r:"program".
// Parsing is pure so that every rule can be tested on any host; start-up turns a
// complaint into the usage message.

#include "core/string.h"

struct CommandLine {
    bool automatic = false;
    String install_directory;
    String product_name;
    bool uninstall_requested = false;
    String uninstall_name;
    String run_after;
};

// Only this many atoms are examined; later ones are ignored.
constexpr int max_command_line_atoms = 19;

// Reads `text` into `into`, later switches overwriting earlier ones. On a bad atom
// returns false with `complaint` set to the first line of the usage message, e.g.
// "Illegal command line atom:\nx".
bool parse_command_line(const String& text, CommandLine& into, String& complaint);
