#pragma once
// printf-style formatting into a fixed buffer: the one place that chooses the
// formatter. The stub uses the system's own (msvcrt), the other programs the C
// library's; both accept the classic conversions (no %lld or %zu: use <cinttypes>).

#include <cstdarg>

#include "core/compiler.h"

// Writes at most capacity - 1 bytes and a NUL (nothing when capacity < 1); a longer
// result is cut. Returns the number of bytes written.
int format_text(char* buffer, int capacity, const char* format, ...) VARNOOK_PRINTF(3, 4);
int format_text_v(char* buffer, int capacity, const char* format, va_list args) VARNOOK_PRINTF(3, 0);
