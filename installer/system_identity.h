#pragma once
// Which Windows the installer runs on: one bit of the script's excluded-systems mask,
// and the name shown in the text that refuses a system.

#include <cstdint>

#include "core/string.h"

// What GetVersionEx tells.
struct SystemVersion {
    std::uint32_t platform = 0; // 0 Win32s, 1 Windows 9x, 2 the NT line
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    String service_pack; // szCSDVersion
};

// X(name, bit, system)
#define VARNOOK_SYSTEM_BITS(X)                                                                               \
    X(other, 1, "anything not listed below")                                                                 \
    X(win32s, 2, "Win32s")                                                                                   \
    X(windows_95, 4, "Windows 95")                                                                           \
    X(windows_98, 8, "Windows 98 (4.10 to 4.89)")                                                            \
    X(windows_me, 16, "Windows ME (4.90 and above)")                                                         \
    X(windows_nt3, 32, "Windows NT 3.x")                                                                     \
    X(windows_nt4, 64, "Windows NT 4")                                                                       \
    X(windows_2000, 128, "Windows 2000")                                                                     \
    X(windows_xp, 256, "Windows XP")

enum SystemBit : std::uint32_t {
#define VARNOOK_SYSTEM_BIT_ENUM(name, bit, system) system_##name = bit,
    VARNOOK_SYSTEM_BITS(VARNOOK_SYSTEM_BIT_ENUM)
#undef VARNOOK_SYSTEM_BIT_ENUM
};

std::uint32_t system_bit(const SystemVersion& version);
// "Windows 98 A", "Windows XP Service Pack 3", "Windows NT 3.51".
String system_name(const SystemVersion& version);
bool is_nt(const SystemVersion& version);

// The running system (Windows only).
SystemVersion running_system();
