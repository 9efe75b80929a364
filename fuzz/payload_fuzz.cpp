// Any bytes taken as a payload section go through every stage the stub runs (header,
// script block, script, file-data area, file records) and end with a code, without
// reading or writing outside the buffers, without hanging and without a fatal ending.

#include <cstdint>
#include <cstring>
#include <vector>

#include "format/payload.h"
#include "format/script.h"
#include "tests/format/memory_payload_files.h"

namespace {

constexpr int32_t script_key_field = 12;
constexpr int32_t file_count_field = 24;
constexpr int32_t file_data_size_field = 28;
// The reader allocates the declared file-data size when the section holds less, and
// the unpacker the script block's declared size; larger sizes only make the runs
// slow (the unit tests cover them).
constexpr int32_t largest_allocation = 64 << 20;

int32_t int32_at(const uint8_t* data, size_t at) {
    int32_t v;
    std::memcpy(&v, data + at, 4);
    return v;
}

// The unpacked size the script block declares, read through its scrambling; 0 when
// the section is too short to say.
int64_t declared_script_size(const uint8_t* data, size_t size) {
    if (size < static_cast<size_t>(payload_fixed_header_size))
        return 0;
    int32_t count = int32_at(data, file_count_field);
    if (count < 0 || count > 0x1FFFFFFF)
        return 0;
    size_t block = payload_fixed_header_size + 4 * static_cast<size_t>(count);
    if (block + 8 > size)
        return 0;
    // The key's bytes repeat from the block's start, so bytes 4..7 meet the whole key.
    return int32_at(data, block + 4) ^ int32_at(data, script_key_field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    if (size >= file_data_size_field + 4 && int32_at(data, file_data_size_field) > largest_allocation)
        return 0;
    if (declared_script_size(data, size) > largest_allocation)
        return 0;
    // An exact-size copy, so that a read one byte past the end is caught.
    std::vector<char> section(data, data + size);
    Payload payload;
    String unpacked;
    if (open_payload_section(payload, section.data(), static_cast<int32_t>(size), unpacked) != 0)
        return 0;
    PayloadCursor& cursor = payload.cursor;
    const PayloadHeader& header = payload.header;
    InstallScript script;
    if (parse_script(unpacked, header.script_key, script) != 0)
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
