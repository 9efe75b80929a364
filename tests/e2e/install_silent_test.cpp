// A silent installation (/a) of a product that uses every kind of destination,
// shortcuts, an association, an uninstall value of its own, a product key, the three
// batches and a deletion: everything read back as Windows and its tools see it.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/file.h"
#include "core/filesystem.h"
#include "format/uninstall_data.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"
#include "tests/support/unix_command_win32.h"

namespace {

const char* const product = "Varnook Silent Test";
const TimeStamp file_time{2004, 5, 6, 7, 8, 10};

std::string windows_folder(const char* below) {
    char buffer[MAX_PATH] = {};
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return std::string(buffer) + "\\" + below;
}

// The stub's system folder as this 64-bit test reaches it.
std::string system_folder() {
    return windows_folder(stub_under_test().is_i686() ? "SysWOW64" : "system32");
}

FileRecord file(const char* name, std::int32_t kind, const char* data) {
    FileRecord record;
    record.name = name;
    record.destination = kind;
    record.data = data;
    record.time = file_time;
    return record;
}

std::vector<FileRecord> silent_files() {
    std::vector<FileRecord> files;
    FileRecord tool = file("tool.exe", 0, "the tool");
    tool.options = 0x1 | 0x2; // desktop and start-menu shortcuts
    tool.version = "Silent Tool";
    tool.arguments = "--from \"%InstallDir%\"";
    tool.attributes = FILE_ATTRIBUTE_READONLY;
    files.push_back(tool);
    files.push_back(file("docs\\guide.txt", 0, "the guide"));
    files.push_back(file("tray.exe", 5, "starts with Windows"));
    files.push_back(file("vrnkshared.dll", 1, "shared"));
    files.push_back(file("vrnksilent.dll", 6, "system"));
    String font = read_file("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf");
    FileRecord font_file = file("VrnkSilent.ttf", 4, "");
    font_file.data = font;
    font_file.version = "Varnook Silent Font";
    files.push_back(font_file);
    return files;
}

InstallScript silent_script() {
    InstallScript script = demo_script({{0, "Silent Setup"}});
    for (int n = 31; n <= 60; ++n)
        script.language_strings.add(Vector<String>())
            .add(String(n == 33   ? "Remove Silent Tool"
                        : n == 38 ? "%s"
                                  : ""));
    script.default_product_name = product;
    script.flags.bits = flag_mask(flag_uninstall_support) | flag_mask(flag_report_every_file) |
                        flag_mask(flag_uninstaller_desktop_shortcut) | flag_mask(flag_always_write_log);
    script.publisher = "Varnook Tests";
    script.uninstall_subdir = "Uninst";
    script.uninstaller_file_name = "unSilent.exe";
    script.start_menu = "Varnook Tests\\Silent";
    script.product_registry = "Varnook Tests\\Silent";
    script.batch_before_files = "echo %InstallDir%> before.txt\n";
    script.batch_after_files = "echo %SharedDir%> after.txt\n";
    script.final_batch = "echo final> final.txt\n";
    FileDeletion old;
    old.path = "old.txt";
    script.deletions.add(old);
    FileAssociation association;
    association.extension = "vrnksilent";
    association.file_type = "VarnookSilent.File";
    association.description = "Silent file";
    association.verb = "open";
    association.verb_caption = "&Open";
    association.command = "\"%InstallDir%\\tool.exe\" \"%1\"";
    script.associations.add(association);
    UninstallData help{String("HelpLink"), 0, String("%InstallDir%\\help.htm")};
    script.uninstall_values.add(help);
    return script;
}

std::string lnkinfo(const std::string& link) {
    UnixResult result = run_unix_command("lnkinfo " + shell_quote(unix_path(link)), timeouts::program_ms);
    return result.output;
}

std::string content(const std::string& path) {
    return read_file(path).c_str();
}

// What the installation leaves outside its own folder, removed before and after.
void remove_traces() {
    remove_key(uninstall_entry_key(product));
    remove_key("HKLM\\" + stub_under_test().machine_software_key("Varnook Tests"));
    remove_key("HKCU\\Software\\Varnook Tests");
    remove_key("HKCR\\.vrnksilent");
    remove_key("HKCR\\VarnookSilent.File");
    RemoveFontResourceA(windows_folder("Fonts\\VrnkSilent.ttf").c_str());
    DeleteFileA(windows_folder("Fonts\\VrnkSilent.ttf").c_str());
    DeleteFileA((system_folder() + "\\vrnksilent.dll").c_str());
}

TEST(InstallSilent, EveryKindOfThingAProductMakes) {
    remove_traces();
    String image = build_installer(silent_script(), silent_files(), PayloadOptions());
    ASSERT_FALSE(image.is_empty());
    TempFolder folder("varnook_silent");
    ASSERT_TRUE(write_file(folder.file("setup.exe"), image));
    const std::string installed = folder.file("installed");
    CreateDirectoryA(installed.c_str(), nullptr);
    ASSERT_TRUE(write_file(installed + "\\old.txt", String("to be deleted")));

    RunningInstaller run(folder.file("setup.exe"), automatic_into(folder));
    ASSERT_TRUE(run.started());
    std::string box;
    ASSERT_EQ(run.wait_for_exit(timeouts::process_end_ms, &box), 1) << box;
    EXPECT_TRUE(box.empty()) << "a silent installation opened a box:\n" << box;

    // The files, each where its kind puts it, with its time and attributes.
    EXPECT_EQ(content(installed + "\\tool.exe"), "the tool");
    EXPECT_NE(GetFileAttributesA((installed + "\\tool.exe").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(content(installed + "\\docs\\guide.txt"), "the guide");
    EXPECT_EQ(content(installed + "\\tray.exe"), "starts with Windows");
    EXPECT_EQ(content(system_folder() + "\\vrnksilent.dll"), "system");
    EXPECT_TRUE(file_equals_memory(silent_files()[5].data.c_str(), silent_files()[5].data.length(),
                                   windows_folder("Fonts\\VrnkSilent.ttf").c_str()));
    EXPECT_FALSE(file_exists((installed + "\\old.txt").c_str())) << "the deletion ran";
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(
        GetFileAttributesExA((installed + "\\docs\\guide.txt").c_str(), GetFileExInfoStandard, &data));
    FILETIME local = {};
    SYSTEMTIME when = {};
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &when);
    EXPECT_EQ(when.wYear, 2004);
    EXPECT_EQ(when.wHour, 7);
    EXPECT_EQ(when.wSecond, 10);

    // The batches ran in the installation directory with the folders set.
    EXPECT_EQ(content(installed + "\\before.txt"), installed + "\r\n");
    std::string after = content(installed + "\\after.txt");
    EXPECT_NE(after.find("\\Varnook Tests\r\n"), std::string::npos) << after;
    EXPECT_EQ(content(installed + "\\final.txt"), "final\r\n");

    // The records.
    String record = read_file(installed + "\\Uninst\\Uninstall.DAT");
    UninstallDataContents contents;
    read_uninstall_data(record, contents);
    std::string entries = contents.entries.c_str();
    for (const std::string& line : {installed + "\\tool.exe\r\n", "~" + installed + "\\docs\r\n",
                                    installed + "\\docs\\guide.txt\r\n", installed + "\\tray.exe\r\n"})
        EXPECT_NE(entries.find(line), std::string::npos) << line << " in\n" << entries;
    EXPECT_EQ(contents.associations.count(), 1);
    std::string log = content(installed + "\\Uninst\\Install.LOG");
    EXPECT_NE(log.find("Installation log for: Varnook Silent Test\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Install type: New\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("tool.exe -> " + installed + "\\tool.exe\r\n"), std::string::npos) << log;
    EXPECT_TRUE(file_exists((installed + "\\Uninst\\unSilent.exe").c_str()));

    // What Windows knows.
    std::string entry = uninstall_entry_key(product);
    EXPECT_NE(reg_query(entry, "InstallLocation").find(installed), std::string::npos);
    EXPECT_NE(reg_query(entry, "HelpLink").find(installed + "\\help.htm"), std::string::npos);
    EXPECT_NE(reg_query(entry, "UninstallString").find("unSilent.exe /u:\"Varnook Silent Test\""),
              std::string::npos);
    EXPECT_NE(reg_query("HKLM\\" + stub_under_test().machine_software_key("Varnook Tests\\Silent")),
              "<missing>");
    EXPECT_NE(reg_query("HKCU\\Software\\Varnook Tests\\Silent"), "<missing>");
    EXPECT_NE(reg_query("HKCR\\.vrnksilent").find("VarnookSilent.File"), std::string::npos);
    EXPECT_NE(reg_query("HKCR\\VarnookSilent.File\\shell\\open\\command").find(installed + "\\tool.exe"),
              std::string::npos);

    // The shortcuts: the tool's on the desktop and in the start menu, the Startup
    // program's, and the uninstaller's on the desktop and in the uninstall folder.
    std::string desktop_link;
    size_t start = 0;
    while (start < entries.size()) {
        size_t end = entries.find("\r\n", start);
        std::string line = entries.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string name = "\\Silent Tool.LNK";
        if (line.size() > name.size() && line.compare(line.size() - name.size(), name.size(), name) == 0 &&
            line.find("Start Menu") == std::string::npos)
            desktop_link = line;
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    ASSERT_FALSE(desktop_link.empty()) << entries;
    std::string info = lnkinfo(desktop_link);
    EXPECT_NE(info.find("Local path\t\t\t: " + installed + "\\tool.exe"), std::string::npos) << info;
    EXPECT_NE(info.find("Command line arguments\t\t: --from \"" + installed + "\""), std::string::npos)
        << info;
    EXPECT_NE(info.find("Working directory\t\t: " + installed), std::string::npos) << info;
    for (const char* name :
         {"tray.exe.LNK", "Remove Silent Tool.LNK", "Varnook Tests\\Silent\\Silent Tool.LNK"})
        EXPECT_NE(entries.find(name), std::string::npos) << name << " in\n" << entries;

    remove_traces();
}

} // namespace
