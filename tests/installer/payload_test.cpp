#include "installer/payload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
