#include "installer/system_identity.h"

std::uint32_t system_bit(const SystemVersion& version) {
    switch (version.platform) {
    case 0:
        return system_win32s;
    case 1:
        if (version.major != 4)
            return system_other;
        if (version.minor < 10)
            return system_windows_95;
        return version.minor < 90 ? system_windows_98 : system_windows_me;
    case 2:
        if (version.major <= 3)
            return system_windows_nt3;
        if (version.major == 4)
            return system_windows_nt4;
        if (version.major == 5 && version.minor == 0)
            return system_windows_2000;
        if (version.major == 5 && version.minor == 1)
            return system_windows_xp;
        return system_other;
    default:
        return system_other;
    }
}

String system_name(const SystemVersion& version) {
    String name("Windows ");
    switch (version.platform) {
    case 0:
        name.append_format("%u.%u", version.major, version.minor);
        break;
    case 1:
        if (version.major != 4)
            name.append_format("9x %u.%u", version.major, version.minor);
        else if (version.minor <= 9)
            name.append("95");
        else if (version.minor >= 90)
            name.append("ME");
        else
            name.append("98");
        break;
    case 2:
        if (version.major == 5 && version.minor == 0)
            name.append("2000");
        else if (version.major == 5 && version.minor == 1)
            name.append("XP");
        else
            name.append_format("NT %u.%u", version.major, version.minor);
        break;
    default:
        break;
    }
    if (version.service_pack.first_char() != ' ')
        name.append(' ');
    name.append(version.service_pack);
    name.trim_right();
    return name;
}

bool is_nt(const SystemVersion& version) {
    return version.platform == 2;
}
