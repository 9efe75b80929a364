#include "core/text_format.h"

#include <cstdio>
#include <cstring>

int format_text_v(char* buffer, int capacity, const char* format, va_list args) {
    if (buffer == nullptr || capacity < 1)
        return 0;
    if (format == nullptr)
        format = "";
#if defined(VARNOOK_STUB) && defined(_WIN32)
    // msvcrt's formatter: it returns -1 when the text does not fit and then leaves it
    // unterminated.
    int n = _vsnprintf(buffer, static_cast<std::size_t>(capacity), format, args);
#else
    int n = std::vsnprintf(buffer, static_cast<std::size_t>(capacity), format, args);
#endif
    if (n < 0 || n >= capacity) {
        buffer[capacity - 1] = '\0';
        n = static_cast<int>(std::strlen(buffer));
    }
    return n;
}

int format_text(char* buffer, int capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = format_text_v(buffer, capacity, format, args);
    va_end(args);
    return n;
}
