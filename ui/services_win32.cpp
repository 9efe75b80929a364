#include "ui/services.h"

#include <cstdlib>

#include "core/fatal.h"
#include "core/win32.h"

namespace {

HWND as_window(void* handle) {
    return static_cast<HWND>(handle);
}

// The fatal handler is a plain function, called from anywhere in the library; it
// finds the windows to own its box and to close through this one registration.
Windows* fatal_windows = nullptr;

[[noreturn]] void fatal_box(const char* message) {
    Windows none;
    Windows& windows = fatal_windows != nullptr ? *fatal_windows : none;
    MessageBoxA(as_window(owner_window(windows)), message, "FATAL ERROR", MB_TASKMODAL | MB_ICONERROR);
    shutdown(windows);
}

} // namespace

void install_fatal_box(Windows& windows) {
    fatal_windows = &windows;
    set_fatal_handler(fatal_box);
}

bool pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_DESTROY || message.message == WM_CLOSE || message.message == WM_QUIT)
            return true;
    }
    return false;
}

void shutdown(Windows& windows) {
    if (windows.progress != nullptr) {
        DestroyWindow(as_window(windows.progress));
        windows.progress = nullptr;
    }
    if (windows.background != nullptr) {
        ShowWindow(as_window(windows.background), SW_MINIMIZE);
        DestroyWindow(as_window(windows.background));
        windows.background = nullptr;
    }
    pump_messages();
    // exit rather than ExitProcess: the exit handlers release the libraries that
    // were loaded at run time.
    std::exit(1);
}

const char* system_error_text() {
    // The system allocates the text; it is freed at the next call.
    static char* last_text = nullptr;
    if (last_text != nullptr) {
        LocalFree(last_text);
        last_text = nullptr;
    }
    DWORD error = GetLastError();
    if (error == 0)
        return "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error,
                             0x400, reinterpret_cast<LPSTR>(&last_text), 0, nullptr);
    if (n == 0 || last_text == nullptr) {
        last_text = nullptr;
        return "";
    }
    return last_text;
}

void clear_system_error() {
    SetLastError(0);
}

void broadcast_font_change() {
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

String program_file_name() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    String name(path, static_cast<int32_t>(n));
    int32_t folder_end = name.rfind_char('\\', 0x7FFFFFFF, 0);
    if (folder_end >= 0)
        name.remove(0, folder_end + 1);
    return name;
}

String windows_folder() {
    char folder[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
    return String(folder, n <= MAX_PATH ? static_cast<int32_t>(n) : 0);
}
