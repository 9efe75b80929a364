#include "installer/startup.h"

#include <cstdarg>
#include <cstdlib>

#include "core/fatal.h"
#include "core/memory.h"
#include "core/win32.h"
#include "installer/command_line.h"
#include "installer/language.h"
#include "installer/payload.h"
#include "installer/script.h"
#include "installer/uninstall.h"
#include "installer/volume_prompt.h"

namespace {

HWND as_window(void* handle) {
    return static_cast<HWND>(handle);
}

char* last_system_error_text = nullptr;

} // namespace

void fatal_box(const char* message) {
    MessageBoxA(as_window(owner_window()), message, "FATAL ERROR", MB_TASKMODAL | MB_ICONERROR);
    shutdown();
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

void usage_error(const char* message) {
    fatal_format(usage_text, message != nullptr ? message : "", program_file_name().c_str());
}

void error_box(const char* format, ...) {
    String text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    if (!error_box_shows(text))
        return;
    String caption = language_string(error_box_caption_string);
    if (caption.is_empty())
        caption = "Error";
    MessageBoxA(as_window(owner_window()), text.c_str(), caption.c_str(), MB_ICONERROR);
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

void* owner_window() {
    StartupState& state = startup_state();
    if (state.progress_dialog != nullptr)
        return state.progress_dialog;
    return state.background_window;
}

const char* system_error_text() {
    if (last_system_error_text != nullptr) {
        LocalFree(last_system_error_text);
        last_system_error_text = nullptr;
    }
    DWORD error = GetLastError();
    if (error == 0)
        return "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error,
                             0x400, reinterpret_cast<LPSTR>(&last_system_error_text), 0, nullptr);
    if (n == 0 || last_system_error_text == nullptr) {
        last_system_error_text = nullptr;
        return "";
    }
    return last_system_error_text;
}

void clear_system_error() {
    SetLastError(0);
}

void broadcast_font_change() {
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
}

void shutdown() {
    StartupState& state = startup_state();
    if (state.progress_dialog != nullptr) {
        DestroyWindow(as_window(state.progress_dialog));
        state.progress_dialog = nullptr;
    }
    if (state.background_window != nullptr) {
        ShowWindow(as_window(state.background_window), SW_MINIMIZE);
        DestroyWindow(as_window(state.background_window));
        state.background_window = nullptr;
    }
    pump_messages();
    // exit rather than ExitProcess: the exit handlers release the libraries that
    // were loaded at run time.
    std::exit(1);
}

void run_startup(void* instance, const char* command_line) {
    install_out_of_memory_handler();
    set_fatal_handler(fatal_box);

    StartupState& state = startup_state();
    state.instance = instance;
    String text(command_line);

    state.title_colour = GetSysColor(COLOR_WINDOWTEXT);
    state.top_colour = GetSysColor(COLOR_WINDOW);
    state.single_colour = true;
    state.bottom_colour = 0;

    char windows_folder[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryA(windows_folder, MAX_PATH);
    language_tables().windows_folder.assign(windows_folder, n <= MAX_PATH ? static_cast<int32_t>(n) : 0);

    CommandLine parsed;
    String complaint;
    if (!parse_command_line(text, parsed, complaint))
        usage_error(complaint.c_str());
    state.automatic = parsed.automatic;
    state.install_directory = parsed.install_directory;
    state.product_name = parsed.product_name;
    state.uninstall_requested = parsed.uninstall_requested;
    state.uninstall_name = parsed.uninstall_name;
    state.run_after = parsed.run_after;

    if (state.uninstall_requested) {
        // Nothing of the payload is touched, so a copy without one can uninstall.
        if (state.uninstall_name.is_empty())
            usage_error("Product name required");
        if (uninstall_product(state.uninstall_name))
            remove_uninstaller();
        shutdown();
    }

    open_payload();
    PayloadState& payload = payload_state();
    MemoryStream script_stream = load_script_block(payload.cursor, payload.header);
    static InstallScript script;
    read_script(script_stream, payload.header.script_key, script);
    String uninstaller =
        build_uninstaller_image(*payload.files, payload.section, payload.header, product_flags(),
                                script.uninstaller_patch_offset, script.uninstaller_patch);
    // Until the install sequence exists, start-up gathers the file data as the
    // sequence will and reads every record, so that a damaged area or record is
    // reported before anything would be placed.
    VolumeSet volumes;
    volumes.folder = payload.folder;
    volumes.base_name = script.volume_base_name;
    volumes.first_tag = script.first_volume_number;
    VolumePrompt prompt(payload.header.file_data_size);
    if (!assemble_file_data(payload.cursor, payload.header, product_flags(), volumes, *payload.files, prompt))
        shutdown();
    FileRecord record;
    for (std::int32_t i = 0; i < payload.header.file_sizes.count(); ++i) {
        int code = read_file_record(payload.cursor, payload.header.file_sizes.at(i), record);
        if (code != 0)
            corrupt_installer(code);
    }
    // The install sequence takes over from here once it exists.
    shutdown();
}
