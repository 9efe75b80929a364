// A product that installs into the folder of a master product: refused while the
// master is not installed, placed in the master's folder once it is.

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

const char* const master = "Varnook Master Test";

std::string master_entry() {
    return uninstall_entry_key(master);
}

void remove_master() {
    remove_key(master_entry());
}

InstallScript add_on_script() {
    InstallScript script = demo_script({{12, "<product> needs %s first."}, {21, "Setup Error"}});
    script.default_product_name = "Varnook Add-on Test";
    script.flags.set(flag_master_product);
    script.master_product_key = master;
    script.default_directory = "<MASTER>";
    return script;
}

TEST(InstallMaster, AMissingMasterIsNamedAndAPresentOneGivesItsFolder) {
    remove_master();
    TempFolder folder("varnook_master");
    ASSERT_TRUE(write_file(folder.file("addon.exe"),
                           build_installer(add_on_script(), demo_files(), PayloadOptions())));
    {
        RunningInstaller run(folder.file("addon.exe"));
        std::string box = run.drive({"--caption", "Setup Error", "show", "press", "OK"});
        EXPECT_NE(box.find(box_text_line("Varnook Add-on Test needs Varnook Master Test first.")),
                  std::string::npos)
            << box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }

    // The master, installed silently into a folder of its own.
    InstallScript master_script = demo_script();
    master_script.default_product_name = master;
    master_script.flags.set(flag_uninstall_support);
    ASSERT_TRUE(write_file(folder.file("master.exe"),
                           build_installer(master_script, demo_files(), PayloadOptions())));
    RunningInstaller install(folder.file("master.exe"), automatic_into(folder));
    ASSERT_EQ(install.wait_for_exit(timeouts::process_end_ms), 1);

    // Its folder is where the add-on goes: "<master>" in any case.
    InstallScript add_on = add_on_script();
    std::vector<FileRecord> files(1);
    files[0].name = "addon.txt";
    files[0].data = "the add-on";
    ASSERT_TRUE(write_file(folder.file("addon.exe"), build_installer(add_on, files, PayloadOptions())));
    RunningInstaller run(folder.file("addon.exe"), "/a");
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    EXPECT_STREQ(read_file(folder.file("installed\\addon.txt")).c_str(), "the add-on");
    remove_master();
}

} // namespace
