#pragma once
// The payload in the installer's own image: the section `.vrnk` appended to the
// executable by the builder. It starts with a header and the file-size table, then
// holds the scrambled, packed install script block and the file-data area, which
// may continue in numbered volume files beside the installer.
//
// The stub, the builder and the fuzz targets run this same reading and checking
// code. The payload is hostile until checked: every read goes through a
// `PayloadCursor` that knows its end, and every reader returns 0 or the code of the
// damage (format/codes.h); what to do with a code is the caller's business.

#include <cstdint>

#include "core/containers.h"
#include "core/stream.h"
#include "core/string.h"
#include "core/timestamp.h"
#include "format/byte_reader.h"
#include "format/codes.h"
#include "format/product_flags.h"

// Where the payload section lies, as read from the image's headers.
struct PayloadSection {
    std::int32_t pe_header = 0; // file offset of the PE signature
    std::int32_t section_count = 0;
    std::int32_t header_offset = 0; // file offset of the section's 40-byte header
    std::int32_t index = 0;         // its slot in the section table
    std::int32_t virtual_size = 0;
    std::int32_t virtual_address = 0;
    std::int32_t raw_size = 0;
    std::int32_t raw_offset = 0;
    std::int32_t image_size = 0; // SizeOfImage of the optional header, 0 when unreadable
};

constexpr int payload_section_found = payload_ok;

// Layout constants shared by the reader and the builder.
constexpr std::uint32_t payload_magic = 0xA4F23DE5;
constexpr std::int32_t payload_version = 1000; // 10.0, times 100
constexpr std::int32_t payload_fixed_header_size = 36;
constexpr std::int32_t payload_stub_checksum_field = 16;
constexpr std::int32_t max_packed_script_size = 0x9FFFFF;
constexpr std::int32_t max_payload_file_size = 0x40000000;
constexpr std::int32_t uninstaller_patch_size = 2216;
extern const char payload_section_name[]; // ".vrnk"
constexpr double expected_payload_version = 10.0;

// Walks the PE headers at the start of an image file (`head` holds its first bytes,
// at least up to the end of the section table). Returns `payload_section_found`,
// `payload_section_missing`, or the corrupt-installer code of a bad header: 43 for
// the new-header offset, 44 for the section count.
int find_payload_section(const String& head, PayloadSection& section);

// How many bytes of the section the loader mapped and the cursor may read: its raw
// size, or less when its virtual size is smaller; -1 when the section does not lie
// inside the image (its virtual address and that size against SizeOfImage).
std::int32_t mapped_section_size(const PayloadSection& section);

// The image path from a process command line: the quoted first atom or everything up
// to the first space, with ".EXE" appended when it has no extension.
String image_path_from_command_line(const String& command_line);
// The folder part of an image path, its separator kept; empty for a bare file name.
String folder_of_image(const String& path);

// The payload cursor: reads little-endian items from a run of bytes that it either
// views in place (the mapped section) or owns (the assembled file-data area). A read
// that would pass the end reads nothing it should not, leaves zeros or an empty
// text, and fails for good; the readers below turn that into payload_overrun.
class PayloadCursor {
  public:
    PayloadCursor() = default;
    PayloadCursor(const PayloadCursor&) = delete;
    PayloadCursor& operator=(const PayloadCursor&) = delete;

    // Over size bytes at start, not owned (unless they lie in the buffer the cursor
    // owns, which it then keeps); position 0, failure cleared.
    void view(const char* start, std::int32_t size);
    // Over the buffer, which the cursor takes; position 0, failure cleared.
    void own(String&& buffer);

    std::int32_t read_int32() { return reader_.i32(); }
    // A NUL-terminated text in place, the cursor moved past its NUL. "" on failure.
    const char* read_text() { return reader_.text(); }
    // n bytes copied into target (replacing its content); empty on failure.
    void read_into(String& target, std::int32_t n) {
        reader_.read_into(target, n);
        if (reader_.failed())
            target.clear();
    }
    // n bytes copied into a record (zeros on failure).
    void read_block(void* record, std::int32_t n) { reader_.read(record, n); }
    void skip(std::int32_t n) { reader_.skip(n); }
    // To an offset from the start (0..size).
    void seek(std::int32_t offset) { reader_.seek(offset); }

    const char* start() const { return reader_.data(); }
    const char* current() const { return reader_.current(); }
    std::int32_t offset() const { return static_cast<std::int32_t>(reader_.position()); }
    std::int32_t size() const { return static_cast<std::int32_t>(reader_.size()); }
    std::int32_t remaining() const { return static_cast<std::int32_t>(reader_.remaining()); }
    bool failed() const { return reader_.failed(); }

  private:
    String owned_;
    ByteReader reader_;
};

// The payload header and file-size table.
struct PayloadHeader {
    std::int32_t version = 0;
    std::int32_t packed_script_size = 0;
    std::uint32_t script_key = 0;
    std::uint32_t stub_checksum = 0;
    std::int32_t payload_length = 0;
    std::int32_t file_count = 0;
    std::int32_t file_data_size = 0;
    std::uint32_t file_data_checksum = 0;
    Vector<std::int32_t> file_sizes;
    std::int32_t data_offset = 0; // from the start of the section
};

// Reads the header and the file-size table at the cursor (the section start) and
// checks each field right after its read. Returns 0, the corrupt-installer code of
// the first bad field (20, 22, 45, 27, 29, 28; payload_overrun when the section
// ends too early) or payload_version_mismatch. The cursor then stands at the script
// block.
int check_payload_header(PayloadCursor& cursor, PayloadHeader& header);

// The script block at the cursor, descrambled and unpacked. Returns 0, 47 when it
// does not unpack, or payload_overrun when the section ends early.
int unpack_script_block(PayloadCursor& cursor, const PayloadHeader& header, String& script);

// The files the payload code reads besides the mapped section: the installer's own
// image file and the volume files beside it. The stub reads real files; the builder
// and the tests give bytes from memory.
class PayloadFiles {
  public:
    virtual ~PayloadFiles() = default;
    // Size of the image file; -1 when unknown.
    virtual std::int64_t image_size() = 0;
    // count bytes of the image file at offset; false unless all were read.
    virtual bool read_image(std::int64_t offset, void* buffer, std::int32_t count) = 0;
    // Opens the volume file at path, closing any other; its size, or -1 when it
    // cannot be opened.
    virtual std::int64_t open_volume(const String& path) = 0;
    // count bytes of the open volume at offset; false unless all were read.
    virtual bool read_volume(std::int64_t offset, void* buffer, std::int32_t count) = 0;
    // Closes the open volume, so that the user may take its disk out.
    virtual void close_volume() = 0;
};

// Builds the payload-free copy of the image (the uninstaller): the bytes before and
// behind the section, one section fewer in the headers, the sizes reduced by the
// section's raw size, the table slots from the section's on moved down by one, and
// the patch block written at patch_offset when that is above 0. Returns 0, 35 (the
// bytes before the section cannot be read), 40 (the stub checksum is compared and
// differs) or 42 (the bytes behind it cannot be read).
int make_uninstaller_image(PayloadFiles& files, const PayloadSection& section, const PayloadHeader& header,
                           const ProductFlags& flags, std::int32_t patch_offset, const String& patch_block,
                           String& image);

// Why a volume was refused.
enum class VolumeProblem {
    cannot_open,  // missing or unreadable
    wrong_volume, // 4 bytes or less, another volume's tag, or more data than the area lacks
};

// The install sequence's side of gathering the volumes: progress and the questions.
class VolumeRequests {
  public:
    virtual ~VolumeRequests() = default;
    // Before volume `number` is tried: `missing` bytes of the area still lack.
    virtual void before_volume(std::int32_t number, std::int32_t missing) {
        (void)number;
        (void)missing;
    }
    // The attempt at volume `number` (its file at path) failed; true to try again,
    // false to give up (the area is then not assembled).
    virtual bool retry_volume(std::int32_t number, const String& path, VolumeProblem problem) = 0;
};

// Where the volume files are: "%s%d.VNK" from the base name and the volume number
// (from 2 on) in the installer's folder; the first one's tag is first_tag.
struct VolumeSet {
    String folder; // empty: the current folder
    String base_name;
    std::int32_t first_tag = 0;
};

// The path of volume `number`.
String volume_path(const VolumeSet& volumes, std::int32_t number);

// Points the cursor at the file-data area: the section's part (the cursor must view
// the whole section), continued from the volume files when the section holds less
// than the whole area, verified by checksum and unpacked when `flag_packed_file_data`
// is set; the cursor then views exactly the area, whose records are read with it.
// Returns 0, volume_request_refused, or the code of the damage: 50 (a volume cannot
// be read), 55 (checksum), 60 (unpacking), payload_overrun (the header puts the area
// outside the section), file_data_size (a size that spans volumes and cannot even
// be held in memory: only a damaged header declares it).
// The three stages of gather_file_data, for a caller that shows each: the area
// assembled from the section and the volumes (0, volume_request_refused, 50,
// payload_overrun, file_data_size), its checksum verified (0 or 55), and unpacked
// when the flags say it is one packed block (0 or 60).
int assemble_file_data(PayloadCursor& cursor, const PayloadHeader& header, const VolumeSet& volumes,
                       PayloadFiles& files, VolumeRequests& requests);
int check_file_data(const PayloadCursor& cursor, const PayloadHeader& header);
int unpack_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags);

int gather_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
                     const VolumeSet& volumes, PayloadFiles& files, VolumeRequests& requests);

// One file of the file-data area.
struct FileRecord {
    String name;
    std::int32_t destination = 0; // 0, 1, 4, 5 or 6
    std::int32_t options = 0;     // bits 0-1 not both zero: icon_file is stored
    std::int32_t attributes = 0;
    String data;
    TimeStamp time;
    String version;
    String icon_file;
    String arguments;
    String target_path;

    bool has_icon_file() const { return (options & 3) != 0; }
};

constexpr bool is_file_destination(std::int32_t destination) {
    return destination == 0 || destination == 1 || destination == 4 || destination == 5 || destination == 6;
}

// Reads the next record, whose data is size bytes long (from the file-size table).
// Returns 0 or the code of the first bad field: 70 (empty name), 100 (data
// checksum), 110 (a destination kind without a folder of its own and no target), or
// payload_overrun when the area ends early.
int read_file_record(PayloadCursor& cursor, std::int32_t size, FileRecord& record);

// What a reader knows of an installer's payload: where its section is, its header,
// and the cursor, at the script block after `open_payload`, later at the file-data
// area. `files` reads the image file and the volume files beside it.
struct Payload {
    PayloadSection section;
    PayloadHeader header;
    PayloadCursor cursor;
    PayloadFiles* files = nullptr;
};

// Where a reader finds the payload section's bytes: the stub where the loader mapped
// its own image, the builder in the file it read.
class PayloadImage : public PayloadFiles {
  public:
    // The bytes at the start of the image file, at least through its section table
    // (fewer when the file is shorter).
    virtual bool read_head(String& head) = 0;
    // The section's bytes as mapped, bounded by what really lies there: null when
    // they cannot be had (size then 0).
    virtual const char* section_bytes(const PayloadSection& section, std::int32_t& size) = 0;
};

// Enough head for the largest header the checks allow: a new header at 4096, an
// optional header of up to 65535 bytes and 99 section headers.
constexpr std::int32_t image_head_limit = 4096 + 24 + 65535 + 99 * 40;

// The whole opening, the same for every reader: the section found in the image's
// headers (9 for a section without file data), the header and file-size table
// checked, the script block unpacked into `script_bytes`. Returns 0,
// payload_section_missing, payload_version_mismatch or the code of the damage; the
// cursor then stands behind the script block.
int open_payload(PayloadImage& image, Payload& payload, String& script_bytes);
// Its second half, on the section's bytes as mapped: the header and the script block.
int open_payload_section(Payload& payload, const char* bytes, std::int32_t size, String& script_bytes);
