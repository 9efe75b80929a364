// The installations that refuse to run, and say why: a system the product excludes,
// and an existing installation that may not be installed over, also under /a.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/filesystem.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

// Wine reports the Windows version its AppDefaults name for the installer's file name
// to a program started after this is set.
class ReportedWindows {
  public:
    ReportedWindows(const char* exe_name, const char* version)
        : key_(std::string("Software\\Wine\\AppDefaults\\") + exe_name) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                           static_cast<DWORD>(strlen(version) + 1));
            RegCloseKey(key);
        }
    }
    ~ReportedWindows() { RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str()); }
    ReportedWindows(const ReportedWindows&) = delete;
    ReportedWindows& operator=(const ReportedWindows&) = delete;

  private:
    std::string key_;
};

InstallScript refusing_script() {
    InstallScript script =
        demo_script({{9, "<product> may not be installed over itself."}, {21, "Setup Error"}});
    for (int n = 31; n <= 61; ++n)
        script.language_strings.add(Vector<String>())
            .add(String(n == 61 ? "<product> cannot run on %s." : ""));
    script.default_product_name = "Varnook Refusal Test";
    return script;
}

TEST(InstallRefusals, AnExcludedSystemIsNamed) {
    InstallScript script = refusing_script();
    script.excluded_systems = 0x8 | 0x10; // Windows 98 and ME
    String image = build_installer(script, demo_files(), PayloadOptions());
    ASSERT_FALSE(image.is_empty());
    TempFolder folder("varnook_excluded");
    ASSERT_TRUE(write_file(folder.file("vrnkexcluded.exe"), image));
    ReportedWindows windows98("vrnkexcluded.exe", "win98");

    RunningInstaller run(folder.file("vrnkexcluded.exe"));
    ASSERT_TRUE(run.started());
    std::string box = run.drive({"--caption", "Setup Error", "show", "press", "OK"});
    EXPECT_NE(box.find(box_text_line("Varnook Refusal Test cannot run on Windows 98 A.")), std::string::npos)
        << box;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    EXPECT_FALSE(file_exists(folder.file("installed").c_str())) << "nothing was made";
}

TEST(InstallRefusals, AnExistingInstallationThatMayNotBeInstalledOverStopsEvenUnderA) {
    InstallScript script = refusing_script();
    script.flags.set(flag_uninstall_support);
    TempFolder folder("varnook_refused");
    String first = build_installer(script, demo_files(), PayloadOptions());
    ASSERT_TRUE(write_file(folder.file("setup.exe"), first));
    RunningInstaller install(folder.file("setup.exe"), automatic_into(folder));
    ASSERT_EQ(install.wait_for_exit(timeouts::process_end_ms), 1);
    ASSERT_TRUE(file_exists(folder.file("installed\\readme.txt").c_str()));

    script.flags.set(flag_refuse_reinstall);
    ASSERT_TRUE(
        write_file(folder.file("setup.exe"), build_installer(script, demo_files(), PayloadOptions())));
    RunningInstaller again(folder.file("setup.exe"), "/a");
    std::string box = again.drive({"--caption", "Setup Error", "show", "press", "OK"});
    EXPECT_NE(box.find(box_text_line("Varnook Refusal Test may not be installed over itself.")),
              std::string::npos)
        << box;
    EXPECT_EQ(again.wait_for_exit(timeouts::process_end_ms), 1);

    remove_key(uninstall_entry_key("Varnook Refusal Test"));
}

} // namespace
