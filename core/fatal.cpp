#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace {

FatalHandler current_handler = nullptr;

// One formatted fatal text, the same limit as the formatting operations of String.
// Static: the process ends with it, and taking it from the heap would leak whenever
// a handler unwinds instead (as the tests' handler does).
char formatted_message[32768];

} // namespace

FatalHandler set_fatal_handler(FatalHandler handler) {
    FatalHandler previous = current_handler;
    current_handler = handler;
    return previous;
}

void fatal(const char* message) {
    if (message == nullptr) message = "";
    if (current_handler != nullptr) current_handler(message);
    // No handler, or one that broke its contract by returning.
    std::fprintf(stderr, "FATAL ERROR\n%s\n", message);
    std::exit(1);
}

void fatal_format_v(const char* format, va_list args) {
    int n =
        std::vsnprintf(formatted_message, sizeof formatted_message, format != nullptr ? format : "", args);
    if (n < 0) formatted_message[0] = '\0';
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
