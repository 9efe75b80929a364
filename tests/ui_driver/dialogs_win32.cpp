#include "tests/ui_driver/dialogs_win32.h"

#include "core/win32.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <cstring>
#include <deque>
#include <utility>

namespace {

// The longest a synchronous message to the other program may take: a program that
// stops answering costs this much, never a hang.
const UINT kSendLimitMs = 3000;

const char kDialogClass[] = "#32770";

HWND as_hwnd(WindowHandle window) {
    return static_cast<HWND>(window);
}

// Owns a handle from CreateToolhelp32Snapshot.
class Snapshot {
  public:
    explicit Snapshot(HANDLE handle) : handle_(handle) {}
    ~Snapshot() {
        if (valid())
            CloseHandle(handle_);
    }
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

bool send_ansi(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendLimitMs, &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

// List entries are read as UTF-16: sent as ANSI from another process, LB_GETTEXT and
// CB_GETLBTEXT hand back UTF-16 anyway under Wine.
bool send_wide(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendLimitMs, &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

std::string to_ansi(const wchar_t* text, int length) {
    if (length <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string converted(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &converted[0], size, nullptr, nullptr);
    return converted;
}

std::string class_of(HWND window) {
    char name[256];
    const int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

LONG style_of(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

// GetWindowText does not read another process's edit controls; WM_GETTEXT does.
std::string text_of(HWND window) {
    LRESULT length = 0;
    if (!send_ansi(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0)
        return {};
    // The length may count characters where the text needs two bytes for some.
    std::vector<char> buffer(static_cast<size_t>(length) * 2 + 1, '\0');
    LRESULT copied = 0;
    if (!send_ansi(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied) ||
        copied <= 0)
        return {};
    return std::string(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(copied)));
}

std::string caption_of(HWND window) {
    // A top-level window's caption is kept by the system: no message to a maybe busy program.
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(length) * 2 + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), copied > 0 ? copied : 0);
}

bool is_class(const std::string& name, const char* expected) {
    return lstrcmpiA(name.c_str(), expected) == 0;
}

std::string base_name(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Image file names by process id, read once per search.
std::vector<std::pair<DWORD, std::string>> process_images() {
    std::vector<std::pair<DWORD, std::string>> images;
    Snapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return images;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry))
        images.emplace_back(entry.th32ProcessID, base_name(entry.szExeFile));
    return images;
}

struct Search {
    const DialogFilter* filter;
    std::vector<std::pair<DWORD, std::string>> images;
    std::vector<Dialog> found;
};

bool image_matches(DWORD pid, const Search& search) {
    const std::string wanted = base_name(search.filter->exe);
    for (const auto& image : search.images)
        if (image.first == pid)
            return same_text_ignoring_case(image.second, wanted);
    return false;
}

bool matches(HWND window, const Search& search) {
    if (!IsWindow(window) || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return false;
    if (!is_class(class_of(window), kDialogClass))
        return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const DialogFilter& filter = *search.filter;
    if (pid == GetCurrentProcessId())
        return false;
    if (filter.pid != 0 && pid != filter.pid)
        return false;
    if (!filter.exe.empty() && !image_matches(pid, search))
        return false;
    if (filter.match_caption && caption_of(window) != filter.caption)
        return false;
    return true;
}

Search start_search(const DialogFilter& filter) {
    Search search;
    search.filter = &filter;
    if (!filter.exe.empty())
        search.images = process_images();
    return search;
}

BOOL CALLBACK collect_dialog(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    if (matches(window, search))
        search.found.push_back(read_dialog(window));
    return TRUE;
}

struct EntryMessages {
    UINT count, text_length, text, current;
    LONG owner_drawn, has_strings;
};
const EntryMessages kListBoxMessages = {
    LB_GETCOUNT,   LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL, LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE,
    LBS_HASSTRINGS};
const EntryMessages kComboBoxMessages = {
    CB_GETCOUNT,   CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL, CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE,
    CBS_HASSTRINGS};

void read_entries(HWND window, bool combo, Control& control) {
    const EntryMessages& messages = combo ? kComboBoxMessages : kListBoxMessages;
    control.has_entries = true;
    LRESULT count = 0;
    if (!send_wide(window, messages.count, 0, 0, &count) || count <= 0)
        return;
    const LONG style = style_of(window);
    // Owner-drawn entries without strings hold only the program's data.
    const bool texts = !(style & messages.owner_drawn) || (style & messages.has_strings);
    const bool multiple = !combo && (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    LRESULT current = -1;
    if (!multiple)
        send_wide(window, messages.current, 0, 0, &current);
    for (LRESULT index = 0; index < count; ++index) {
        std::string text;
        LRESULT length = 0;
        if (texts && send_wide(window, messages.text_length, index, 0, &length) && length > 0) {
            std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
            LRESULT copied = 0;
            if (send_wide(window, messages.text, index, reinterpret_cast<LPARAM>(buffer.data()), &copied) &&
                copied > 0)
                text = to_ansi(buffer.data(), static_cast<int>(copied < length ? copied : length));
        }
        bool selected = index == current;
        if (multiple) {
            LRESULT state = 0;
            selected = send_wide(window, LB_GETSEL, index, 0, &state) && state > 0;
        }
        control.entries.push_back(text);
        control.selected.push_back(selected);
    }
}

Control read_control(HWND window) {
    Control control;
    control.window = window;
    control.id = GetDlgCtrlID(window);
    control.class_name = class_of(window);
    control.text = text_of(window);
    control.enabled = IsWindowEnabled(window) != FALSE;
    if (is_class(control.class_name, "Button")) {
        LRESULT check = 0;
        if (send_ansi(window, BM_GETCHECK, 0, 0, &check))
            control.check = static_cast<int>(check);
    } else if (is_class(control.class_name, "ListBox")) {
        read_entries(window, false, control);
    } else if (is_class(control.class_name, "ComboBox")) {
        read_entries(window, true, control);
    } else if (is_class(control.class_name, PROGRESS_CLASSA)) {
        LRESULT position = 0;
        control.has_position = send_ansi(window, PBM_GETPOS, 0, 0, &position);
        control.position = static_cast<int>(position);
    }
    return control;
}

void collect_controls(HWND parent, std::vector<Control>& controls) {
    // The children are listed first: reading one may let the program change the others.
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        if (!IsWindowVisible(child))
            continue;
        controls.push_back(read_control(child));
        // A combo box's edit and list are parts of it, not controls of the dialog.
        if (!is_class(controls.back().class_name, "ComboBox"))
            collect_controls(child, controls);
    }
}

// Completion flags of messages sent without waiting, by ticket - 1. A deque keeps each
// flag in place while more are added.
std::deque<bool>& completions() {
    static std::deque<bool> flags;
    return flags;
}

void CALLBACK note_handled(HWND, UINT, ULONG_PTR index, LRESULT) {
    completions()[index] = true;
}

// Sends without waiting; the receiver's answer arrives through `note_handled`. Only
// messages without pointers may travel this way.
bool send_without_waiting(HWND window, UINT message, WPARAM wparam, LPARAM lparam, Ticket* ticket) {
    std::deque<bool>& flags = completions();
    flags.push_back(false);
    if (!SendMessageCallbackA(window, message, wparam, lparam, note_handled, flags.size() - 1)) {
        flags.back() = true;
        return false;
    }
    *ticket = static_cast<Ticket>(flags.size());
    return true;
}

bool notify_parent(HWND control, WORD code, Ticket* ticket) {
    const WPARAM wparam = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code);
    return send_without_waiting(GetParent(control), WM_COMMAND, wparam, reinterpret_cast<LPARAM>(control),
                                ticket);
}

} // namespace

std::vector<Dialog> find_dialogs(const DialogFilter& filter) {
    Search search = start_search(filter);
    EnumWindows(collect_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool dialog_usable(WindowHandle window, const DialogFilter& filter) {
    return window && matches(as_hwnd(window), start_search(filter));
}

bool window_gone(WindowHandle window) {
    return !IsWindow(as_hwnd(window)) || !IsWindowVisible(as_hwnd(window));
}

Dialog read_dialog(WindowHandle window) {
    Dialog dialog;
    dialog.window = window;
    GetWindowThreadProcessId(as_hwnd(window), &dialog.pid);
    dialog.caption = caption_of(as_hwnd(window));
    dialog.owner = GetWindow(as_hwnd(window), GW_OWNER);
    RECT rect = {};
    if (GetWindowRect(as_hwnd(window), &rect))
        dialog.rect = Rect{rect.left, rect.top, rect.right, rect.bottom};
    return dialog;
}

int default_button(WindowHandle dialog) {
    LRESULT default_id = 0;
    // Only a dialog answers DM_GETDEFID; its high word says whether there is a default.
    if (!is_class(class_of(as_hwnd(dialog)), kDialogClass) ||
        !send_ansi(as_hwnd(dialog), DM_GETDEFID, 0, 0, &default_id) || HIWORD(default_id) != DC_HASDEFID)
        return 0;
    return LOWORD(default_id);
}

std::vector<Control> read_controls(WindowHandle dialog) {
    std::vector<Control> controls;
    collect_controls(as_hwnd(dialog), controls);
    return controls;
}

bool is_button(const Control& control) {
    return is_class(control.class_name, "Button");
}

bool is_list(const Control& control) {
    return control.has_entries;
}

bool accepts_text(const Control& control) {
    if (is_class(control.class_name, "ComboBox")) {
        const LONG type = style_of(as_hwnd(control.window)) & 3;
        return type == CBS_SIMPLE || type == CBS_DROPDOWN;
    }
    std::string name = control.class_name;
    CharLowerBuffA(&name[0], static_cast<DWORD>(name.size()));
    return name.find("edit") != std::string::npos;
}

bool handled(Ticket ticket) {
    return ticket == 0 || completions()[ticket - 1];
}

void pump_messages(unsigned wait_ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait_ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool press_button(const Control& button, Ticket* ticket) {
    HWND window = as_hwnd(button.window);
    switch (style_of(window) & BS_TYPEMASK) {
    case BS_GROUPBOX:
        return false;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        // The button changes its own state and then notifies its dialog.
        return send_without_waiting(window, BM_CLICK, 0, 0, ticket);
    default:
        // What a push button does on a click. Sent to the dialog itself, it works whether
        // or not the dialog is active.
        return notify_parent(window, BN_CLICKED, ticket);
    }
}

bool set_control_text(const Control& control, const std::string& text) {
    LRESULT done = 0;
    return send_ansi(as_hwnd(control.window), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &done) &&
           done != 0 && done != CB_ERR;
}

bool select_entry(const Control& list, int index, Ticket* ticket) {
    HWND window = as_hwnd(list.window);
    *ticket = 0;
    LRESULT result = 0;
    if (is_class(list.class_name, "ComboBox")) {
        if (!send_ansi(window, CB_SETCURSEL, index, 0, &result) || result != index)
            return false;
        // A combo box always notifies; CB_SETCURSEL alone does not.
        return notify_parent(window, CBN_SELCHANGE, ticket);
    }
    const LONG style = style_of(window);
    if (style & LBS_EXTENDEDSEL) {
        // A click in an extended-selection list selects that entry alone.
        if (!send_ansi(window, LB_SETSEL, FALSE, -1, &result) || result == LB_ERR)
            return false;
        if (!send_ansi(window, LB_SETSEL, TRUE, index, &result) || result == LB_ERR)
            return false;
        send_ansi(window, LB_SETCARETINDEX, index, FALSE);
    } else if (style & LBS_MULTIPLESEL) {
        if (!send_ansi(window, LB_SETSEL, TRUE, index, &result) || result == LB_ERR)
            return false;
        send_ansi(window, LB_SETCARETINDEX, index, FALSE);
    } else if (!send_ansi(window, LB_SETCURSEL, index, 0, &result) || result != index) {
        return false;
    }
    // A list box tells its dialog about clicks only when it was made to.
    if (!(style & LBS_NOTIFY))
        return true;
    return notify_parent(window, LBN_SELCHANGE, ticket);
}

std::string without_accelerators(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            plain += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '&')
            plain += text[++i];
    }
    return plain;
}

bool same_text_ignoring_case(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}
