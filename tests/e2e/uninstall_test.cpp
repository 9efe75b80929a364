// The uninstaller, started as the list of installed programs starts it: everything the
// installation made is gone afterwards, and the uninstaller too; what it cannot remove
// is reported and kept for another try; a damaged or hostile record removes nothing
// that is not the product's.

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "core/filesystem.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

const char* const product = "Varnook Remove Test";

InstallScript removable_script(const TempFolder& folder) {
    InstallScript script = full_demo_script({{10, "Left behind:\n%s"},
                                             {15, "Remove Done"},
                                             {20, "Remove Problems"},
                                             {21, "Remove Error"},
                                             {33, "Remove <product>"},
                                             {34, "<product> is gone."},
                                             {35, "Shared Question"},
                                             {42, "Installed."},
                                             {43, "Done Test"},
                                             {53, "Remove <product> and all of its parts?"},
                                             {55, "Remove Test"},
                                             {58, "Could not remove"},
                                             {59, "Remove the shared %s?"}});
    script.default_product_name = product;
    script.flags.set(flag_uninstall_support);
    script.flags.set(flag_uninstaller_start_menu_shortcut);
    script.uninstall_subdir = "Uninst";
    script.uninstaller_file_name = "unRemove.exe";
    script.start_menu = "Varnook Remove Tests\\Remove";
    script.product_registry = "Varnook Remove Tests\\Remove";
    script.uninstall_batch1 = ("echo first> \"" + folder.file("batch1.txt") + "\"\n").c_str();
    script.uninstall_batch2 = ("echo second> \"" + folder.file("batch2.txt") + "\"\n").c_str();
    FileAssociation association;
    association.extension = "vrnkremove";
    association.file_type = "VarnookRemove.File";
    association.description = "Remove test file";
    association.verb = "open";
    association.command = "\"%InstallDir%\\tool.exe\" \"%1\"";
    script.associations.add(association);
    return script;
}

std::vector<FileRecord> removable_files() {
    std::vector<FileRecord> files = demo_files();
    FileRecord tool;
    tool.name = "tool.exe";
    tool.data = "the tool";
    tool.options = 0x1 | 0x2; // desktop and start-menu shortcuts
    tool.version = "Remove Tool";
    files.push_back(tool);
    FileRecord guide;
    guide.name = "docs\\deep\\guide.txt";
    guide.data = "the guide";
    files.push_back(guide);
    return files;
}

std::string programs_folder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path);
    return path;
}

std::string uninstall_switch() {
    return std::string("/u:\"") + product + "\"";
}

// An installation of the product into `folder`'s "installed" folder, silently.
void install(const TempFolder& folder, const InstallScript& script) {
    ASSERT_TRUE(
        write_file(folder.file("setup.exe"), build_installer(script, removable_files(), PayloadOptions())));
    RunningInstaller run(folder.file("setup.exe"), automatic_into(folder));
    ASSERT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    ASSERT_TRUE(file_exists(folder.file("installed\\Uninst\\unRemove.exe").c_str()));
}

// The entry's InstallLocation, as someone might edit it.
void set_install_location(const std::string& location) {
    run_process(command_line({"reg.exe", "add", uninstall_entry_key(product), "/v", "InstallLocation", "/d",
                              location, "/f", stub_under_test().reg_view_switch()}),
                timeouts::program_ms);
}

// Waits for `path` to be gone, and the uninstaller's own batch with it, which removes
// it after the uninstaller has ended: a command interpreter in a console of its own,
// which a busy machine starts slowly. Every uninstaller writes that one batch file, so
// the next test may only start one once this one has deleted itself.
bool gone_in_time(const std::string& path) {
    for (unsigned long waited = 0; waited < timeouts::process_end_ms; waited += 100) {
        if (!file_exists(path.c_str()) && !folder_exists(path.c_str()) && !file_exists("C:\\delunins.bat"))
            return true;
        Sleep(100);
    }
    return false;
}

void remove_traces() {
    remove_key(uninstall_entry_key(product));
    remove_key("HKLM\\" + stub_under_test().machine_software_key("Varnook Remove Tests"));
    remove_key("HKCU\\Software\\Varnook Remove Tests");
    remove_key("HKCR\\.vrnkremove");
    remove_key("HKCR\\VarnookRemove.File");
}

TEST(Uninstall, EverythingTheInstallationMadeGoesAndTheUninstallerWithIt) {
    remove_traces();
    TempFolder folder("varnook_uninstall");
    const std::string installed = folder.file("installed");
    install(folder, removable_script(folder));
    const std::string menu = programs_folder() + "\\Varnook Remove Tests\\Remove";
    ASSERT_TRUE(folder_exists(menu.c_str()));
    ASSERT_NE(reg_query("HKCR\\.vrnkremove"), "<missing>");

    RunningInstaller run(installed + "\\Uninst\\unRemove.exe", uninstall_switch());
    std::string confirm = run.drive({"--caption", "Remove Test", "show", "press", "Yes", "wait-gone"});
    EXPECT_NE(confirm.find(box_text_line("Remove Varnook Remove Test and all of its parts?")),
              std::string::npos)
        << confirm;
    std::string done = run.drive({"--caption", "Remove Done", "show", "press", "OK"});
    EXPECT_NE(done.find(box_text_line("Varnook Remove Test is gone.")), std::string::npos) << done;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);

    EXPECT_TRUE(gone_in_time(installed)) << "the uninstaller's batch removes its copy, the folders and itself";
    EXPECT_EQ(reg_query(uninstall_entry_key(product)), "<missing>");
    EXPECT_EQ(reg_query("HKLM\\" + stub_under_test().machine_software_key("Varnook Remove Tests")),
              "<missing>");
    EXPECT_EQ(reg_query("HKCU\\Software\\Varnook Remove Tests"), "<missing>");
    EXPECT_EQ(reg_query("HKCR\\.vrnkremove"), "<missing>");
    EXPECT_EQ(reg_query("HKCR\\VarnookRemove.File"), "<missing>");
    EXPECT_FALSE(folder_exists(menu.c_str()));
    EXPECT_FALSE(folder_exists((programs_folder() + "\\Varnook Remove Tests").c_str()))
        << "empty parents go too";
    EXPECT_TRUE(folder_exists(programs_folder().c_str()));
    EXPECT_EQ(std::string(read_file(folder.file("batch1.txt")).c_str()), "first\r\n");
    EXPECT_EQ(std::string(read_file(folder.file("batch2.txt")).c_str()), "second\r\n");
    remove_traces();
}

TEST(Uninstall, TheOpeningFailuresAndADeclinedConfirmationChangeNothing) {
    remove_traces();
    TempFolder folder("varnook_uninstall_open");
    const std::string installed = folder.file("installed");
    install(folder, removable_script(folder));
    const std::string uninstaller = installed + "\\Uninst\\unRemove.exe";
    {
        RunningInstaller run(uninstaller, "/u:\"Varnook Nothing Here\"");
        std::string box = run.drive({"--caption", "Error", "show", "press", "OK"});
        EXPECT_NE(box.find(box_text_line("No product named 'Varnook Nothing Here' is installed.")),
                  std::string::npos)
            << box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
    {
        RunningInstaller run(uninstaller, uninstall_switch());
        run.drive({"--caption", "Remove Test", "press", "No"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        EXPECT_TRUE(file_exists((installed + "\\tool.exe").c_str()));
        EXPECT_TRUE(file_exists(uninstaller.c_str()));
        EXPECT_NE(reg_query(uninstall_entry_key(product), "UninstallBatch1"), "<missing>");
    }
    // An entry without its location: named by its DisplayName.
    set_install_location("");
    {
        RunningInstaller run(uninstaller, uninstall_switch());
        std::string box = run.drive({"--caption", "Error", "show", "press", "OK"});
        EXPECT_NE(
            box.find(box_text_line("The uninstall information for Varnook Remove Test is corrupt.\r\n\r\n"
                                   "The uninstallation cannot be performed.")),
            std::string::npos)
            << box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        EXPECT_TRUE(file_exists((installed + "\\tool.exe").c_str()));
    }
    remove_traces();
}

TEST(Uninstall, AFileInUseIsReportedAndKeptForTheNextTry) {
    remove_traces();
    TempFolder folder("varnook_uninstall_held");
    const std::string installed = folder.file("installed");
    install(folder, removable_script(folder));
    Process holder;
    ASSERT_TRUE(holder.start(command_line({program("hold_file.exe"), installed + "\\tool.exe", "60"}), true));
    for (int i = 0; i < 100 && holder.output().find("held") == std::string::npos; ++i)
        holder.wait(100);

    const std::string uninstaller = installed + "\\Uninst\\unRemove.exe";
    {
        RunningInstaller run(uninstaller, uninstall_switch());
        run.drive({"--caption", "Remove Test", "press", "Yes", "wait-gone"});
        std::string box = run.drive({"--caption", "Remove Problems", "show", "press", "OK"});
        EXPECT_NE(box.find(box_text_line("Left behind:\r\nCould not remove " + installed + "\\tool.exe\r\n")),
                  std::string::npos)
            << box;
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
    EXPECT_NE(reg_query(uninstall_entry_key(product)), "<missing>") << "still listed";
    std::string record = read_file(installed + "\\Uninst\\Uninstall.DAT").c_str();
    EXPECT_EQ(record.find(installed + "\\tool.exe\r\n"), 0u) << record;
    EXPECT_FALSE(file_exists((installed + "\\readme.txt").c_str()));
    EXPECT_TRUE(file_exists(uninstaller.c_str())) << "no self-removal after problems";

    holder.kill();
    holder.wait(timeouts::process_end_ms);
    {
        RunningInstaller run(uninstaller, uninstall_switch());
        run.drive({"--caption", "Remove Test", "press", "Yes", "wait-gone"});
        run.drive({"--caption", "Remove Done", "press", "OK"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
    EXPECT_TRUE(gone_in_time(installed));
    EXPECT_EQ(reg_query(uninstall_entry_key(product)), "<missing>");
    remove_traces();
}

TEST(Uninstall, AHostileRecordRemovesNothingThatIsNotTheProducts) {
    remove_traces();
    TempFolder folder("varnook_uninstall_hostile");
    const std::string installed = folder.file("installed");
    InstallScript script = removable_script(folder);
    script.flags.set(flag_remove_whole_directory);
    install(folder, script);
    const std::string uninstaller = folder.file("unRemove.exe");
    ASSERT_TRUE(CopyFileA((installed + "\\Uninst\\unRemove.exe").c_str(), uninstaller.c_str(), FALSE));
    ASSERT_TRUE(write_file(folder.file("victim.txt"), String("not the product's")));
    ASSERT_TRUE(create_folder(folder.file("victims").c_str()));
    // The record as someone edited it: a path that climbs out, a relative one, and keys
    // of HKEY_CLASSES_ROOT itself and of the system.
    const std::string record_path = installed + "\\Uninst\\Uninstall.DAT";
    const String original_record = read_file(record_path);
    std::string record = original_record.c_str();
    record = installed + "\\..\\victim.txt\r\nvictim.txt\r\n~" + installed +
             "\\..\\victims\r\n!\r\n!CLSID\r\n" + record;
    ASSERT_TRUE(write_file(record_path, String(record.c_str())));
    // And an entry that names a folder of the system as the whole directory to delete.
    const std::string documents = [] {
        char path[MAX_PATH] = {};
        SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, path);
        return std::string(path);
    }();
    ASSERT_TRUE(create_folder(documents.c_str()));
    ASSERT_TRUE(write_file(documents + "\\varnook_keep.txt", String("the user's")));

    {
        RunningInstaller run(installed + "\\Uninst\\unRemove.exe", uninstall_switch());
        run.drive({"--caption", "Remove Test", "press", "Yes", "wait-gone"});
        std::string box = run.drive({"--caption", "Remove Problems", "show", "press", "OK"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        const std::string refused = "Not removed, not a full path of its own: ";
        EXPECT_NE(
            box.find(box_text_line("Left behind:\r\n" + refused + installed + "\\..\\victim.txt\r\n" +
                                   refused + "victim.txt\r\n" + refused + installed + "\\..\\victims\r\n" +
                                   "Not removed, a key of the system: HKEY_CLASSES_ROOT\\\r\n" +
                                   "Not removed, a key of the system: HKEY_CLASSES_ROOT\\CLSID\r\n")),
            std::string::npos)
            << box;
        EXPECT_NE(reg_query(uninstall_entry_key(product)), "<missing>") << "still listed";
    }
    // The entry's location a folder of the system, or a drive root, with the product's
    // record (now only its strings) put there, so that the boxes speak.
    // The whole directory went with the first run (bit 10), but for the running
    // uninstaller: a copy of it serves.
    EXPECT_FALSE(file_exists((installed + "\\tool.exe").c_str()));
    for (const std::string& location : {documents, std::string("C:")}) {
        SCOPED_TRACE(location);
        const std::string uninst = location + "\\Uninst";
        ASSERT_TRUE(create_folder(uninst.c_str()));
        ASSERT_TRUE(write_file(uninst + "\\Uninstall.DAT", original_record));
        const std::string entry_location = location == "C:" ? "C:\\" : location;
        set_install_location(entry_location);
        RunningInstaller run(uninstaller, uninstall_switch());
        run.drive({"--caption", "Remove Test", "press", "Yes", "wait-gone"});
        std::string box = run.drive({"--caption", "Remove Problems", "show", "press", "OK"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
        EXPECT_NE(box.find(box_text_line(
                      "Left behind:\r\nNot removed as a whole, it holds folders of the system: " +
                      entry_location + "\r\n")),
                  std::string::npos)
            << box;
        DeleteFileA((uninst + "\\Uninstall.DAT").c_str());
        RemoveDirectoryA(uninst.c_str());
    }
    EXPECT_TRUE(file_exists(folder.file("victim.txt").c_str()));
    EXPECT_TRUE(folder_exists(folder.file("victims").c_str()));
    EXPECT_TRUE(file_exists((documents + "\\varnook_keep.txt").c_str()));
    EXPECT_NE(reg_query("HKCR\\CLSID"), "<missing>");
    EXPECT_TRUE(folder_exists("C:\\windows"));
    DeleteFileA((documents + "\\varnook_keep.txt").c_str());
    remove_traces();
}

} // namespace
