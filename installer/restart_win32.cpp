#include "installer/restart.h"

#include "core/dynlib.h"
#include "core/win32.h"

namespace {

using OpenProcessTokenFunction = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE*);
using LookupPrivilegeValueFunction = BOOL(WINAPI*)(const char*, const char*, LUID*);
using AdjustTokenPrivilegesFunction = BOOL(WINAPI*)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                                    DWORD*);

struct PrivilegeFunctions {
    OpenProcessTokenFunction open_process_token = nullptr;
    LookupPrivilegeValueFunction lookup_privilege_value = nullptr;
    AdjustTokenPrivilegesFunction adjust_token_privileges = nullptr;
};

// Windows 9x has no privileges and its advapi32 may lack the functions: then the
// session ends without them.
bool load_privilege_functions(PrivilegeFunctions& functions) {
    const FunctionEntry table[] = {
        {"OpenProcessToken", reinterpret_cast<void**>(&functions.open_process_token), 0},
        {"LookupPrivilegeValueA", reinterpret_cast<void**>(&functions.lookup_privilege_value), 0},
        {"AdjustTokenPrivileges", reinterpret_cast<void**>(&functions.adjust_token_privileges), 0},
        {nullptr, nullptr, 0},
    };
    return load_functions("advapi32.dll", table);
}

// The process token with the shutdown privilege enabled, or null.
HANDLE enable_shutdown_privilege(const PrivilegeFunctions& functions) {
    HANDLE token = nullptr;
    if (!functions.open_process_token(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return nullptr;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!functions.lookup_privilege_value(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) ||
        !functions.adjust_token_privileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
        CloseHandle(token);
        return nullptr;
    }
    return token;
}

UINT exit_flags(SessionEnd kind, bool force) {
    UINT flags = EWX_SHUTDOWN;
    switch (kind) {
    case SessionEnd::power_off:
        flags = EWX_POWEROFF;
        break;
    case SessionEnd::reboot:
        flags = EWX_REBOOT;
        break;
    case SessionEnd::log_off:
        flags = EWX_LOGOFF;
        break;
    case SessionEnd::shut_down:
        break;
    }
    return flags | (force ? EWX_FORCE : EWX_FORCEIFHUNG);
}

} // namespace

bool end_session(SessionEnd kind, bool force) {
    PrivilegeFunctions functions;
    HANDLE token = load_privilege_functions(functions) ? enable_shutdown_privilege(functions) : nullptr;
    bool accepted = ExitWindowsEx(exit_flags(kind, force), 0) != FALSE;
    if (token != nullptr) {
        functions.adjust_token_privileges(token, TRUE, nullptr, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    return accepted;
}
