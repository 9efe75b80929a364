// The payload section appended to a PE image: where it lands, what the headers say
// afterwards, that the stub's reader finds it and that the uninstaller image built
// from the result is the stub again.

#include "builder/pe_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "builder/payload_writer.h"
#include "format/pe_view.h"
#include "tests/format/memory_payload_files.h"
#include "tests/support/string_text.h"

namespace {

// Offsets in the synthetic image.
constexpr std::int32_t pe = 0x80;
constexpr std::int32_t optional = pe + 24;
constexpr std::int32_t optional_size = 240; // PE32+ with 16 directories
constexpr std::int32_t table = optional + optional_size;
constexpr std::int32_t own_sections = 3;

std::uint32_t align(std::uint32_t v, std::uint32_t a) {
    return (v + a - 1) / a * a;
}

std::uint32_t u32(const String& s, std::int32_t at) {
    return static_cast<std::uint32_t>(s.get_int32(at));
}

std::uint32_t u16(const String& s, std::int32_t at) {
    return static_cast<unsigned char>(s.char_at(at)) | static_cast<unsigned char>(s.char_at(at + 1)) << 8;
}

// A PE32+ image with three sections, a non-zero CheckSum and `tail` bytes of
// overlay behind the last section's data, so that its file end is not aligned.
String synthetic_stub(std::uint32_t file_alignment, std::uint32_t section_alignment, std::int32_t tail) {
    const std::uint32_t headers = align(0x400, file_alignment);
    const std::uint32_t raw = align(0x300, file_alignment);
    String s;
    s.set_length(static_cast<std::int32_t>(headers + own_sections * raw) + tail);
    for (std::int32_t i = 0; i < s.length(); ++i)
        s.data()[i] = i < static_cast<std::int32_t>(headers) ? 0 : static_cast<char>(i * 13 + 1);
    s.put_bytes("MZ", 0, 2);
    s.put_int32(0x3C, pe);
    s.put_bytes("PE\0\0", pe, 4);
    s.put_int16(pe + 4, static_cast<std::int16_t>(0x8664));
    s.put_int16(pe + 6, own_sections);
    s.put_int16(pe + 20, optional_size);
    s.put_int16(optional, 0x20B);
    s.put_int32(optional + 8, 0x5000); // SizeOfInitializedData
    s.put_int32(optional + 32, static_cast<std::int32_t>(section_alignment));
    s.put_int32(optional + 36, static_cast<std::int32_t>(file_alignment));
    s.put_int32(optional + 56, static_cast<std::int32_t>(section_alignment * (own_sections + 1)));
    s.put_int32(optional + 60, static_cast<std::int32_t>(headers));
    s.put_int32(optional + 64, 0x1234567);
    s.put_int32(optional + 108, 16);
    const char* names[own_sections] = {".text", ".data", ".rdata"};
    for (std::int32_t i = 0; i < own_sections; ++i) {
        std::int32_t h = table + i * ::pe::section_header_size;
        s.put_bytes(names[i], h, static_cast<std::int32_t>(std::strlen(names[i])));
        s.put_int32(h + 8, 0x300);
        s.put_int32(h + 12, static_cast<std::int32_t>(section_alignment * (i + 1)));
        s.put_int32(h + 16, static_cast<std::int32_t>(raw));
        s.put_int32(h + 20, static_cast<std::int32_t>(headers + i * raw));
        s.put_int32(h + 36, 0x40000040);
    }
    return s;
}

InstallScript minimal_script() {
    InstallScript s;
    s.default_product_name = "Tool";
    s.default_directory = "%ProgramFiles%\\Tool";
    s.volume_base_name = "TOOL";
    s.uninstaller_file_name = "Uninstall Tool.exe";
    s.language_names.add(String("English"));
    for (int n = 0; n < 3; ++n)
        s.language_strings.add(Vector<String>()).add(String(("Text " + std::to_string(n)).c_str()));
    return s;
}

String payload_section() {
    FileRecord f;
    f.name = "tool.exe";
    f.data = "tool data";
    BuiltPayload built;
    std::string error;
    EXPECT_TRUE(write_payload(minimal_script(), {f}, PayloadOptions(), built, error)) << error;
    return built.section;
}

// Reads the result back as the stub does and builds its uninstaller image with the
// stub checksum compared.
struct ReadBack {
    PayloadSection section;
    PayloadHeader header;
    int uninstaller_code = -1;
    String uninstaller;
};

ReadBack read_back(const String& image) {
    ReadBack back;
    EXPECT_EQ(find_payload_section(image, back.section), payload_section_found);
    PayloadCursor cursor;
    cursor.view(image.c_str() + back.section.raw_offset, mapped_section_size(back.section));
    EXPECT_EQ(check_payload_header(cursor, back.header), 0);
    MemoryPayloadFiles files;
    files.image = image;
    ProductFlags flags;
    flags.bits = flag_mask(flag_check_stub);
    back.uninstaller_code =
        make_uninstaller_image(files, back.section, back.header, flags, 0, String(), back.uninstaller);
    return back;
}

TEST(PeWriter, AppendsTheSectionWhereTheLoaderAndTheReaderTakeIt) {
    struct Case {
        std::uint32_t file_alignment;
        std::uint32_t section_alignment;
        std::int32_t tail;
    } cases[] = {{0x200, 0x1000, 0x37}, {0x200, 0x1000, 0}, {0x1000, 0x1000, 5}, {0x200, 0x2000, 0x201}};
    const String payload = payload_section();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.file_alignment) + "/" + std::to_string(c.section_alignment) + "+" +
                     std::to_string(c.tail));
        const String stub = synthetic_stub(c.file_alignment, c.section_alignment, c.tail);
        String image;
        std::string error;
        ASSERT_TRUE(append_payload_section(stub, payload, image, error)) << error;

        const std::uint32_t raw_offset = align(static_cast<std::uint32_t>(stub.length()), c.file_alignment);
        const std::uint32_t raw_size =
            align(static_cast<std::uint32_t>(payload.length()), c.section_alignment);
        const std::uint32_t address = c.section_alignment * (own_sections + 1);
        const std::int32_t h = table + own_sections * ::pe::section_header_size;
        EXPECT_EQ(text_of(image.substring(h, 8)), std::string(".vrnk\0\0\0", 8));
        EXPECT_EQ(u32(image, h + 8), static_cast<std::uint32_t>(payload.length()));
        EXPECT_EQ(u32(image, h + 12), address);
        EXPECT_EQ(u32(image, h + 16), raw_size);
        EXPECT_EQ(u32(image, h + 20), raw_offset);
        EXPECT_EQ(text_of(image.substring(h + 24, 12)), std::string(12, '\0'));
        EXPECT_EQ(u32(image, h + 36), 0x40000040u);
        EXPECT_EQ(raw_offset % c.file_alignment, 0u);
        EXPECT_EQ(raw_size % c.file_alignment, 0u);
        EXPECT_EQ(u16(image, pe + 6), static_cast<std::uint32_t>(own_sections + 1));
        EXPECT_EQ(u32(image, optional + 56), address + raw_size);
        EXPECT_EQ(u32(image, optional + 8), 0x5000u + raw_size);
        EXPECT_EQ(u32(image, optional + 64), 0u);
        EXPECT_EQ(static_cast<std::uint32_t>(image.length()), raw_offset + raw_size);
        // The stub's bytes stay, zeros pad to the section, the payload and zeros fill it.
        EXPECT_EQ(text_of(image.substring(h + ::pe::section_header_size,
                                          stub.length() - h - ::pe::section_header_size)),
                  text_of(stub.substring(h + ::pe::section_header_size)));
        EXPECT_EQ(
            text_of(image.substring(stub.length(), static_cast<std::int32_t>(raw_offset) - stub.length())),
            std::string(raw_offset - static_cast<std::uint32_t>(stub.length()), '\0'));
        String stored = image.substring(static_cast<std::int32_t>(raw_offset), payload.length());
        EXPECT_EQ(
            stored.get_int32(payload_stub_checksum_field),
            static_cast<std::int32_t>(image.substring(0, static_cast<std::int32_t>(raw_offset)).hash()));
        set_stub_checksum(stored, 0);
        String unset(payload);
        set_stub_checksum(unset, 0);
        EXPECT_EQ(text_of(stored), text_of(unset));
        EXPECT_EQ(text_of(image.substring(static_cast<std::int32_t>(raw_offset) + payload.length())),
                  std::string(raw_size - static_cast<std::uint32_t>(payload.length()), '\0'));

        ReadBack back = read_back(image);
        EXPECT_EQ(back.section.index, own_sections);
        EXPECT_EQ(back.section.header_offset, h);
        EXPECT_EQ(mapped_section_size(back.section), payload.length());
        // The uninstaller is the stub again, apart from two things the writer changed
        // for good: the zeros that pad the stub's file to FileAlignment and the
        // CheckSum, which stays 0. Sizes, count and table are the stub's own.
        ASSERT_EQ(back.uninstaller_code, 0);
        String expected(stub);
        expected.put_int32(optional + 64, 0);
        expected.append(std::string(raw_offset - static_cast<std::uint32_t>(stub.length()), '\0').c_str(),
                        static_cast<std::int32_t>(raw_offset) - stub.length());
        EXPECT_EQ(text_of(back.uninstaller), text_of(expected));
    }
}

TEST(PeWriter, TheStubChecksumCoversTheFinalHeaders) {
    String image;
    std::string error;
    ASSERT_TRUE(append_payload_section(synthetic_stub(0x200, 0x1000, 3), payload_section(), image, error))
        << error;
    // A byte changed in front of the section, here the new header's VirtualSize,
    // is what the compared checksum catches.
    image.put_int32(table + own_sections * ::pe::section_header_size + 8,
                    image.get_int32(table + own_sections * ::pe::section_header_size + 8) - 4);
    EXPECT_EQ(read_back(image).uninstaller_code, 40);
}

TEST(PeWriter, RefusesStubsItCannotExtend) {
    struct Case {
        const char* what;
        void (*damage)(String&);
        const char* error_part;
    } cases[] = {
        {"no MZ", [](String& s) { s.put_bytes("ZM", 0, 2); }, "not a PE image"},
        {"short file", [](String& s) { s.truncate(40); }, "not a PE image"},
        {"no PE signature", [](String& s) { s.put_bytes("PX", pe, 2); }, "no PE signature"},
        {"new header beyond the file", [](String& s) { s.put_int32(0x3C, 0x7FFF0000); }, "no PE signature"},
        {"unknown optional header", [](String& s) { s.put_int16(optional, 0x107); },
         "unknown optional header"},
        {"table beyond the file", [](String& s) { s.put_int16(pe + 6, 0x7FF); }, "section table"},
        {"bad alignment", [](String& s) { s.put_int32(optional + 36, 0x300); }, "alignments"},
        {"signed", [](String& s) { s.put_int32(optional + 112 + 4 * 8 + 4, 0x800); }, "is signed"},
        {"data right behind the table",
         [](String& s) { s.put_int32(table + own_sections * ::pe::section_header_size + 20, 0x1234); },
         "no free room for another 40-byte section header"},
        {"first raw data right behind the table",
         [](String& s) { s.put_int32(table + 20, table + own_sections * ::pe::section_header_size + 16); },
         "no free room"},
        {"SizeOfHeaders ends at the table", [](String& s) { s.put_int32(optional + 60, 0x200); },
         "no free room"},
        {"too few sections for the reader",
         [](String& s) {
             s.put_int16(pe + 6, 2);
             s.put_bytes(std::string(::pe::section_header_size, '\0').c_str(),
                         table + 2 * ::pe::section_header_size, ::pe::section_header_size);
         },
         "3 to 98 sections"},
    };
    const String payload = payload_section();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        String stub = synthetic_stub(0x200, 0x1000, 0);
        c.damage(stub);
        String image("left over");
        std::string error;
        EXPECT_FALSE(append_payload_section(stub, payload, image, error));
        EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
        EXPECT_TRUE(image.is_empty());
    }

    // A stub that already carries a payload.
    String once;
    std::string error;
    ASSERT_TRUE(append_payload_section(synthetic_stub(0x200, 0x1000, 0), payload, once, error)) << error;
    String twice;
    EXPECT_FALSE(append_payload_section(once, payload, twice, error));
    EXPECT_NE(error.find("already has a .vrnk section"), std::string::npos) << error;
}

} // namespace
