// The PE header view: on the real sample image, where the headers must agree with
// each other, and on small images built here and then cut short or damaged. Images
// are exact-size heap copies, so that ASan sees a read one byte past the end.

#include "format/pe_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/sample_pe.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, std::int64_t at, std::uint32_t v) {
    b.at(static_cast<size_t>(at)) = static_cast<unsigned char>(v);
    b.at(static_cast<size_t>(at + 1)) = static_cast<unsigned char>(v >> 8);
}

void put32(Bytes& b, std::int64_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

Bytes cut(const Bytes& b, std::int64_t n) {
    return Bytes(b.begin(), b.begin() + n);
}

PeView view_of(const Bytes& b) {
    PeView view(b.data(), static_cast<std::int64_t>(b.size()));
    std::uint32_t pe = 0;
    view.new_header_offset(pe);
    view.set_pe_header(pe);
    return view;
}

// A PE32+ image, 0x700 bytes: the PE header at 0x80, 16 data directories (the
// resource directory at 0x3000, 0x80 bytes), and two sections:
//   .text  RVA 0x1000, virtual size 0x300, raw data 0x200 bytes at 0x400
//   .data  RVA 0x2000, virtual size 0 (the raw size counts), 0x100 bytes at 0x600
// Every byte from 0x400 on holds the low byte of its offset.
constexpr std::int64_t pe_at = 0x80;
constexpr std::int64_t optional_at = pe_at + 24;
constexpr std::int64_t optional_size = 240;
constexpr std::int64_t table_at = optional_at + optional_size;
constexpr std::int64_t data_header = table_at + 40;

Bytes small_image() {
    Bytes b(0x700, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, pe::new_header_field, pe_at);
    std::memcpy(&b[pe_at], "PE\0\0", 4);
    put16(b, pe_at + 6, 2);
    put16(b, pe_at + 20, optional_size);
    put16(b, optional_at, pe::pe32_plus_magic);
    put32(b, optional_at + pe::pe32_plus_directories - 4, 16);
    put32(b, optional_at + pe::pe32_plus_directories + 16, 0x3000);
    put32(b, optional_at + pe::pe32_plus_directories + 20, 0x80);
    const struct {
        const char* name;
        std::uint32_t address, virtual_size, raw_size, raw_offset;
    } sections[] = {{".text", 0x1000, 0x300, 0x200, 0x400}, {".data", 0x2000, 0, 0x100, 0x600}};
    std::int64_t h = table_at;
    for (const auto& s : sections) {
        std::memcpy(&b[h], s.name, std::strlen(s.name));
        put32(b, h + 8, s.virtual_size);
        put32(b, h + 12, s.address);
        put32(b, h + 16, s.raw_size);
        put32(b, h + 20, s.raw_offset);
        put32(b, h + 36, 0x40000040);
        h += 40;
    }
    for (size_t i = 0x400; i < b.size(); ++i)
        b[i] = static_cast<unsigned char>(i);
    return b;
}

TEST(PeView, RealImageHeadersAgreeWithEachOther) {
    const String file = read_sample_pe();
    ASSERT_GT(file.length(), 0) << VARNOOK_SAMPLE_PE;
    PeView view(file.c_str(), file.length());
    ASSERT_TRUE(view.has_mz());
    std::uint32_t pe = 0;
    std::uint32_t pe16 = 0;
    ASSERT_TRUE(view.new_header_offset(pe));
    ASSERT_TRUE(view.new_header_offset16(pe16));
    EXPECT_EQ(pe16, pe & 0xFFFF);
    view.set_pe_header(pe);
    ASSERT_TRUE(view.has_pe_signature());
    std::uint32_t magic = 0;
    std::int64_t first = 0;
    ASSERT_TRUE(view.directories(magic, first));
    EXPECT_EQ(magic, pe::pe32_plus_magic);
    EXPECT_EQ(first, pe::pe32_plus_directories);

    std::uint32_t count = 0;
    std::uint32_t section_alignment = 0;
    std::uint32_t file_alignment = 0;
    std::uint32_t image_size = 0;
    std::uint32_t headers_size = 0;
    ASSERT_TRUE(view.section_count(count));
    ASSERT_GT(count, 2u);
    ASSERT_TRUE(view.optional_field(pe::section_alignment_field, section_alignment));
    ASSERT_TRUE(view.optional_field(pe::file_alignment_field, file_alignment));
    ASSERT_TRUE(view.optional_field(pe::image_size_field, image_size));
    ASSERT_TRUE(view.optional_field(pe::headers_size_field, headers_size));
    ASSERT_NE(section_alignment, 0u);
    ASSERT_NE(file_alignment, 0u);
    EXPECT_LE(view.section_table() + count * pe::section_header_size, headers_size);

    // The loader's rules for a section table: aligned, ascending, inside the image
    // and the file. A field read from the wrong place breaks one of them.
    std::uint32_t previous_end = headers_size;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(count); ++i) {
        PeSection s;
        ASSERT_TRUE(view.section(i, s)) << i;
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.index, i);
        EXPECT_EQ(s.header_offset, view.section_table() + i * pe::section_header_size);
        EXPECT_EQ(s.virtual_address % section_alignment, 0u);
        EXPECT_GE(s.virtual_address, previous_end);
        EXPECT_NE(s.virtual_size, 0u);
        EXPECT_LE(std::uint64_t{s.virtual_address} + s.virtual_size, image_size);
        EXPECT_EQ(s.raw_offset % file_alignment, 0u);
        EXPECT_LE(std::uint64_t{s.raw_offset} + s.raw_size, static_cast<std::uint64_t>(file.length()));
        EXPECT_NE(s.characteristics, 0u);
        previous_end = s.virtual_address + s.virtual_size;
    }

    // The entry point is code in .text, and the mapping finds it there.
    PeSection text;
    ASSERT_GE(view.find_section(".text", static_cast<std::int32_t>(count), text), 0);
    EXPECT_EQ(text.characteristics & 0x20000020u, 0x20000020u); // code, executable
    std::uint32_t entry = 0;
    ASSERT_TRUE(view.optional_field(16, entry));
    ByteReader code;
    ASSERT_TRUE(view.from_rva(entry, count, code));
    EXPECT_EQ(code.data(), file.c_str() + text.raw_offset + (entry - text.virtual_address));
    EXPECT_EQ(code.data() + code.size(),
              file.c_str() + text.raw_offset + std::min(text.raw_size, text.virtual_size));

    // The resource directory maps onto the bytes that hold the version resource,
    // found here by a plain scan for its key.
    std::uint32_t resource_rva = 0;
    std::uint32_t resource_size = 0;
    ASSERT_TRUE(view.directory(pe::resource_directory, resource_rva, resource_size));
    ASSERT_NE(resource_size, 0u);
    ByteReader resources;
    ASSERT_TRUE(view.at_rva(resource_rva, resource_size, count, resources));
    EXPECT_EQ(resources.size(), resource_size);
    std::string key;
    for (char c : std::string("VS_VERSION_INFO"))
        key += std::string{c, '\0'};
    const std::string whole(file.c_str(), static_cast<size_t>(file.length()));
    const size_t found = whole.find(key);
    ASSERT_NE(found, std::string::npos);
    EXPECT_GE(file.c_str() + found, resources.data());
    EXPECT_LE(file.c_str() + found + key.size(), resources.data() + resources.size());
}

TEST(PeView, NewHeaderOffsetIn32And16Bits) {
    // 0x3C holds 80 00 01 00: the loader's 32-bit field, and the payload lookup's
    // 16 bits of it, each read only when wholly inside.
    struct Case {
        std::int64_t size;
        bool has32;
        bool has16;
    };
    const Case cases[] = {{0x40, true, true}, {0x3F, false, true}, {0x3E, false, true}, {0x3D, false, false}};
    for (const Case& c : cases) {
        Bytes b(0x40, 0);
        put32(b, pe::new_header_field, 0x10080);
        b = cut(b, c.size);
        PeView view(b.data(), c.size);
        std::uint32_t offset = 1;
        EXPECT_EQ(view.new_header_offset(offset), c.has32) << c.size;
        EXPECT_EQ(offset, c.has32 ? 0x10080u : 0u) << c.size;
        EXPECT_EQ(view.new_header_offset16(offset), c.has16) << c.size;
        EXPECT_EQ(offset, c.has16 ? 0x80u : 0u) << c.size;
    }
}

TEST(PeView, SignaturesAreReadOnlyInside) {
    const Bytes image = small_image();
    EXPECT_TRUE(view_of(image).has_mz());
    EXPECT_TRUE(view_of(image).has_pe_signature());
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        bool mz;
        bool pe;
    };
    const Case cases[] = {
        {"ZM", [](Bytes& b) { b[0] = 'Z'; }, false, true},
        {"PE header beyond the file", [](Bytes& b) { put32(b, pe::new_header_field, 0x700); }, true, false},
        {"PE header 3 bytes before the end", [](Bytes& b) { put32(b, pe::new_header_field, 0x6FD); }, true,
         false},
        {"PE header near 4 GiB", [](Bytes& b) { put32(b, pe::new_header_field, 0xFFFFFFFE); }, true, false},
        {"PE\\0 and another byte", [](Bytes& b) { b[pe_at + 3] = 'x'; }, true, false},
        {"cut inside the signature", [](Bytes& b) { b = cut(b, pe_at + 3); }, true, false},
        {"one byte", [](Bytes& b) { b = cut(b, 1); }, false, false},
    };
    for (const Case& c : cases) {
        Bytes b = image;
        c.damage(b);
        EXPECT_EQ(view_of(b).has_mz(), c.mz) << c.what;
        EXPECT_EQ(view_of(b).has_pe_signature(), c.pe) << c.what;
    }
}

TEST(PeView, SectionHeaderFieldsCutOffReadAsZero) {
    Bytes image = small_image();
    put32(image, data_header + 8, 0x11111111);
    put32(image, data_header + 12, 0x22222222);
    put32(image, data_header + 16, 0x33333333);
    put32(image, data_header + 20, 0x44444444);
    put32(image, data_header + 36, 0x55555555);
    // How many bytes of .data's header the file holds, and which fields are then
    // read (virtual size, address, raw size, raw offset, characteristics).
    struct Case {
        std::int64_t held;
        bool named;
        int fields;
    };
    const Case cases[] = {{0, false, 0}, {7, false, 0}, {8, true, 0},  {11, true, 0}, {12, true, 1},
                          {19, true, 2}, {24, true, 4}, {39, true, 4}, {40, true, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.held);
        const Bytes b = cut(image, data_header + c.held);
        PeSection s;
        s.virtual_size = 7;
        ASSERT_EQ(view_of(b).section(1, s), c.named);
        const std::uint32_t expected[] = {0x11111111, 0x22222222, 0x33333333, 0x44444444, 0x55555555};
        const std::uint32_t read[] = {s.virtual_size, s.virtual_address, s.raw_size, s.raw_offset,
                                      s.characteristics};
        for (int f = 0; f < 5; ++f)
            EXPECT_EQ(read[f], f < c.fields ? expected[f] : 0u) << f;
        EXPECT_STREQ(s.name, c.named ? ".data" : "");
        EXPECT_EQ(s.index, c.named ? 1 : 0);
        EXPECT_EQ(s.header_offset, c.named ? data_header : 0);
    }
}

TEST(PeView, SectionTablePastTheEnd) {
    Bytes image = small_image();
    put16(image, pe_at + 6, 5);
    // The first header whole, .data's name and 3 bytes more.
    const Bytes b = cut(image, data_header + 11);
    const PeView view = view_of(b);
    PeSection s;
    EXPECT_TRUE(view.section(1, s));
    EXPECT_FALSE(view.section(2, s));
    EXPECT_FALSE(view.section(-1, s));
    EXPECT_FALSE(view.section(0x7FFFFFFF, s));
    EXPECT_EQ(view.find_section(".data", 5, s), 1);
    EXPECT_EQ(s.virtual_address, 0u);
    EXPECT_EQ(view.find_section(".rsrc", 5, s), -1);
    EXPECT_EQ(view.find_section(".rsrc", 0x7FFFFFFF, s), -1);

    // An optional header that claims more than the file holds puts the table outside.
    Bytes far = image;
    put16(far, pe_at + 20, 0xFFFF);
    EXPECT_FALSE(view_of(far).section(0, s));
}

TEST(PeView, DirectoriesOfPe32AndPe32Plus) {
    // Directory 2 of each layout holds its own values; the magic picks the layout.
    Bytes image = small_image();
    put32(image, optional_at + pe::pe32_directories - 4, 16);
    put32(image, optional_at + pe::pe32_directories + 16, 0x5000);
    put32(image, optional_at + pe::pe32_directories + 20, 0x50);
    struct Case {
        std::uint32_t magic;
        bool known;
        std::int64_t first;
        std::uint32_t rva;
        std::uint32_t size;
    };
    const Case cases[] = {{pe::pe32_plus_magic, true, pe::pe32_plus_directories, 0x3000, 0x80},
                          {pe::pe32_magic, true, pe::pe32_directories, 0x5000, 0x50},
                          {0x107, false, 0, 0, 0},
                          {0x20C, false, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.magic);
        Bytes b = image;
        put16(b, optional_at, c.magic);
        const PeView view = view_of(b);
        std::uint32_t magic = 0;
        std::int64_t first = 0;
        EXPECT_EQ(view.directories(magic, first), c.known);
        EXPECT_EQ(magic, c.magic);
        if (c.known) {
            EXPECT_EQ(first, c.first);
        }
        std::uint32_t rva = 1;
        std::uint32_t size = 1;
        EXPECT_EQ(view.directory(pe::resource_directory, rva, size), c.known);
        EXPECT_EQ(rva, c.rva);
        EXPECT_EQ(size, c.size);
    }
}

TEST(PeView, DirectoryOnlyWhenTheHeaderDeclaresIt) {
    const std::int64_t count_at = optional_at + pe::pe32_plus_directories - 4;
    const std::int64_t entry_end = pe::pe32_plus_directories + 8 * 3; // of directory 2
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::uint32_t index;
        bool declared;
    };
    const Case cases[] = {
        {"as built", [](Bytes&) {}, pe::resource_directory, true},
        {"three directories", [&](Bytes& b) { put32(b, count_at, 3); }, pe::resource_directory, true},
        {"two directories", [&](Bytes& b) { put32(b, count_at, 2); }, pe::resource_directory, false},
        {"no directories", [&](Bytes& b) { put32(b, count_at, 0); }, 0, false},
        {"optional header ends with the entry", [&](Bytes& b) { put16(b, pe_at + 20, entry_end); },
         pe::resource_directory, true},
        {"optional header ends inside the entry", [&](Bytes& b) { put16(b, pe_at + 20, entry_end - 1); },
         pe::resource_directory, false},
        {"file ends inside the entry", [&](Bytes& b) { b = cut(b, optional_at + entry_end - 1); },
         pe::resource_directory, false},
        {"file ends inside the count", [&](Bytes& b) { b = cut(b, count_at + 3); }, 0, false},
        {"the last of 2^32 - 1", [&](Bytes& b) { put32(b, count_at, 0xFFFFFFFF); }, 0xFFFFFFFE, false},
    };
    for (const Case& c : cases) {
        Bytes b = small_image();
        c.damage(b);
        std::uint32_t rva = 1;
        std::uint32_t size = 1;
        EXPECT_EQ(view_of(b).directory(c.index, rva, size), c.declared) << c.what;
        EXPECT_EQ(rva, c.declared ? 0x3000u : 0u) << c.what;
        EXPECT_EQ(size, c.declared ? 0x80u : 0u) << c.what;
    }
}

TEST(PeView, RvaMapsToTheFileBytesOfItsSection) {
    const Bytes image = small_image();
    // The bytes from the address to the end of its section's raw data; none for
    // addresses in no section or in the zeros the loader maps past the raw data.
    struct Case {
        std::uint32_t rva;
        std::uint32_t count;
        std::int64_t offset; // -1: not mapped
        std::int64_t size;
    };
    const Case cases[] = {
        {0x1000, 2, 0x400, 0x200}, {0x1010, 2, 0x410, 0x1F0}, {0x11FF, 2, 0x5FF, 1}, {0x1200, 2, -1, 0},
        {0x12FF, 2, -1, 0},        {0x1300, 2, -1, 0},        {0x0FFF, 2, -1, 0},    {0, 2, -1, 0},
        {0x2000, 2, 0x600, 0x100}, {0x20FF, 2, 0x6FF, 1},     {0x2100, 2, -1, 0},    {0xFFFFFFFF, 2, -1, 0},
        {0x2000, 1, -1, 0},        {0x1000, 0, -1, 0},
    };
    const PeView view = view_of(image);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rva) + " of " + std::to_string(c.count));
        ByteReader out(image.data(), 5);
        ASSERT_EQ(view.from_rva(c.rva, c.count, out), c.offset >= 0);
        EXPECT_EQ(out.size(), c.size);
        if (c.offset >= 0) {
            EXPECT_EQ(out.data(), reinterpret_cast<const char*>(image.data()) + c.offset);
        }
    }

    ByteReader out;
    ASSERT_TRUE(view.at_rva(0x1010, 0x1F0, 2, out));
    EXPECT_EQ(out.size(), 0x1F0);
    EXPECT_EQ(out.u8(), 0x10);
    EXPECT_TRUE(view.at_rva(0x1010, 0, 2, out));
    EXPECT_EQ(out.size(), 0);
    // One byte more than the raw data holds is not in the file.
    EXPECT_FALSE(view.at_rva(0x1010, 0x1F1, 2, out));
    EXPECT_EQ(out.size(), 0);
    EXPECT_FALSE(view.at_rva(0x1200, 1, 2, out));
}

TEST(PeView, RvaMappingOfDamagedSections) {
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::uint32_t rva;
        std::uint32_t count;
        std::int64_t offset; // -1: not mapped
        std::int64_t size;
    };
    const Case cases[] = {
        {"raw data running past the file is cut at its end",
         [](Bytes& b) { put32(b, data_header + 16, 0x10000); }, 0x2010, 2, 0x610, 0xF0},
        {"raw data beyond the file", [](Bytes& b) { put32(b, data_header + 20, 0x700); }, 0x2000, 2, -1, 0},
        {"raw data near 4 GiB", [](Bytes& b) { put32(b, data_header + 20, 0xFFFFFF00); }, 0x2000, 2, -1, 0},
        {"virtual range near 4 GiB",
         [](Bytes& b) {
             put32(b, data_header + 8, 0xFFFFFFFF);
             put32(b, data_header + 12, 0xFFFFFF00);
         },
         0xFFFFFFFF, 2, 0x600 + 0xFF, 1},
        {"the first section that maps the address wins, here with its zeros",
         [](Bytes& b) { put32(b, table_at + 8, 0x2000); }, 0x2000, 2, -1, 0},
        {"empty headers are passed over",
         [](Bytes& b) {
             std::memcpy(&b[table_at + 80], &b[data_header], 40);
             std::memset(&b[data_header], 0, 40);
             put16(b, pe_at + 6, 3);
         },
         0x2000, 3, 0x600, 0x100},
        {"a section count beyond the file stops at the end", [](Bytes& b) { put16(b, pe_at + 6, 0xFFFF); },
         0x5000, 0xFFFF, -1, 0},
    };
    for (const Case& c : cases) {
        Bytes b = small_image();
        c.damage(b);
        ByteReader out;
        ASSERT_EQ(view_of(b).from_rva(c.rva, c.count, out), c.offset >= 0) << c.what;
        EXPECT_EQ(out.size(), c.size) << c.what;
        if (c.offset >= 0) {
            EXPECT_EQ(out.data(), reinterpret_cast<const char*>(b.data()) + c.offset) << c.what;
        }
    }
}

TEST(PeView, RvaMappingNeedsEachWalkedHeaderUpToItsRawOffset) {
    // Both sections' raw data lies in the headers' bytes, so that the file can end
    // inside .data's header and still hold the data.
    Bytes image = small_image();
    put32(image, table_at + 16, 0x40);
    put32(image, table_at + 20, 0x0);
    put32(image, data_header + 16, 0x20);
    put32(image, data_header + 20, 0x40);
    struct Case {
        std::int64_t held; // bytes of .data's header in the file
        bool data_mapped;
    };
    const Case cases[] = {{8, false}, {20, false}, {23, false}, {24, true}, {39, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.held);
        const Bytes b = cut(image, data_header + c.held);
        const PeView view = view_of(b);
        ByteReader out;
        // .text comes first and needs nothing of the header behind it.
        ASSERT_TRUE(view.from_rva(0x1000, 2, out));
        EXPECT_EQ(out.data(), reinterpret_cast<const char*>(b.data()));
        EXPECT_EQ(out.size(), 0x40);
        EXPECT_EQ(view.from_rva(0x2000, 2, out), c.data_mapped);
        EXPECT_EQ(out.size(), c.data_mapped ? 0x20 : 0);
    }
}

} // namespace
