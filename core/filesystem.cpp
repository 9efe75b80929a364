#include "core/filesystem.h"

namespace {

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

} // namespace

String command_interpreter_path(const char* comspec_expansion, const char* windows_directory) {
    String expansion(text_or_empty(comspec_expansion));
    String interpreter =
        expansion.find_not_any(" \r\n\t", 0) < 0 ? join(windows_directory, "command.com") : expansion;
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
