#pragma once
// Unrecoverable failures. Every path that ends the program with a message passes
// through `fatal`; what it then does is decided by the installed handler: the
// installer shows its "FATAL ERROR" box and shuts down, tests record the text.

#include <cstdarg>

#include "core/compiler.h"

// A handler must not return. Without one, the message goes to stderr and the
// process exits with code 1.
using FatalHandler = void (*)(const char* message);

// Installs `handler` (null restores the default) and returns the previous one.
FatalHandler set_fatal_handler(FatalHandler handler);

[[noreturn]] void fatal(const char* message);

// Formats into a buffer of its own (results stay below 32768 bytes) and calls `fatal`.
[[noreturn]] void fatal_format(const char* format, ...) VARNOOK_PRINTF(1, 2);
[[noreturn]] void fatal_format_v(const char* format, va_list args);

// A programming error inside the library: "Internal Fatal Error\r\nModule: %s\r\nLine: %d".
[[noreturn]] void internal_fatal(const char* module, int line);
