#include "tests/support/unix_command_win32.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/win32.h"
#include "tests/support/process_win32.h"

namespace {

// How often the status file is looked for.
const DWORD kPollMs = 20;

bool read_whole_file(const std::string& path, std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    bytes.clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, n);
    std::fclose(file);
    return true;
}

// A name for the command's files, unique in this process and among processes.
std::string new_output_base() {
    static int serial = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "vnk-unix-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++serial);
}

} // namespace

std::string unix_path(const std::string& windows_path) {
    using ToUnix = char*(__cdecl*)(const wchar_t*);
    auto to_unix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (to_unix == nullptr)
        return std::string();
    wchar_t wide[MAX_PATH + 1];
    if (MultiByteToWideChar(CP_ACP, 0, windows_path.c_str(), -1, wide, MAX_PATH + 1) == 0)
        return std::string();
    char* path = to_unix(wide);
    if (path == nullptr)
        return std::string();
    std::string result = path;
    HeapFree(GetProcessHeap(), 0, path);
    return result;
}

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

UnixResult run_unix_command(const std::string& shell_command, unsigned long timeout_ms) {
    UnixResult result;
    const std::string base = new_output_base();
    const std::string output_file = base + ".out";
    const std::string status_file = base + ".rc";
    const std::string unix_output = unix_path(output_file);
    const std::string unix_status = unix_path(status_file);
    if (unix_output.empty() || unix_status.empty())
        return result;

    // The status file appears whole (renamed into place) once the command has ended.
    const std::string script = "PATH=/usr/local/bin:/usr/bin:/bin; export PATH; { " + shell_command +
                               "; } > " + shell_quote(unix_output) + " 2>&1; echo $? > " +
                               shell_quote(unix_status + ".tmp") + " && mv " +
                               shell_quote(unix_status + ".tmp") + " " + shell_quote(unix_status);
    std::string line = command_line({"Z:\\bin\\sh", "-c", script});
    std::vector<char> writable(line.begin(), line.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return result;
    // For a Unix program Wine gives no handles, but close whatever came.
    if (info.hThread != nullptr)
        CloseHandle(info.hThread);
    if (info.hProcess != nullptr)
        CloseHandle(info.hProcess);

    std::string status;
    const DWORD start = GetTickCount();
    while (!read_whole_file(status_file, status)) {
        if (GetTickCount() - start >= timeout_ms)
            return result;
        Sleep(kPollMs);
    }
    result.finished = true;
    result.exit_code = std::atoi(status.c_str());
    read_whole_file(output_file, result.output);
    DeleteFileA(output_file.c_str());
    DeleteFileA(status_file.c_str());
    return result;
}
