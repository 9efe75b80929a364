#include "core/filesystem.h"

#include <cstring>

namespace {

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_blank_text(const char* text) {
    for (const char* p = text_or_empty(text); *p != '\0'; ++p)
        if (!is_blank(*p))
            return false;
    return true;
}

} // namespace

String command_interpreter_path(const char* comspec_expansion, const char* windows_directory) {
    String interpreter =
        is_blank_text(comspec_expansion) ? join(windows_directory, "command.com") : String(comspec_expansion);
    if (interpreter.has_blank())
        interpreter.quote();
    return interpreter;
}

void add_rename_entry(String& text, const char* key, const char* value) {
    static const char header[] = "[rename]";
    int32_t section = text.find(header, 0, String::match_ignore_case);
    if (section < 0) {
        // A line end goes first unless the text already ends with one; an empty or
        // new file therefore starts with a blank line.
        text.ensure_line_end();
        text.append_format("%s\r\n%s=%s", header, text_or_empty(key), text_or_empty(value));
        return;
    }
    String entry;
    entry.format("\r\n%s=%s", text_or_empty(key), text_or_empty(value));
    text.insert(section + static_cast<int32_t>(sizeof header - 1), entry);
}

// Joining: the name alone when the base is empty and the base alone when the name
// is. Otherwise one backslash goes between them, unless the base already ends in a
// colon or a backslash; a name that starts with a backslash brings its own, and
// then a trailing backslash of the base goes instead.
