// A built installer gathers its file data: the area in the section is verified,
// unpacked and read record by record before the stub ends; a damaged area or record
// shows the product's corrupt-installer box. The stripped image of an installer is
// the bare stub again and says it has no archive.

#include <gtest/gtest.h>

#include <string>

#include "builder/strip.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/timeouts.h"

namespace {

const char corrupt_text[] = "Demo Tool is damaged, error %d.";

InstallScript script_with_corrupt_text() {
    return demo_script({{13, corrupt_text}});
}

TEST(StrippedInstaller, RunsAsTheBareStubAndFindsNoArchive) {
    String installer = build_installer(script_with_corrupt_text(), demo_files(), PayloadOptions());
    ASSERT_FALSE(installer.is_empty());
    String bare;
    std::string error;
    ASSERT_TRUE(strip_installer(installer, bare, error)) << error;
    TempFolder folder("varnook_stripped");
    ASSERT_TRUE(write_file(folder.file("bare.exe"), bare));

    RunningInstaller run(folder.file("bare.exe"));
    ASSERT_TRUE(run.started());
    unsigned long driver_exit = 99;
    // The progress dialog is up behind the box.
    std::string box = run.drive({"--caption", "FATAL ERROR", "show", "press", "OK"}, &driver_exit);
    EXPECT_EQ(driver_exit, 0u) << box;
    EXPECT_EQ(box.rfind(box_caption_prefix("FATAL ERROR"), 0), 0u) << box;
    EXPECT_NE(box.find(box_text_line("This program performs installations and uninstallations.\r\n"
                                     "There is no installation archive present.\r\n"
                                     "No Uninstallation parameters were specified.\r\n\r\n"
                                     "You should not delete this program or execute it directly.")),
              std::string::npos)
        << box;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
}

TEST(GatheringFileData, AnIntactAreaIsInstalledWithoutABox) {
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed file data" : "file data as stored");
        PayloadOptions options;
        options.pack_file_data = packed;
        String installer = build_installer(script_with_corrupt_text(), demo_files(), options);
        ASSERT_FALSE(installer.is_empty());
        TempFolder folder("varnook_intact");
        ASSERT_TRUE(write_file(folder.file("setup.exe"), installer));

        RunningInstaller run(folder.file("setup.exe"), automatic_into(folder));
        ASSERT_TRUE(run.started());
        std::string box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms, &box), 1);
        EXPECT_TRUE(box.empty()) << "the installer opened a box:\n" << box;
        // Without uninstall support the shared file goes with the program.
        for (const FileRecord& file : demo_files()) {
            String placed = read_file(folder.file("installed\\" + std::string(file.name.c_str())));
            EXPECT_STREQ(placed.c_str(), file.data.c_str()) << file.name.c_str();
        }
    }
}

TEST(GatheringFileData, DamageShowsTheCorruptInstallerBoxWithItsCode) {
    // Offset of the first record's data in the area: "readme.txt", its NUL and
    // three int32 fields.
    const std::int32_t first_data = 11 + 12;
    struct Case {
        const char* what;
        bool packed;
        bool fix_area_checksum; // so that only the record's own checksum notices
        int code;
    } cases[] = {
        {"area byte changed", false, false, 55},
        {"packed area byte changed", true, false, 55},
        {"file data changed, area checksum matching", false, true, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PayloadOptions options;
        options.pack_file_data = c.packed;
        String installer = build_installer(script_with_corrupt_text(), demo_files(), options);
        ASSERT_FALSE(installer.is_empty());
        PayloadSection section;
        PayloadHeader header;
        ASSERT_TRUE(read_payload_header(installer, section, header));
        const std::int32_t area = section.raw_offset + header.data_offset;
        const std::int32_t at = area + (c.packed ? header.file_data_size / 2 : first_data);
        installer.put_bytes(installer.char_at(at) == 'x' ? "y" : "x", at, 1);
        if (c.fix_area_checksum)
            installer.put_int32(
                section.raw_offset + 32,
                static_cast<std::int32_t>(hash(installer.c_str() + area, header.file_data_size)));
        TempFolder folder("varnook_damaged");
        ASSERT_TRUE(write_file(folder.file("setup.exe"), installer));

        RunningInstaller run(folder.file("setup.exe"), automatic_into(folder));
        ASSERT_TRUE(run.started());
        unsigned long driver_exit = 99;
        // The progress dialog is up behind the box.
        std::string box = run.drive({"--caption", "FATAL ERROR", "show", "press", "OK"}, &driver_exit);
        EXPECT_EQ(driver_exit, 0u) << box;
        EXPECT_EQ(box.rfind(box_caption_prefix("FATAL ERROR"), 0), 0u) << box;
        std::string text = "Demo Tool is damaged, error " + std::to_string(c.code) + ".";
        EXPECT_NE(box.find(box_text_line(text)), std::string::npos) << "expected " << text << " in\n" << box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
}

} // namespace
