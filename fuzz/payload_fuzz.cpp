// Any bytes taken as a payload section go through every stage the stub runs (header,
// script block, script, file-data area, file records) and end with a code, without
// reading or writing outside the buffers, without hanging and without a fatal ending.

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/stream.h"
#include "installer/payload.h"
#include "installer/script.h"
#include "tests/installer/memory_payload_files.h"

namespace {

constexpr int32_t file_data_size_field = 28;
// The reader allocates the declared file-data size when the section holds less;
// larger sizes only make the runs slow.
constexpr int32_t largest_file_data = 64 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    if (size >= file_data_size_field + 4) {
        int32_t declared;
        std::memcpy(&declared, data + file_data_size_field, 4);
        if (declared > largest_file_data)
            return 0;
    }
    // An exact-size copy, so that a read one byte past the end is caught.
    std::vector<char> section(data, data + size);
    PayloadCursor cursor;
    cursor.set_fatal_on_overrun(false);
    cursor.view(section.data(), static_cast<int32_t>(size));

    PayloadHeader header;
    if (check_payload_header(cursor, header) != 0)
        return 0;
    String unpacked;
    if (unpack_script_block(cursor, header, unpacked) != 0)
        return 0;
    MemoryStream stream(unpacked);
    InstallScript script;
    if (parse_script(stream, header.script_key, script) != 0)
        return 0;
    MemoryPayloadFiles no_files;
    RecordedRequests requests;
    VolumeSet volumes{String(), script.volume_base_name, script.first_volume_number};
    if (gather_file_data(cursor, header, script.flags, volumes, no_files, requests) != 0)
        return 0;
    for (int32_t i = 0; i < header.file_count; ++i) {
        FileRecord record;
        if (read_file_record(cursor, *header.file_sizes.element(i), record) != 0)
            break;
    }
    return 0;
}
