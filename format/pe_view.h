#pragma once
// One bounded view of a PE image's headers, for every reader and writer of them:
// the stub's search for its payload section, the builder's section writer and its
// version-resource reader. Offsets are file offsets; nothing is read outside the
// bytes given, a field that does not lie wholly inside reads as missing.

#include <cstdint>

#include "format/byte_reader.h"

// The layout's field offsets.
namespace pe {
constexpr std::int64_t new_header_field = 0x3C; // in the DOS header
constexpr std::int64_t file_header_size = 24;   // signature and COFF header
// From the PE header (its signature).
constexpr std::int64_t section_count_field = 6;
constexpr std::int64_t optional_size_field = 20;
// From the optional header, the same for PE32 and PE32+.
constexpr std::int64_t initialized_data_field = 8;
constexpr std::int64_t section_alignment_field = 32;
constexpr std::int64_t file_alignment_field = 36;
constexpr std::int64_t image_size_field = 56;
constexpr std::int64_t headers_size_field = 60;
constexpr std::int64_t checksum_field = 64;
constexpr std::uint32_t pe32_magic = 0x10B;
constexpr std::uint32_t pe32_plus_magic = 0x20B;
// Where the data directories start in each kind of optional header (the field
// before them holds their number).
constexpr std::int64_t pe32_directories = 96;
constexpr std::int64_t pe32_plus_directories = 112;
constexpr std::uint32_t resource_directory = 2;
constexpr std::uint32_t certificate_directory = 4;
// A section header and its fields.
constexpr std::int64_t section_header_size = 40;
constexpr std::int64_t section_virtual_size_field = 8;
constexpr std::int64_t section_address_field = 12;
constexpr std::int64_t section_raw_size_field = 16;
constexpr std::int64_t section_raw_offset_field = 20;
constexpr std::int64_t section_characteristics_field = 36;
} // namespace pe

struct PeSection {
    char name[9] = {}; // the 8 stored bytes, NUL-terminated
    std::int32_t index = 0;
    std::int64_t header_offset = 0; // of its 40-byte header
    std::uint32_t virtual_size = 0;
    std::uint32_t virtual_address = 0;
    std::uint32_t raw_size = 0;
    std::uint32_t raw_offset = 0;
    std::uint32_t characteristics = 0;
};

class PeView {
  public:
    PeView(const void* data, std::int64_t size) : bytes_(data, size) {}

    const ByteReader& bytes() const { return bytes_; }
    bool has_mz() const;

    // The PE header's offset at 0x3C, as the loader reads it (32 bits), and as the
    // installer's payload lookup reads it (16 bits).
    bool new_header_offset(std::uint32_t& offset) const {
        return bytes_.u32_at(pe::new_header_field, offset);
    }
    bool new_header_offset16(std::uint32_t& offset) const {
        return bytes_.u16_at(pe::new_header_field, offset);
    }
    // Where the PE header is taken to be; the fields below are read from there.
    void set_pe_header(std::int64_t offset) { pe_header_ = offset; }
    std::int64_t pe_header() const { return pe_header_; }
    bool has_pe_signature() const;

    bool section_count(std::uint32_t& count) const {
        return bytes_.u16_at(pe_header_ + pe::section_count_field, count);
    }
    bool optional_size(std::uint32_t& size) const {
        return bytes_.u16_at(pe_header_ + pe::optional_size_field, size);
    }
    std::int64_t optional_header() const { return pe_header_ + pe::file_header_size; }
    // An unsigned 32-bit field of the optional header.
    bool optional_field(std::int64_t field, std::uint32_t& value) const {
        return bytes_.u32_at(optional_header() + field, value);
    }
    // The optional header's magic (pe32_magic or pe32_plus_magic), and where its data
    // directories begin; false for another magic.
    bool directories(std::uint32_t& magic, std::int64_t& first) const;
    // Data directory `index` when the header declares it; otherwise false, both 0.
    bool directory(std::uint32_t index, std::uint32_t& rva, std::uint32_t& size) const;
    // The section table behind the optional header (its size as declared).
    std::int64_t section_table() const;

    // Section header `index` of the table; false when its name does not lie inside
    // (fields cut off by the end read as 0).
    bool section(std::int32_t index, PeSection& section) const;
    // The first of the `count` headers whose name is exactly `name` (NUL padded);
    // its index, or -1.
    std::int32_t find_section(const char* name, std::int32_t count, PeSection& section) const;

    // The file bytes of the mapped image from `rva` to the end of the raw data of the
    // first of the `count` sections whose mapped range holds it (its virtual size, or
    // its raw size when that is 0); past the raw data the loader maps zeros that the
    // file does not hold. False when the address lies in those zeros or in no
    // section, or when a header the walk reaches is cut off before the end of its
    // raw offset. What lies beyond the file's end is left out.
    bool from_rva(std::uint32_t rva, std::uint32_t count, ByteReader& out) const;
    // The file bytes that hold [rva, rva + n) of the mapped image.
    bool at_rva(std::uint32_t rva, std::uint32_t n, std::uint32_t count, ByteReader& out) const;

  private:
    ByteReader bytes_;
    std::int64_t pe_header_ = 0;
};
