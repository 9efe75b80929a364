#pragma once
// Finding the payload in the installer's own image: the section `.vrnk` appended to
// the executable by the builder.

#include <cstdint>

#include "core/string.h"

// Where the payload section lies, as read from the image's headers.
struct PayloadSection {
    std::int32_t pe_header = 0; // file offset of the PE signature
    std::int32_t section_count = 0;
    std::int32_t header_offset = 0; // file offset of the section's 40-byte header
    std::int32_t index = 0;         // its slot in the section table
    std::int32_t virtual_address = 0;
    std::int32_t raw_size = 0;
    std::int32_t raw_offset = 0;
};

constexpr int payload_section_found = 0;
constexpr int payload_section_missing = -1;

// Walks the PE headers at the start of an image file (`head` holds its first bytes,
// at least up to the end of the section table). Returns `payload_section_found`,
// `payload_section_missing`, or the corrupt-installer code of a bad header: 43 for
// the new-header offset, 44 for the section count.
int find_payload_section(const String& head, PayloadSection& section);

// The image path from a process command line: the quoted first atom or everything up
// to the first space, with ".EXE" appended when it has no extension.
String image_path_from_command_line(const String& command_line);

// Opens the program's own image and finds its payload section; shows the no-archive
// message when there is none and the corrupt-installer message for a bad header.
void open_payload();
