#pragma once
// Puts the payload into the stub's image: the section `.vrnk` appended as the last
// section of the PE file, where the loader maps it and the stub's reader
// (format/payload.h) finds it.

#include <cstdint>
#include <string>

#include "core/string.h"

// The section's characteristics: initialised data, readable.
constexpr std::uint32_t payload_section_characteristics = 0x40000040;

// Writes to `image` the stub's bytes, zeros up to the next FileAlignment boundary,
// then `payload` (a section from write_payload) padded with zeros to its raw size,
// and adds the section's header behind the last one in the table:
//   VirtualAddress   the first SectionAlignment boundary behind the image
//   VirtualSize      the payload's length
//   PointerToRawData the stub's file end rounded up to FileAlignment
//   SizeOfRawData    the payload's length rounded up to SectionAlignment, so that it
//                    is also the section's mapped size: the uninstaller image takes
//                    it off SizeOfImage and SizeOfInitializedData again.
// NumberOfSections, SizeOfImage (VirtualAddress + SizeOfRawData) and
// SizeOfInitializedData grow to match; the optional header's CheckSum becomes 0.
// The payload's stub checksum is the checksum of the final image bytes in front of
// the section.
// False, with `error` saying what to fix and `image` empty, when the stub is not a
// PE image the writer can extend: no MZ/PE signatures or headers cut short, an
// unknown optional header, bad alignments, a signed image (the signature would no
// longer match), a `.vrnk` section already there, no zero-filled room for another
// section header before the first section's raw data and SizeOfHeaders, a result
// beyond the 32-bit sizes, or one the stub's reader would not accept.
bool append_payload_section(const String& stub, String payload, String& image, std::string& error);
