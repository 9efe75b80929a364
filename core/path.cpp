#include "core/path.h"

#include <cstring>

namespace {

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

int32_t text_length(const char* text) {
    return text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

// Index of the last `c` among the first `limit` bytes of `text`, or -1.
int32_t last_index_of(const char* text, int32_t limit, char c) {
    for (int32_t i = limit - 1; i >= 0; --i)
        if (text[i] == c)
            return i;
    return -1;
}

} // namespace

// Joining: the name alone when the base is empty and the base alone when the name
// is. Otherwise one backslash goes between them, unless the base already ends in a
// colon or a backslash; a name that starts with a backslash brings its own, and
// then a trailing backslash of the base goes instead.
String join(const char* base, const char* name) {
    int32_t base_length = text_length(base);
    int32_t name_length = text_length(name);
    if (name_length == 0)
        return String(text_or_empty(base));
    if (base_length == 0)
        return String(name);
    String result(base, base_length);
    if (name[0] == '\\') {
        result.remove_trailing_char('\\');
    } else {
        char last = base[base_length - 1];
        if (last != ':' && last != '\\')
            result.append('\\');
    }
    result.append(name, name_length);
    return result;
}

String folder_of(const char* path) {
    const char* text = text_or_empty(path);
    const char* semicolon = std::strchr(text, ';');
    int32_t limit = semicolon != nullptr ? static_cast<int32_t>(semicolon - text) : text_length(text);
    int32_t separator = last_index_of(text, limit, '\\');
    if (separator < 0) {
        const char* colon = static_cast<const char*>(std::memchr(text, ':', static_cast<size_t>(limit)));
        if (colon == nullptr)
            return String();
        separator = static_cast<int32_t>(colon - text);
    }
    bool keep = text[separator] == ':' || (separator > 0 && text[separator - 1] == ':');
    return String(text, keep ? separator + 1 : separator);
}

String name_of(const char* path) {
    const char* text = text_or_empty(path);
    const char* separator = std::strrchr(text, '\\');
    if (separator == nullptr)
        separator = std::strchr(text, ':');
    return String(separator != nullptr ? separator + 1 : text);
}

String drive_root(const char* path) {
    if (drive_letter(path) == 0)
        return String();
    return String(path, path[2] == '\\' ? 3 : 2);
}

char drive_letter(const char* path) {
    const char* text = text_or_empty(path);
    if (!is_letter(text[0]) || text[1] != ':')
        return 0;
    return String::ascii_upper(text[0]);
}

int32_t extension_position(const char* path) {
    const char* text = text_or_empty(path);
    int32_t length = text_length(text);
    int32_t dot = last_index_of(text, length, '.');
    return dot > last_index_of(text, length, '\\') ? dot : -1;
}

bool add_extension(String& path, const char* extension) {
    if (text_length(extension) == 0 || is_blank_text(path.c_str()) || extension_position(path.c_str()) >= 0)
        return false;
    if (extension[0] != '.')
        path.append('.');
    path.append(extension);
    return true;
}

bool same_folder(const char* a, const char* b) {
    String first(text_or_empty(a));
    String second(text_or_empty(b));
    first.strip_right_char('\\');
    second.strip_right_char('\\');
    // Against a text, an empty String equals an empty text whether or not it still
    // holds a buffer; two folders that strip down to nothing are the same.
    return first.compare(second.c_str(), false) == 0;
}

bool is_rooted(const char* path) {
    const char* text = text_or_empty(path);
    while (is_blank(*text))
        ++text;
    if (text[0] == '\\' && text[1] == '\\')
        return true;
    return text[0] != '\0' && text[1] == ':' && text[2] == '\\';
}

bool valid_path_chars(const char* path, uint32_t flags) {
    String text(text_or_empty(path));
    if (text.length() >= 2 && text.first_char() == '"' && text.last_char() == '"') {
        text.remove(text.length() - 1, 1);
        text.remove(0, 1);
    }
    if (text.is_empty())
        return false;
    int32_t start = 0;
    if (text.char_at(1) == ':') {
        if (!is_letter(text.char_at(0)))
            return false;
        start = 2;
    }
    const char* forbidden = "/\"<>|:;*?";
    if ((flags & path_allow_wildcards) != 0)
        forbidden = "/\"<>|:;";
    else if ((flags & path_allow_asterisk) != 0)
        forbidden = "/\"<>|:;?";
    return text.find_any(forbidden, start) < 0;
}

bool make_absolute(String& path, const char* base) {
    path.trim();
    if (path.is_empty() || !is_rooted(base))
        return false;
    if (path.starts_with("\\\\"))
        return false;
    String absolute;
    if (path.first_char() == '\\') {
        String root = drive_root(base);
        if (root.is_empty())
            return false;
        absolute.assign(root.c_str(), 2);
        absolute.append(path);
    } else if (drive_letter(path.c_str()) != 0) {
        if (path.char_at(2) == '\\')
            return false;
        // "D:data" against "C:\App": the base's folders on the path's drive.
        if (drive_letter(base) == 0)
            return false;
        absolute = join(path.substring(0, 2).c_str(), join(base + 2, path.c_str() + 2).c_str());
    } else {
        absolute = join(base, path.c_str());
    }
    path = absolute;
    return true;
}
