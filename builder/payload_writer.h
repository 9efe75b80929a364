#pragma once
// The builder's side of the payload: the content of the `.vrnk` section (header,
// file-size table, the install script block packed and scrambled with its own
// checksum as key, the file-data area or its first part) and the volume files that
// continue the area, so that the stub's reader (format/payload.h) accepts it.

#include <cstdint>
#include <string>
#include <vector>

#include "builder/packer.h"
#include "core/string.h"
#include "format/payload.h"
#include "format/script.h"

struct PayloadOptions {
    int pack_level = pack_level_default;
    // The file-data area as one packed block (the writer sets flag_packed_file_data
    // to match).
    bool pack_file_data = false;
    // 0: the whole area in the section. Otherwise the largest volume file, its
    // 4-byte tag included (at least 5); the area's bytes that the section does not
    // hold go into volumes of at most this size.
    std::int64_t volume_size = 0;
    // With volumes: how many bytes of the area the section holds; -1: as many as
    // one volume holds.
    std::int64_t section_data_size = -1;
    // The checksum of the image bytes in front of the section, when already known
    // (see set_stub_checksum).
    std::uint32_t stub_checksum = 0;
};

struct BuiltPayload {
    String section;                        // the section's content, payload length bytes
    std::vector<String> volumes;           // volume 2, 3, ...: tag and data
    std::vector<std::string> volume_names; // "%s%d.VNK" from the volume base name
    std::uint32_t script_key = 0;
    std::int32_t first_volume_tag = 0; // as stored in the script
};

// Writes the payload of `script` and `files` (in file-table order; each record's
// data checksum is computed here). When the area needs volumes and the script's
// first volume number is 0, a tag derived from the area's checksum is stored, so
// that a volume of another build is refused. False, with `error`, when the script
// or a file record cannot be written (see write_script), a file's data exceeds
// 1 GiB, the script block packs to more than the stub takes, or the payload would
// not fit the 32-bit fields.
bool write_payload(const InstallScript& script, const std::vector<FileRecord>& files,
                   const PayloadOptions& options, BuiltPayload& out, std::string& error);

// Stores the checksum of the image bytes in front of the section into a written
// section (for a PE writer that learns the section's file offset last).
void set_stub_checksum(String& section, std::uint32_t checksum);
