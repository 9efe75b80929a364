#include "format/payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/format/memory_payload_files.h"

namespace {

// The first bytes of a PE image: DOS header pointing at a PE header, an optional
// header of `optional_size` bytes and a section table with the given names.
struct ImageHead {
    int pe_header = 0x80;
    int section_count = -1; // -1: the number of names
    int optional_size = 0xE0;
    std::vector<std::string> names;
    int truncate_to = -1;

    String build() const {
        int count = section_count >= 0 ? section_count : static_cast<int>(names.size());
        int table = pe_header + 24 + optional_size;
        std::vector<unsigned char> bytes(table + 40 * names.size() + 64, 0);
        bytes[0] = 'M';
        bytes[1] = 'Z';
        bytes[0x3C] = pe_header & 0xFF;
        bytes[0x3D] = (pe_header >> 8) & 0xFF;
        std::memcpy(&bytes[pe_header], "PE\0\0", 4);
        bytes[pe_header + 6] = count & 0xFF;
        bytes[pe_header + 7] = (count >> 8) & 0xFF;
        bytes[pe_header + 20] = optional_size & 0xFF;
        bytes[pe_header + 21] = (optional_size >> 8) & 0xFF;
        for (size_t i = 0; i < names.size(); ++i) {
            unsigned char* header = &bytes[table + 40 * i];
            std::memcpy(header, names[i].data(), std::min<size_t>(8, names[i].size()));
            int virtual_address = 0x1000 * (static_cast<int>(i) + 1);
            int raw_size = 0x200 * (static_cast<int>(i) + 1);
            int raw_offset = 0x400 * (static_cast<int>(i) + 1);
            std::memcpy(header + 12, &virtual_address, 4);
            std::memcpy(header + 16, &raw_size, 4);
            std::memcpy(header + 20, &raw_offset, 4);
        }
        int length = truncate_to >= 0 ? truncate_to : static_cast<int>(bytes.size());
        return String(reinterpret_cast<const char*>(bytes.data()), length);
    }
};

const std::vector<std::string> five_sections = {".text", ".data", ".rdata", ".rsrc", ".vrnk"};

TEST(PayloadSection, FoundAsTheLastOfFiveSections) {
    ImageHead image;
    image.names = five_sections;
    PayloadSection section;
    ASSERT_EQ(find_payload_section(image.build(), section), payload_section_found);
    EXPECT_EQ(section.index, 4);
    EXPECT_EQ(section.pe_header, 0x80);
    EXPECT_EQ(section.section_count, 5);
    EXPECT_EQ(section.header_offset, 0x80 + 24 + 0xE0 + 4 * 40);
    EXPECT_EQ(section.virtual_address, 0x5000);
    EXPECT_EQ(section.raw_size, 0xA00);
    EXPECT_EQ(section.raw_offset, 0x1400);
}

TEST(PayloadSection, NameMustMatchExactly) {
    for (const char* name : {".VRNK", ".vrnk2", ".vrn", "vrnk"}) {
        ImageHead image;
        image.names = {".text", ".data", ".rdata", ".rsrc", name};
        PayloadSection section;
        EXPECT_EQ(find_payload_section(image.build(), section), payload_section_missing) << name;
    }
}

TEST(PayloadSection, BadHeadersGiveTheirCodes) {
    struct Case {
        const char* what;
        ImageHead image;
        int code;
    };
    ImageHead low_offset;
    low_offset.pe_header = 63;
    low_offset.names = five_sections;
    ImageHead high_offset;
    high_offset.pe_header = 4097;
    high_offset.names = five_sections;
    ImageHead too_short;
    too_short.names = five_sections;
    too_short.truncate_to = 0x3D;
    ImageHead three_sections;
    three_sections.names = {".text", ".data", ".vrnk"};
    ImageHead hundred_sections;
    hundred_sections.names = five_sections;
    hundred_sections.section_count = 100;
    ImageHead count_cut_off;
    count_cut_off.names = five_sections;
    count_cut_off.truncate_to = 0x80 + 7;
    Case cases[] = {
        {"new header below 64", low_offset, 43},      {"new header above 4096", high_offset, 43},
        {"offset unreadable", too_short, 43},         {"three sections", three_sections, 44},
        {"a hundred sections", hundred_sections, 44}, {"count unreadable", count_cut_off, 44},
    };
    for (const Case& c : cases) {
        PayloadSection section;
        EXPECT_EQ(find_payload_section(c.image.build(), section), c.code) << c.what;
    }
}

TEST(PayloadSection, SectionTableCutShortIsNotFound) {
    ImageHead image;
    image.names = five_sections;
    image.truncate_to = 0x80 + 24 + 0xE0 + 4 * 40 + 4;
    PayloadSection section;
    EXPECT_EQ(find_payload_section(image.build(), section), payload_section_missing);
}

TEST(ImagePath, TakenFromTheProcessCommandLine) {
    struct Case {
        const char* command_line;
        const char* path;
    } cases[] = {
        {"\"C:\\Program Files\\Demo\\setup.exe\" /a", "C:\\Program Files\\Demo\\setup.exe"},
        {"  C:\\demo\\setup.exe /a", "C:\\demo\\setup.exe"},
        {"C:\\demo\\setup /a", "C:\\demo\\setup.EXE"},
        {"C:\\demo.d\\setup", "C:\\demo.d\\setup.EXE"},
        {"\"C:\\demo\\setup\"", "C:\\demo\\setup.EXE"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(image_path_from_command_line(String(c.command_line)).c_str(), c.path) << c.command_line;
}

} // namespace

// --- the payload header, the cursor, the uninstaller image, the file-data area

namespace {

void put32(std::string& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

String as_string(const std::string& bytes) {
    return String(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

// A payload header written field by field as the stub expects it, then the script
// block (filler bytes) and the in-section part of the file-data area.
struct HeaderFields {
    std::uint32_t magic = payload_magic;
    std::int32_t version = 1000;
    std::int32_t packed_script_size = 8;
    std::uint32_t key = 0x11223344;
    std::uint32_t stub = 0x55667788;
    std::int32_t payload_length = -1000; // -1000: exactly the bytes written
    std::int32_t file_count = -1000;     // -1000: the number of sizes
    std::int32_t file_data_size = -1000; // -1000: the length of `data`
    std::uint32_t data_checksum = 0;
    std::vector<std::int32_t> sizes = {3, 0x40000000};
    std::string data;
    int cut_to = -1;

    String build() const {
        std::string bytes;
        int32_t count = file_count != -1000 ? file_count : static_cast<int32_t>(sizes.size());
        int32_t data_size = file_data_size != -1000 ? file_data_size : static_cast<int32_t>(data.size());
        int32_t length = payload_length != -1000
                             ? payload_length
                             : 36 + 4 * static_cast<int32_t>(sizes.size()) + std::max(packed_script_size, 0) +
                                   static_cast<int32_t>(data.size());
        for (std::uint32_t v :
             {magic, static_cast<std::uint32_t>(version), static_cast<std::uint32_t>(packed_script_size), key,
              stub, static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(count),
              static_cast<std::uint32_t>(data_size), data_checksum})
            put32(bytes, v);
        for (std::int32_t size : sizes)
            put32(bytes, static_cast<std::uint32_t>(size));
        bytes.append(static_cast<size_t>(std::max(packed_script_size, 0)), 'S');
        bytes += data;
        if (cut_to >= 0)
            bytes.resize(static_cast<size_t>(cut_to));
        return as_string(bytes);
    }
};

int check(const String& section, PayloadHeader& header) {
    PayloadCursor cursor;
    cursor.view(section.c_str(), section.length());
    return check_payload_header(cursor, header);
}

TEST(PayloadHeader, ReadWithTheFileSizeTableAndTheDataOffset) {
    HeaderFields fields;
    PayloadHeader header;
    ASSERT_EQ(check(fields.build(), header), 0);
    EXPECT_EQ(header.version, 1000);
    EXPECT_EQ(header.packed_script_size, 8);
    EXPECT_EQ(header.script_key, 0x11223344u);
    EXPECT_EQ(header.stub_checksum, 0x55667788u);
    EXPECT_EQ(header.payload_length, 36 + 8 + 8);
    ASSERT_EQ(header.file_sizes.count(), 2);
    EXPECT_EQ(*header.file_sizes.element(0), 3);
    EXPECT_EQ(*header.file_sizes.element(1), 0x40000000);
    EXPECT_EQ(header.data_offset, 36 + 8 + 8);

    HeaderFields no_files;
    no_files.sizes.clear();
    ASSERT_EQ(check(no_files.build(), header), 0);
    EXPECT_EQ(header.file_sizes.count(), 0);
    EXPECT_EQ(header.data_offset, 36 + 8);
}

TEST(PayloadHeader, EachFieldOutOfRangeGivesItsCode) {
    struct Case {
        const char* what;
        std::function<void(HeaderFields&)> damage;
        int code;
    } cases[] = {
        {"magic", [](HeaderFields& f) { f.magic = 0xA4F23DE4; }, 20},
        {"script size 0", [](HeaderFields& f) { f.packed_script_size = 0; }, 22},
        {"script size 0xA00000", [](HeaderFields& f) { f.packed_script_size = 0xA00000; }, 22},
        {"payload length", [](HeaderFields& f) { f.payload_length = -1; }, 45},
        {"file count", [](HeaderFields& f) { f.file_count = -1; }, 27},
        {"file-data size", [](HeaderFields& f) { f.file_data_size = -1; }, 29},
        {"negative file size",
         [](HeaderFields& f) {
             f.sizes = {5, -1};
         },
         28},
        {"file size above 1 GiB", [](HeaderFields& f) { f.sizes = {0x40000001}; }, 28},
        {"version 10.02", [](HeaderFields& f) { f.version = 1002; }, payload_version_mismatch},
        {"section ends in the header", [](HeaderFields& f) { f.cut_to = 30; }, corrupt_payload_overrun},
        {"file-size table beyond the section",
         [](HeaderFields& f) {
             f.file_count = 0x7FFFFFFF;
             f.cut_to = 36 + 8;
         },
         corrupt_payload_overrun},
    };
    for (const Case& c : cases) {
        HeaderFields fields;
        c.damage(fields);
        PayloadHeader header;
        EXPECT_EQ(check(fields.build(), header), c.code) << c.what;
    }
    for (std::int32_t version : {900, 1000, 1001}) {
        HeaderFields fields;
        fields.version = version;
        PayloadHeader header;
        EXPECT_EQ(check(fields.build(), header), 0) << version;
    }
}

TEST(Checksum, KnownVectors) {
    EXPECT_EQ(hash("abc", 3), 0x79E2BDC6u);
    EXPECT_EQ(hash("abcd", 4), 0xDE461F02u);
    EXPECT_EQ(hash("", 0), 0x79E2BC9Du);
    EXPECT_EQ(String("abcd").hash(), 0xDE461F02u);
}

TEST(PayloadCursor, ReadsInsideItsBytesAndFailsForGoodPastTheEnd) {
    const char bytes[] = "\x01\x02\x03\x04hi\0tail"; // no NUL after "tail" inside the view
    PayloadCursor cursor;
    cursor.view(bytes, 11);
    EXPECT_EQ(cursor.read_int32(), 0x04030201);
    EXPECT_STREQ(cursor.read_text(), "hi");
    EXPECT_STREQ(cursor.read_text(), ""); // "tail" has no NUL before the end
    EXPECT_TRUE(cursor.failed());
    EXPECT_EQ(cursor.read_int32(), 0); // sticky
    EXPECT_EQ(cursor.offset(), 11);

    cursor.view(bytes, 6);
    String into;
    cursor.read_into(into, 7);
    EXPECT_TRUE(cursor.failed());
    EXPECT_TRUE(into.is_empty());

    // A view into the cursor's own buffer keeps that buffer.
    cursor.own(String("owned text"));
    cursor.view(cursor.start() + 6, 4);
    String part;
    cursor.read_into(part, 4);
    EXPECT_STREQ(part.c_str(), "text");
}

// A whole image file: the head of ImageHead with five sections, the payload section
// at slot `payload` (raw data 0xA00 bytes at 0x1400 when it is the last), 80 marked
// bytes behind the section table and `overlay` bytes behind the last section.
struct ImageFile {
    String bytes;
    PayloadSection section;
};

ImageFile five_section_image(int payload, int overlay) {
    ImageHead head;
    head.names = {".text", ".data", ".rdata", ".rsrc", ".reloc"};
    head.names[static_cast<size_t>(payload)] = ".vrnk";
    ImageFile image;
    image.bytes = head.build();
    const int table = 0x80 + 24 + 0xE0;
    const int raw_offsets[] = {0x400, 0x600, 0xA00, 0x1000, 0x1400};
    const int raw_sizes[] = {0x200, 0x400, 0x600, 0x400, 0xA00};
    int end = 0x1E00 + overlay;
    int old = image.bytes.length();
    image.bytes.set_length(end);
    for (int i = old; i < end; ++i)
        image.bytes.data()[i] = static_cast<char>('a' + i % 23);
    for (int i = 0; i < 80; ++i)
        image.bytes.data()[table + 200 + i] = static_cast<char>(0xC0 + i % 40 + (i >= 40 ? 1 : 0));
    for (int i = 0; i < 5; ++i) {
        image.bytes.put_int32(table + 40 * i + 16, raw_sizes[i]);
        image.bytes.put_int32(table + 40 * i + 20, raw_offsets[i]);
    }
    image.bytes.put_int32(0x80 + 32, 0x3000); // SizeOfInitializedData
    image.bytes.put_int32(0x80 + 80, 0x8000); // SizeOfImage
    EXPECT_EQ(find_payload_section(image.bytes, image.section), payload_section_found);
    return image;
}

TEST(UninstallerImage, PayloadAsTheLastOfFiveSections) {
    ImageFile image = five_section_image(4, 0x30);
    MemoryPayloadFiles files;
    files.image = image.bytes;
    PayloadHeader header;
    String copy;
    ASSERT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), copy), 0);

    const int table = 0x80 + 24 + 0xE0;
    ASSERT_EQ(copy.length(), 0x1400 + 0x30);
    // Everything behind the section follows the bytes in front of it.
    EXPECT_EQ(copy.substring(0x1400), image.bytes.substring(0x1E00));
    EXPECT_EQ(copy.char_at(0x80 + 6), 4);
    EXPECT_EQ(copy.get_int32(0x80 + 32), 0x3000 - 0xA00);
    EXPECT_EQ(copy.get_int32(0x80 + 80), 0x8000 - 0xA00);
    EXPECT_EQ(copy.substring(table + 160, 40), image.bytes.substring(table + 200, 40));
    EXPECT_EQ(copy.substring(table + 200, 40), image.bytes.substring(table + 240, 40));
    // The other headers are untouched.
    EXPECT_EQ(copy.substring(0, table + 160), [&] {
        String expected = image.bytes.substring(0, table + 160);
        expected.put_int16(0x80 + 6, 4);
        expected.put_int32(0x80 + 32, 0x3000 - 0xA00);
        expected.put_int32(0x80 + 80, 0x8000 - 0xA00);
        return expected;
    }());
}

TEST(UninstallerImage, HeadersBehindThePayloadMoveDownWithTheirRawOffsets) {
    ImageFile image = five_section_image(2, 0);
    const int table = 0x80 + 24 + 0xE0;
    // The last section has no raw data, like an uninitialised-data section.
    image.bytes.put_int32(table + 160 + 16, 0);
    image.bytes.put_int32(table + 160 + 20, 0);
    MemoryPayloadFiles files;
    files.image = image.bytes;
    PayloadHeader header;
    String copy;
    ASSERT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), copy), 0);
    EXPECT_EQ(copy.length(), 0x1E00 - 0x600);
    EXPECT_EQ(copy.substring(0, 8), image.bytes.substring(0, 8));
    EXPECT_STREQ(copy.substring(table + 80, 8).c_str(), ".rsrc");
    EXPECT_EQ(copy.get_int32(table + 80 + 20), 0x1000 - 0x600);
    EXPECT_STREQ(copy.substring(table + 120, 8).c_str(), ".reloc");
    EXPECT_EQ(copy.get_int32(table + 120 + 20), 0);
    // The slot behind the last real header takes the bytes behind the table as
    // they are.
    EXPECT_EQ(copy.substring(table + 160, 40), image.bytes.substring(table + 200, 40));
}

TEST(UninstallerImage, StubChecksumPatchBlockAndUnreadableRanges) {
    ImageFile image = five_section_image(4, 0x10);
    MemoryPayloadFiles files;
    files.image = image.bytes;
    PayloadHeader header;
    header.stub_checksum = hash(image.bytes.c_str(), 0x1400);
    ProductFlags compare;
    compare.bits = flag_mask(flag_check_stub);
    String copy;
    EXPECT_EQ(make_uninstaller_image(files, image.section, header, compare, 0, String(), copy), 0);

    // A modified stub: refused only when the checksum is asked for.
    files.image.data()[0x200] ^= 1;
    EXPECT_EQ(make_uninstaller_image(files, image.section, header, compare, 0, String(), copy), 40);
    EXPECT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), copy), 0);

    String patch;
    patch.set_length(uninstaller_patch_size);
    std::memset(patch.data(), 'P', uninstaller_patch_size);
    ASSERT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0x600, patch, copy), 0);
    EXPECT_EQ(copy.substring(0x600, uninstaller_patch_size), patch);
    EXPECT_EQ(copy.char_at(0x5FF), files.image.char_at(0x5FF));
    // A block that would pass the end of the copy is not written.
    String unpatched;
    ASSERT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), unpatched),
              0);
    ASSERT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0x1000, patch, copy), 0);
    EXPECT_EQ(copy, unpatched);

    files.image_readable_below = 0x1000;
    EXPECT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), copy), 35);
    files.image_readable_below = 0x1E00 + 8;
    EXPECT_EQ(make_uninstaller_image(files, image.section, header, ProductFlags(), 0, String(), copy), 42);
    files.image_readable_below = -1;
    PayloadSection beyond = image.section;
    beyond.raw_offset = 0x4000;
    EXPECT_EQ(make_uninstaller_image(files, beyond, header, ProductFlags(), 0, String(), copy), 35);
}

TEST(PayloadSection, MappedSizeKeepsInsideTheImage) {
    PayloadSection section;
    section.virtual_address = 0x5000;
    section.raw_size = 0xA00;
    section.image_size = 0x6000;
    EXPECT_EQ(mapped_section_size(section), 0xA00);
    section.virtual_size = 0x800;
    EXPECT_EQ(mapped_section_size(section), 0x800);
    section.image_size = 0x5400;
    EXPECT_EQ(mapped_section_size(section), -1);
    section.virtual_address = -1;
    section.image_size = 0x6000;
    EXPECT_EQ(mapped_section_size(section), -1);
}

// --- the file-data area

// A section whose file-data area is `area`, of which `in_section` bytes are in the
// section; the header is read so that the cursor views the whole section.
struct AreaFixture {
    String section;
    PayloadHeader header;
    PayloadCursor cursor;

    AreaFixture(const std::string& area, int in_section) {
        HeaderFields fields;
        fields.sizes.clear();
        fields.data = area.substr(0, static_cast<size_t>(in_section));
        fields.file_data_size = static_cast<int32_t>(area.size());
        fields.data_checksum = hash(area.data(), static_cast<int32_t>(area.size()));
        section = fields.build();
        cursor.view(section.c_str(), section.length());
        EXPECT_EQ(check_payload_header(cursor, header), 0);
    }
};

String volume(std::int32_t tag, const std::string& data) {
    std::string bytes;
    put32(bytes, static_cast<std::uint32_t>(tag));
    return as_string(bytes + data);
}

TEST(FileData, HeldByTheSectionNeedsNoVolume) {
    AreaFixture fixture("records", 7);
    MemoryPayloadFiles files;
    RecordedRequests requests;
    VolumeSet volumes{String("C:\\setup"), String("DATA"), 77};
    ASSERT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests), 0);
    EXPECT_TRUE(files.opened.empty());
    EXPECT_EQ(String(fixture.cursor.start(), fixture.cursor.size()), String("records"));
    // The cursor keeps to the area, not to the rest of the section.
    String rest;
    fixture.cursor.read_into(rest, 8);
    EXPECT_TRUE(fixture.cursor.failed());
}

TEST(FileData, ContinuedFromVolumesInNumberOrder) {
    AreaFixture fixture("abcdefghij", 3);
    MemoryPayloadFiles files;
    files.volumes["C:\\setup\\DATA2.VNK"] = volume(77, "defg");
    files.volumes["C:\\setup\\DATA3.VNK"] = volume(78, "hij");
    RecordedRequests requests;
    VolumeSet volumes{String("C:\\setup"), String("DATA"), 77};
    ASSERT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests), 0);
    EXPECT_EQ(String(fixture.cursor.start(), fixture.cursor.size()), String("abcdefghij"));
    EXPECT_EQ(files.opened, (std::vector<std::string>{"C:\\setup\\DATA2.VNK", "C:\\setup\\DATA3.VNK"}));
    EXPECT_EQ(requests.missing_before, (std::vector<int>{7, 3}));
    EXPECT_TRUE(requests.asked.empty());
}

TEST(FileData, MissingOrWrongVolumesAreAskedForAgain) {
    struct Case {
        const char* what;
        std::function<void(MemoryPayloadFiles&)> setup;
        const char* asked;
    } cases[] = {
        {"missing", [](MemoryPayloadFiles&) {}, "2:DATA2.VNK:cannot_open"},
        {"only a tag", [](MemoryPayloadFiles& f) { f.volumes["DATA2.VNK"] = volume(5, ""); },
         "2:DATA2.VNK:wrong_volume"},
        {"another build's tag", [](MemoryPayloadFiles& f) { f.volumes["DATA2.VNK"] = volume(6, "defghij"); },
         "2:DATA2.VNK:wrong_volume"},
        {"more data than the area lacks",
         [](MemoryPayloadFiles& f) { f.volumes["DATA2.VNK"] = volume(5, "defghijk"); },
         "2:DATA2.VNK:wrong_volume"},
    };
    for (const Case& c : cases) {
        AreaFixture fixture("abcdefghij", 3);
        MemoryPayloadFiles files;
        c.setup(files);
        RecordedRequests requests;
        requests.retries = 1;
        VolumeSet volumes{String(), String("DATA"), 5};
        EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests),
                  volume_request_refused)
            << c.what;
        EXPECT_EQ(requests.asked, (std::vector<std::string>{c.asked, c.asked})) << c.what;
    }

    // The user supplies the right volume on the second request.
    AreaFixture fixture("abcdefghij", 3);
    MemoryPayloadFiles files;
    RecordedRequests requests;
    requests.retries = 5;
    requests.on_retry = [&] { files.volumes["DATA2.VNK"] = volume(5, "defghij"); };
    VolumeSet volumes{String(), String("DATA"), 5};
    ASSERT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests), 0);
    EXPECT_EQ(requests.asked.size(), 1u);
    EXPECT_EQ(String(fixture.cursor.start(), fixture.cursor.size()), String("abcdefghij"));
}

TEST(FileData, DamageGivesItsCode) {
    VolumeSet volumes{String(), String("DATA"), 5};
    {
        AreaFixture fixture("abcdefghij", 3);
        MemoryPayloadFiles files;
        files.volumes["DATA2.VNK"] = volume(5, "defghij");
        files.fail_volume_reads_after = 1; // the tag reads, the data does not
        RecordedRequests requests;
        EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests),
                  50);
    }
    {
        AreaFixture fixture("abcdefghij", 10);
        fixture.header.file_data_checksum ^= 1;
        MemoryPayloadFiles files;
        RecordedRequests requests;
        EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests),
                  55);
    }
    {
        AreaFixture fixture("not a packed block", 18);
        MemoryPayloadFiles files;
        RecordedRequests requests;
        ProductFlags packed;
        packed.bits = flag_mask(flag_packed_file_data);
        EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, packed, volumes, files, requests), 60);
    }
    {
        // The header claims more bytes in the section than it has.
        AreaFixture fixture("abcdefghij", 10);
        fixture.header.payload_length += 100;
        fixture.header.file_data_size += 100;
        MemoryPayloadFiles files;
        RecordedRequests requests;
        EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests),
                  corrupt_payload_overrun);
    }
}

TEST(FileData, DamagedSizeIsNeverAllocated) {
    // A size beyond any memory, spanning volumes: only what the volumes really hold
    // is read, so the reader asks for the next volume instead of ending out of memory.
    AreaFixture fixture("abc", 3);
    fixture.header.file_data_size = 0x7FFFFFF0;
    MemoryPayloadFiles files;
    files.volumes["V2.VNK"] = volume(5, "defg");
    RecordedRequests requests;
    VolumeSet volumes{String(), String("V"), 5};
    EXPECT_EQ(gather_file_data(fixture.cursor, fixture.header, ProductFlags(), volumes, files, requests),
              volume_request_refused);
    ASSERT_EQ(requests.asked.size(), 1u);
    EXPECT_EQ(requests.asked[0], "3:V3.VNK:cannot_open");
    EXPECT_EQ(requests.missing_before, (std::vector<int>{0x7FFFFFF0 - 3, 0x7FFFFFF0 - 7}));
}

TEST(FileData, VolumePathIsBesideTheInstaller) {
    EXPECT_STREQ(volume_path(VolumeSet{String("C:\\Setup"), String("Disk"), 0}, 2).c_str(),
                 "C:\\Setup\\Disk2.VNK");
    EXPECT_STREQ(volume_path(VolumeSet{String("C:\\"), String("Disk"), 0}, 12).c_str(), "C:\\Disk12.VNK");
    EXPECT_STREQ(volume_path(VolumeSet{String(), String("Disk"), 0}, 3).c_str(), "Disk3.VNK");
}

} // namespace
