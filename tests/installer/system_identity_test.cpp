#include "installer/system_identity.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemIdentity, EverySystemHasItsBitAndName) {
    struct {
        std::uint32_t platform, major, minor;
        const char* service_pack;
        std::uint32_t bit;
        const char* name;
    } cases[] = {
        {0, 3, 11, "", system_win32s, "Windows 3.11"},
        {1, 4, 0, " C", system_windows_95, "Windows 95 C"},
        {1, 4, 3, "", system_windows_95, "Windows 95"},
        {1, 4, 10, " A ", system_windows_98, "Windows 98 A"}, // Second Edition counts as 98
        {1, 4, 89, "", system_windows_98, "Windows 98"},
        {1, 4, 90, " ", system_windows_me, "Windows ME"},
        {1, 5, 1, "", system_other, "Windows 9x 5.1"},
        {2, 3, 51, "Service Pack 5", system_windows_nt3, "Windows NT 3.51 Service Pack 5"},
        {2, 4, 0, "Service Pack 6a", system_windows_nt4, "Windows NT 4.0 Service Pack 6a"},
        {2, 5, 0, "Service Pack 4", system_windows_2000, "Windows 2000 Service Pack 4"},
        {2, 5, 1, "Service Pack 3", system_windows_xp, "Windows XP Service Pack 3"},
        {2, 5, 2, "", system_other, "Windows NT 5.2"},
        {2, 6, 1, "Service Pack 1 \t", system_other, "Windows NT 6.1 Service Pack 1"},
        {3, 1, 0, "", system_other, "Windows"},
    };
    for (const auto& c : cases) {
        SystemVersion version;
        version.platform = c.platform;
        version.major = c.major;
        version.minor = c.minor;
        version.service_pack = c.service_pack;
        EXPECT_EQ(system_bit(version), c.bit) << c.name;
        EXPECT_STREQ(system_name(version).c_str(), c.name);
        EXPECT_EQ(is_nt(version), c.platform == 2) << c.name;
    }
}

} // namespace
