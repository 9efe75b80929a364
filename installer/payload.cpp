#include "installer/payload.h"

#include <cstring>
#include <utility>

#include "core/fatal.h"
#include "installer/startup.h"
#include "installer/unpack.h"

const char* const payload_version_text =
    "The installer version (%.1f) does not match the version of VRNK (%.1f).  "
    "Close all applications and reinstall VRNK.";

namespace {

constexpr std::int32_t new_header_offset_field = 0x3C;
constexpr std::int32_t min_new_header_offset = 64;
constexpr std::int32_t max_new_header_offset = 4096;
constexpr std::int32_t section_count_field = 6;
constexpr std::int32_t optional_header_size_field = 20;
constexpr std::int32_t section_table_offset = 24;
constexpr std::int32_t min_section_count = 4;
constexpr std::int32_t max_section_count = 99;
constexpr std::int32_t section_header_size = pe_section_header_size;
constexpr std::int32_t size_of_initialized_data_field = 32;
constexpr std::int32_t size_of_image_field = 80;
constexpr double expected_payload_version = 10.0;
const char payload_section_name[] = ".vrnk";

// Reads a little-endian unsigned 16-bit field; false when it lies outside `head`.
bool read_uint16(const String& head, std::int32_t offset, std::int32_t& value) {
    if (offset < 0 || offset > head.length() - 2)
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(head.c_str()) + offset;
    value = bytes[0] | (bytes[1] << 8);
    return true;
}

std::int32_t read_int32_or_zero(const String& head, std::int32_t offset) {
    if (offset < 0 || offset > head.length() - 4)
        return 0;
    return head.get_int32(offset);
}

} // namespace

int find_payload_section(const String& head, PayloadSection& section) {
    std::int32_t pe_header = 0;
    if (!read_uint16(head, new_header_offset_field, pe_header) || pe_header < min_new_header_offset ||
        pe_header > max_new_header_offset)
        return 43;
    std::int32_t count = 0;
    if (!read_uint16(head, pe_header + section_count_field, count) || count < min_section_count ||
        count > max_section_count)
        return 44;
    std::int32_t optional_size = 0;
    read_uint16(head, pe_header + optional_header_size_field, optional_size);
    std::int32_t table = pe_header + section_table_offset + optional_size;

    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t header = table + i * section_header_size;
        if (header < 0 || header > head.length() - 8)
            break;
        // The 8 stored bytes, NUL-terminated, compared as a text: a name must be
        // ".vrnk" padded with NULs.
        char name[9] = {};
        for (int k = 0; k < 8; ++k)
            name[k] = head.char_at(header + k);
        if (String(name).compare(payload_section_name, true, 0x7FFFFFFF) != 0)
            continue;
        section.pe_header = pe_header;
        section.section_count = count;
        section.header_offset = header;
        section.index = i;
        section.image_size = read_int32_or_zero(head, pe_header + size_of_image_field);
        section.virtual_size = read_int32_or_zero(head, header + 8);
        section.virtual_address = read_int32_or_zero(head, header + 12);
        section.raw_size = read_int32_or_zero(head, header + 16);
        section.raw_offset = read_int32_or_zero(head, header + 20);
        return payload_section_found;
    }
    return payload_section_missing;
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
    start_ = start != nullptr ? start : "";
    size_ = start != nullptr && size > 0 ? size : 0;
    position_ = 0;
    failed_ = false;
}

void PayloadCursor::own(String&& buffer) {
    owned_ = std::move(buffer);
    start_ = owned_.c_str();
    size_ = owned_.length();
    position_ = 0;
    failed_ = false;
}

bool PayloadCursor::take(std::int32_t n) {
    if (failed_)
        return false;
    if (n >= 0 && n <= size_ - position_)
        return true;
    failed_ = true;
    if (fatal_on_overrun_)
        corrupt_installer(payload_overrun_code);
    return false;
}

std::int32_t PayloadCursor::read_int32() {
    if (!take(4))
        return 0;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(start_ + position_);
    position_ += 4;
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

const char* PayloadCursor::read_text() {
    if (failed_)
        return "";
    const void* end = std::memchr(start_ + position_, 0, static_cast<size_t>(size_ - position_));
    if (end == nullptr) {
        take(size_ - position_ + 1); // fails: the NUL is not there
        return "";
    }
    const char* text = start_ + position_;
    position_ = static_cast<std::int32_t>(static_cast<const char*>(end) - start_) + 1;
    return text;
}

void PayloadCursor::read_into(String& target, std::int32_t n) {
    if (!take(n)) {
        target.clear();
        return;
    }
    target.assign(start_ + position_, n);
    position_ += n;
}

void PayloadCursor::read_block(void* record, std::int32_t n) {
    if (!take(n)) {
        if (n > 0)
            std::memset(record, 0, static_cast<size_t>(n));
        return;
    }
    std::memcpy(record, start_ + position_, static_cast<size_t>(n));
    position_ += n;
}

void PayloadCursor::skip(std::int32_t n) {
    if (take(n))
        position_ += n;
}

void PayloadCursor::seek(std::int32_t offset) {
    if (failed_)
        return;
    if (offset < 0 || offset > size_) {
        take(-1);
        return;
    }
    position_ = offset;
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
        return payload_overrun_code;
    if (static_cast<std::uint32_t>(magic) != payload_magic)
        return 20;
    if (!next(header.version))
        return payload_overrun_code;
    // Older payloads and 10.01 pass.
    if (header.version / 100.0 - expected_payload_version > 0.01)
        return payload_version_mismatch;
    if (!next(header.packed_script_size))
        return payload_overrun_code;
    if (header.packed_script_size < 1 || header.packed_script_size > max_packed_script_size)
        return 22;
    std::int32_t key = 0;
    std::int32_t stub = 0;
    if (!next(key) || !next(stub))
        return payload_overrun_code;
    header.script_key = static_cast<std::uint32_t>(key);
    header.stub_checksum = static_cast<std::uint32_t>(stub);
    if (!next(header.payload_length))
        return payload_overrun_code;
    if (header.payload_length < 0)
        return 45;
    if (!next(header.file_count))
        return payload_overrun_code;
    if (header.file_count < 0)
        return 27;
    if (!next(header.file_data_size))
        return payload_overrun_code;
    if (header.file_data_size < 0)
        return 29;
    std::int32_t data_checksum = 0;
    if (!next(data_checksum))
        return payload_overrun_code;
    header.file_data_checksum = static_cast<std::uint32_t>(data_checksum);
    // The table is read entry by entry, never allocated from the count: a damaged
    // count ends at the end of the section.
    for (std::int32_t i = 0; i < header.file_count; ++i) {
        std::int32_t size = 0;
        if (!next(size))
            return payload_overrun_code;
        if (size < 0 || size > max_payload_file_size)
            return 28;
        header.file_sizes.add(size);
    }
    std::int64_t data_offset = static_cast<std::int64_t>(cursor.offset()) + header.packed_script_size;
    if (data_offset > INT32_MAX)
        return payload_overrun_code;
    header.data_offset = static_cast<std::int32_t>(data_offset);
    return 0;
}

void validate_payload_header(PayloadCursor& cursor, PayloadHeader& header) {
    int code = check_payload_header(cursor, header);
    if (code == payload_version_mismatch)
        fatal_format(payload_version_text, expected_payload_version, header.version / 100.0);
    if (code != 0)
        corrupt_installer(code);
}

int unpack_script_block(PayloadCursor& cursor, const PayloadHeader& header, String& script) {
    cursor.read_into(script, header.packed_script_size);
    if (cursor.failed())
        return payload_overrun_code;
    descramble(script, static_cast<std::int32_t>(header.script_key));
    if (!unpack_string(script))
        return 47;
    return 0;
}

MemoryStream load_script_block(PayloadCursor& cursor, const PayloadHeader& header) {
    MemoryStream stream;
    int code = unpack_script_block(cursor, header, stream.string());
    if (code != 0)
        corrupt_installer(code);
    return stream;
}

// --- the uninstaller image

int make_uninstaller_image(PayloadFiles& files, const PayloadSection& section, const PayloadHeader& header,
                           const ProductFlags& flags, std::int32_t patch_offset, const String& patch_block,
                           String& image) {
    image.clear();
    std::int64_t file_size = files.image_size();
    std::int64_t before = section.raw_offset;
    if (file_size < 0 || before < 0 || before > file_size)
        return 35;
    if (before > 0) {
        image.set_length(static_cast<std::int32_t>(before));
        if (!files.read_image(0, image.data(), static_cast<std::int32_t>(before)))
            return 35;
    }
    if (flags.has(flag_compare_stub_checksum) && image.hash() != header.stub_checksum)
        return 40;
    std::int64_t tail = file_size - before - section.raw_size;
    if (tail > 0) {
        if (tail > String::max_length - image.length())
            return 42;
        char* place = image.extend(static_cast<std::int32_t>(tail));
        if (!files.read_image(file_size - tail, place, static_cast<std::int32_t>(tail)))
            return 42;
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

String build_uninstaller_image(PayloadFiles& files, const PayloadSection& section,
                               const PayloadHeader& header, const ProductFlags& flags,
                               std::int32_t patch_offset, const String& patch_block) {
    String image;
    int code = make_uninstaller_image(files, section, header, flags, patch_offset, patch_block, image);
    if (code != 0)
        corrupt_installer(code);
    return image;
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

// Reads one volume's data to `place`, where `missing` bytes of the area lack, and
// sets `got` to their number. Returns 0, 50 (the data cannot be read),
// volume_missing or volume_wrong. A volume with more data than the area lacks
// belongs to another build, whatever its tag says.
int read_volume(PayloadFiles& files, const String& path, std::int32_t tag, char* place, std::int32_t missing,
                std::int32_t& got) {
    std::int64_t size = files.open_volume(path);
    if (size < 0)
        return volume_missing;
    if (size <= 4 || size - 4 > missing)
        return volume_wrong;
    unsigned char stored[4];
    if (!files.read_volume(0, stored, 4))
        return 50;
    std::int32_t found = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(stored[0]) | static_cast<std::uint32_t>(stored[1]) << 8 |
        static_cast<std::uint32_t>(stored[2]) << 16 | static_cast<std::uint32_t>(stored[3]) << 24);
    if (found != tag)
        return volume_wrong;
    got = static_cast<std::int32_t>(size - 4);
    if (!files.read_volume(4, place, got))
        return 50;
    return 0;
}

// Reads the volumes into area behind the `filled` bytes it already holds. Each
// volume file is closed again before the next is asked for, so that the user can
// change disks.
int read_volumes(String& area, std::int32_t filled, const VolumeSet& volumes, PayloadFiles& files,
                 VolumeRequests& requests) {
    std::int32_t tag = volumes.first_tag;
    for (std::int32_t number = 2; filled < area.length(); ++number, ++tag) {
        const std::int32_t missing = area.length() - filled;
        requests.before_volume(number, missing);
        String path = volume_path(volumes, number);
        for (;;) {
            std::int32_t got = 0;
            int result = read_volume(files, path, tag, area.data() + filled, missing, got);
            files.close_volume();
            if (result == 0) {
                filled += got;
                break;
            }
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

int gather_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
                     const VolumeSet& volumes, PayloadFiles& files, VolumeRequests& requests) {
    const std::int64_t in_section = static_cast<std::int64_t>(header.payload_length) - header.data_offset;
    const std::int32_t size = header.file_data_size;
    cursor.seek(header.data_offset);
    if (in_section < 0 && size > 0) {
        cursor.skip(-1); // the area would begin behind the payload
        return payload_overrun_code;
    }
    if (in_section < size) {
        String area;
        area.set_length(size);
        cursor.read_block(area.data(), static_cast<std::int32_t>(in_section < 0 ? 0 : in_section));
        if (cursor.failed())
            return payload_overrun_code;
        int code = read_volumes(area, static_cast<std::int32_t>(in_section < 0 ? 0 : in_section), volumes,
                                files, requests);
        if (code != 0)
            return code;
        cursor.own(std::move(area));
    } else {
        // The area lies in the section: the cursor keeps to it.
        const char* start = cursor.current();
        cursor.skip(size);
        if (cursor.failed())
            return payload_overrun_code;
        cursor.view(start, size);
    }
    if (hash(cursor.start(), size) != header.file_data_checksum)
        return 55;
    if (flags.has(flag_packed_file_data) && size != 0) {
        const char* data = cursor.start();
        std::int32_t unpacked_size = size;
        if (!unpack_block(data, unpacked_size))
            return 60;
        String unpacked;
        unpacked.adopt(const_cast<char*>(data), unpacked_size);
        cursor.own(std::move(unpacked));
    }
    return 0;
}

bool assemble_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
                        const VolumeSet& volumes, PayloadFiles& files, VolumeRequests& requests) {
    int code = gather_file_data(cursor, header, flags, volumes, files, requests);
    if (code == volume_request_refused)
        return false;
    if (code != 0)
        corrupt_installer(code);
    return true;
}

int read_file_record(PayloadCursor& cursor, std::int32_t size, FileRecord& record) {
    record.name = cursor.read_text();
    if (cursor.failed())
        return payload_overrun_code;
    if (record.name.is_empty())
        return 70;
    record.destination = cursor.read_int32();
    if (cursor.failed())
        return payload_overrun_code;
    if (!is_file_destination(record.destination))
        return 110;
    record.options = cursor.read_int32();
    record.attributes = cursor.read_int32();
    cursor.read_into(record.data, size);
    std::uint32_t checksum = static_cast<std::uint32_t>(cursor.read_int32());
    if (cursor.failed())
        return payload_overrun_code;
    if (record.data.hash() != checksum)
        return 100;
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
    return cursor.failed() ? payload_overrun_code : 0;
}

PayloadState& payload_state() {
    static PayloadState state;
    return state;
}
