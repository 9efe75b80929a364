#pragma once
// Compiler attributes used across the library.

// Lets the compiler check printf-style arguments against the formatter in use (see
// core/text_format.h): the system's (msvcrt) in the stub, mingw's C99 one in the
// other Windows programs.
#if defined(__MINGW32__) && defined(VARNOOK_STUB)
#define VARNOOK_PRINTF(format_index, first_arg) __attribute__((format(ms_printf, format_index, first_arg)))
#elif defined(__MINGW32__)
#define VARNOOK_PRINTF(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define VARNOOK_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#endif
