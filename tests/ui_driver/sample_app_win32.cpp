// A GUI program for the UI driver's tests: it shows what an installer shows, and
// reports what a person did through its exit code and a file.
//
//   sample_app msgbox CAPTION TEXT BUTTONS [CAPTION TEXT BUTTONS ...]
//       Shows the message boxes one after another. BUTTONS: ok, okcancel, yesno,
//       yesnocancel, retrycancel, abortretryignore. The exit code is the boxes' results
//       written one after another as decimal digits (Yes then No: 67); for one box it
//       is that box's result.
//   sample_app dialog RECORD
//       Shows the dialog of sample_app.rc. On OK it writes what the controls held to
//       the file RECORD (one "name=value" line each) and exits with 1 (IDOK). Cancel
//       first asks "Cancel the setup?" in a nested Yes/No box; Yes exits with 2.
//
// Bad arguments exit with 99.

#include "core/win32.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kExitBadUsage = 99;

// Ids of sample_app.rc.
const int kDialogId = 100;
const int kEditId = 101;
const int kListId = 102;
const int kComboId = 103;
const int kShortcutId = 104;

const char* const kListEntries[] = {"first entry", "second entry", "third entry"};
const char* const kComboEntries[] = {"Typical", "Compact", "Custom"};

struct ButtonsName {
    const char* name;
    UINT flags;
};
const ButtonsName kButtons[] = {
    {"ok", MB_OK},
    {"okcancel", MB_OKCANCEL},
    {"yesno", MB_YESNO},
    {"yesnocancel", MB_YESNOCANCEL},
    {"retrycancel", MB_RETRYCANCEL},
    {"abortretryignore", MB_ABORTRETRYIGNORE},
};

int show_message_boxes(int count, char** arguments) {
    if (count == 0 || count % 3 != 0)
        return kExitBadUsage;
    int code = 0;
    for (int i = 0; i < count; i += 3) {
        const ButtonsName* buttons = nullptr;
        for (const ButtonsName& candidate : kButtons)
            if (std::strcmp(candidate.name, arguments[i + 2]) == 0)
                buttons = &candidate;
        if (!buttons)
            return kExitBadUsage;
        const int result = MessageBoxA(nullptr, arguments[i + 1], arguments[i], buttons->flags);
        code = code * 10 + result;
    }
    return code;
}

struct DialogState {
    const char* record_path;
    int list_notifications = 0;
    int combo_notifications = 0;
};

std::string item_text(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string entry_text(HWND list, UINT length_message, UINT text_message, LRESULT index) {
    const LRESULT length = SendMessageA(list, length_message, index, 0);
    if (length < 0)
        return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, text_message, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(std::strlen(text.c_str()));
    return text;
}

bool write_record(HWND dialog, const DialogState& state) {
    FILE* file = std::fopen(state.record_path, "wb");
    if (!file)
        return false;
    HWND list = GetDlgItem(dialog, kListId);
    HWND combo = GetDlgItem(dialog, kComboId);
    const LRESULT list_index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    const LRESULT combo_index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    std::fprintf(file, "edit=%s\n", item_text(dialog, kEditId).c_str());
    std::fprintf(file, "list=%d %s\n", static_cast<int>(list_index),
                 entry_text(list, LB_GETTEXTLEN, LB_GETTEXT, list_index).c_str());
    std::fprintf(file, "combo=%d %s\n", static_cast<int>(combo_index),
                 entry_text(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, combo_index).c_str());
    std::fprintf(file, "shortcut=%d\n", IsDlgButtonChecked(dialog, kShortcutId) == BST_CHECKED ? 1 : 0);
    std::fprintf(file, "list_notifications=%d\n", state.list_notifications);
    std::fprintf(file, "combo_notifications=%d\n", state.combo_notifications);
    return std::fclose(file) == 0;
}

void fill(HWND dialog, DialogState* state) {
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    SetDlgItemTextA(dialog, kEditId, "C:\\Program Files\\Sample");
    for (const char* entry : kListEntries)
        SendDlgItemMessageA(dialog, kListId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    for (const char* entry : kComboEntries)
        SendDlgItemMessageA(dialog, kComboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    SendDlgItemMessageA(dialog, kComboId, CB_SETCURSEL, 0, 0);
}

INT_PTR CALLBACK dialog_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        fill(dialog, reinterpret_cast<DialogState*>(lparam));
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    DialogState& state = *reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    const int id = LOWORD(wparam);
    const int code = HIWORD(wparam);
    if (id == kListId && code == LBN_SELCHANGE)
        ++state.list_notifications;
    if (id == kComboId && code == CBN_SELCHANGE)
        ++state.combo_notifications;
    if (id == IDOK && code == BN_CLICKED)
        EndDialog(dialog, write_record(dialog, state) ? IDOK : -1);
    if (id == IDCANCEL && code == BN_CLICKED &&
        MessageBoxA(dialog, "Cancel the setup?", "Sample confirm", MB_YESNO) == IDYES)
        EndDialog(dialog, IDCANCEL);
    return TRUE;
}

int show_dialog(int count, char** arguments) {
    if (count != 1)
        return kExitBadUsage;
    DialogState state;
    state.record_path = arguments[0];
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kDialogId), nullptr,
                                            dialog_procedure, reinterpret_cast<LPARAM>(&state)));
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "msgbox") == 0)
        return show_message_boxes(argc - 2, argv + 2);
    if (argc >= 2 && std::strcmp(argv[1], "dialog") == 0)
        return show_dialog(argc - 2, argv + 2);
    return kExitBadUsage;
}
