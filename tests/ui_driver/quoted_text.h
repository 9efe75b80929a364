#pragma once
// How the UI driver writes a text: in double quotes, with \\ \" \r \n \t escaped and
// other bytes below 0x20 as \xNN, so that every control takes one line. Tests build
// the lines they expect with the same function.

#include <cstdio>
#include <string>

inline std::string quoted_text(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\x%02x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}
