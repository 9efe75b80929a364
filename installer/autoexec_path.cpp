#include "installer/autoexec_path.h"

namespace {

constexpr int32_t line_end_length = 2; // CR LF

} // namespace

String path_line(const String& short_directory) {
    String line;
    line.format("PATH=%%PATH%%;%s\r\n", short_directory.c_str());
    return line;
}

String path_line_addition(const String& text, const String& line) {
    String addition;
    if (text.find(line.c_str(), 0, String::match_ignore_case, line.length()) >= 0)
        return addition;
    if (!text.ends_with_char('\n'))
        addition.append("\r\n");
    addition.append(line);
    return addition;
}

bool remove_path_line(String& text, const String& line) {
    int32_t at = text.find(line.c_str(), 0, String::match_ignore_case, line.length());
    if (at >= 0)
        return text.remove(at, line.length());
    // Without its line end the line is also the start of a longer one, such as the
    // PATH line of a directory whose name continues this one's: only a match that
    // ends a line is ours.
    int32_t bare = line.length() - line_end_length;
    if (bare <= 0)
        return false;
    for (int32_t from = 0; (at = text.find(line.c_str(), from, String::match_ignore_case, bare)) >= 0;
         from = at + 1) {
        int32_t end = at + bare;
        if (end == text.length() || text.char_at(end) == '\r' || text.char_at(end) == '\n')
            return text.remove(at, bare);
    }
    return false;
}

String path_edit_failure(const String& file, bool add, const String& directory) {
    String text;
    text.format(
        "Unable to modify %s.  You will need to manually %s %s %s the PATH environment variable.\r\n\r\n",
        file.c_str(), add ? "add" : "remove", directory.c_str(), add ? "to" : "from");
    return text;
}
