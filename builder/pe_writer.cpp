#include "builder/pe_writer.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "builder/payload_writer.h"
#include "installer/payload.h"

namespace {

constexpr std::int64_t dos_new_header_field = 0x3C;
constexpr std::int64_t file_header_size = 24; // signature and COFF header
constexpr std::int64_t section_count_field = 6;
constexpr std::int64_t optional_size_field = 20;
// Optional header fields, the same for PE32 and PE32+.
constexpr std::int64_t initialized_data_field = 8;
constexpr std::int64_t section_alignment_field = 32;
constexpr std::int64_t file_alignment_field = 36;
constexpr std::int64_t image_size_field = 56;
constexpr std::int64_t headers_size_field = 60;
constexpr std::int64_t checksum_field = 64;
constexpr std::int32_t pe32_magic = 0x10B;
constexpr std::int32_t pe32_plus_magic = 0x20B;
constexpr std::int64_t certificate_directory = 4;
const char section_name[8] = {'.', 'v', 'r', 'n', 'k', 0, 0, 0};

std::uint32_t u16_at(const String& s, std::int64_t at) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s.c_str()) + at;
    return static_cast<std::uint32_t>(b[0] | (b[1] << 8));
}

std::uint32_t u32_at(const String& s, std::int64_t at) {
    return static_cast<std::uint32_t>(s.get_int32(static_cast<std::int32_t>(at)));
}

void put_u32(String& s, std::int64_t at, std::uint64_t value) {
    s.put_int32(static_cast<std::int32_t>(at), static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

std::uint64_t align_up(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool power_of_two(std::uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

bool refuse(std::string& error, const std::string& why) {
    error = "the stub " + why;
    return false;
}

} // namespace

bool append_payload_section(const String& stub, String payload, String& image, std::string& error) {
    image.clear();
    const std::int64_t length = stub.length();
    if (length < 64 || stub.char_at(0) != 'M' || stub.char_at(1) != 'Z')
        return refuse(error, "is not a PE image (no MZ header); give the stub varnook.exe as built");
    const std::int64_t pe = u32_at(stub, dos_new_header_field);
    if (pe < 64 || pe + file_header_size > length || std::memcmp(stub.c_str() + pe, "PE\0\0", 4) != 0)
        return refuse(error, "is not a PE image (no PE signature where the MZ header points); give the stub "
                             "varnook.exe as built");
    const std::int64_t count = u16_at(stub, pe + section_count_field);
    const std::int64_t optional_size = u16_at(stub, pe + optional_size_field);
    const std::int64_t optional = pe + file_header_size;
    if (optional + 2 > length)
        return refuse(error, "is cut short inside its optional header; give the stub file as built");
    const std::uint32_t magic = u16_at(stub, optional);
    const std::int64_t directories = magic == pe32_plus_magic ? 112 : 96;
    if (magic != pe32_magic && magic != pe32_plus_magic)
        return refuse(error, "has an unknown optional header (magic " + std::to_string(magic) +
                                 "); only PE32 and PE32+ images take a payload");
    if (optional_size < directories || optional + optional_size > length)
        return refuse(error, "has an optional header cut short (" + std::to_string(optional_size) +
                                 " bytes); give the stub file as built");
    const std::int64_t table = optional + optional_size;
    const std::int64_t table_end = table + count * pe_section_header_size;
    if (table_end > length)
        return refuse(error, "is cut short inside its section table; give the stub file as built");

    const std::uint32_t section_alignment = u32_at(stub, optional + section_alignment_field);
    const std::uint32_t file_alignment = u32_at(stub, optional + file_alignment_field);
    if (!power_of_two(section_alignment) || !power_of_two(file_alignment) ||
        file_alignment > section_alignment)
        return refuse(error, "has alignments the loader refuses (SectionAlignment " +
                                 std::to_string(section_alignment) + ", FileAlignment " +
                                 std::to_string(file_alignment) + "); relink it with the default alignments");

    const std::int64_t rva_count = u32_at(stub, optional + directories - 4);
    const std::int64_t certificate = optional + directories + certificate_directory * 8;
    if (rva_count > certificate_directory && certificate + 8 <= table && u32_at(stub, certificate + 4) != 0)
        return refuse(error, "is signed, and the payload would break its signature; add the payload to the "
                             "unsigned stub and sign the built installer");

    std::uint64_t image_end = u32_at(stub, optional + image_size_field);
    std::int64_t first_raw = u32_at(stub, optional + headers_size_field);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t header = table + i * pe_section_header_size;
        char name[9] = {};
        std::memcpy(name, stub.c_str() + header, 8);
        if (std::strcmp(name, ".vrnk") == 0)
            return refuse(error, "already has a .vrnk section; build from the stub without a payload");
        const std::uint32_t virtual_size = u32_at(stub, header + 8);
        const std::uint32_t address = u32_at(stub, header + 12);
        const std::uint32_t raw_size = u32_at(stub, header + 16);
        const std::uint32_t raw_offset = u32_at(stub, header + 20);
        std::uint64_t end =
            align_up(static_cast<std::uint64_t>(address) + (virtual_size != 0 ? virtual_size : raw_size),
                     section_alignment);
        if (end > image_end)
            image_end = end;
        if (raw_size != 0 && raw_offset != 0 && raw_offset < first_raw)
            first_raw = raw_offset;
    }
    // The new header goes into the slot behind the table, which must be free header
    // space: nothing else of the image may live there.
    bool room = table_end + pe_section_header_size <= first_raw;
    for (std::int64_t i = table_end; room && i < table_end + pe_section_header_size; ++i)
        room = stub.char_at(static_cast<std::int32_t>(i)) == 0;
    if (!room)
        return refuse(error, "has no free room for another 40-byte section header between its section table "
                             "and the first section's data; relink it with more header space");
    if (payload.length() < payload_fixed_header_size)
        return refuse(error, "cannot take this payload: it is " + std::to_string(payload.length()) +
                                 " bytes, shorter than a payload header");

    const std::uint64_t address = align_up(image_end, section_alignment);
    const std::uint64_t raw_offset = align_up(static_cast<std::uint64_t>(length), file_alignment);
    const std::uint64_t raw_size = align_up(static_cast<std::uint64_t>(payload.length()), section_alignment);
    const std::uint64_t initialized = u32_at(stub, optional + initialized_data_field) + raw_size;
    if (address + raw_size > UINT32_MAX || initialized > UINT32_MAX ||
        raw_offset + raw_size > static_cast<std::uint64_t>(String::max_length))
        return refuse(error, "with this payload would pass the 32-bit image sizes; make the payload smaller "
                             "(use volumes)");

    String out(stub);
    if (raw_offset > static_cast<std::uint64_t>(length))
        std::memset(out.extend(static_cast<std::int32_t>(raw_offset - length)), 0,
                    static_cast<size_t>(raw_offset - length));
    char header[pe_section_header_size] = {};
    std::memcpy(header, section_name, 8);
    String fields;
    fields.set_length(32);
    std::memset(fields.data(), 0, 32);
    put_u32(fields, 0, static_cast<std::uint64_t>(payload.length()));
    put_u32(fields, 4, address);
    put_u32(fields, 8, raw_size);
    put_u32(fields, 12, raw_offset);
    put_u32(fields, 28, payload_section_characteristics);
    std::memcpy(header + 8, fields.c_str(), 32);
    out.put_bytes(header, static_cast<std::int32_t>(table_end), pe_section_header_size);
    out.put_int16(static_cast<std::int32_t>(pe + section_count_field), static_cast<std::int16_t>(count + 1));
    put_u32(out, optional + image_size_field, address + raw_size);
    put_u32(out, optional + initialized_data_field, initialized);
    put_u32(out, optional + checksum_field, 0);

    set_stub_checksum(payload, out.hash());
    out.append(payload);
    const std::int32_t padding = static_cast<std::int32_t>(raw_size) - payload.length();
    if (padding > 0)
        std::memset(out.extend(padding), 0, static_cast<size_t>(padding));

    // What the stub will do with the result: find the section where it was put and
    // map the whole payload.
    PayloadSection found;
    int code = find_payload_section(out, found);
    if (code != payload_section_found || found.index != count ||
        mapped_section_size(found) != payload.length())
        return refuse(error, "with the payload section is refused by the installer's reader (code " +
                                 std::to_string(code) + ", " + std::to_string(count + 1) +
                                 " sections); the stub needs 3 to 98 sections of its own");
    image = std::move(out);
    return true;
}
