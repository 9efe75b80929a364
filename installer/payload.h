#pragma once
// The payload in the installer's own image: the section `.vrnk` appended to the
// executable by the builder. It starts with a header and the file-size table, then
// holds the scrambled, packed install script block and the file-data area, which
// may continue in numbered volume files beside the installer.
//
// Everything here but `open_payload` is portable: the builder and the native tests
// run the same reading and checking code as the stub. The payload is hostile until
// checked: every read goes through a `PayloadCursor` that knows its end.

#include <cstdint>

#include "core/containers.h"
#include "core/stream.h"
#include "core/string.h"
#include "core/timestamp.h"
#include "installer/product_flags.h"

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

constexpr int payload_section_found = 0;
constexpr int payload_section_missing = -1;

// Layout constants shared by the reader and the builder.
constexpr std::uint32_t payload_magic = 0xA4F23DE5;
constexpr std::int32_t payload_version = 1000; // 10.0, times 100
constexpr std::int32_t payload_fixed_header_size = 36;
constexpr std::int32_t payload_stub_checksum_field = 16;
constexpr std::int32_t max_packed_script_size = 0x9FFFFF;
constexpr std::int32_t max_payload_file_size = 0x40000000;
constexpr std::int32_t uninstaller_patch_size = 2216;
constexpr std::int32_t pe_section_header_size = 40;

// Our own corrupt-installer code: a read of the payload that would pass the end of
// the section or of the assembled file-data area (the payload's fields promised
// more bytes than are there).
constexpr int payload_overrun_code = 90;
// `check_payload_header`: the payload was written for another installer version.
constexpr int payload_version_mismatch = -2;

extern const char* const payload_version_text;

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

// The payload cursor: reads little-endian items from a run of bytes that it either
// views in place (the mapped section) or owns (the assembled file-data area). A read
// that would pass the end reads nothing, leaves zeros or an empty text, and fails
// for good; in the stub (the default) it ends the program at once through
// `corrupt_installer` (payload_overrun_code), so that no byte of a damaged payload
// makes the program read outside its image.
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

    std::int32_t read_int32();
    // A NUL-terminated text in place, the cursor moved past its NUL. "" on failure.
    const char* read_text();
    // n bytes copied into target (replacing its content).
    void read_into(String& target, std::int32_t n);
    // n bytes copied into a record (zeros on failure).
    void read_block(void* record, std::int32_t n);
    // Moves on by n bytes.
    void skip(std::int32_t n);
    // To an offset from the start (0..size).
    void seek(std::int32_t offset);

    const char* start() const { return start_; }
    const char* current() const { return start_ + position_; }
    std::int32_t offset() const { return position_; }
    std::int32_t size() const { return size_; }
    std::int32_t remaining() const { return size_ - position_; }
    bool failed() const { return failed_; }
    // With false, a read past the end only fails (for the builder's inspection).
    void set_fatal_on_overrun(bool on) { fatal_on_overrun_ = on; }

  private:
    // Whether n more bytes are there; otherwise the failure is recorded (and fatal).
    bool take(std::int32_t n);

    String owned_;
    const char* start_ = nullptr;
    std::int32_t size_ = 0;
    std::int32_t position_ = 0;
    bool failed_ = false;
    bool fatal_on_overrun_ = true;
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
// the first bad field (20, 22, 45, 27, 29, 28; payload_overrun_code when the section
// ends too early and the cursor is not fatal) or payload_version_mismatch. The
// cursor then stands at the script block.
int check_payload_header(PayloadCursor& cursor, PayloadHeader& header);
// As check_payload_header, ending the program on a bad header: the version message
// for another version, `corrupt_installer` otherwise.
void validate_payload_header(PayloadCursor& cursor, PayloadHeader& header);

// The script block at the cursor, descrambled and unpacked. Returns 0, 47 when it
// does not unpack, or payload_overrun_code when the section ends early and the
// cursor is not fatal.
int unpack_script_block(PayloadCursor& cursor, const PayloadHeader& header, String& script);
// As unpack_script_block; corrupt_installer (47) when it does not unpack.
MemoryStream load_script_block(PayloadCursor& cursor, const PayloadHeader& header);

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
// As make_uninstaller_image; corrupt_installer with the code on failure.
String build_uninstaller_image(PayloadFiles& files, const PayloadSection& section,
                               const PayloadHeader& header, const ProductFlags& flags,
                               std::int32_t patch_offset, const String& patch_block);

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

// `gather_file_data`: the volume requests gave up.
constexpr int volume_request_refused = -3;

// Points the cursor at the file-data area: the section's part (the cursor must view
// the whole section), continued from the volume files when the section holds less
// than the whole area, verified by checksum and unpacked when `flag_packed_file_data`
// is set; the cursor then views exactly the area, whose records are read with it.
// Returns 0, volume_request_refused, or the code of the damage: 50 (a volume cannot
// be read), 55 (checksum), 60 (unpacking), payload_overrun_code (the header puts
// the area outside the section).
int gather_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
                     const VolumeSet& volumes, PayloadFiles& files, VolumeRequests& requests);
// As gather_file_data; a damaged area ends with corrupt_installer. False when the
// requests gave up on a volume.
bool assemble_file_data(PayloadCursor& cursor, const PayloadHeader& header, const ProductFlags& flags,
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
// Returns 0 or the code of the first bad field: 70 (empty name), 110 (destination
// kind), 100 (data checksum), or payload_overrun_code when the area ends early and
// the cursor is not fatal.
int read_file_record(PayloadCursor& cursor, std::int32_t size, FileRecord& record);

// What the stub knows of its own payload once `open_payload` returned.
struct PayloadState {
    PayloadSection section;
    PayloadHeader header;
    PayloadCursor cursor;          // at the script block, later at the file-data area
    PayloadFiles* files = nullptr; // the own image file (left open) and the volumes
    String image_path;
    String folder; // the installer's folder, where the volumes are
};

PayloadState& payload_state();

// Opens the program's own image, finds its payload section and checks the payload
// header and file-size table; shows the no-archive message when there is none and
// the corrupt-installer message (or the version message) for a bad one. On return
// the cursor of `payload_state` stands at the script block.
void open_payload();
