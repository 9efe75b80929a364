#pragma once
// The corrupt-installer codes: one code per check of a damaged or inconsistent
// payload, shown to the user in the corrupt-installer message. The stub raises
// them, the builder's inspection prints them with their meaning, tests name them:
// all from this one list.

#include <cstdint>

// X(name, code, meaning)
#define VARNOOK_CORRUPT_CODES(X)                                                                             \
    X(negative_data_length, 5, "file placement is given a negative data length")                             \
    X(no_section_data, 9, "the payload section's raw-data file offset is 0")                                 \
    X(cannot_position, 10, "the image file cannot be positioned at the payload section")                     \
    X(stage_time, 19, "the minimum stage time of the script is above 9999")                                  \
    X(bad_magic, 20, "the payload magic is wrong")                                                           \
    X(blank_volume_name, 21, "the volume base name is empty or blank")                                       \
    X(script_size, 22, "the packed script size is below 1 or above 0x9FFFFF")                                \
    X(patch_offset, 23, "the uninstaller patch offset is below 0 or above 999998")                           \
    X(licence_count, 24, "the licence page count is below 0 or above 20")                                    \
    X(script_checksum, 25, "the checksum of the unpacked script differs from the script key")                \
    X(readme_count, 26, "the read-me page count is below 0 or above 20")                                     \
    X(file_count, 27, "the file count is negative")                                                          \
    X(file_size, 28, "a file-size table entry is below 0 or above 0x40000000")                               \
    X(file_data_size, 29, "the file-data size is negative, or too large to be held in memory")               \
    X(language_count, 30, "the language count is 0 or above 100")                                            \
    X(string_count, 31, "the language string count is below 1 or above 10000")                               \
    X(end_marker, 32, "the script's end marker is wrong")                                                    \
    X(blank_uninstaller_name, 33, "the uninstaller file name is empty or blank")                             \
    X(image_head, 35, "the image bytes before the payload section cannot be read")                           \
    X(association_count, 36, "the association count is below 0 or above 10000")                              \
    X(uninstall_value_count, 37, "the uninstall value count is below 0 or above 10000")                      \
    X(deletion_count, 38, "the deletion list has more than 1001 entries")                                    \
    X(stub_checksum, 40, "the stub checksum is compared and differs")                                        \
    X(image_tail, 42, "the image bytes after the payload section cannot be read")                            \
    X(new_header_offset, 43, "the DOS header's new-header offset is unreadable, below 64 or above 4096")     \
    X(section_count, 44, "the section count is unreadable, below 4 or above 99")                             \
    X(payload_length, 45, "the payload length is negative")                                                  \
    X(script_block, 47, "the script block does not unpack")                                                  \
    X(volume_read, 50, "the data of an archive volume file cannot be read")                                  \
    X(file_data_checksum, 55, "the checksum of the file-data area differs")                                  \
    X(file_data_unpack, 60, "the packed file-data area does not unpack")                                     \
    X(deletion_date, 65, "a deletion entry's date condition is not a valid date")                            \
    X(empty_file_name, 70, "a file record has an empty name")                                                \
    X(payload_overrun, 90, "a read would pass the end of the payload section or the file-data area")         \
    X(file_checksum, 100, "the checksum stored behind a file's data differs")                                \
    X(destination_kind, 110, "a file record names a destination kind other than 0, 1, 4, 5 or 6")

enum CorruptCode : int {
#define VARNOOK_CORRUPT_CODE_ENUM(name, code, meaning) corrupt_##name = code,
    VARNOOK_CORRUPT_CODES(VARNOOK_CORRUPT_CODE_ENUM)
#undef VARNOOK_CORRUPT_CODE_ENUM
};

// Results of the readers that are not damage: 0 is success; these are negative so
// that they never meet a corrupt-installer code.
constexpr int payload_ok = 0;
constexpr int payload_section_missing = -1;  // the image has no payload section
constexpr int payload_version_mismatch = -2; // written for another installer version
constexpr int volume_request_refused = -3;   // the user gave up on a volume

// What a code means (for the builder's reports); null for a number that is no code.
const char* corrupt_code_meaning(int code);
