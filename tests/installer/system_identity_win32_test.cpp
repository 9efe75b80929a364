#include "installer/system_identity.h"

#include <gtest/gtest.h>

#include <string>

#include "core/win32.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

const char* const app_defaults = "Software\\Wine\\AppDefaults\\system_probe.exe";

// Wine gives a program the Windows version its AppDefaults name, from the program's
// start on: the probe runs once per version, in a process of its own.
class ReportedVersion {
  public:
    ReportedVersion() = default;
    ~ReportedVersion() { RegDeleteKeyA(HKEY_CURRENT_USER, app_defaults); }
    ReportedVersion(const ReportedVersion&) = delete;
    ReportedVersion& operator=(const ReportedVersion&) = delete;

    void set(const char* version) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, app_defaults, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
        RegCloseKey(key);
    }
};

TEST(SystemIdentityOnWine, EverySystemTheProductCanName) {
    struct {
        const char* wine_version;
        const char* report; // bit|name|is_nt
    } cases[] = {
        {"win95", "4|Windows 95|0"},
        {"win98", "8|Windows 98 A|0"},
        {"winme", "16|Windows ME|0"},
        {"nt40", "64|Windows NT 4.0 Service Pack 6a|1"},
        {"win2k", "128|Windows 2000 Service Pack 4|1"},
        {"winxp", "256|Windows XP Service Pack 3|1"},
    };
    ReportedVersion reported;
    for (const auto& c : cases) {
        reported.set(c.wine_version);
        RunResult run =
            run_process(command_line({exe_folder() + "\\system_probe.exe", "system"}), timeouts::program_ms);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(run.exit_code, 0u);
        // The C runtime of a Windows program ends its lines in CR LF.
        EXPECT_EQ(run.output, std::string(c.report) + "\r\n") << c.wine_version;
    }
}

} // namespace
