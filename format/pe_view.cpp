#include "format/pe_view.h"

#include <cstring>

bool PeView::has_mz() const {
    std::uint32_t mz = 0;
    return bytes_.u16_at(0, mz) && mz == 0x5A4D;
}

bool PeView::has_pe_signature() const {
    std::uint32_t signature = 0;
    return bytes_.u32_at(pe_header_, signature) && signature == 0x00004550; // "PE\0\0"
}

bool PeView::directories(std::uint32_t& magic, std::int64_t& first) const {
    if (!bytes_.u16_at(optional_header(), magic))
        return false;
    if (magic == pe::pe32_magic)
        first = pe::pe32_directories;
    else if (magic == pe::pe32_plus_magic)
        first = pe::pe32_plus_directories;
    else
        return false;
    return true;
}

bool PeView::directory(std::uint32_t index, std::uint32_t& rva, std::uint32_t& size) const {
    rva = 0;
    size = 0;
    std::uint32_t magic = 0;
    std::int64_t first = 0;
    std::uint32_t count = 0;
    std::uint32_t optional = 0;
    if (!directories(magic, first) || !optional_field(first - 4, count) || count <= index ||
        !optional_size(optional))
        return false;
    const std::int64_t entry = first + 8 * static_cast<std::int64_t>(index);
    if (entry + 8 > optional || !optional_field(entry, rva) || !optional_field(entry + 4, size)) {
        rva = 0;
        return false;
    }
    return true;
}

std::int64_t PeView::section_table() const {
    std::uint32_t optional = 0;
    optional_size(optional);
    return optional_header() + optional;
}

bool PeView::section(std::int32_t index, PeSection& section) const {
    section = PeSection();
    const std::int64_t header = section_table() + index * pe::section_header_size;
    ByteReader name;
    if (index < 0 || !bytes_.sub(header, 8, name))
        return false;
    std::memcpy(section.name, name.data(), 8);
    section.index = index;
    section.header_offset = header;
    // Fields cut off by the end read as 0: the later checks catch such damage.
    bytes_.u32_at(header + pe::section_virtual_size_field, section.virtual_size);
    bytes_.u32_at(header + pe::section_address_field, section.virtual_address);
    bytes_.u32_at(header + pe::section_raw_size_field, section.raw_size);
    bytes_.u32_at(header + pe::section_raw_offset_field, section.raw_offset);
    bytes_.u32_at(header + pe::section_characteristics_field, section.characteristics);
    return true;
}

std::int32_t PeView::find_section(const char* name, std::int32_t count, PeSection& found) const {
    for (std::int32_t i = 0; i < count; ++i) {
        PeSection candidate;
        if (!section(i, candidate))
            break;
        if (std::strcmp(candidate.name, name) == 0) {
            found = candidate;
            return i;
        }
    }
    return -1;
}

bool PeView::from_rva(std::uint32_t rva, std::uint32_t count, ByteReader& out) const {
    out.reset(nullptr, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        PeSection s;
        std::uint32_t raw_offset = 0;
        // The walk trusts no header whose placing fields are not all there.
        if (!section(static_cast<std::int32_t>(i), s) ||
            !bytes_.u32_at(s.header_offset + pe::section_raw_offset_field, raw_offset))
            return false;
        if (rva < s.virtual_address)
            continue;
        const std::int64_t into = rva - s.virtual_address;
        const std::int64_t mapped = s.virtual_size != 0 ? s.virtual_size : s.raw_size;
        if (into >= mapped)
            continue;
        const std::int64_t held = mapped < s.raw_size ? mapped : s.raw_size;
        const std::int64_t start = s.raw_offset + into;
        if (into >= held || start >= bytes_.size())
            return false;
        const std::int64_t n = held - into;
        return bytes_.sub(start, n < bytes_.size() - start ? n : bytes_.size() - start, out);
    }
    return false;
}

bool PeView::at_rva(std::uint32_t rva, std::uint32_t n, std::uint32_t count, ByteReader& out) const {
    ByteReader rest;
    if (from_rva(rva, count, rest) && rest.sub(0, n, out))
        return true;
    out.reset(nullptr, 0);
    return false;
}
