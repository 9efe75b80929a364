#include "format/payload.h"

#include <cstring>
#include <utility>

#include "format/packed_block.h"
#include "format/pe_view.h"

const char payload_section_name[] = ".vrnk";

namespace {

constexpr std::int32_t min_new_header_offset = 64;
constexpr std::int32_t max_new_header_offset = 4096;
constexpr std::int32_t min_section_count = 4;
constexpr std::int32_t max_section_count = 99;
constexpr std::int32_t section_count_field = static_cast<std::int32_t>(pe::section_count_field);
constexpr std::int32_t size_of_initialized_data_field =
    static_cast<std::int32_t>(pe::file_header_size + pe::initialized_data_field);
constexpr std::int32_t size_of_image_field =
    static_cast<std::int32_t>(pe::file_header_size + pe::image_size_field);
constexpr std::int32_t section_header_size = static_cast<std::int32_t>(pe::section_header_size);

} // namespace

int find_payload_section(const String& head, PayloadSection& section) {
    PeView view(head.c_str(), head.length());
    std::uint32_t pe_header = 0;
    if (!view.new_header_offset16(pe_header) || pe_header < min_new_header_offset ||
        pe_header > max_new_header_offset)
        return corrupt_new_header_offset;
    view.set_pe_header(pe_header);
    std::uint32_t count = 0;
    if (!view.section_count(count) || count < min_section_count || count > max_section_count)
        return corrupt_section_count;
    PeSection found;
    if (view.find_section(payload_section_name, static_cast<std::int32_t>(count), found) < 0)
        return payload_section_missing;
    std::uint32_t image_size = 0;
    view.optional_field(pe::image_size_field, image_size);
    section.pe_header = static_cast<std::int32_t>(pe_header);
    section.section_count = static_cast<std::int32_t>(count);
    section.header_offset = static_cast<std::int32_t>(found.header_offset);
    section.index = found.index;
    section.image_size = static_cast<std::int32_t>(image_size);
    section.virtual_size = static_cast<std::int32_t>(found.virtual_size);
    section.virtual_address = static_cast<std::int32_t>(found.virtual_address);
    section.raw_size = static_cast<std::int32_t>(found.raw_size);
    section.raw_offset = static_cast<std::int32_t>(found.raw_offset);
    return payload_section_found;
}

String image_path_from_command_line(const String& command_line) {
    String rest(command_line);
    rest.trim_left();
    String path;
    if (rest.first_char() == '"') {
        rest.take_quoted(path, '"', 0);
    } else {
        path = rest;
        path.truncate_at_char(' ');
    }
    // An extension is a dot in the file part, after the last folder separator.
    bool has_extension = false;
    for (std::int32_t i = path.length() - 1; i >= 0; --i) {
        char c = path.char_at(i);
        if (c == '\\' || c == '/' || c == ':')
            break;
        if (c == '.') {
            has_extension = true;
            break;
        }
    }
    if (!has_extension)
        path.append(".EXE");
    return path;
}

String folder_of_image(const String& path) {
    std::int32_t end = path.length();
    while (end > 0 && path.char_at(end - 1) != '\\' && path.char_at(end - 1) != '/' &&
           path.char_at(end - 1) != ':')
        --end;
    return path.substring(0, end);
}

std::int32_t mapped_section_size(const PayloadSection& section) {
    std::int32_t size = section.raw_size;
    if (section.virtual_size > 0 && section.virtual_size < size)
        size = section.virtual_size;
    if (size < 0 || section.virtual_address < 0 ||
        static_cast<std::int64_t>(section.virtual_address) + size > section.image_size)
        return -1;
    return size;
}

// --- the cursor

void PayloadCursor::view(const char* start, std::int32_t size) {
    // A view into the cursor's own buffer (a part of it) keeps the buffer alive.
    const char* owned = owned_.c_str();
    if (!(owned_.length() > 0 && start >= owned && start <= owned + owned_.length()))
        owned_.clear();
    reader_.reset(start, size);
}

void PayloadCursor::own(String&& buffer) {
    owned_ = std::move(buffer);
    reader_.reset(owned_.c_str(), owned_.length());
}

// --- header and script block

int check_payload_header(PayloadCursor& cursor, PayloadHeader& header) {
    header.file_sizes.clear();
    // In the stub a read past the end never returns; for a cursor that only fails,
    // the zeros it read must not be judged as fields.
    auto next = [&cursor](std::int32_t& value) {
        value = cursor.read_int32();
        return !cursor.failed();
    };
    std::int32_t magic = 0;
    if (!next(magic))
        return corrupt_payload_overrun;
    if (static_cast<std::uint32_t>(magic) != payload_magic)
        return corrupt_bad_magic;
    if (!next(header.version))
        return corrupt_payload_overrun;
    // Older payloads and 10.01 pass.
    if (header.version / 100.0 - expected_payload_version > 0.01)
        return payload_version_mismatch;
    if (!next(header.packed_script_size))
        return corrupt_payload_overrun;
    if (header.packed_script_size < 1 || header.packed_script_size > max_packed_script_size)
        return corrupt_script_size;
    std::int32_t key = 0;
    std::int32_t stub = 0;
    if (!next(key) || !next(stub))
        return corrupt_payload_overrun;
    header.script_key = static_cast<std::uint32_t>(key);
    header.stub_checksum = static_cast<std::uint32_t>(stub);
    if (!next(header.payload_length))
        return corrupt_payload_overrun;
    if (header.payload_length < 0)
        return corrupt_payload_length;
    if (!next(header.file_count))
        return corrupt_payload_overrun;
    if (header.file_count < 0)
        return corrupt_file_count;
    if (!next(header.file_data_size))
        return corrupt_payload_overrun;
    if (header.file_data_size < 0)
        return corrupt_file_data_size;
    std::int32_t data_checksum = 0;
    if (!next(data_checksum))
        return corrupt_payload_overrun;
    header.file_data_checksum = static_cast<std::uint32_t>(data_checksum);
    // The table is read entry by entry, never allocated from the count: a damaged
    // count ends at the end of the section.
    for (std::int32_t i = 0; i < header.file_count; ++i) {
        std::int32_t size = 0;
        if (!next(size))
            return corrupt_payload_overrun;
        if (size < 0 || size > max_payload_file_size)
            return corrupt_file_size;
        header.file_sizes.add(size);
    }
    std::int64_t data_offset = static_cast<std::int64_t>(cursor.offset()) + header.packed_script_size;
    if (data_offset > INT32_MAX)
        return corrupt_payload_overrun;
    header.data_offset = static_cast<std::int32_t>(data_offset);
    return 0;
}

int unpack_script_block(PayloadCursor& cursor, const PayloadHeader& header, String& script) {
    cursor.read_into(script, header.packed_script_size);
    if (cursor.failed())
        return corrupt_payload_overrun;
    descramble(script, static_cast<std::int32_t>(header.script_key));
    if (!unpack_string(script))
        return corrupt_script_block;
    return 0;
}

// --- the uninstaller image

int make_uninstaller_image(PayloadFiles& files, const PayloadSection& section, const PayloadHeader& header,
                           const ProductFlags& flags, std::int32_t patch_offset, const String& patch_block,
                           String& image) {
    image.clear();
    std::int64_t file_size = files.image_size();
    std::int64_t before = section.raw_offset;
    if (file_size < 0 || before < 0 || before > file_size)
        return corrupt_image_head;
    if (before > 0) {
        image.set_length(static_cast<std::int32_t>(before));
        if (!files.read_image(0, image.data(), static_cast<std::int32_t>(before)))
            return corrupt_image_head;
    }
    if (flags.has(flag_check_stub) && image.hash() != header.stub_checksum)
        return corrupt_stub_checksum;
    std::int64_t tail = file_size - before - section.raw_size;
    if (tail > 0) {
        if (tail > String::max_length - image.length())
            return corrupt_image_tail;
        char* place = image.extend(static_cast<std::int32_t>(tail));
        if (!files.read_image(file_size - tail, place, static_cast<std::int32_t>(tail)))
            return corrupt_image_tail;
    }

    // One section fewer, and the sizes without it. Writes outside the copy are
    // skipped by the String operations.
    const std::int32_t pe = section.pe_header;
    image.put_int16(pe + section_count_field, static_cast<std::int16_t>(section.section_count - 1));
    for (std::int32_t field : {size_of_initialized_data_field, size_of_image_field}) {
        std::int32_t value = image.get_int32(pe + field);
        image.put_int32(pe + field, static_cast<std::int32_t>(static_cast<std::uint32_t>(value) -
                                                              static_cast<std::uint32_t>(section.raw_size)));
    }
    // Every slot from the payload's up to the one just behind the table takes the 40
    // bytes of the next. A real header that moves down has its raw-data offset
    // reduced by the section's size when its data lay behind the section's, the only
    // data that moved: a header without raw data (offset 0) keeps its 0 and stays
    // valid.
    const std::int64_t table = static_cast<std::int64_t>(section.header_offset) -
                               static_cast<std::int64_t>(section.index) * section_header_size;
    for (std::int32_t slot = section.index; slot <= section.section_count; ++slot) {
        std::int64_t target = table + static_cast<std::int64_t>(slot) * section_header_size;
        std::int64_t source = target + section_header_size;
        if (target < 0 || source + section_header_size > image.length())
            break;
        char moved[section_header_size];
        std::memcpy(moved, image.data() + source, section_header_size);
        image.put_bytes(moved, static_cast<std::int32_t>(target), section_header_size);
        if (slot < section.section_count - 1) {
            std::int32_t raw_field = static_cast<std::int32_t>(target) + 20;
            std::int32_t raw = image.get_int32(raw_field);
            if (raw >= static_cast<std::int64_t>(section.raw_offset) + section.raw_size)
                image.put_int32(raw_field,
                                static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) -
                                                          static_cast<std::uint32_t>(section.raw_size)));
        }
    }
    if (patch_offset > 0)
        image.put_bytes(patch_block.c_str(), patch_offset, patch_block.length());
    return 0;
}

// --- the file-data area

String volume_path(const VolumeSet& volumes, std::int32_t number) {
    String path(volumes.folder);
    if (!path.is_empty() && path.last_char() != '\\' && path.last_char() != '/')
        path.append('\\');
    path.append_format("%s%d.VNK", volumes.base_name.c_str(), static_cast<int>(number));
    return path;
}

namespace {

constexpr int volume_missing = -1;
constexpr int volume_wrong = -2;

// Appends one volume's data to `area`, which still lacks `missing` bytes. Returns
// 0, 50 (the data cannot be read), 29 (no memory for it), volume_missing or
// volume_wrong. A volume with more data than the area lacks belongs to another
// build, whatever its tag says.
int read_volume(PayloadFiles& files, const String& path, std::int32_t tag, String& area,
                std::int32_t missing) {
    std::int64_t size = files.open_volume(path);
    if (size < 0)
        return volume_missing;
    if (size <= 4 || size - 4 > missing)
        return volume_wrong;
    unsigned char stored[4];
    if (!files.read_volume(0, stored, 4))
        return corrupt_volume_read;
    ByteReader tag_bytes(stored, 4);
    if (tag_bytes.i32() != tag)
        return volume_wrong;
    const std::int32_t got = static_cast<std::int32_t>(size - 4);
    char* place = area.try_extend(got);
    if (place == nullptr)
        return corrupt_file_data_size;
    if (!files.read_volume(4, place, got)) {
        area.shrink_by(got);
        return corrupt_volume_read;
    }
    return 0;
}

// Reads the volumes behind the bytes `area` already holds until it has `size`. The
// area grows only by what the volumes really hold, so a damaged declared size never
// makes the reader allocate it. Each volume file is closed again before the next is
// asked for, so that the user can change disks.
int read_volumes(String& area, std::int32_t size, const VolumeSet& volumes, PayloadFiles& files,
                 VolumeRequests& requests) {
    std::int32_t tag = volumes.first_tag;
    for (std::int32_t number = 2; area.length() < size; ++number, ++tag) {
        const std::int32_t missing = size - area.length();
        requests.before_volume(number, missing);
        String path = volume_path(volumes, number);
        for (;;) {
            int result = read_volume(files, path, tag, area, missing);
            files.close_volume();
            if (result == 0)
                break;
            if (result > 0)
                return result;
            VolumeProblem problem =
                result == volume_missing ? VolumeProblem::cannot_open : VolumeProblem::wrong_volume;
            if (!requests.retry_volume(number, path, problem))
                return volume_request_refused;
        }
    }
    return 0;
}

} // namespace

int assemble_file_data(PayloadCursor& cursor, const PayloadHeader& header, const VolumeSet& volumes,
                       PayloadFiles& files, VolumeRequests& requests) {
    const std::int64_t in_section = static_cast<std::int64_t>(header.payload_length) - header.data_offset;
    const std::int32_t size = header.file_data_size;
    cursor.seek(header.data_offset);
    if (in_section < 0 && size > 0) {
        cursor.skip(-1); // the area would begin behind the payload
        return corrupt_payload_overrun;
    }
    if (in_section < size) {
        if (in_section > cursor.remaining()) {
            cursor.skip(-1);
            return corrupt_payload_overrun;
        }
        String area;
        if (in_section > 0) {
            area.assign(cursor.current(), static_cast<std::int32_t>(in_section));
            cursor.skip(static_cast<std::int32_t>(in_section));
        }
        int code = read_volumes(area, size, volumes, files, requests);
        if (code != 0)
            return code;
        cursor.own(std::move(area));
        return 0;
    }
    // The area lies in the section: the cursor keeps to it.
    const char* start = cursor.current();
    cursor.skip(size);
    if (cursor.failed())
        return corrupt_payload_overrun;
    cursor.view(start, size);
    return 0;
}

int check_file_data(const PayloadCursor& cursor, const PayloadHeader& header) {
    return hash(cursor.start(), header.file_data_size) == header.file_data_checksum
               ? 0
               : corrupt_file_data_checksum;
}

int unpack_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags) {
    std::int32_t size = header.file_data_size;
    if (!flags.has(flag_packed_file_data) || size == 0)
        return 0;
    const char* data = cursor.start();
    std::int32_t unpacked_size = size;
    if (!unpack_block(data, unpacked_size))
        return corrupt_file_data_unpack;
    String unpacked;
    unpacked.adopt(const_cast<char*>(data), unpacked_size);
    cursor.own(std::move(unpacked));
    return 0;
}

int gather_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
                     const VolumeSet& volumes, PayloadFiles& files, VolumeRequests& requests) {
    int code = assemble_file_data(cursor, header, volumes, files, requests);
    if (code == 0)
        code = check_file_data(cursor, header);
    if (code == 0)
        code = unpack_file_data(cursor, header, flags);
    return code;
}

int read_file_record(PayloadCursor& cursor, std::int32_t size, FileRecord& record) {
    record.name = cursor.read_text();
    if (cursor.failed())
        return corrupt_payload_overrun;
    if (record.name.is_empty())
        return corrupt_empty_file_name;
    record.destination = cursor.read_int32();
    if (cursor.failed())
        return corrupt_payload_overrun;
    record.options = cursor.read_int32();
    record.attributes = cursor.read_int32();
    cursor.read_into(record.data, size);
    std::uint32_t checksum = static_cast<std::uint32_t>(cursor.read_int32());
    if (cursor.failed())
        return corrupt_payload_overrun;
    if (record.data.hash() != checksum)
        return corrupt_file_checksum;
    record.time.year = cursor.read_int32();
    record.time.month = cursor.read_int32();
    record.time.day = cursor.read_int32();
    record.time.hour = cursor.read_int32();
    record.time.minute = cursor.read_int32();
    record.time.second = cursor.read_int32();
    record.version = cursor.read_text();
    record.icon_file.clear();
    if (record.has_icon_file())
        record.icon_file = cursor.read_text();
    record.arguments = cursor.read_text();
    record.target_path = cursor.read_text();
    if (cursor.failed())
        return corrupt_payload_overrun;
    // A target says where the file goes; only without one must the kind name a folder.
    if (!is_file_destination(record.destination) && record.target_path.is_empty())
        return corrupt_destination_kind;
    return 0;
}

int open_payload(PayloadImage& image, Payload& payload, String& script_bytes) {
    payload.files = &image;
    String head;
    if (!image.read_head(head))
        head.clear();
    int code = find_payload_section(head, payload.section);
    if (code != payload_section_found)
        return code;
    const PayloadSection& section = payload.section;
    if (section.raw_offset == 0)
        return corrupt_no_section_data;
    std::int64_t image_size = image.image_size();
    if (section.raw_offset < 0 || image_size < 0 || section.raw_offset > image_size)
        return corrupt_cannot_position;
    std::int32_t size = 0;
    const char* bytes = image.section_bytes(section, size);
    if (bytes == nullptr)
        return corrupt_payload_overrun;
    return open_payload_section(payload, bytes, size, script_bytes);
}

int open_payload_section(Payload& payload, const char* bytes, std::int32_t size, String& script_bytes) {
    payload.cursor.view(bytes, size);
    int code = check_payload_header(payload.cursor, payload.header);
    if (code != 0)
        return code;
    return unpack_script_block(payload.cursor, payload.header, script_bytes);
}
