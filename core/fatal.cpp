#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

#include "core/text_format.h"

namespace {

FatalHandler current_handler = nullptr;

// One formatted fatal text, the same limit as the formatting operations of String.
// Taken from the heap once and kept: a static array would weigh 32 KiB in the stub's
// file, and a fresh block per call would leak whenever a handler unwinds instead of
// ending the process (as the tests' handler does).
constexpr int formatted_message_capacity = 32768;
char* formatted_message = nullptr;

} // namespace

FatalHandler set_fatal_handler(FatalHandler handler) {
    FatalHandler previous = current_handler;
    current_handler = handler;
    return previous;
}

void fatal(const char* message) {
    if (message == nullptr)
        message = "";
    if (current_handler != nullptr)
        current_handler(message);
    // No handler, or one that broke its contract by returning.
    std::fputs("FATAL ERROR\n", stderr);
    std::fputs(message, stderr);
    std::fputs("\n", stderr);
    std::exit(1);
}

void fatal_format_v(const char* format, va_list args) {
    // From the runtime heap directly: the out-of-memory ending itself comes through
    // here, so its own allocator cannot be asked.
    if (formatted_message == nullptr)
        formatted_message = static_cast<char*>(std::malloc(formatted_message_capacity));
    if (formatted_message == nullptr)
        fatal(format);
    format_text_v(formatted_message, formatted_message_capacity, format, args);
    fatal(formatted_message);
}

void fatal_format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    fatal_format_v(format, args);
}

void internal_fatal(const char* module, int line) {
    fatal_format("Internal Fatal Error\r\nModule: %s\r\nLine: %d", module != nullptr ? module : "", line);
}
