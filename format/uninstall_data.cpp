#include "format/uninstall_data.h"

#include <cstring>

#include "format/script.h"

namespace {

const char* const strings_header = "[Strings]";
const char* const associations_header = "[Associations]";
const char* const association_separator = "~!~";

// Cuts `text` at the first `header` (ASCII case ignored): `text` keeps what precedes it,
// `after` gets what follows it. Without the header `after` is empty.
void cut_at_header(String& text, const char* header, String& after) {
    after.clear();
    int32_t at = text.find(header, 0, String::match_ignore_case);
    if (at < 0)
        return;
    int32_t header_length = static_cast<int32_t>(std::strlen(header));
    after = text.substring(at + header_length);
    text.truncate(at);
}

// Before the first separator into `head`, after it into `rest`; without one the
// whole text is `head`.
void split_once(const String& text, String& head, String& rest) {
    int32_t at = text.find(association_separator);
    if (at < 0) {
        head = text;
        rest.clear();
        return;
    }
    head = text.substring(0, at);
    rest = text.substring(at + 3);
}

void read_associations(const String& text, UninstallDataContents& contents) {
    TextLines lines(text);
    String line;
    for (int32_t n = 0; n < max_uninstall_section_lines && lines.take(line, false); ++n) {
        if (line.is_empty())
            continue;
        UninstallAssociation association;
        String rest;
        split_once(line, association.extension, rest);
        split_once(rest, association.file_type, association.verb);
        if (is_blank(association.extension) || is_blank(association.file_type) || is_blank(association.verb))
            continue;
        contents.associations.add(association);
    }
    contents.associations_left = lines.rest();
}

void read_strings(const String& text, UninstallDataContents& contents) {
    TextLines lines(text);
    String line;
    for (int32_t n = 0; n < max_uninstall_section_lines && lines.take(line, false); ++n) {
        if (line.first_char() != '~')
            continue;
        int32_t number = line.to_int();
        if (number < 1 || number > max_uninstall_string_number)
            continue;
        // The text runs up to the next "~" line, inner line ends kept.
        String value;
        String part;
        while (!lines.next_starts_block() && lines.take(part, true))
            value.append(part);
        value.trim_right();
        while (contents.strings.count() <= number)
            contents.strings.add(String());
        contents.strings.at(number) = value;
    }
}

} // namespace

String uninstall_data_text(const String& record_lines, const String (&strings)[uninstall_string_count],
                           const String& association_lines) {
    String text(record_lines);
    text.append("\r\n\r\n");
    text.append(strings_header);
    text.append("\r\n");
    for (int32_t i = 0; i < uninstall_string_count; ++i) {
        text.append_format("~%d\r\n", static_cast<int>(uninstall_string_numbers[i]));
        text.append(strings[i]);
        text.append("\r\n");
    }
    if (!association_lines.is_empty()) {
        text.append("\r\n\r\n");
        text.append(associations_header);
        text.append("\r\n");
        text.append(association_lines);
    }
    return text;
}

void read_uninstall_data(const String& text, UninstallDataContents& contents) {
    contents.entries = text;
    contents.associations.clear();
    contents.associations_left.clear();
    contents.strings.clear();
    String strings;
    cut_at_header(contents.entries, strings_header, strings);
    String associations;
    cut_at_header(strings, associations_header, associations);
    read_associations(associations, contents);
    read_strings(strings, contents);
}

bool TextLines::take(String& line, bool keep_end) {
    int32_t length = text_.length();
    if (position_ >= length)
        return false;
    const char* data = text_.c_str();
    int32_t end = position_;
    while (end < length && data[end] != '\r' && data[end] != '\n' && data[end] != '\0')
        ++end;
    int32_t terminator = end < length ? 1 : 0;
    if (end + 1 < length &&
        ((data[end] == '\r' && data[end + 1] == '\n') || (data[end] == '\n' && data[end + 1] == '\r')))
        terminator = 2;
    line.assign(data + position_, (keep_end ? end + terminator : end) - position_);
    position_ = end + terminator;
    return true;
}

bool take_uninstall_entry(TextLines& entries, UninstallEntryKind& kind, String& path) {
    String line;
    while (entries.take(line, false)) {
        if (line.is_empty())
            continue;
        kind = UninstallEntryKind::file;
        if (line.first_char() == '~')
            kind = UninstallEntryKind::folder;
        else if (line.first_char() == '!')
            kind = UninstallEntryKind::key;
        path = kind == UninstallEntryKind::file ? line : line.substring(1);
        return true;
    }
    return false;
}
