// Installing over an existing installation: the question names the installed folder
// and, when the product asks for it, compares the versions; the new files go where
// the old ones are. A recorded folder that is gone counts as no installation.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/filesystem.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

const char* const product = "Varnook Existing Test";

InstallScript versioned_script(const char* version, bool compare) {
    InstallScript script = demo_script({{2, "Existing Test"},
                                        {3, "Installed in:"},
                                        {4, "Same version in:"},
                                        {5, "Older version in:"},
                                        {6, "Newer version in:"},
                                        {7, "Install over it?"},
                                        {24, "Folder Test"}});
    const char* later[66] = {};
    later[42] = "Installed.";
    later[43] = "Done Test";
    later[65] = "Welcome Test";
    for (int n = 31; n <= 65; ++n)
        script.language_strings.add(Vector<String>()).add(String(later[n] != nullptr ? later[n] : ""));
    script.default_product_name = product;
    script.display_version = version;
    script.flags.set(flag_uninstall_support);
    script.flags.set(flag_directory_dialog);
    if (compare)
        script.flags.set(flag_compare_versions_on_reinstall);
    return script;
}

std::vector<FileRecord> version_file(const char* version) {
    std::vector<FileRecord> files(1);
    files[0].name = "version.txt";
    files[0].data = version;
    return files;
}

void remove_entry() {
    remove_key(uninstall_entry_key(product));
}

TEST(InstallExisting, TheQuestionComparesVersionsAndTheFilesGoWhereTheOldOnesAre) {
    remove_entry();
    TempFolder folder("varnook_existing");
    const std::string installed = folder.file("installed");
    ASSERT_TRUE(write_file(folder.file("setup.exe"), build_installer(versioned_script("1.0", true),
                                                                     version_file("1.0"), PayloadOptions())));
    RunningInstaller first(folder.file("setup.exe"), automatic_into(folder));
    ASSERT_EQ(first.wait_for_exit(timeouts::process_end_ms), 1);
    ASSERT_STREQ(read_file(installed + "\\version.txt").c_str(), "1.0");

    struct Case {
        const char* version;
        bool compare;
        const char* text;
        const char* answer;
        const char* after; // version.txt afterwards
    } cases[] = {
        {"1.0", true, "Same version in:", "No", "1.0"},
        {"1.0.1", false, "Installed in:", "No", "1.0"},
        {"0.9", true, "Newer version in:", "No", "1.0"},
        {"1.10", true, "Older version in:", "Yes", "1.10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        ASSERT_TRUE(
            write_file(folder.file("setup.exe"), build_installer(versioned_script(c.version, c.compare),
                                                                 version_file(c.version), PayloadOptions())));
        RunningInstaller run(folder.file("setup.exe"));
        run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
        std::string box = run.drive({"--caption", "Existing Test", "show", "press", c.answer, "wait-gone"});
        EXPECT_NE(
            box.find(box_text_line(std::string(c.text) + "\r\n" + installed + "\r\n\r\nInstall over it?")),
            std::string::npos)
            << box;
        if (std::string(c.answer) == "Yes")
            run.drive({"--caption", "Done Test", "press", "OK"}); // no folder dialog on the way
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        EXPECT_STREQ(read_file(installed + "\\version.txt").c_str(), c.after);
    }

    // Without the question (as the product may ask), straight into the old folder, even
    // when another folder is given: the installed product's record and uninstaller are there.
    InstallScript quiet = versioned_script("2.0", true);
    quiet.flags.set(flag_no_reinstall_question);
    ASSERT_TRUE(
        write_file(folder.file("setup.exe"), build_installer(quiet, version_file("2.0"), PayloadOptions())));
    {
        RunningInstaller run(folder.file("setup.exe"), "/d:\"" + folder.file("elsewhere") + "\"");
        run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
        run.drive({"--caption", "Done Test", "press", "OK"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        EXPECT_STREQ(read_file(installed + "\\version.txt").c_str(), "2.0");
        EXPECT_FALSE(folder_exists(folder.file("elsewhere").c_str()));
    }

    // The recorded folder is gone: no installation, so the folder dialog shows.
    ASSERT_TRUE(delete_tree(installed.c_str()));
    {
        RunningInstaller run(folder.file("setup.exe"));
        run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
        std::string dialog = run.drive({"--caption", "Folder Test", "show", "press", "1003"});
        EXPECT_NE(dialog.find("control id=1015 class=Edit"), std::string::npos) << dialog;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
    remove_entry();
}

} // namespace
