// A GUI program for the dialogs' tests: it covers the screen with an owner window, as
// the background window does, and opens one dialog over it with texts that name their
// language string ("EN 11", "DE 11"), for the UI driver to read and act on.
//
//   dialog_host language          prints "result=INDEX" (-1: cancelled)
//   dialog_host licence|readme    prints "result=1" (confirmed) or "result=0"
//   dialog_host directory START   prints "result=1 directory=TEXT" or "result=0 ..."
//   dialog_host progress [cancel-disabled]
//       opens the progress dialog and runs until told to close it: the owner window
//       takes kSetPosition (wparam: the position), kSetText (wparam: n, the status
//       "Status n") and kClose; prints "closed". Yes to the cancel question ends the
//       program through shutdown, with exit code 1.
// Every mode first prints "owner=0x<hex>" and exits with 0; bad arguments exit with 99.

#include "core/win32.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "installer/dialog_texts.h"
#include "tests/ui/dialog_host.h"
#include "ui/dialogs.h"
#include "ui/services.h"

namespace {

const int kExitBadUsage = 99;
const int kLastStringNumber = 65;

LanguageTables host_tables() {
    LanguageTables tables;
    tables.names.add(String("English"));
    tables.names.add(String("Deutsch"));
    for (int number = 0; number <= kLastStringNumber; ++number) {
        Vector<String> texts;
        for (const char* language : {"EN", "DE"}) {
            String text;
            text.format("%s %d", language, number);
            texts.add(text);
        }
        tables.strings.add(texts);
    }
    return tables;
}

Windows* host_windows = nullptr;

LRESULT CALLBACK owner_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case dialog_host::kSetPosition:
        set_progress(*host_windows, static_cast<int>(wparam));
        return 0;
    case dialog_host::kSetText: {
        String text;
        text.format("Status %d", static_cast<int>(wparam));
        set_progress_text(*host_windows, text);
        return 0;
    }
    case dialog_host::kClose:
        close_progress(*host_windows);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

HWND create_owner(HINSTANCE instance) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = owner_procedure;
    window_class.hInstance = instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
    window_class.lpszClassName = dialog_host::kOwnerClass;
    RegisterClassA(&window_class);
    return CreateWindowExA(0, dialog_host::kOwnerClass, "dialog host", WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                           instance, nullptr);
}

void run_progress(Windows& windows, DialogTexts& texts, bool cancel_disabled) {
    open_progress(windows, texts, cancel_disabled);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    std::printf("closed\n");
}

} // namespace

int main(int argc, char** argv) {
    // Lines end in "\n" alone, as the tests read them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2)
        return kExitBadUsage;
    const char* mode = argv[1];
    LanguageTables tables = host_tables();
    String product("Product");
    LanguageDialogTexts texts(tables, product);

    Windows windows;
    host_windows = &windows;
    windows.instance = GetModuleHandleA(nullptr);
    windows.background = create_owner(static_cast<HINSTANCE>(windows.instance));
    if (windows.background == nullptr)
        return kExitBadUsage;
    std::printf("owner=0x%llx\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(windows.background)));
    std::fflush(stdout);

    const String page("Page text");
    if (std::strcmp(mode, "language") == 0) {
        std::printf("result=%d\n", choose_language(windows, texts));
    } else if (std::strcmp(mode, "licence") == 0) {
        std::printf("result=%d\n", show_licence(windows, texts, page) ? 1 : 0);
    } else if (std::strcmp(mode, "readme") == 0) {
        std::printf("result=%d\n", show_readme(windows, texts, page) ? 1 : 0);
    } else if (std::strcmp(mode, "directory") == 0 && argc == 3) {
        String directory(argv[2]);
        const bool confirmed = choose_directory(windows, texts, directory);
        std::printf("result=%d directory=%s\n", confirmed ? 1 : 0, directory.c_str());
    } else if (std::strcmp(mode, "progress") == 0) {
        run_progress(windows, texts, argc == 3 && std::strcmp(argv[2], "cancel-disabled") == 0);
    } else {
        return kExitBadUsage;
    }
    std::fflush(stdout);
    DestroyWindow(static_cast<HWND>(windows.background));
    return 0;
}
