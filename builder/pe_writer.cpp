#include "builder/pe_writer.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "builder/payload_writer.h"
#include "format/payload.h"
#include "format/pe_view.h"

namespace {

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
    PeView view(stub.c_str(), length);
    if (length < 64 || !view.has_mz())
        return refuse(error, "is not a PE image (no MZ header); give the stub varnook.exe as built");
    std::uint32_t pe = 0;
    view.new_header_offset(pe);
    view.set_pe_header(pe);
    if (pe < 64 || pe + pe::file_header_size > length || !view.has_pe_signature())
        return refuse(error, "is not a PE image (no PE signature where the MZ header points); give the stub "
                             "varnook.exe as built");
    std::uint32_t count = 0;
    std::uint32_t optional_size = 0;
    view.section_count(count);
    view.optional_size(optional_size);
    const std::int64_t optional = view.optional_header();
    std::uint32_t magic = 0;
    std::int64_t directories = 0;
    if (optional + 2 > length)
        return refuse(error, "is cut short inside its optional header; give the stub file as built");
    if (!view.directories(magic, directories))
        return refuse(error, "has an unknown optional header (magic " + std::to_string(magic) +
                                 "); only PE32 and PE32+ images take a payload");
    if (optional_size < directories || optional + optional_size > length)
        return refuse(error, "has an optional header cut short (" + std::to_string(optional_size) +
                                 " bytes); give the stub file as built");
    const std::int64_t table = view.section_table();
    const std::int64_t table_end = table + count * pe::section_header_size;
    if (table_end > length)
        return refuse(error, "is cut short inside its section table; give the stub file as built");

    std::uint32_t section_alignment = 0;
    std::uint32_t file_alignment = 0;
    view.optional_field(pe::section_alignment_field, section_alignment);
    view.optional_field(pe::file_alignment_field, file_alignment);
    if (!power_of_two(section_alignment) || !power_of_two(file_alignment) ||
        file_alignment > section_alignment)
        return refuse(error, "has alignments the loader refuses (SectionAlignment " +
                                 std::to_string(section_alignment) + ", FileAlignment " +
                                 std::to_string(file_alignment) + "); relink it with the default alignments");

    std::uint32_t certificate_rva = 0;
    std::uint32_t certificate_size = 0;
    if (view.directory(pe::certificate_directory, certificate_rva, certificate_size) && certificate_size != 0)
        return refuse(error, "is signed, and the payload would break its signature; add the payload to the "
                             "unsigned stub and sign the built installer");

    std::uint32_t image_size = 0;
    std::uint32_t headers_size = 0;
    view.optional_field(pe::image_size_field, image_size);
    view.optional_field(pe::headers_size_field, headers_size);
    std::uint64_t image_end = image_size;
    std::int64_t first_raw = headers_size;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        PeSection section;
        view.section(i, section);
        if (std::strcmp(section.name, payload_section_name) == 0)
            return refuse(error, "already has a .vrnk section; build from the stub without a payload");
        std::uint64_t end =
            align_up(static_cast<std::uint64_t>(section.virtual_address) +
                         (section.virtual_size != 0 ? section.virtual_size : section.raw_size),
                     section_alignment);
        if (end > image_end)
            image_end = end;
        if (section.raw_size != 0 && section.raw_offset != 0 && section.raw_offset < first_raw)
            first_raw = section.raw_offset;
    }
    // The new header goes into the slot behind the table, which must be free header
    // space: nothing else of the image may live there.
    bool room = table_end + pe::section_header_size <= first_raw;
    for (std::int64_t i = table_end; room && i < table_end + pe::section_header_size; ++i)
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
    std::uint32_t initialized_data = 0;
    view.optional_field(pe::initialized_data_field, initialized_data);
    const std::uint64_t initialized = initialized_data + raw_size;
    if (address + raw_size > UINT32_MAX || initialized > UINT32_MAX ||
        raw_offset + raw_size > static_cast<std::uint64_t>(String::max_length))
        return refuse(error, "with this payload would pass the 32-bit image sizes; make the payload smaller "
                             "(use volumes)");

    String out(stub);
    if (raw_offset > static_cast<std::uint64_t>(length))
        std::memset(out.extend(static_cast<std::int32_t>(raw_offset - length)), 0,
                    static_cast<size_t>(raw_offset - length));
    char header[pe::section_header_size] = {};
    std::memcpy(header, payload_section_name, std::strlen(payload_section_name));
    String fields;
    fields.set_length(32);
    std::memset(fields.data(), 0, 32);
    put_u32(fields, 0, static_cast<std::uint64_t>(payload.length()));
    put_u32(fields, 4, address);
    put_u32(fields, 8, raw_size);
    put_u32(fields, 12, raw_offset);
    put_u32(fields, 28, payload_section_characteristics);
    std::memcpy(header + 8, fields.c_str(), 32);
    out.put_bytes(header, static_cast<std::int32_t>(table_end), pe::section_header_size);
    out.put_int16(static_cast<std::int32_t>(pe + pe::section_count_field),
                  static_cast<std::int16_t>(count + 1));
    put_u32(out, optional + pe::image_size_field, address + raw_size);
    put_u32(out, optional + pe::initialized_data_field, initialized);
    put_u32(out, optional + pe::checksum_field, 0);

    set_stub_checksum(payload, out.hash());
    out.append(payload);
    const std::int32_t padding = static_cast<std::int32_t>(raw_size) - payload.length();
    if (padding > 0)
        std::memset(out.extend(padding), 0, static_cast<size_t>(padding));

    // What the stub will do with the result: find the section where it was put and
    // map the whole payload.
    PayloadSection found;
    int code = find_payload_section(out, found);
    if (code != payload_section_found || found.index != static_cast<std::int32_t>(count) ||
        mapped_section_size(found) != payload.length())
        return refuse(error, "with the payload section is refused by the installer's reader (code " +
                                 std::to_string(code) + ", " + std::to_string(count + 1) +
                                 " sections); the stub needs 3 to 98 sections of its own");
    image = std::move(out);
    return true;
}
