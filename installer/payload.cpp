#include "installer/payload.h"

namespace {

constexpr std::int32_t new_header_offset_field = 0x3C;
constexpr std::int32_t min_new_header_offset = 64;
constexpr std::int32_t max_new_header_offset = 4096;
constexpr std::int32_t section_count_field = 6;
constexpr std::int32_t optional_header_size_field = 20;
constexpr std::int32_t section_table_offset = 24;
constexpr std::int32_t min_section_count = 4;
constexpr std::int32_t max_section_count = 99;
constexpr std::int32_t section_header_size = 40;
const char payload_section_name[] = ".vrnk";

// Reads a little-endian unsigned 16-bit field; false when it lies outside `head`.
bool read_uint16(const String& head, std::int32_t offset, std::int32_t& value) {
    if (offset < 0 || offset > head.length() - 2)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(head.c_str()) + offset;
    value = bytes[0] | (bytes[1] << 8);
    return true;
}

std::int32_t read_int32_or_zero(const String& head, std::int32_t offset) {
    if (offset < 0 || offset > head.length() - 4)
        return 0;
    return head.get_int32(offset);
}

} // namespace

int find_payload_section(const String& head, PayloadSection& section) {
    std::int32_t pe_header = 0;
    if (!read_uint16(head, new_header_offset_field, pe_header) || pe_header < min_new_header_offset ||
        pe_header > max_new_header_offset)
        return 43;
    std::int32_t count = 0;
    if (!read_uint16(head, pe_header + section_count_field, count) || count < min_section_count ||
        count > max_section_count)
        return 44;
    std::int32_t optional_size = 0;
    read_uint16(head, pe_header + optional_header_size_field, optional_size);
    std::int32_t table = pe_header + section_table_offset + optional_size;

    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t header = table + i * section_header_size;
        if (header < 0 || header > head.length() - 8)
            break;
        // The 8 stored bytes, NUL-terminated, compared as a text: a name must be
        // ".vrnk" padded with NULs.
        char name[9] = {};
        for (int k = 0; k < 8; ++k)
            name[k] = head.char_at(header + k);
        if (String(name).compare(payload_section_name, true, 0x7FFFFFFF) != 0)
            continue;
        section.pe_header = pe_header;
        section.section_count = count;
        section.header_offset = header;
        section.index = i;
        section.virtual_address = read_int32_or_zero(head, header + 12);
        section.raw_size = read_int32_or_zero(head, header + 16);
        section.raw_offset = read_int32_or_zero(head, header + 20);
        return payload_section_found;
    }
    return payload_section_missing;
}

String image_path_from_command_line(const String& command_line) {
    String rest(command_line);
    rest.trim_left();
    String path;
    if (rest.first_char() == '"') {
        rest.take_quoted(path, '"', 0);
    } else {
        path = rest;
        path.truncate_at_char(' ');
    }
    // An extension is a dot in the file part, after the last folder separator.
    bool has_extension = false;
    for (std::int32_t i = path.length() - 1; i >= 0; --i) {
        char c = path.char_at(i);
        if (c == '\\' || c == '/' || c == ':')
            break;
        if (c == '.') {
            has_extension = true;
            break;
        }
    }
    if (!has_extension)
        path.append(".EXE");
    return path;
}
