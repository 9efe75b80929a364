// What an installation writes down for Windows and for the uninstaller, read back the
// way others read it: reg.exe, Wine's list of installed programs, the log file.

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "core/registry.h"
#include "core/win32.h"
#include "installer/install_log.h"
#include "installer/shared_counts.h"
#include "installer/system_calls.h"
#include "installer/uninstall_entry.h"
#include "tests/support/process_win32.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/test_machine.h"
#include "tests/support/timeouts.h"

namespace {

std::string reg_query(const std::string& key, const std::string& value) {
    RunResult result =
        run_process(command_line({"reg.exe", "query", key, "/v", value}), timeouts::program_ms);
    EXPECT_TRUE(result.started);
    return result.exit_code == 0 ? result.output : "<missing>";
}

// The data of a value as reg.exe prints it ("    name    REG_SZ    data"): type and
// data, or "<missing>".
std::string reg_value(const std::string& key, const std::string& value) {
    std::string output = reg_query(key, value);
    std::string marker = "    " + value + "    ";
    size_t at = output.find(marker);
    if (at == std::string::npos)
        return "<missing>";
    size_t end = output.find("\r\n", at);
    std::string line = output.substr(at + marker.size(), end - at - marker.size());
    size_t gap = line.find("    ");
    return gap == std::string::npos ? line : line.substr(0, gap) + " " + line.substr(gap + 4);
}

const char* const shared_dlls = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class SharedDllsValues {
  public:
    explicit SharedDllsValues(std::vector<std::string> names) : names_(std::move(names)) { remove(); }
    ~SharedDllsValues() { remove(); }
    SharedDllsValues(const SharedDllsValues&) = delete;
    SharedDllsValues& operator=(const SharedDllsValues&) = delete;

  private:
    void remove() {
        RegistryKey key;
        if (key.open_software("Microsoft\\Windows\\CurrentVersion\\SharedDLLs", false, 0) == 0)
            return;
        for (const std::string& name : names_)
            key.delete_value(name.c_str());
    }
    std::vector<std::string> names_;
};

TEST(RecordsOnWine, SharedCountsAcrossAnInstallAndAReinstall) {
    const std::string a = "C:\\VarnookTest\\a.dll", b = "C:\\VarnookTest\\b.dll",
                      c = "C:\\VarnookTest\\c.dll";
    SharedDllsValues values({a, b, c});
    {
        // Another product counts b already.
        RegistryKey key;
        ASSERT_NE(key.open_software("Microsoft\\Windows\\CurrentVersion\\SharedDLLs", false, 0), 0);
        key.write_int(b.c_str(), 2, 0);
    }
    InstallRun first;
    first.shared_files.add(String(a.c_str()));
    first.shared_files.add(String((b + " ").c_str()));
    update_shared_counts(first, false);
    EXPECT_EQ(std::string(first.shared_file_value.c_str()), "\"" + a + "\";\"" + b + " \"");
    EXPECT_EQ(reg_value(shared_dlls, a), "REG_DWORD 0x1");
    EXPECT_EQ(reg_value(shared_dlls, b), "REG_DWORD 0x3");
    EXPECT_TRUE(first.error_report.is_empty());

    // The reinstall places b and c: a loses its count, b keeps it, c gets one.
    InstallRun again;
    again.shared_file_value = first.shared_file_value;
    again.shared_files.add(String(b.c_str()));
    again.shared_files.add(String(c.c_str()));
    update_shared_counts(again, true);
    EXPECT_EQ(reg_value(shared_dlls, a), "<missing>");
    EXPECT_EQ(reg_value(shared_dlls, b), "REG_DWORD 0x3");
    EXPECT_EQ(reg_value(shared_dlls, c), "REG_DWORD 0x1");
    EXPECT_EQ(std::string(again.shared_file_value.c_str()), "\"" + b + "\";\"" + c + "\"");
}

// One language with the display texts the entry and the log use.
void one_language(InstallRun& run) {
    run.languages.names.add(String("English"));
    for (int i = 0; i <= 43; ++i) {
        Vector<String> texts;
        texts.add(String(i == 43 ? "Installation Complete" : ""));
        run.languages.strings.add(texts);
    }
}

const char* const entry_key =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnook Entry Test";

class EntryTest : public ::testing::Test {
  protected:
    EntryTest() { remove(); }
    ~EntryTest() override { remove(); }
    static void remove() {
        RegistryKey key;
        key.delete_software_key("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Varnook Entry Test", false,
                                0);
    }
};

TEST_F(EntryTest, EveryValueWithItsTypeAndTheListOfInstalledPrograms) {
    TestFolders folders;
    InstallRun run;
    one_language(run);
    run.folders = &folders;
    run.product_name = "Varnook Entry Demo";
    run.image_path = "D:\\setup.exe";
    run.install_directory = "C:\\Program Files\\Entry";
    run.uninstall_folder = "C:\\Program Files\\Entry\\Uninst";
    run.script.uninstaller_file_name = "unEntry.exe";
    run.script.uninstall_key_name = "Varnook Entry Test";
    run.script.display_version = "3.10";
    run.script.publisher = "";
    run.script.shortcut_mode = 1;
    run.script.uninstall_batch1 = "echo bye";
    run.flags.bits = flag_mask(flag_uninstall_support) | flag_mask(flag_gradient_colours);
    run.background.display_title = "Entry Setup";
    run.background.title_colour = 0xFFFFFF;
    run.background.top_colour = 0x800000;
    run.background.bottom_colour = 0;
    run.background.single_colour = false;
    run.shared_file_value = "\"C:\\x.dll \"";
    UninstallData expanded{String("HelpLink"), 2, String("%InstallDir%\\help.htm")};
    UninstallData number{String("EstimatedSize"), 4, String("1234")};
    UninstallData empty{String("Comments"), 0, String("")};
    run.script.uninstall_values.add(expanded);
    run.script.uninstall_values.add(number);
    run.script.uninstall_values.add(empty);

    ASSERT_TRUE(write_uninstall_entry(run));
    struct {
        const char* value;
        std::string shown;
    } values[] = {
        {"UninstallString", "REG_SZ \"C:\\Program Files\\Entry\\Uninst\\unEntry.exe\" /u:\"Varnook Entry Test\""},
        {"QuietUninstallString",
         "REG_SZ \"C:\\Program Files\\Entry\\Uninst\\unEntry.exe\" /a /u:\"Varnook Entry Test\""},
        {"DisplayName", "REG_SZ Varnook Entry Demo"},
        {"InstallSource", "REG_SZ D:\\setup.exe"},
        {"DisplayVersion", "REG_SZ 3.10"},
        {"Publisher", "<missing>"},
        {"VersionMajor", "REG_DWORD 0x3"},
        {"VersionMinor", "REG_DWORD 0xa"},
        {"ProductRegistry", "<missing>"},
        {"SharedFiles", "REG_SZ \"C:\\x.dll \""},
        {"ProductFlags", "REG_SZ 8196"},
        {"UninstallBatch1", "REG_SZ echo bye"},
        {"UninstallBatch2", "<missing>"},
        {"ShortcutMode", "REG_DWORD 0x1"},
        {"DisplayTitle", "REG_SZ Entry Setup"},
        {"TitleColor", "REG_DWORD 0xffffff"},
        {"TopColor", "REG_DWORD 0x800000"},
        {"BottomColor", "REG_DWORD 0x0"},
        {"MonoColor", "REG_DWORD 0x0"},
        {"HelpLink", "REG_EXPAND_SZ C:\\Program Files\\Entry\\help.htm"},
        {"EstimatedSize", "REG_DWORD 0x4d2"},
        {"Comments", "<missing>"},
        {"InstallLocation", "REG_SZ C:\\Program Files\\Entry"},
    };
    for (const auto& v : values)
        EXPECT_EQ(reg_value(entry_key, v.value), v.shown) << v.value;
    std::string date = reg_value(entry_key, "InstallDate");
    // "m/d/y h:ii:ssap": 12/11/26 1:05:09p
    EXPECT_TRUE(date.rfind("REG_SZ ", 0) == 0) << date;
    std::string text = date.substr(7);
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char half[3] = {};
    ASSERT_EQ(
        sscanf(text.c_str(), "%d/%d/%d %d:%2d:%2d%2s", &month, &day, &year, &hour, &minute, &second, half), 7)
        << text;
    EXPECT_TRUE(std::string(half) == "a" || std::string(half) == "p") << text;
    EXPECT_TRUE(month >= 1 && month <= 12 && year < 100 && hour >= 1 && hour <= 12) << text;

    // Without the colour bits the title colour is not kept.
    run.flags.bits = 0;
    ASSERT_TRUE(write_uninstall_entry(run));
    EXPECT_EQ(reg_value(entry_key, "TitleColor"), "<missing>");

    RunResult list = run_process("uninstaller.exe --list", timeouts::program_ms);
    EXPECT_NE(list.output.find("Varnook Entry Test|||Varnook Entry Demo"), std::string::npos) << list.output;

    String location;
    EXPECT_TRUE(installed_location("Varnook Entry Test", &location));
    EXPECT_STREQ(location.c_str(), "C:\\Program Files\\Entry");
    location = "kept";
    EXPECT_FALSE(installed_location("Varnook No Such Product", &location));
    EXPECT_STREQ(location.c_str(), "kept");
}

TEST(RecordsOnWine, TwoInstallationsLeaveTwoLogBlocks) {
    String folder = join(temp_directory().c_str(), "varnook-log-test");
    delete_tree(folder.c_str());
    ASSERT_TRUE(create_folder(folder.c_str()));
    ScriptedPrompt prompt;
    for (const char* version : {"1.0", "2.0"}) {
        InstallRun run;
        one_language(run);
        run.prompt = &prompt;
        run.automatic = true;
        run.product_name = "Logged Tool";
        run.install_directory = folder;
        run.uninstall_folder = folder;
        run.flags.bits = flag_mask(flag_always_write_log);
        run.script.display_version = version;
        finish_log(run, false);
    }
    EXPECT_TRUE(prompt.asked.empty()) << "automatic: no boxes";
    String log;
    ASSERT_EQ(read_file(join(folder.c_str(), "Install.LOG").c_str(), log), 0);
    std::string text = log.c_str();
    size_t first = text.find("Product version: 1.0\r\n");
    size_t second = text.find("Product version: 2.0\r\n");
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_NE(second, std::string::npos) << text;
    EXPECT_LT(first, second) << "the newer block last";
    EXPECT_EQ(text.rfind("\r\nInstallation log for: Logged Tool\r\n", 0), 0u) << text;
    delete_tree(folder.c_str());

    // Without problems and without the always-log option nothing is written, and the
    // completion box is shown.
    InstallRun quiet;
    one_language(quiet);
    quiet.prompt = &prompt;
    quiet.uninstall_folder = folder;
    finish_log(quiet, false);
    EXPECT_FALSE(file_exists(join(folder.c_str(), "Install.LOG").c_str()));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Installation Complete");
}

} // namespace
