#include "builder/payload_writer.h"

#include <cstring>
#include <utility>

#include "builder/script_writer.h"
#include "format/packed_block.h"

namespace {

bool holds_nul(const String& text) {
    return text.length() > 0 && std::memchr(text.c_str(), 0, static_cast<size_t>(text.length())) != nullptr;
}

// The records of the file-data area, unpacked.
bool write_records(const std::vector<FileRecord>& files, String& area, std::string& error) {
    ByteWriter w(area);
    for (size_t i = 0; i < files.size(); ++i) {
        const FileRecord& f = files[i];
        std::string which = "file " + std::to_string(i + 1) + " (" + f.name.c_str() + ")";
        if (f.name.is_empty()) {
            error = "file " + std::to_string(i + 1) + " has no name";
            return false;
        }
        if (!is_file_destination(f.destination)) {
            error = which + ": destination kind " + std::to_string(f.destination) +
                    " is not one of 0, 1, 4, 5, 6";
            return false;
        }
        if (f.data.length() > max_payload_file_size) {
            error = which + " is larger than 1 GiB";
            return false;
        }
        for (const String* text : {&f.name, &f.version, &f.icon_file, &f.arguments, &f.target_path}) {
            if (holds_nul(*text)) {
                error = which + ": a text holds a NUL byte";
                return false;
            }
        }
        if (!f.has_icon_file() && !f.icon_file.is_empty()) {
            error = which + ": an icon file is given, but options bits 0-1 are clear";
            return false;
        }
        if (static_cast<std::int64_t>(area.length()) + f.data.length() + 4096 > String::max_length) {
            error = "the file data exceeds 2 GiB";
            return false;
        }
        w.text(f.name);
        w.int32(f.destination);
        w.int32(f.options);
        w.int32(f.attributes);
        w.bytes(f.data.c_str(), f.data.length());
        w.int32(static_cast<std::int32_t>(f.data.hash()));
        w.timestamp(f.time);
        w.text(f.version);
        if (f.has_icon_file())
            w.text(f.icon_file);
        w.text(f.arguments);
        w.text(f.target_path);
    }
    return true;
}

bool pack(const String& bytes, int level, String& block, std::string& error) {
    std::vector<unsigned char> packed;
    if (!pack_block(bytes.c_str(), static_cast<size_t>(bytes.length()), level, packed) ||
        packed.size() > static_cast<size_t>(String::max_length)) {
        error = "the packer refused a block of " + std::to_string(bytes.length()) + " bytes";
        return false;
    }
    block.assign(reinterpret_cast<const char*>(packed.data()), static_cast<std::int32_t>(packed.size()));
    return true;
}

} // namespace

bool write_payload(const InstallScript& original, const std::vector<FileRecord>& files,
                   const PayloadOptions& options, BuiltPayload& out, std::string& error) {
    out = BuiltPayload();
    if (files.size() > static_cast<size_t>(INT32_MAX / 4)) {
        error = "too many files";
        return false;
    }
    String area;
    if (!write_records(files, area, error))
        return false;
    if (options.pack_file_data && area.length() > 0) {
        String packed;
        if (!pack(area, options.pack_level, packed, error))
            return false;
        area = std::move(packed);
    }
    const std::int32_t area_size = area.length();
    const std::uint32_t area_checksum = area.hash();

    // How the area is split between the section and the volumes.
    std::int64_t in_section = area_size;
    std::int64_t volume_data = 0;
    if (options.volume_size != 0) {
        if (options.volume_size < 5 || options.volume_size > INT32_MAX) {
            error = "the volume size must lie in 5.." + std::to_string(INT32_MAX) + " bytes";
            return false;
        }
        volume_data = options.volume_size - 4;
        std::int64_t first = options.section_data_size >= 0 ? options.section_data_size : volume_data;
        if (first < in_section)
            in_section = first;
    }

    InstallScript script(original);
    if (options.pack_file_data)
        script.flags.bits |= flag_mask(flag_packed_file_data);
    else
        script.flags.bits &= ~flag_mask(flag_packed_file_data);
    if (in_section < area_size && script.first_volume_number == 0)
        script.first_volume_number = static_cast<std::int32_t>((area_checksum & 0x3FFFFFFF) | 0x10000000);

    String script_bytes;
    if (!write_script(script, script_bytes, error))
        return false;
    const std::uint32_t key = script_bytes.hash();
    String block;
    if (!pack(script_bytes, options.pack_level, block, error))
        return false;
    if (block.length() > max_packed_script_size) {
        error = "the install script packs to " + std::to_string(block.length()) +
                " bytes; the stub takes at most " + std::to_string(max_packed_script_size);
        return false;
    }
    descramble(block, static_cast<std::int32_t>(key));

    const std::int64_t data_offset =
        payload_fixed_header_size + 4 * static_cast<std::int64_t>(files.size()) + block.length();
    const std::int64_t payload_length = data_offset + in_section;
    if (payload_length > String::max_length) {
        error = "the payload section would exceed 2 GiB";
        return false;
    }

    String& section = out.section;
    ByteWriter w(section);
    w.int32(static_cast<std::int32_t>(payload_magic));
    w.int32(payload_version);
    w.int32(block.length());
    w.int32(static_cast<std::int32_t>(key));
    w.int32(static_cast<std::int32_t>(options.stub_checksum));
    w.int32(static_cast<std::int32_t>(payload_length));
    w.int32(static_cast<std::int32_t>(files.size()));
    w.int32(area_size);
    w.int32(static_cast<std::int32_t>(area_checksum));
    for (const FileRecord& f : files)
        w.int32(f.data.length());
    w.bytes(block.c_str(), block.length());
    w.bytes(area.c_str(), static_cast<std::int32_t>(in_section));

    std::int32_t tag = script.first_volume_number;
    for (std::int64_t at = in_section, number = 2; at < area_size; at += volume_data, ++number, ++tag) {
        std::int64_t n = area_size - at < volume_data ? area_size - at : volume_data;
        String volume;
        ByteWriter v(volume);
        v.int32(tag);
        v.bytes(area.c_str() + at, static_cast<std::int32_t>(n));
        out.volumes.push_back(std::move(volume));
        String name;
        name.format("%s%d.VNK", script.volume_base_name.c_str(), static_cast<int>(number));
        out.volume_names.emplace_back(name.c_str());
    }
    out.script_key = key;
    out.first_volume_tag = script.first_volume_number;
    return true;
}

void set_stub_checksum(String& section, std::uint32_t checksum) {
    section.put_int32(payload_stub_checksum_field, static_cast<std::int32_t>(checksum));
}
