// ui_driver: acts on another program's dialogs and message boxes the way a person
// would, for tests that run installers interactively. See `kUsage`.

#include "core/win32.h"

#include "tests/ui_driver/dialogs_win32.h"
#include "tests/ui_driver/quoted_text.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: ui_driver [--timeout SECONDS] [--exe NAME] [--pid PID] [--caption TEXT] COMMAND [COMMAND...]\n"
    "  --timeout S     how long to wait for the dialog (default 10; fractions allowed)\n"
    "  --exe NAME      only windows of processes whose image file name is NAME\n"
    "                  (case-insensitive, e.g. varnook.exe)\n"
    "  --pid PID       only windows of this process\n"
    "  --caption TEXT  only dialogs with exactly this caption\n"
    "Commands, carried out in order on the dialog found (waits for a visible, enabled,\n"
    "top-level #32770 window; while a nested box is open its parent is disabled, so the\n"
    "box is the one found):\n"
    "  show                    print the dialog: its caption, then every visible control\n"
    "  press ID|TEXT           press a button by numeric id or by its caption\n"
    "                          ('&' ignored, case-insensitive)\n"
    "  set-text ID TEXT        set an edit control's text\n"
    "  select ID INDEX|TEXT    select a list box or combo box entry (by index from 0, or by\n"
    "                          its text, case-insensitive) and notify the dialog as a click would\n"
    "  wait-gone               wait until that dialog has closed\n"
    "After a press, the next command acts on the next dialog found (waiting again with\n"
    "the timeout), which is the same one if it is still open when the press is handled.\n"
    "A control that is not there yet, or disabled, is waited for with the timeout too.\n"
    "Output of show, one line each; texts in double quotes with \\\\ \\\" \\r \\n \\t escaped\n"
    "and other bytes below 0x20 as \\xNN:\n"
    "  dialog caption=\"FATAL ERROR\" pid=<pid> hwnd=<hex> owner=<hex> rect=L,T,R,B default=ID\n"
    "    (owner 0x0: none; rect: the window on the screen, right and bottom exclusive;\n"
    "    default: the default button's id, DM_GETDEFID, 0 when there is none)\n"
    "  control id=65535 class=Static text=\"...\"\n"
    "  control id=2 class=Button text=\"OK\"\n"
    "    item 0 \"first entry\"       (list box and combo box entries, after their control)\n"
    "  A control line ends in \" disabled\" for a disabled control and in \" checked\" or\n"
    "  \" indeterminate\" for such a button, a progress bar's in \" position=N\"; an item\n"
    "  line ends in \" selected\" when it is.\n"
    "Exit codes: 0 done; 1 bad usage; 2 no matching dialog within the timeout (for\n"
    "wait-gone: the dialog did not close); 3 a named control or entry not found (or it\n"
    "stayed disabled, or it cannot take that command).\n";

enum ExitCode { kExitDone = 0, kExitUsage = 1, kExitNoDialog = 2, kExitNotFound = 3 };

// How often the screen is looked at again while waiting.
const unsigned kPollMs = 25;

enum class Kind { show, press, set_text, select, wait_gone };

struct Command {
    Kind kind;
    std::string target; // control id, or button caption
    std::string value;  // text to set, or entry
};

struct Options {
    unsigned long timeout_ms = 10000;
    DialogFilter filter;
    std::vector<Command> commands;
};

bool parse_number(const std::string& text, unsigned long* number) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *number = std::strtoul(text.c_str(), nullptr, 10);
    return true;
}

bool parse_seconds(const std::string& text, unsigned long* ms) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || seconds < 0 || seconds > 86400)
        return false;
    *ms = static_cast<unsigned long>(seconds * 1000 + 0.5);
    return true;
}

bool usage_error(const std::string& problem) {
    std::fprintf(stderr, "ui_driver: %s\n%s", problem.c_str(), kUsage);
    return false;
}

// Options come first; everything from the first command on is commands and their
// arguments, so a text may look like an option.
bool parse_command_line(int argc, char** argv, Options* options) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage_error(option + " needs a value");
        const std::string value = argv[++i];
        unsigned long number = 0;
        if (option == "--timeout") {
            if (!parse_seconds(value, &options->timeout_ms))
                return usage_error("bad --timeout: " + value);
        } else if (option == "--pid") {
            if (!parse_number(value, &number) || number == 0)
                return usage_error("bad --pid: " + value);
            options->filter.pid = number;
        } else if (option == "--exe") {
            options->filter.exe = value;
        } else if (option == "--caption") {
            options->filter.match_caption = true;
            options->filter.caption = value;
        } else {
            return usage_error("unknown option " + option);
        }
    }
    for (; i < argc; ++i) {
        const std::string name = argv[i];
        Command command{Kind::show, {}, {}};
        int arguments = 0;
        if (name == "show") {
            command.kind = Kind::show;
        } else if (name == "press") {
            command.kind = Kind::press;
            arguments = 1;
        } else if (name == "set-text") {
            command.kind = Kind::set_text;
            arguments = 2;
        } else if (name == "select") {
            command.kind = Kind::select;
            arguments = 2;
        } else if (name == "wait-gone") {
            command.kind = Kind::wait_gone;
        } else {
            return usage_error("unknown command " + name);
        }
        if (i + arguments >= argc)
            return usage_error(name + " needs " + std::to_string(arguments) + " argument" +
                               (arguments > 1 ? "s" : ""));
        if (arguments >= 1)
            command.target = argv[++i];
        if (arguments >= 2)
            command.value = argv[++i];
        unsigned long id = 0;
        if ((command.kind == Kind::set_text || command.kind == Kind::select) &&
            !parse_number(command.target, &id))
            return usage_error(name + " needs a numeric control id, not " + command.target);
        options->commands.push_back(command);
    }
    if (options->commands.empty())
        return usage_error("no command given");
    return true;
}

const char* check_mark(int check) {
    if (check == BST_CHECKED)
        return " checked";
    if (check == BST_INDETERMINATE)
        return " indeterminate";
    return "";
}

void print_dialog(const Dialog& dialog, const std::vector<Control>& controls) {
    std::printf("dialog caption=%s pid=%lu hwnd=0x%llx owner=0x%llx rect=%ld,%ld,%ld,%ld default=%d\n",
                quoted_text(dialog.caption).c_str(), dialog.pid,
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dialog.window)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dialog.owner)), dialog.rect.left,
                dialog.rect.top, dialog.rect.right, dialog.rect.bottom, default_button(dialog.window));
    for (const Control& control : controls) {
        const std::string position =
            control.has_position ? " position=" + std::to_string(control.position) : "";
        std::printf("control id=%d class=%s text=%s%s%s%s\n", control.id, control.class_name.c_str(),
                    quoted_text(control.text).c_str(), control.enabled ? "" : " disabled",
                    check_mark(control.check), position.c_str());
        for (size_t i = 0; i < control.entries.size(); ++i)
            std::printf("  item %zu %s%s\n", i, quoted_text(control.entries[i]).c_str(),
                        control.selected[i] ? " selected" : "");
    }
    std::fflush(stdout);
}

std::string describe_filter(const DialogFilter& filter) {
    std::string text;
    if (filter.pid)
        text += " of process " + std::to_string(filter.pid);
    if (!filter.exe.empty())
        text += " of " + filter.exe;
    if (filter.match_caption)
        text += " captioned " + quoted_text(filter.caption);
    return text;
}

// The outcome of one try of a command on a dialog.
struct Attempt {
    bool done = false;
    std::string problem; // why not, when not done
};

Attempt not_yet(const std::string& problem) {
    return Attempt{false, problem};
}

// Carries out the commands in order, keeping track of which dialog they act on.
class Driver {
  public:
    explicit Driver(const Options& options) : options_(options) {}

    int run() {
        for (const Command& command : options_.commands) {
            const int code = command.kind == Kind::wait_gone ? wait_gone() : carry_out(command);
            if (code != kExitDone)
                return code;
        }
        return kExitDone;
    }

  private:
    // Whether `window` still has a message of ours in handling.
    bool busy(WindowHandle window) const { return window == busy_dialog_ && !handled(busy_ticket_); }

    // The dialog the next command acts on, or null while there is none (yet).
    WindowHandle pick_dialog() {
        if (current_ && !after_press_ && dialog_usable(current_, options_.filter))
            return busy(current_) ? nullptr : current_;
        for (const Dialog& dialog : find_dialogs(options_.filter))
            if (!busy(dialog.window))
                return dialog.window;
        return nullptr;
    }

    // Tries `command` until it is done or the timeout passes.
    int carry_out(const Command& command) {
        const DWORD begin = GetTickCount();
        bool seen = false;
        std::string problem;
        for (;;) {
            pump_messages(0);
            if (WindowHandle dialog = pick_dialog()) {
                seen = true;
                const Attempt attempt = try_command(command, dialog);
                if (attempt.done)
                    return kExitDone;
                problem = attempt.problem;
            }
            if (GetTickCount() - begin >= options_.timeout_ms)
                break;
            pump_messages(kPollMs);
        }
        if (!seen)
            return report_no_dialog();
        std::fprintf(stderr, "ui_driver: %s\n", problem.c_str());
        return kExitNotFound;
    }

    int report_no_dialog() {
        std::fprintf(stderr, "ui_driver: no dialog%s appeared within %.3g s\n",
                     describe_filter(options_.filter).c_str(), options_.timeout_ms / 1000.0);
        return kExitNoDialog;
    }

    Attempt try_command(const Command& command, WindowHandle window) {
        const Dialog dialog = read_dialog(window);
        const std::vector<Control> controls = read_controls(window);
        switch (command.kind) {
        case Kind::show:
            print_dialog(dialog, controls);
            return acted_on(window);
        case Kind::press:
            return press(command, dialog, controls);
        case Kind::set_text:
            return set_text(command, dialog, controls);
        case Kind::select:
            return select(command, dialog, controls);
        case Kind::wait_gone:
            break;
        }
        return not_yet("internal error: unexpected command");
    }

    Attempt acted_on(WindowHandle window, Ticket ticket = 0, bool pressed = false) {
        current_ = window;
        after_press_ = pressed;
        if (ticket != 0) {
            busy_dialog_ = window;
            busy_ticket_ = ticket;
        }
        return Attempt{true, {}};
    }

    Attempt press(const Command& command, const Dialog& dialog, const std::vector<Control>& controls) {
        unsigned long id = 0;
        const bool by_id = parse_number(command.target, &id);
        const std::string caption = without_accelerators(command.target);
        const Control* button = nullptr;
        if (by_id)
            button = first_button(controls, [&](const Control& control) { return control.id == int(id); });
        // A numeric caption ("1", "2") is looked for as text when no id matches.
        if (!button)
            button = first_button(controls, [&](const Control& control) {
                return same_text_ignoring_case(without_accelerators(control.text), caption);
            });
        const std::string name = by_id ? "with id " + command.target : quoted_text(command.target);
        if (!button)
            return not_yet("no button " + name + " in dialog " + quoted_text(dialog.caption));
        if (!button->enabled)
            return not_yet("button " + name + " in dialog " + quoted_text(dialog.caption) + " is disabled");
        Ticket ticket = 0;
        if (!press_button(*button, &ticket))
            return not_yet("could not press button " + name);
        return acted_on(dialog.window, ticket, true);
    }

    template <typename Predicate>
    static const Control* first_button(const std::vector<Control>& controls, Predicate wanted) {
        for (const Control& control : controls)
            if (is_button(control) && wanted(control))
                return &control;
        return nullptr;
    }

    // The visible control with the numeric id of `command`.
    const Control* control_with_id(const Command& command, const std::vector<Control>& controls) {
        unsigned long id = 0;
        parse_number(command.target, &id);
        for (const Control& control : controls)
            if (control.id == static_cast<int>(id))
                return &control;
        return nullptr;
    }

    Attempt set_text(const Command& command, const Dialog& dialog, const std::vector<Control>& controls) {
        const Control* control = control_with_id(command, controls);
        const std::string where = " in dialog " + quoted_text(dialog.caption);
        if (!control)
            return not_yet("no control with id " + command.target + where);
        if (!accepts_text(*control))
            return not_yet("control " + command.target + where + " is a " + control->class_name +
                           ", not an edit");
        if (!control->enabled)
            return not_yet("control " + command.target + where + " is disabled");
        if (!set_control_text(*control, command.value))
            return not_yet("could not set the text of control " + command.target + where);
        return acted_on(dialog.window);
    }

    Attempt select(const Command& command, const Dialog& dialog, const std::vector<Control>& controls) {
        const Control* control = control_with_id(command, controls);
        const std::string where = " in dialog " + quoted_text(dialog.caption);
        if (!control)
            return not_yet("no control with id " + command.target + where);
        if (!is_list(*control))
            return not_yet("control " + command.target + where + " is a " + control->class_name +
                           ", not a list box or combo box");
        if (!control->enabled)
            return not_yet("control " + command.target + where + " is disabled");
        unsigned long number = 0;
        const bool by_index = parse_number(command.value, &number);
        int index = -1;
        if (by_index) {
            if (number < control->entries.size())
                index = static_cast<int>(number);
        } else {
            for (size_t i = 0; i < control->entries.size() && index < 0; ++i)
                if (same_text_ignoring_case(control->entries[i], command.value))
                    index = static_cast<int>(i);
        }
        if (index < 0)
            return not_yet("control " + command.target + where + " has no entry " +
                           (by_index ? command.value : quoted_text(command.value)) + " (it has " +
                           std::to_string(control->entries.size()) + ")");
        Ticket ticket = 0;
        if (!select_entry(*control, index, &ticket))
            return not_yet("could not select entry " + command.value + " of control " + command.target +
                           where);
        return acted_on(dialog.window, ticket);
    }

    int wait_gone() {
        if (!current_) {
            const DWORD begin = GetTickCount();
            for (;;) {
                pump_messages(0);
                const std::vector<Dialog> dialogs = find_dialogs(options_.filter);
                if (!dialogs.empty()) {
                    current_ = dialogs.front().window;
                    break;
                }
                if (GetTickCount() - begin >= options_.timeout_ms)
                    return report_no_dialog();
                pump_messages(kPollMs);
            }
        }
        const std::string caption = read_dialog(current_).caption;
        const DWORD begin = GetTickCount();
        while (!window_gone(current_)) {
            if (GetTickCount() - begin >= options_.timeout_ms) {
                std::fprintf(stderr, "ui_driver: dialog %s did not close within %.3g s\n",
                             quoted_text(caption).c_str(), options_.timeout_ms / 1000.0);
                return kExitNoDialog;
            }
            pump_messages(kPollMs);
        }
        current_ = nullptr;
        after_press_ = true;
        return kExitDone;
    }

    const Options& options_;
    WindowHandle current_ = nullptr; // the dialog the last command acted on
    bool after_press_ = false;       // the next command looks for the next dialog
    WindowHandle busy_dialog_ = nullptr;
    Ticket busy_ticket_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    // Lines end in "\n" alone, for the Linux side of the tests as well.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    // Help is asked for among the options (each of which takes a value).
    for (int i = 1; i < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitDone;
        }
    }
    Options options;
    if (!parse_command_line(argc, argv, &options))
        return kExitUsage;
    return Driver(options).run();
}
