#pragma once
// Versions of PE files, read from their version resource without Win32, for the
// version text of system files (destination kind 6) that the product file leaves
// out.
//
// The stub reads an installed file's version as the value
// \StringFileInfo\040904E4\FileVersion (VerQueryValueA; no such table or value:
// no version) and normalises it before comparing it with the record's version
// text: upper-cased (ASCII) and every dot-separated component padded on the left
// with '0' to 10 characters. The builder therefore stores the normalised form too:
// the comparison then sees both sides through the same transformation, which
// matters because it is not neutral: the suffix letter is compared by its code, so
// "1.2b" against the stub's "1.2B" would count as newer, and an empty component
// ("1..2") becomes a 0 only once padded. Components longer than 10 characters stay
// as they are, on both sides.

#include <cstddef>
#include <cstdint>
#include <string>

// What the version resource of a PE file holds, as far as versions go. Texts are
// the raw values, UTF-16 turned into 8-bit text (ASCII kept, anything else '?').
struct PeVersionResource {
    bool has_installer_table = false;    // \StringFileInfo\040904E4\FileVersion exists
    std::string installer_file_version;  // its value: what the stub reads
    std::string other_file_version;      // FileVersion of the first other string table that has one
    bool has_fixed_version = false;      // VS_FIXEDFILEINFO present with its signature
    std::uint16_t fixed_version[4] = {}; // its dwFileVersionMS/LS as a.b.c.d
};

// Parses the PE headers, the section table, the resource directory (RT_VERSION;
// resource id 1, else the first; language neutral, else 0x409, else the first),
// VS_VERSIONINFO, its StringFileInfo tables and VS_FIXEDFILEINFO. Keys match
// without regard to ASCII case, as VerQueryValueA matches them. False when the
// bytes are no PE image or hold no readable version resource. Any bytes at all are
// safe: nothing is read outside [data, data + size).
bool read_pe_version_resource(const void* data, std::size_t size, PeVersionResource& resource);

// The stub's normalised form of a version text (see above); an empty text stays
// empty.
std::string normalize_file_version(const std::string& version);

// The version text to store for a file: the first non-blank of the stub's table's
// FileVersion, another string table's FileVersion and the fixed file version as
// "a.b.c.d", normalised. False, with `version` empty, when there is none.
bool read_pe_version(const void* data, std::size_t size, std::string& version);
