#pragma once
// Finding another program's dialogs and acting on them the way a person would:
// reading captions and control texts, typing into edits, choosing list entries and
// pressing buttons. Only what a person can see counts: visible windows, visible
// controls; only enabled ones can be acted on.
//
// Texts are 8-bit in the ANSI code page. Messages to the other program are sent with
// a time limit, and those that may run a handler (a press, a selection's notification)
// are sent without waiting at all: a handler that opens the next box or starts long
// work never blocks the caller. Windows are opaque handles so that this header needs
// no <windows.h>.

#include <string>
#include <vector>

using WindowHandle = void*;

// Which dialogs count. An empty field matches every dialog.
struct DialogFilter {
    unsigned long pid = 0;
    std::string exe; // image file name, compared case-insensitively
    bool match_caption = false;
    std::string caption; // compared exactly
};

struct Rect {
    long left = 0, top = 0, right = 0, bottom = 0;
};

struct Dialog {
    WindowHandle window = nullptr;
    unsigned long pid = 0;
    std::string caption;
    WindowHandle owner = nullptr; // the window that owns it, if any
    Rect rect;                    // on the screen
};

struct Control {
    WindowHandle window = nullptr;
    int id = 0;
    std::string class_name;
    std::string text;
    bool enabled = true;
    int check = 0;            // button state: 0 unchecked, 1 checked, 2 indeterminate
    bool has_entries = false; // a list box or combo box
    std::vector<std::string> entries;
    std::vector<bool> selected; // per entry
    bool has_position = false;  // a progress bar
    int position = 0;           // its position (PBM_GETPOS)
};

// The visible, enabled, top-level dialog windows (#32770) of other processes that
// match `filter`, topmost first. A dialog with a nested box open is disabled, so the
// box is found and not its parent.
std::vector<Dialog> find_dialogs(const DialogFilter& filter);

// Whether `window` is still such a dialog.
bool dialog_usable(WindowHandle window, const DialogFilter& filter);
// Whether `window` has closed: destroyed or hidden.
bool window_gone(WindowHandle window);

// Reads only what the system keeps: no message reaches the program.
Dialog read_dialog(WindowHandle window);
// The id of the dialog's default button (DM_GETDEFID, a message to the program); 0
// when it has none.
int default_button(WindowHandle dialog);
// The visible controls of `dialog` in creation order, descending into child dialogs
// but not into the parts of a combo box.
std::vector<Control> read_controls(WindowHandle dialog);

bool is_button(const Control& control);
bool is_list(const Control& control); // list box or combo box
// An edit, or a combo box with an edit of its own.
bool accepts_text(const Control& control);

// Identifies a message sent without waiting; 0 means none.
using Ticket = unsigned;
// Whether the receiver has handled the message of `ticket` (0 counts as handled).
// Completions are noticed only while `pump_messages` runs.
bool handled(Ticket ticket);
// Runs this thread's messages for up to `wait_ms` (notices completions).
void pump_messages(unsigned wait_ms);

// Presses `button` as a click would: push buttons notify their dialog; check boxes and
// radio buttons also change their state.
bool press_button(const Control& button, Ticket* ticket);
// Replaces the text of an edit (the edit notifies its dialog as it does for typing).
bool set_control_text(const Control& control, const std::string& text);
// Selects entry `index` of a list box or combo box and sends the dialog the
// notification a click on it would cause.
bool select_entry(const Control& list, int index, Ticket* ticket);

// `text` without its '&' accelerator marks ("&&" stands for '&').
std::string without_accelerators(const std::string& text);
// Case-insensitive comparison in the ANSI code page.
bool same_text_ignoring_case(const std::string& a, const std::string& b);
