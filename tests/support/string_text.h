#pragma once
// Strings in tests: their bytes as a std::string to compare, and a printer that
// GoogleTest uses in its failure messages. The build includes this header in every
// test source, so that all of them print Strings the same way (a printer seen by
// some sources only would leave it to the linker which printing wins).

#include <cstddef>
#include <ostream>
#include <string>

#include "core/string.h"

// The bytes of a String, NUL bytes included.
inline std::string text_of(const String& s) {
    return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// A String in double quotes, its bytes as C would write them: quotes, backslashes
// and control bytes escaped, bytes from 0x7F up as \xNN, so NULs and stray bytes show.
// GoogleTest finds it by the argument's namespace, which is String's, the global one.
inline void PrintTo(const String& s, std::ostream* os) {
    static const char hex[] = "0123456789ABCDEF";
    *os << '"';
    for (unsigned char c : text_of(s)) {
        switch (c) {
        case '"':
            *os << "\\\"";
            break;
        case '\\':
            *os << "\\\\";
            break;
        case '\n':
            *os << "\\n";
            break;
        case '\r':
            *os << "\\r";
            break;
        case '\t':
            *os << "\\t";
            break;
        default:
            if (c < 0x20 || c >= 0x7F)
                *os << "\\x" << hex[c >> 4] << hex[c & 15];
            else
                *os << static_cast<char>(c);
        }
    }
    *os << '"';
}
