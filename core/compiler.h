#pragma once
// Compiler attributes used across the library.

// Lets the compiler check printf-style arguments. mingw-w64 builds use the C99
// formatter (C++ mode defines __USE_MINGW_ANSI_STDIO), so the GNU archetype applies.
#if defined(__MINGW32__)
#define VARNOOK_PRINTF(format_index, first_arg) __attribute__((format(gnu_printf, format_index, first_arg)))
#else
#define VARNOOK_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#endif
