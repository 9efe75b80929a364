// An installer built from the real stub: the payload written by the builder and
// appended as the `.vrnk` section, then started under Wine as a user would. The
// stub maps the section, checks its header, unpacks the script, builds its
// uninstaller image (comparing the stub checksum) and, with no install sequence yet,
// ends with exit code 1. A damaged copy shows the corrupt-installer box.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builder/payload_writer.h"
#include "builder/pe_writer.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"
#include "tests/ui_driver/quoted_text.h"

namespace {

// A file in the temp folder, removed again when the test ends.
struct TempInstaller {
    std::string path;
    explicit TempInstaller(const char* name) {
        char folder[MAX_PATH + 1] = {};
        GetTempPathA(MAX_PATH, folder);
        path = std::string(folder) + name;
    }
    ~TempInstaller() { DeleteFileA(path.c_str()); }
};

InstallScript minimal_script() {
    InstallScript s;
    // The stub then checks the checksum of its own image bytes in front of the section.
    s.flags.bits = flag_mask(flag_check_stub);
    s.default_product_name = "Demo Tool";
    s.default_directory = "%ProgramFiles%\\Demo Tool";
    s.volume_base_name = "DEMO";
    s.uninstaller_file_name = "Uninstall Demo Tool.exe";
    s.language_names.add(String("English"));
    for (int n = 0; n < 3; ++n)
        s.language_strings.add(Vector<String>()).add(String(("Text " + std::to_string(n)).c_str()));
    return s;
}

String built_installer() {
    FileRecord file;
    file.name = "demo.txt";
    file.data = "demo file\r\n";
    BuiltPayload payload;
    std::string error;
    EXPECT_TRUE(write_payload(minimal_script(), {file}, PayloadOptions(), payload, error)) << error;
    String image;
    EXPECT_TRUE(append_payload_section(read_file(stub_under_test().path()), payload.section, image, error))
        << error;
    return image;
}

struct InstallerRun {
    long stub_exit = -1; // -1: still running after the wait
    std::string box;     // what the driver printed of an open box
    unsigned long driver_exit = 0;
};

// Starts the installer (with `switches` after its path) and waits for it; when it is
// still running, has the driver show the box it opened and press OK.
InstallerRun run_installer(const std::string& path, unsigned long wait_ms, const std::string& switches = "") {
    InstallerRun run;
    Process process;
    if (!process.start(quote_argument(path) + (switches.empty() ? "" : " " + switches)))
        return run;
    if (!process.wait(wait_ms)) {
        RunResult driver = run_process(
            command_line({program("ui_driver.exe"), "--timeout", timeouts::seconds_text(timeouts::box_ms),
                          "--pid", std::to_string(process.pid()), "show", "press", "OK"}),
            timeouts::program_ms);
        run.box = driver.output;
        run.driver_exit = driver.exit_code;
        if (!process.wait(timeouts::process_end_ms))
            return run;
    }
    run.stub_exit = static_cast<long>(process.exit_code());
    return run;
}

TEST(BuiltInstaller, ValidPayloadIsAcceptedAndTheStubEndsQuietly) {
    String image = built_installer();
    ASSERT_FALSE(image.is_empty());
    TempInstaller installer("varnook_built_installer.exe");
    ASSERT_TRUE(write_file(installer.path, image));

    TempFolder target("varnook_built_target");
    InstallerRun run = run_installer(installer.path, timeouts::process_end_ms, automatic_into(target));
    EXPECT_TRUE(run.box.empty()) << "the stub opened a box:\n" << run.box;
    EXPECT_EQ(run.box.find("There is no installation archive present."), std::string::npos);
    EXPECT_EQ(run.stub_exit, 1);
}

TEST(BuiltInstaller, DamagedCopiesShowTheCorruptInstallerBox) {
    struct Case {
        const char* what;
        int code;
    } cases[] = {
        {"payload magic changed", 20},
        // A byte of the DOS stub text, which the loader ignores: only the stub
        // checksum of the bytes in front of the section notices it.
        {"image byte in front of the section changed", 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        String image = built_installer();
        ASSERT_FALSE(image.is_empty());
        PayloadSection section;
        ASSERT_EQ(find_payload_section(image, section), payload_section_found);
        if (c.code == 20)
            image.put_int32(section.raw_offset, static_cast<std::int32_t>(payload_magic ^ 0x00010000u));
        else
            image.put_bytes("x", 0x50, 1);
        TempInstaller installer("varnook_damaged_installer.exe");
        ASSERT_TRUE(write_file(installer.path, image));

        InstallerRun run = run_installer(installer.path, 0);
        EXPECT_EQ(run.driver_exit, 0u) << run.box;
        EXPECT_EQ(run.box.rfind("dialog caption=\"FATAL ERROR\" ", 0), 0u) << run.box;
        const std::string text =
            "This installation program is corrupt.  This is usually caused by a faulty download, but it can "
            "also "
            "be caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
            "Delete the corrupted installer (to prevent caching), then re-download it.  If the problem "
            "persists, "
            "check your system for viruses.\r\n\r\nError code: " +
            std::to_string(c.code);
        std::string line = "control id=65535 class=Static text=" + quoted_text(text) + "\n";
        EXPECT_NE(run.box.find(line), std::string::npos) << "expected " << line << "in\n" << run.box;
        EXPECT_EQ(run.stub_exit, 1);
    }
}

} // namespace
