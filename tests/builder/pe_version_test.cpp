// Versions read from PE version resources: images built here byte by byte, one
// real PE file, and damaged or foreign bytes that must end in "no version".

#include "builder/pe_version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2)
        b.resize(at + 2);
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

void pad4(Bytes& b) {
    while (b.size() % 4 != 0)
        b.push_back(0);
}

void utf16(Bytes& b, const std::string& text) {
    for (char c : text) {
        b.push_back(static_cast<unsigned char>(c));
        b.push_back(0);
    }
    b.push_back(0);
    b.push_back(0);
}

// One VS_VERSIONINFO block, placed at a 32-bit boundary.
Bytes block(const std::string& key, const Bytes& value, std::uint32_t value_length, std::uint32_t type,
            const std::vector<Bytes>& children) {
    Bytes b(6, 0);
    utf16(b, key);
    pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        pad4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    put16(b, 0, static_cast<std::uint32_t>(b.size()));
    put16(b, 2, value_length);
    put16(b, 4, type);
    return b;
}

Bytes string_block(const std::string& name, const std::string& value) {
    Bytes v;
    utf16(v, value);
    return block(name, v, static_cast<std::uint32_t>(value.size() + 1), 1, {});
}

struct Table {
    std::string key;
    std::vector<std::pair<std::string, std::string>> strings;
};

constexpr std::uint32_t fixed_signature = 0xFEEF04BD;

// VS_VERSIONINFO with the fixed file version a.b.c.d (no fixed info when
// `signature` is 0) and the given string tables.
Bytes version_info(const std::uint16_t (&fixed)[4], const std::vector<Table>& tables,
                   std::uint32_t signature = fixed_signature) {
    Bytes ffi;
    if (signature != 0) {
        ffi.assign(52, 0);
        put32(ffi, 0, signature);
        put32(ffi, 4, 0x10000);
        put32(ffi, 8, static_cast<std::uint32_t>(fixed[0]) << 16 | fixed[1]);
        put32(ffi, 12, static_cast<std::uint32_t>(fixed[2]) << 16 | fixed[3]);
    }
    std::vector<Bytes> table_blocks;
    for (const Table& t : tables) {
        std::vector<Bytes> strings;
        for (const auto& s : t.strings)
            strings.push_back(string_block(s.first, s.second));
        table_blocks.push_back(block(t.key, {}, 0, 1, strings));
    }
    Bytes var_value(4, 0);
    put32(var_value, 0, 0x04E40409);
    std::vector<Bytes> children = {
        block("StringFileInfo", {}, 0, 1, table_blocks),
        block("VarFileInfo", {}, 0, 1, {block("Translation", var_value, 4, 0, {})})};
    return block("VS_VERSION_INFO", ffi, static_cast<std::uint32_t>(ffi.size()), 0, children);
}

// Where the parts of a built image lie, for the damage cases.
struct Layout {
    std::size_t pe = 0x40;
    std::size_t optional = 0x40 + 24;
    std::size_t resource_entry = 0; // data directory 2
    std::size_t section = 0;        // the one section header
    std::size_t tree = 0x200;       // resource directory
    std::size_t version = 0;        // the VS_VERSIONINFO bytes
};

constexpr std::uint32_t section_rva = 0x1000;

// A PE image (PE32+ or PE32) whose only section holds a resource tree with one
// RT_VERSION resource (id 1, language 0x409) holding `version`; without a resource
// directory entry when `with_resources` is false.
Bytes pe_image(const Bytes& version, bool pe32_plus, Layout& at, bool with_resources = true) {
    Bytes image(0x200, 0);
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, static_cast<std::uint32_t>(at.pe));
    std::memcpy(&image[at.pe], "PE\0\0", 4);
    std::uint32_t optional_size = pe32_plus ? 240 : 224;
    put16(image, at.pe + 4, pe32_plus ? 0x8664 : 0x14C);
    put16(image, at.pe + 6, 1);
    put16(image, at.pe + 20, optional_size);
    put16(image, at.optional, pe32_plus ? 0x20B : 0x10B);
    std::size_t count_at = at.optional + (pe32_plus ? 108 : 92);
    put32(image, count_at, 16);
    at.resource_entry = count_at + 4 + 16;
    at.section = at.optional + optional_size;

    // Tree: type 16 -> id 1 -> language 0x409 -> data entry -> data.
    Bytes tree(0x58, 0);
    put16(tree, 0x0E, 1);
    put32(tree, 0x10, 16);
    put32(tree, 0x14, 0x80000018);
    put16(tree, 0x18 + 0x0E, 1);
    put32(tree, 0x28, 1);
    put32(tree, 0x2C, 0x80000030);
    put16(tree, 0x30 + 0x0E, 1);
    put32(tree, 0x40, 0x409);
    put32(tree, 0x44, 0x48);
    put32(tree, 0x48, section_rva + 0x58);
    put32(tree, 0x4C, static_cast<std::uint32_t>(version.size()));
    tree.insert(tree.end(), version.begin(), version.end());
    pad4(tree);
    at.version = at.tree + 0x58;

    std::memcpy(&image[at.section], ".rsrc\0\0\0", 8);
    put32(image, at.section + 8, static_cast<std::uint32_t>(tree.size()));
    put32(image, at.section + 12, section_rva);
    put32(image, at.section + 16, static_cast<std::uint32_t>(tree.size()));
    put32(image, at.section + 20, static_cast<std::uint32_t>(at.tree));
    if (with_resources) {
        put32(image, at.resource_entry, section_rva);
        put32(image, at.resource_entry + 4, static_cast<std::uint32_t>(tree.size()));
    }
    image.insert(image.end(), tree.begin(), tree.end());
    return image;
}

Bytes pe_image(const Bytes& version, bool pe32_plus = true) {
    Layout at;
    return pe_image(version, pe32_plus, at);
}

std::string version_of(const Bytes& image) {
    std::string v = "unchanged";
    if (!read_pe_version(image.data(), image.size(), v)) {
        EXPECT_EQ(v, "") << "no version leaves the text empty";
    }
    return v;
}

const std::uint16_t fixed_1234[4] = {1, 2, 3, 4};

TEST(PeVersion, ReadsTheStubsStringTableFirst) {
    // Another table comes first and says otherwise; the stub reads only 040904E4.
    std::vector<Table> tables = {{"040904B0", {{"FileVersion", "9.9"}}},
                                 {"040904E4", {{"CompanyName", "Acme"}, {"FileVersion", "2.5.0.17b"}}}};
    for (bool pe32_plus : {true, false}) {
        SCOPED_TRACE(pe32_plus ? "PE32+" : "PE32");
        Bytes image = pe_image(version_info(fixed_1234, tables), pe32_plus);
        PeVersionResource r;
        ASSERT_TRUE(read_pe_version_resource(image.data(), image.size(), r));
        EXPECT_TRUE(r.has_installer_table);
        EXPECT_EQ(r.installer_file_version, "2.5.0.17b");
        EXPECT_EQ(r.other_file_version, "9.9");
        ASSERT_TRUE(r.has_fixed_version);
        EXPECT_EQ(r.fixed_version[0], 1);
        EXPECT_EQ(r.fixed_version[3], 4);
        EXPECT_EQ(version_of(image), "0000000002.0000000005.0000000000.000000017B");
    }
    // Keys match without regard to case, as VerQueryValueA matches them.
    Bytes lower = pe_image(version_info(fixed_1234, {{"040904e4", {{"fileversion", "3.1"}}}}));
    EXPECT_EQ(version_of(lower), "0000000003.0000000001");
}

TEST(PeVersion, FallsBackToAnotherTableThenTheFixedVersion) {
    struct Case {
        const char* what;
        std::vector<Table> tables;
        std::uint32_t signature;
        const char* expected;
    };
    const Case cases[] = {
        {"only another table",
         {{"040904B0", {{"FileVersion", "5.1.10.1027"}}}},
         fixed_signature,
         "0000000005.0000000001.0000000010.0000001027"},
        {"the stub's table is blank",
         {{"040904E4", {{"FileVersion", " "}}}, {"040704B0", {{"FileVersion", "7.0"}}}},
         fixed_signature,
         "0000000007.0000000000"},
        {"the stub's table has no FileVersion",
         {{"040904E4", {{"ProductVersion", "8.0"}}}},
         fixed_signature,
         "0000000001.0000000002.0000000003.0000000004"},
        {"no string tables", {}, fixed_signature, "0000000001.0000000002.0000000003.0000000004"},
        {"no string tables, no fixed info", {}, 0, ""},
        {"fixed info with a wrong signature", {}, 0x12345678, ""},
    };
    for (const Case& c : cases) {
        Bytes image = pe_image(version_info(fixed_1234, c.tables, c.signature));
        EXPECT_EQ(version_of(image), c.expected) << c.what;
    }
}

TEST(PeVersion, NormalisesAsTheStubDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"1.2.3.4", "0000000001.0000000002.0000000003.0000000004"},
        {"1.2b", "0000000001.000000002B"},
        {"1..2", "0000000001.0000000000.0000000002"},
        {"12345678901.1", "12345678901.0000000001"},
        {"6.0 (xp.0401)", "0000000006.000000 (XP.000000401)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(normalize_file_version(c.first), c.second) << c.first;
}

TEST(PeVersion, NoVersionWithoutAResourceDirectory) {
    Layout at;
    Bytes image =
        pe_image(version_info(fixed_1234, {{"040904E4", {{"FileVersion", "1.0"}}}}), true, at, false);
    EXPECT_EQ(version_of(image), "");
}

TEST(PeVersion, DamagedImagesGiveNoVersion) {
    const Bytes good_version = version_info(fixed_1234, {{"040904E4", {{"FileVersion", "1.0"}}}});
    struct Case {
        const char* what;
        void (*damage)(Bytes&, const Layout&);
    };
    const Case cases[] = {
        {"new header beyond the file", [](Bytes& b, const Layout&) { put32(b, 0x3C, 0x7FFFFFF0); }},
        {"new header offset near 4 GiB", [](Bytes& b, const Layout&) { put32(b, 0x3C, 0xFFFFFFFE); }},
        {"no PE signature", [](Bytes& b, const Layout& at) { b[at.pe + 1] = 'X'; }},
        {"unknown optional header", [](Bytes& b, const Layout& at) { put16(b, at.optional, 0x107); }},
        {"too few data directories", [](Bytes& b, const Layout& at) { put32(b, at.optional + 108, 2); }},
        {"optional header too short for the directory",
         [](Bytes& b, const Layout& at) { put16(b, at.pe + 20, 112); }},
        {"resources outside every section",
         [](Bytes& b, const Layout& at) { put32(b, at.resource_entry, 0x900000); }},
        {"section data beyond the file",
         [](Bytes& b, const Layout& at) { put32(b, at.section + 20, 0xFFFFFF00); }},
        {"no sections", [](Bytes& b, const Layout& at) { put16(b, at.pe + 6, 0); }},
        {"no RT_VERSION type", [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x10, 3); }},
        {"named type entry", [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x10, 0x80000010); }},
        {"type entry count beyond the tree",
         [](Bytes& b, const Layout& at) { put16(b, at.tree + 0x0C, 0xFFFF); }},
        {"subdirectory beyond the tree",
         [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x14, 0x8FFFFFF0); }},
        {"type leads to data, not a directory",
         [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x14, 0x48); }},
        {"language leads to a directory",
         [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x44, 0x80000000); }},
        {"data entry beyond the tree",
         [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x44, 0x7FFFFFF0); }},
        {"data size beyond the section",
         [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x4C, 0xFFFFFFFF); }},
        {"data RVA wraps around", [](Bytes& b, const Layout& at) { put32(b, at.tree + 0x48, 0xFFFFFFF0); }},
        {"root block longer than the data", [](Bytes& b, const Layout& at) { put16(b, at.version, 0xFFFF); }},
        {"root block of length 0", [](Bytes& b, const Layout& at) { put16(b, at.version, 0); }},
        {"root key without its NUL",
         [](Bytes& b, const Layout& at) {
             for (std::size_t i = at.version + 6; i + 1 < b.size(); i += 2)
                 put16(b, i, 'A');
         }},
        {"another root key", [](Bytes& b, const Layout& at) { put16(b, at.version + 6, 'X'); }},
    };
    // Damage away from the resource's path is read past: only what lies on it is
    // looked at, and never outside the file.
    const Case tolerated[] = {
        {"section count beyond the headers (the first one holds the resources)",
         [](Bytes& b, const Layout& at) { put16(b, at.pe + 6, 0xFFFF); }},
        {"section raw size beyond the file (read as far as the file goes)",
         [](Bytes& b, const Layout& at) {
             put32(b, at.section + 16, 0x7FFFFFFF);
             put32(b, at.section + 8, 0x7FFFFFFF);
         }},
    };
    for (const Case& c : tolerated) {
        Layout at;
        Bytes image = pe_image(good_version, true, at);
        c.damage(image, at);
        EXPECT_EQ(version_of(image), "0000000001.0000000000") << c.what;
    }
    for (const Case& c : cases) {
        Layout at;
        Bytes image = pe_image(good_version, true, at);
        ASSERT_EQ(version_of(image), "0000000001.0000000000");
        c.damage(image, at);
        // An exact-size copy, so that a read one byte past the end is caught.
        Bytes exact(image);
        EXPECT_EQ(version_of(exact), "") << c.what;
    }
}

TEST(PeVersion, DamagedStringBlocksKeepWhatIsReadable) {
    // A string table whose length runs past its parent: the strings are not read,
    // the fixed version still is.
    Layout at;
    Bytes image = pe_image(version_info(fixed_1234, {{"040904E4", {{"FileVersion", "1.0"}}}}), true, at);
    // Header, key "VS_VERSION_INFO" with its NUL and padding, fixed info.
    std::size_t string_file_info = at.version + 40 + 52;
    ASSERT_EQ(image[string_file_info + 6], 'S');
    put16(image, string_file_info, 0xFFF0);
    EXPECT_EQ(version_of(image), "0000000001.0000000002.0000000003.0000000004");
}

TEST(PeVersion, EveryTruncationIsSafe) {
    Bytes image = pe_image(version_info(
        fixed_1234, {{"040904B0", {{"FileVersion", "4.0"}}}, {"040904E4", {{"FileVersion", "1.0"}}}}));
    const std::string whole = version_of(image);
    ASSERT_EQ(whole, "0000000001.0000000000");
    for (std::size_t n = 0; n < image.size(); ++n) {
        Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(n));
        std::string v = version_of(cut);
        // Either the data entry's size no longer fits the file, or only padding
        // behind the resource was cut.
        EXPECT_TRUE(v.empty() || v == whole) << n << ": " << v;
    }
}

TEST(PeVersion, BytesThatAreNoPeImage) {
    const std::string texts[] = {"", "M", "MZ",
                                 "Just some text that is long enough to hold an offset at 0x3C.....",
                                 std::string(4096, '\xFF')};
    for (const std::string& t : texts) {
        Bytes b(t.begin(), t.end());
        EXPECT_EQ(version_of(b), "") << t.size();
    }
    std::string v = "x";
    EXPECT_FALSE(read_pe_version(nullptr, 100, v));
    EXPECT_EQ(v, "");
}

// The one real PE file: its fixed version and FileVersion strings, found here by a
// plain scan for their markers, must be what the resource walk finds.
TEST(PeVersion, RealFileAgreesWithAScanOfItsBytes) {
    std::ifstream in(VARNOOK_SAMPLE_PE, std::ios::binary);
    ASSERT_TRUE(in) << VARNOOK_SAMPLE_PE;
    Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PeVersionResource r;
    ASSERT_TRUE(read_pe_version_resource(file.data(), file.size(), r));

    const unsigned char signature[] = {0xBD, 0x04, 0xEF, 0xFE};
    auto fixed_at = std::search(file.begin(), file.end(), std::begin(signature), std::end(signature));
    ASSERT_NE(fixed_at, file.end());
    std::size_t f = static_cast<std::size_t>(fixed_at - file.begin());
    ASSERT_TRUE(r.has_fixed_version);
    EXPECT_EQ(r.fixed_version[0], file[f + 10] | file[f + 11] << 8);
    EXPECT_EQ(r.fixed_version[1], file[f + 8] | file[f + 9] << 8);
    EXPECT_EQ(r.fixed_version[2], file[f + 14] | file[f + 15] << 8);
    EXPECT_EQ(r.fixed_version[3], file[f + 12] | file[f + 13] << 8);

    // The first "FileVersion" string block: key, NUL, padding, the value.
    Bytes key;
    utf16(key, "FileVersion");
    auto key_at = std::search(file.begin(), file.end(), key.begin(), key.end());
    ASSERT_NE(key_at, file.end());
    std::size_t p = static_cast<std::size_t>(key_at - file.begin()) + key.size();
    while (p + 1 < file.size() && file[p] == 0 && file[p + 1] == 0)
        p += 2;
    std::string scanned;
    for (; p + 1 < file.size() && (file[p] | file[p + 1]) != 0; p += 2)
        scanned += static_cast<char>(file[p]);
    EXPECT_EQ(r.has_installer_table ? r.installer_file_version : r.other_file_version, scanned);
    std::string v;
    ASSERT_TRUE(read_pe_version(file.data(), file.size(), v));
    EXPECT_EQ(v, normalize_file_version(scanned));
}

} // namespace
