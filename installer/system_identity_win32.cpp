#include "installer/system_identity.h"

#include "core/win32.h"

SystemVersion running_system() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    SystemVersion version;
    // Deprecated for newer systems, which it misreports; those are outside the
    // systems a product can name.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return version;
#pragma GCC diagnostic pop
    version.platform = info.dwPlatformId;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    info.szCSDVersion[sizeof info.szCSDVersion - 1] = '\0';
    version.service_pack.assign(info.szCSDVersion);
    return version;
}
