#include "format/script.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/format/script_bytes.h"

namespace {

using namespace script_bytes;

int parse(const String& bytes, InstallScript& script) {
    return parse_script(bytes, bytes.hash(), script);
}

std::string text(const String& s) {
    return std::string(s.c_str(), static_cast<size_t>(s.length()));
}

TEST(Script, EveryFieldInReadOrder) {
    InstallScript s;
    ASSERT_EQ(parse(ScriptBytes().build(), s), 0);
    EXPECT_EQ(s.flags.bits, 0x100000000ull | 0x2000 | 0x10000);
    EXPECT_EQ(s.minimum_stage_time, 250);
    EXPECT_EQ(s.shortcut_mode, 3);
    EXPECT_EQ(s.uninstaller_date.year, 2001);
    EXPECT_EQ(s.uninstaller_date.second, 6);
    EXPECT_EQ(text(s.publisher), "Acme");
    EXPECT_EQ(text(s.default_product_name), "Tool");
    EXPECT_EQ(text(s.default_directory), "<master>");
    EXPECT_EQ(text(s.display_version), "1.2");
    EXPECT_EQ(text(s.product_registry), "Software\\Acme\\Tool");
    ASSERT_EQ(s.licence_pages.count(), 2);
    EXPECT_EQ(text(*s.licence_pages.element(0)), "L1\n"); // pages are kept as stored
    ASSERT_EQ(s.readme_pages.count(), 1);
    EXPECT_EQ(text(s.uninstall_subdir), "Uninst");
    EXPECT_EQ(text(s.volume_base_name), "TOOL");
    EXPECT_EQ(text(s.uninstaller_file_name), "unTool.exe");
    EXPECT_EQ(text(s.uninstall_key_name), "Acme Tool");
    EXPECT_EQ(s.title_colour, 0x111111);
    EXPECT_EQ(s.top_colour, 0x222222);
    EXPECT_EQ(s.bottom_colour, 0x333333);
    EXPECT_EQ(text(s.background_picture), "BMP");
    EXPECT_EQ(text(s.master_product_key), "Acme Base");
    EXPECT_EQ(text(s.desktop_folder), "Acme");
    EXPECT_EQ(text(s.batch_before_files) + text(s.batch_after_files) + text(s.final_batch) +
                  text(s.uninstall_batch1) + text(s.uninstall_batch2),
              "b1b2b3u1u2");
    EXPECT_EQ(s.reserved[19], 0x7F);
    EXPECT_EQ(s.excluded_systems, 0x14);
    EXPECT_EQ(s.first_volume_number, 4711);
    EXPECT_EQ(s.uninstaller_patch_offset, 0x300);
    EXPECT_EQ(text(s.uninstaller_patch), std::string(2216, 'P'));

    // The lower-case end marker is an ordinary path; condition 0xC8 stays a byte.
    ASSERT_EQ(s.deletions.count(), 2);
    EXPECT_EQ(text(s.deletions.element(0)->path), "old.dll");
    EXPECT_EQ(s.deletions.element(0)->condition, 0xC8);
    EXPECT_EQ(s.deletions.element(0)->options, 2);
    EXPECT_EQ(text(s.deletions.element(1)->path), "~~the end~~");
    EXPECT_EQ(text(s.deletions.element(1)->value), "2001-01-01");

    ASSERT_EQ(s.associations.count(), 1);
    const FileAssociation& a = *s.associations.element(0);
    EXPECT_EQ(a.flags, 1);
    EXPECT_EQ(
        text(a.extension) + "|" + text(a.file_type) + "|" + text(a.description) + "|" + text(a.verb) + "|" +
            text(a.verb_caption) + "|" + text(a.command) + "|" + text(a.language) + "|" +
            text(a.default_icon),
        "tl|Tool.Doc|Tool document|open|&Open|\"%InstallDir%\\tool.exe\" \"%1\"||%InstallDir%\\tool.exe,0");

    ASSERT_EQ(s.uninstall_values.count(), 2);
    EXPECT_EQ(text(s.uninstall_values.element(1)->name), "Size");
    EXPECT_EQ(s.uninstall_values.element(1)->kind, 4);
    EXPECT_EQ(text(s.uninstall_values.element(1)->value), "42");

    ASSERT_EQ(s.language_names.count(), 2);
    EXPECT_EQ(text(*s.language_names.element(1)), "Deutsch");
    ASSERT_EQ(s.language_strings.count(), 3);
    EXPECT_EQ(text(*s.language_strings.element(1)->element(0)), "a\r\nb\r\nc");
    EXPECT_EQ(text(*s.language_strings.element(2)->element(0)), "in <OS>");
}

TEST(Script, OptionalFieldsFollowTheFlags) {
    // Without the master-product flag no key is stored; without the colour flag the
    // colours are still there to be skipped.
    ScriptBytes bytes;
    bytes.set("flags", i64(0));
    bytes.set("master key", "");
    bytes.set("picture", i32(0));
    bytes.set("patch", i32(0));
    InstallScript s;
    ASSERT_EQ(parse(bytes.build(), s), 0);
    EXPECT_TRUE(s.master_product_key.is_empty());
    EXPECT_EQ(text(s.desktop_folder), "Acme");
    EXPECT_TRUE(s.background_picture.is_empty());
    EXPECT_TRUE(s.uninstaller_patch.is_empty());
    EXPECT_EQ(s.deletions.count(), 2);
}

TEST(Script, EachBadFieldGivesItsCode) {
    std::string deletions_1001;
    for (int i = 0; i < 1001; ++i)
        deletions_1001 += txt("f" + std::to_string(i)) + u8(0) + txt("") + i32(0);
    const std::string end = txt("~~THE END~~");
    struct Case {
        const char* field;
        std::string bytes;
        int code;
    } cases[] = {
        {"stage time", u16(10000), 19},
        {"stage time", u16(9999), 0},
        {"volume base", txt(" \t\r\n"), 21},
        {"patch", i32(-1), 23},
        {"patch", i32(999999), 23},
        {"patch", i32(999998) + std::string(2216, 'P'), 0},
        {"licence", i32(21), 24},
        {"licence", i32(-1), 24},
        {"licence", i32(0), 0},
        {"readme", i32(21), 26},
        {"readme", i32(0), 0},
        {"language count", u8(0), 30},
        {"language count", u8(101), 30},
        {"string count", i32(0), 31},
        {"string count", i32(10001), 31},
        {"end", i32(0xD3E82B96), 32},
        {"uninstaller name", txt(""), 33},
        {"associations", i32(10001), 36},
        {"associations", i32(-1), 36},
        {"uninstall values", i32(10001), 37},
        {"uninstall values", i32(-1), 37},
        {"deletions", deletions_1001 + end, 0},
        {"deletions", deletions_1001 + txt("one more") + u8(0) + txt("") + i32(0) + end, 38},
    };
    for (const Case& c : cases) {
        ScriptBytes bytes;
        bytes.set(c.field, c.bytes);
        InstallScript s;
        EXPECT_EQ(parse(bytes.build(), s), c.code) << c.field;
    }

    String good = ScriptBytes().build();
    InstallScript s;
    EXPECT_EQ(parse_script(good, good.hash() + 1, s), 25);
}

TEST(Script, TruncatedScriptReadsZerosAndIsCaught) {
    ScriptBytes after_flags;
    after_flags.cut_after("flags");
    InstallScript s;
    EXPECT_EQ(parse(after_flags.build(), s), 21);

    // Cut anywhere, the script never reads past its buffer and never passes.
    String whole = ScriptBytes().build();
    for (std::int32_t n = 0; n < whole.length(); n += 7) {
        InstallScript cut;
        EXPECT_NE(parse(whole.substring(0, n), cut), 0) << n;
    }

    // A full language table promised by a script that ends there.
    ScriptBytes promised;
    promised.set("language count", u8(100));
    promised.set("string count", i32(10000));
    promised.cut_after("string count");
    EXPECT_EQ(parse(promised.build(), s), 32);
}

TEST(Script, DefaultsFollowFromTheFields) {
    struct Case {
        const char* publisher;
        const char* shared_path;
        std::uint64_t flags;
        const char* override_name;
        const char* expected_shared;
        const char* expected_menu;
    } cases[] = {
        {"Acme", "", 0x4, "", "Acme", "Acme\\Tool"},
        {" ", "", 0x4, "", "Tool", " \\Tool"},
        {"", "", 0x4, "", "Tool", "Tool"},
        {"", "", 0, "", "", "Tool"},
        {"Acme", "Shared", 0x4, "Other", "Shared", "Acme\\Other"},
    };
    for (const Case& c : cases) {
        InstallScript s;
        s.publisher = c.publisher;
        s.default_product_name = "Tool";
        s.shared_path = c.shared_path;
        s.flags.bits = c.flags;
        String product(c.override_name);
        apply_script_defaults(s, product);
        std::string name = c.override_name[0] ? c.override_name : "Tool";
        EXPECT_EQ(text(product), name);
        EXPECT_EQ(text(s.shared_path), c.expected_shared) << c.publisher << "/" << c.shared_path;
        EXPECT_EQ(text(s.start_menu), c.expected_menu) << c.publisher;
        EXPECT_EQ(text(s.default_directory), name);
        EXPECT_EQ(text(s.uninstall_key_name), name);
    }
}

} // namespace
