#include "ui/dialogs.h"

#include "core/win32.h"

#include <commctrl.h>
#include <shlobj.h>

#include "resources/dialog_ids.h"

namespace {

HWND as_window(void* handle) {
    return static_cast<HWND>(handle);
}

HINSTANCE instance_of(const Windows& windows) {
    return static_cast<HINSTANCE>(windows.instance);
}

void set_item_text(HWND dialog, int id, const String& text) {
    SetDlgItemTextA(dialog, id, text.c_str());
}

String item_text(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    int length = GetWindowTextLengthA(item);
    String text;
    if (length <= 0)
        return text;
    text.set_length(length);
    int copied = GetWindowTextA(item, text.data(), length + 1);
    text.set_length(copied > 0 ? copied : 0);
    return text;
}

// What a modal dialog's procedure works with, handed over at its creation.
struct DialogSetup {
    DialogTexts* texts;
    const String* page;   // licence and read-me dialogs
    String* directory;    // directory dialog
    bool licence = false; // licence rather than read-me
    int chosen = 0;       // the language chosen
};

DialogSetup* setup_of(HWND dialog) {
    return reinterpret_cast<DialogSetup*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Keeps what WM_INITDIALOG brings for the later messages.
DialogSetup* keep_setup(HWND dialog, LPARAM lparam) {
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    return reinterpret_cast<DialogSetup*>(lparam);
}

// The confirming button is the default: Enter presses it.
void make_confirm_default(HWND dialog) {
    SendMessageA(dialog, DM_SETDEFID, DLG_CONFIRM, 0);
}

// --- Directory ---------------------------------------------------------------------

const int kDirectoryLimit = 259;

INT_PTR CALLBACK directory_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        DialogSetup& setup = *keep_setup(dialog, lparam);
        DialogTexts& texts = *setup.texts;
        centre_window(dialog);
        set_item_text(dialog, DLG_LABEL, texts.text(DialogText::directory_label));
        SendDlgItemMessageA(dialog, DLG_DIRECTORY, EM_LIMITTEXT, kDirectoryLimit, 0);
        set_item_text(dialog, DLG_DIRECTORY, *setup.directory);
        set_item_text(dialog, DLG_CONFIRM, texts.text(DialogText::confirm));
        set_item_text(dialog, DLG_CANCEL, texts.text(DialogText::cancel));
        set_item_text(dialog, DLG_BROWSE, texts.text(DialogText::browse));
        SetWindowTextA(dialog, texts.text(DialogText::directory_caption).c_str());
        make_confirm_default(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    DialogSetup& setup = *setup_of(dialog);
    switch (LOWORD(wparam)) {
    case DLG_CONFIRM:
        *setup.directory = item_text(dialog, DLG_DIRECTORY);
        EndDialog(dialog, 1);
        return TRUE;
    case DLG_CANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    case DLG_BROWSE: {
        String path = item_text(dialog, DLG_DIRECTORY);
        if (browse_for_folder(dialog, setup.texts->text(DialogText::directory_label), path))
            set_item_text(dialog, DLG_DIRECTORY, path);
        return TRUE;
    }
    default:
        // Escape (IDCANCEL) and the close box included: the dialog stays.
        return TRUE;
    }
}

// --- Language ----------------------------------------------------------------------

void label_language_buttons(HWND dialog, DialogTexts& texts) {
    set_item_text(dialog, DLG_CONFIRM, texts.text(DialogText::confirm));
    set_item_text(dialog, DLG_CANCEL, texts.text(DialogText::cancel));
}

INT_PTR CALLBACK language_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        DialogTexts& texts = *keep_setup(dialog, lparam)->texts;
        const Vector<String>& names = texts.language_names();
        for (int32_t i = 0; i < names.count(); ++i)
            SendDlgItemMessageA(dialog, DLG_LANGUAGES, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(names.at_const(i).c_str()));
        label_language_buttons(dialog, texts);
        SendDlgItemMessageA(dialog, DLG_LANGUAGES, LB_SETCURSEL, 0, 0);
        centre_window(dialog);
        make_confirm_default(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    DialogTexts& texts = *setup_of(dialog)->texts;
    const int count = texts.language_names().count();
    const int selected = static_cast<int>(SendDlgItemMessageA(dialog, DLG_LANGUAGES, LB_GETCURSEL, 0, 0));
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    if (id == DLG_LANGUAGES && code == LBN_SELCHANGE) {
        if (selected >= 0 && selected < count) {
            texts.set_language(selected);
            label_language_buttons(dialog, texts);
        }
        return TRUE;
    }
    if (id == DLG_CONFIRM || (id == DLG_LANGUAGES && code == LBN_DBLCLK)) {
        int chosen = selected < 0 ? 0 : selected;
        if (chosen >= count)
            chosen = count > 0 ? count - 1 : 0;
        if (count > 0)
            texts.set_language(chosen);
        setup_of(dialog)->chosen = chosen;
        EndDialog(dialog, dialog_confirmed);
        return TRUE;
    }
    if (id == DLG_CANCEL)
        EndDialog(dialog, dialog_cancelled);
    return TRUE;
}

// --- Licence and read-me -----------------------------------------------------------

INT_PTR CALLBACK page_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        DialogSetup& setup = *keep_setup(dialog, lparam);
        DialogTexts& texts = *setup.texts;
        set_item_text(dialog, DLG_TEXT, *setup.page);
        if (setup.licence) {
            set_item_text(dialog, DLG_CONFIRM, texts.text(DialogText::licence_accept));
            set_item_text(dialog, DLG_CANCEL, texts.text(DialogText::licence_decline));
            set_item_text(dialog, DLG_LABEL, texts.text(DialogText::licence_label));
            SetWindowTextA(dialog, texts.text(DialogText::licence_caption).c_str());
        } else {
            set_item_text(dialog, DLG_CONFIRM, texts.text(DialogText::confirm));
            set_item_text(dialog, DLG_CANCEL, texts.text(DialogText::cancel));
            set_item_text(dialog, DLG_LABEL, texts.text(DialogText::readme_label));
            SetWindowTextA(dialog, texts.text(DialogText::readme_caption).c_str());
        }
        centre_window(dialog);
        make_confirm_default(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    const int id = LOWORD(wparam);
    if (id == DLG_CONFIRM || id == DLG_CANCEL)
        EndDialog(dialog, id);
    return TRUE;
}

INT_PTR run_modal(const Windows& windows, const char* name, DLGPROC procedure, DialogSetup& setup) {
    return DialogBoxParamA(instance_of(windows), name, as_window(windows.background), procedure,
                           reinterpret_cast<LPARAM>(&setup));
}

// --- Folder browser ----------------------------------------------------------------

int CALLBACK browser_callback(HWND browser, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED) {
        centre_window(browser);
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, start);
    }
    return 0;
}

// --- Progress ----------------------------------------------------------------------

// The one progress dialog of the process and what it needs while it is open.
struct ProgressState {
    Windows* windows = nullptr;
    DialogTexts* texts = nullptr;
    HWND bar = nullptr;
    bool cancel_disabled = false;
};
ProgressState progress_state;

void make_progress_bar(HWND dialog) {
    RECT place;
    GetWindowRect(GetDlgItem(dialog, DLG_BAR_PLACE), &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    // A little larger than the frame, which then shows as the bar's edge.
    progress_state.bar =
        CreateWindowExA(0, PROGRESS_CLASSA, nullptr, WS_CHILD | WS_VISIBLE, place.left - 1, place.top - 1,
                        place.right - place.left + 3, place.bottom - place.top + 3, dialog, nullptr,
                        instance_of(*progress_state.windows), nullptr);
}

INT_PTR CALLBACK progress_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        centre_window(dialog);
        make_progress_bar(dialog);
        set_item_text(dialog, DLG_CANCEL, progress_state.texts->text(DialogText::cancel));
        if (progress_state.cancel_disabled)
            EnableWindow(GetDlgItem(dialog, DLG_CANCEL), FALSE);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    // Only the button itself asks; Escape's IDCANCEL and the close box do nothing.
    const bool from_button =
        LOWORD(wparam) == DLG_CANCEL && reinterpret_cast<HWND>(lparam) == GetDlgItem(dialog, DLG_CANCEL);
    if (!from_button || progress_state.cancel_disabled)
        return TRUE;
    DialogTexts& texts = *progress_state.texts;
    String question = texts.text(DialogText::cancel_question);
    String caption = texts.text(DialogText::question_caption);
    if (MessageBoxA(dialog, question.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES)
        shutdown(*progress_state.windows);
    return TRUE;
}

} // namespace

void centre_window(void* window) {
    RECT rect;
    if (!GetWindowRect(as_window(window), &rect))
        return;
    WindowPlace place = centred_place(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                      rect.right - rect.left, rect.bottom - rect.top);
    MoveWindow(as_window(window), place.x, place.y, place.width, place.height, FALSE);
}

int choose_language(const Windows& windows, DialogTexts& texts) {
    DialogSetup setup{&texts, nullptr, nullptr};
    if (run_modal(windows, "LanguageDlg", language_procedure, setup) != dialog_confirmed)
        return -1;
    return setup.chosen;
}

bool show_licence(const Windows& windows, DialogTexts& texts, const String& page) {
    DialogSetup setup{&texts, &page, nullptr};
    setup.licence = true;
    return run_modal(windows, "LicenseDlg", page_procedure, setup) == dialog_confirmed;
}

bool show_readme(const Windows& windows, DialogTexts& texts, const String& page) {
    DialogSetup setup{&texts, &page, nullptr};
    return run_modal(windows, "ReadmeDlg", page_procedure, setup) == dialog_confirmed;
}

bool choose_directory(const Windows& windows, DialogTexts& texts, String& directory) {
    DialogSetup setup{&texts, nullptr, &directory};
    return run_modal(windows, "ChooseDirDlg", directory_procedure, setup) == 1;
}

bool browse_for_folder(void* owner, const String& title, String& path) {
    LPITEMIDLIST root = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(as_window(owner), CSIDL_DRIVES, &root)) || root == nullptr)
        return false;
    char chosen_name[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.hwndOwner = as_window(owner);
    browse.pidlRoot = root;
    browse.pszDisplayName = chosen_name;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    browse.lpfn = browser_callback;
    browse.lParam = reinterpret_cast<LPARAM>(path.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    char chosen_path[MAX_PATH] = {};
    const bool converted = chosen != nullptr && SHGetPathFromIDListA(chosen, chosen_path);
    IMalloc* shell_allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shell_allocator)) && shell_allocator != nullptr) {
        if (chosen != nullptr)
            shell_allocator->Free(chosen);
        shell_allocator->Free(root);
        shell_allocator->Release();
    }
    if (!converted)
        return false;
    path = String(chosen_path);
    return true;
}

void open_progress(Windows& windows, DialogTexts& texts, bool cancel_disabled) {
    // The bar's window class comes with the common controls.
    InitCommonControls();
    progress_state.windows = &windows;
    progress_state.texts = &texts;
    progress_state.bar = nullptr;
    progress_state.cancel_disabled = cancel_disabled;
    HWND dialog = CreateDialogParamA(instance_of(windows), "ProgressDlg", as_window(windows.background),
                                     progress_procedure, 0);
    windows.progress = dialog;
    if (dialog == nullptr)
        return;
    SetWindowTextA(dialog, texts.text(DialogText::progress_caption).c_str());
    set_item_text(dialog, DLG_LABEL, texts.text(DialogText::progress_label));
}

void close_progress(Windows& windows) {
    if (windows.progress != nullptr)
        DestroyWindow(as_window(windows.progress));
    windows.progress = nullptr;
    progress_state.bar = nullptr;
}

bool set_progress_text(Windows& windows, const String& text) {
    if (windows.progress != nullptr) {
        HWND dialog = as_window(windows.progress);
        set_item_text(dialog, DLG_STATUS, text);
        UpdateWindow(dialog);
    }
    return pump_messages();
}

bool set_progress(Windows& windows, int position) {
    if (windows.progress != nullptr && progress_state.bar != nullptr)
        PostMessageA(progress_state.bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    return pump_messages();
}
