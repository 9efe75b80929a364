#pragma once
// Observing fatal endings in tests. The test executables install a fatal handler
// that throws instead of ending the process; `fatal_text` runs a piece of code and
// returns the fatal message it ended with.

#include <functional>
#include <string>

struct FatalEnding {
    std::string message;
};

// Installed by the test main: throws FatalEnding with the message.
[[noreturn]] void throwing_fatal_handler(const char* message);

// The fatal message `code` ended with, or "(no fatal ending)" when it returned.
std::string fatal_text(const std::function<void()>& code);
