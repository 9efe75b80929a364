// Stripping a built installer: the payload-free image is the stub it was built from,
// the uninstaller patch lands where the script puts it, and what cannot be stripped
// says why.

#include "builder/strip.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "builder/payload_writer.h"
#include "builder/pe_writer.h"
#include "tests/support/sample_pe.h"
#include "tests/support/string_text.h"

namespace {

constexpr std::int32_t checksum_field_of_optional_header = 24 + 64;

// A real PE file as the stub, made what the writer leaves of a stub: its CheckSum 0
// and its file end on a FileAlignment boundary, so that nothing the writer changes
// for good is in the way of a byte-for-byte comparison.
String stub_image() {
    String bytes = read_sample_pe();
    if (bytes.length() < 4096)
        return String();
    const std::int32_t pe = bytes.get_int32(0x3C);
    bytes.put_int32(pe + checksum_field_of_optional_header, 0);
    const std::int32_t alignment = bytes.get_int32(pe + 24 + 36);
    while (bytes.length() % alignment != 0)
        bytes.append('\0');
    return bytes;
}

InstallScript script_with(std::uint64_t flags, std::int32_t patch_offset, const String& patch) {
    InstallScript s;
    s.flags.bits = flags;
    s.default_product_name = "Tool";
    s.default_directory = "%ProgramFiles%\\Tool";
    s.volume_base_name = "TOOL";
    s.uninstaller_file_name = "Uninstall Tool.exe";
    s.uninstaller_patch_offset = patch_offset;
    s.uninstaller_patch = patch;
    s.language_names.add(String("English"));
    s.language_strings.add(Vector<String>()).add(String("Tool"));
    return s;
}

String build(const String& stub, const InstallScript& script) {
    FileRecord file;
    file.name = "tool.exe";
    file.data = "tool data";
    BuiltPayload payload;
    std::string error;
    EXPECT_TRUE(write_payload(script, {file}, PayloadOptions(), payload, error)) << error;
    String installer;
    EXPECT_TRUE(append_payload_section(stub, payload.section, installer, error)) << error;
    return installer;
}

TEST(StripInstaller, GivesBackTheStubAndPutsThePatchBlockInPlace) {
    const String stub = stub_image();
    ASSERT_FALSE(stub.is_empty()) << "sample PE file missing: " << VARNOOK_SAMPLE_PE;
    String patch;
    patch.set_length(uninstaller_patch_size);
    for (std::int32_t i = 0; i < patch.length(); ++i)
        patch.data()[i] = static_cast<char>('A' + i % 26);
    const std::int32_t patch_offset = 0x2345;

    struct Case {
        const char* what;
        std::uint64_t flags;
        bool patched;
        const char* behind; // bytes someone appended behind the section
    } cases[] = {
        {"plain", 0, false, ""},
        {"stub checksum compared", flag_mask(flag_check_stub), false, ""},
        {"patch block", 0, true, ""},
        {"bytes behind the section", 0, false, "appended overlay"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        String installer =
            build(stub, script_with(c.flags, c.patched ? patch_offset : 0, c.patched ? patch : String()));
        ASSERT_GT(installer.length(), stub.length());
        installer.append(c.behind);

        String bare;
        std::string error;
        ASSERT_TRUE(strip_installer(installer, bare, error)) << error;
        String expected(stub);
        if (c.patched)
            expected.put_bytes(patch.c_str(), patch_offset, patch.length());
        expected.append(c.behind);
        EXPECT_EQ(text_of(bare), text_of(expected));
    }
}

TEST(StripInstaller, RefusesWhatItCannotStripAndSaysWhy) {
    const String stub = stub_image();
    ASSERT_FALSE(stub.is_empty()) << "sample PE file missing: " << VARNOOK_SAMPLE_PE;
    const String installer = build(stub, script_with(flag_mask(flag_check_stub), 0, String()));
    PayloadSection section;
    ASSERT_EQ(find_payload_section(installer, section), payload_section_found);
    const std::int32_t payload = section.raw_offset;

    String stripped;
    std::string ignored;
    ASSERT_TRUE(strip_installer(installer, stripped, ignored));

    struct Case {
        const char* what;
        String image;
        std::string error;
    } cases[] = {
        {"text file",
         String("This is not a program at all, only a text of some length; it has no MZ header."),
         "not a PE image"},
        {"MZ without PE header", stub, "not a PE image"},
        {"the stub itself", stub, "no payload section: already stripped?"},
        {"stripped again", stripped, "no payload section: already stripped?"},
        {"magic changed", installer, "damaged payload: error code 20 (the payload magic is wrong)"},
        {"no script block", installer,
         "damaged payload: error code 22 (the packed script size is below 1 or above 0x9FFFFF)"},
        {"newer payload version", installer, "the payload was written for installer version 11.0, not 10.0"},
        {"byte in front of the section changed", installer,
         "damaged payload: error code 40 (the stub checksum is compared and differs)"},
    };
    cases[1].image.put_bytes("XX", cases[1].image.get_int32(0x3C), 2);
    cases[4].image.put_int32(payload, 0x12345678);
    cases[5].image.put_int32(payload + 8, 0);
    cases[6].image.put_int32(payload + 4, 1100);
    cases[7].image.put_bytes("x", 0x50, 1); // the DOS stub's text

    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        String bare("left over");
        std::string error;
        EXPECT_FALSE(strip_installer(c.image, bare, error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(bare.is_empty());
    }
}

} // namespace
