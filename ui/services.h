#pragma once
// The services every part of the stub uses: the windows that own its boxes, the
// "FATAL ERROR" box, the message pump and the orderly shutdown that ends every run
// with exit code 1. They know nothing of the installation itself: the engine hands
// them what they need.

#include "core/string.h"

// The program's top-level windows; destroyed by `shutdown`.
struct Windows {
    void* instance = nullptr;   // module handle for dialogs and the background window
    void* background = nullptr; // the full-screen background window
    void* progress = nullptr;   // the progress dialog
};

// The progress dialog if there is one, else the background window, else none.
void* owner_window(const Windows& windows);

// Makes the fatal ending of the process (core/fatal.h) a "FATAL ERROR" box over the
// owner window of `windows`, followed by `shutdown` of them. `windows` must live
// until the process ends.
void install_fatal_box(Windows& windows);

// Dispatches every queued message; true as soon as one of them was WM_DESTROY,
// WM_CLOSE or WM_QUIT.
bool pump_messages();

// Destroys the progress dialog, minimises and destroys the background window, pumps
// once and ends the process with exit code 1.
[[noreturn]] void shutdown(Windows& windows);

// The text of the last system error, empty when it is 0 or cannot be formatted.
// Valid until the next call.
const char* system_error_text();
void clear_system_error();

void broadcast_font_change();

// The program's own file name without folder (the file part of the module path).
String program_file_name();
// The Windows folder, what "<os>" stands for in the script's texts.
String windows_folder();
