#pragma once
// Start-up of the installer and the one place where it reports errors: the fatal
// message, the corrupt-installer message, the usage message, the non-fatal error box,
// the message pump and the orderly shutdown that ends every run with exit code 1.

#include <cstdint>

#include "core/compiler.h"
#include "core/string.h"

// Process-wide start-up state, read by the rest of the engine.
struct StartupState {
    void* instance = nullptr; // module handle for dialogs and the background window
    bool automatic = false;   // no questions; most message boxes suppressed
    String install_directory; // /d: override of the script's default directory
    String product_name;      // /n:, else the script's
    bool uninstall_requested = false;
    String uninstall_name; // /u:; in install mode later the uninstall key name
    String run_after;      // /r: program started after a successful installation
    void* background_window = nullptr;
    void* progress_dialog = nullptr;
    // Display defaults that the install script may override.
    std::uint32_t title_colour = 0;
    std::uint32_t top_colour = 0;
    std::uint32_t bottom_colour = 0;
    bool single_colour = true;
};

StartupState& startup_state();

// The texts shown by the routines below, exactly as the user sees them.
extern const char* const usage_text;
extern const char* const builtin_corrupt_installer_text;
extern const char* const no_archive_text;
extern const char* const cannot_open_self_text;

// "FATAL ERROR" box over the owner window, then `shutdown`. Installed as the fatal
// handler of the process at start-up.
[[noreturn]] void fatal_box(const char* message);

// The corrupt-installer text (language string 13, or the built-in text while that
// is empty) with `code`, through `fatal_format`.
[[noreturn]] void corrupt_installer(int code);

// `format` with its first "%d" replaced by `code` and "%%" by "%"; any other "%" stays
// as it is, so a damaged text can never read arguments that are not there.
String with_error_code(const String& format, int code);

// The usage text with `message` and the program's own file name, through `fatal_format`.
[[noreturn]] void usage_error(const char* message);

// Non-fatal error box; shows nothing in automatic mode (unless the script asks for
// it) or when the text is blank. The program goes on.
void error_box(const char* format, ...) VARNOOK_PRINTF(1, 2);

// Whether `error_box` shows `text` in the current mode.
bool error_box_shows(const String& text);

// Dispatches every queued message; true as soon as one of them was WM_DESTROY,
// WM_CLOSE or WM_QUIT.
bool pump_messages();

// The progress dialog if there is one, else the background window, else none.
void* owner_window();

// The text of the last system error, empty when it is 0 or cannot be formatted.
// Valid until the next call.
const char* system_error_text();
void clear_system_error();

void broadcast_font_change();

// Destroys the progress dialog and the background window, pumps once and ends the
// process with exit code 1.
[[noreturn]] void shutdown();

// The program's own file name without folder (the file part of the module path).
String program_file_name();

// The whole start-up: command line, uninstall hand-over, payload. Never returns.
[[noreturn]] void run_startup(void* instance, const char* command_line);
