#include "installer/script.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "installer/startup.h"
#include "tests/support/fatal_capture.h"

namespace {

std::string u8(unsigned v) {
    return std::string(1, static_cast<char>(v & 0xFF));
}
std::string u16(unsigned v) {
    return u8(v) + u8(v >> 8);
}
std::string i32(std::int64_t v) {
    std::uint32_t u = static_cast<std::uint32_t>(v);
    return u16(u & 0xFFFF) + u16(u >> 16);
}
std::string i64(std::uint64_t v) {
    return i32(static_cast<std::uint32_t>(v)) + i32(static_cast<std::uint32_t>(v >> 32));
}
std::string txt(const std::string& s) {
    return s + std::string(1, '\0');
}

// A script spelled out field by field in the stub's read order; a test replaces a
// field by name to damage it.
struct ScriptBytes {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"flags", i64(0x100000000ull | 0x2000 | 0x10000)},
        {"stage time", u16(250)},
        {"shortcut mode", u8(3)},
        {"uninstaller date", i32(2001) + i32(2) + i32(3) + i32(4) + i32(5) + i32(6)},
        {"publisher", txt("Acme")},
        {"product", txt("Tool")},
        {"shared path", txt("")},
        {"start menu", txt("")},
        {"directory", txt("<master>")},
        {"version", txt("1.2")},
        {"registry", txt("Software\\Acme\\Tool")},
        {"licence", i32(2) + txt("L1\n") + txt("L2")},
        {"readme", i32(1) + txt("R1")},
        {"uninstall subdir", txt("Uninst")},
        {"volume base", txt("TOOL")},
        {"uninstaller name", txt("unTool.exe")},
        {"uninstall key", txt("Acme Tool")},
        {"colours", i32(0x111111) + i32(0x222222) + i32(0x333333)},
        {"picture", i32(3) + "BMP"},
        {"master key", txt("Acme Base")},
        {"desktop", txt("Acme")},
        {"batches", txt("b1") + txt("b2") + txt("b3") + txt("u1") + txt("u2")},
        {"reserved", std::string(20, '\x7F')},
        {"excluded", i32(0x14)},
        {"first volume", i32(4711)},
        {"patch", i32(0x300) + std::string(2216, 'P')},
        {"deletions", txt("old.dll") + u8(0xC8) + txt("") + i32(2) + txt("~~the end~~") + u8(1) +
                          txt("2001-01-01") + i32(0) + txt("~~THE END~~")},
        {"associations", i32(1) + i32(1) + txt("tl") + txt("Tool.Doc") + txt("Tool document") + txt("open") +
                             txt("&Open") + txt("\"%InstallDir%\\tool.exe\" \"%1\"") + txt("") +
                             txt("%InstallDir%\\tool.exe,0")},
        {"uninstall values",
         i32(2) + txt("HelpLink") + u8(1) + txt("http://acme") + txt("Size") + u8(4) + txt("42")},
        {"language count", u8(2)},
        {"string count", i32(3)},
        {"language names", txt("English") + txt("Deutsch")},
        {"strings", txt("<Product> Setup") + txt("<product> Installation") + txt("a\nb\rc") + txt("x") +
                        txt("in <OS>") + txt("")},
        {"end", i32(0xD3E82B97)},
    };

    void set(const std::string& name, const std::string& bytes) {
        for (auto& field : fields)
            if (field.first == name)
                field.second = bytes;
    }
    void cut_after(const std::string& name) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].first == name) {
                fields.resize(i + 1);
                return;
            }
    }
    String build() const {
        std::string all;
        for (const auto& field : fields)
            all += field.second;
        return String(all.data(), static_cast<std::int32_t>(all.size()));
    }
};

int parse(const String& bytes, InstallScript& script) {
    MemoryStream stream(bytes);
    return parse_script(stream, bytes.hash(), script);
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
    MemoryStream stream(good);
    InstallScript s;
    EXPECT_EQ(parse_script(stream, good.hash() + 1, s), 25);
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

TEST(Script, StubTakesTheFlagsAndLanguagesAndReportsDamage) {
    String bytes = ScriptBytes().build();
    MemoryStream stream(bytes);
    InstallScript s;
    startup_state().product_name = "Tool";
    read_script(stream, bytes.hash(), s);
    EXPECT_EQ(product_flags().bits, s.flags.bits);
    EXPECT_EQ(language_tables().names.count(), 2);
    language_tables().windows_folder = "C:\\WINDOWS";
    EXPECT_STREQ(language_string(0).c_str(), "Tool Setup");
    EXPECT_STREQ(language_string(2).c_str(), "in C:\\WINDOWS");
    EXPECT_STREQ(language_string(3).c_str(), "");
    language_tables().current = 1;
    EXPECT_STREQ(language_string(0).c_str(), "Tool Installation");
    EXPECT_STREQ(language_string(2).c_str(), "");

    // A bad end marker shows the product's own corrupt-installer text.
    ScriptBytes bad_end;
    std::string strings;
    for (int i = 0; i < 14; ++i)
        strings += txt(i == 13 ? "Broken (%d)" : "") + txt("");
    bad_end.set("string count", i32(14));
    bad_end.set("strings", strings);
    bad_end.set("end", i32(0));
    String damaged = bad_end.build();
    MemoryStream damaged_stream(damaged);
    EXPECT_EQ(fatal_text([&] { read_script(damaged_stream, damaged.hash(), s); }), "Broken (32)");

    language_tables() = LanguageTables();
    product_flags() = ProductFlags();
    startup_state() = StartupState();
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
