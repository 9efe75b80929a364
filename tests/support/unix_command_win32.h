#pragma once
// Running a Linux program from a test under Wine, for the tools that read back what
// the code under test wrote (lnkinfo for shell links). Wine starts an ELF program
// given to CreateProcess but hands back no process handle to wait on, so the command
// leaves its output and its exit status in files, which are polled for.

#include <string>

struct UnixResult {
    bool finished = false; // the exit status arrived in time
    int exit_code = -1;
    std::string output; // stdout and stderr together
};

// Runs `shell_command` with /bin/sh (PATH /usr/local/bin:/usr/bin:/bin), waiting up to
// `timeout_ms` for it to end. A command still running then is left to end by itself.
UnixResult run_unix_command(const std::string& shell_command, unsigned long timeout_ms);

// The Unix path Wine maps a Windows path to; empty when Wine does not tell.
std::string unix_path(const std::string& windows_path);

// `text` in single quotes for the shell.
std::string shell_quote(const std::string& text);
