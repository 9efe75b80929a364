// The installer's dialogs under Wine, as a person meets them: the dialog host opens
// each one over an owner window with texts that name their language string ("EN 48"),
// the UI driver reads and presses, and xdotool sends real keys to the display.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/win32.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"
#include "tests/ui/dialog_host.h"

namespace {

std::string program(const char* name) {
    return exe_folder() + "\\" + name;
}

struct ShownControl {
    std::string class_name;
    std::string text;
    bool disabled = false;
    int position = -1; // a progress bar's
    std::vector<std::string> items;
    int selected = -1;
};

// One dialog as the driver's `show` prints it.
struct Shown {
    bool found = false;
    std::string caption;
    unsigned long long window = 0, owner = 0;
    long left = 0, top = 0, right = 0, bottom = 0;
    int default_id = 0;
    std::multimap<int, ShownControl> controls;
    std::string listing;

    const ShownControl* control(int id) const {
        auto found_control = controls.find(id);
        return found_control == controls.end() ? nullptr : &found_control->second;
    }
    bool has_text(const std::string& text) const {
        for (const auto& entry : controls)
            if (entry.second.text == text)
                return true;
        return false;
    }
};

// The value after `key=` up to the next space (or to the end for the last field).
std::string field(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + "=");
    if (at == std::string::npos)
        return {};
    const size_t begin = at + key.size() + 2;
    return line.substr(begin, line.find(' ', begin) - begin);
}

// The driver's quoted text that starts at `quote` (the escapes this test's texts use).
std::string quoted_at(const std::string& line, size_t quote) {
    std::string text;
    if (quote == std::string::npos)
        return text;
    for (size_t i = quote + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        text += line[i];
    }
    return text;
}

std::string unquoted(const std::string& line, const std::string& key) {
    const size_t at = line.find(key + "=\"");
    return quoted_at(line, at == std::string::npos ? at : at + key.size() + 1);
}

Shown parse_show(const std::string& output) {
    Shown shown;
    shown.listing = output;
    std::istringstream stream(output);
    ShownControl* last = nullptr;
    for (std::string line; std::getline(stream, line);) {
        if (line.rfind("dialog ", 0) == 0) {
            shown.found = true;
            shown.caption = unquoted(line, "caption");
            shown.window = std::strtoull(field(line, "hwnd").c_str(), nullptr, 16);
            shown.owner = std::strtoull(field(line, "owner").c_str(), nullptr, 16);
            std::sscanf(field(line, "rect").c_str(), "%ld,%ld,%ld,%ld", &shown.left, &shown.top, &shown.right,
                        &shown.bottom);
            shown.default_id = std::atoi(field(line, "default").c_str());
        } else if (line.rfind("control ", 0) == 0) {
            ShownControl control;
            control.class_name = field(line, "class");
            control.text = unquoted(line, "text");
            control.disabled = line.find("\" disabled") != std::string::npos;
            const std::string position = field(line, "position");
            if (!position.empty())
                control.position = std::atoi(position.c_str());
            last = &shown.controls.emplace(std::atoi(field(line, "id").c_str()), control)->second;
        } else if (line.rfind("  item ", 0) == 0 && last != nullptr) {
            if (line.size() > 9 && line.compare(line.size() - 9, 9, " selected") == 0)
                last->selected = static_cast<int>(last->items.size());
            last->items.push_back(quoted_at(line, line.find('"')));
        }
    }
    return shown;
}

struct DriverRun {
    unsigned long exit_code = 0;
    std::string output;
};

DriverRun drive(unsigned long pid, std::vector<std::string> commands,
                unsigned long wait_ms = timeouts::box_ms) {
    std::vector<std::string> arguments = {program("ui_driver.exe"), "--timeout",
                                          std::to_string(wait_ms / 1000.0), "--pid", std::to_string(pid)};
    arguments.insert(arguments.end(), commands.begin(), commands.end());
    const RunResult result = run_process(command_line(arguments), timeouts::program_ms);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    return DriverRun{result.exit_code, result.output};
}

// The topmost usable dialog of `pid`, as the driver shows it.
Shown show(unsigned long pid, unsigned long wait_ms = timeouts::box_ms) {
    const DriverRun run = drive(pid, {"show"}, wait_ms);
    Shown shown = parse_show(run.output);
    if (run.exit_code != 0)
        shown.found = false;
    return shown;
}

// Real key events through the X server, to whichever window has the focus.
void send_keys(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/xdotool");
    const RunResult result = run_process(command_line(arguments), timeouts::program_ms);
    ASSERT_TRUE(result.started) << "xdotool is missing (scripts/setup.sh installs it)";
    ASSERT_EQ(result.exit_code, 0u) << result.output;
}

// Gives `dialog` the keyboard focus as a click on it would: a person's keys go there.
void focus(const Shown& dialog) {
    const long x = (dialog.left + dialog.right) / 2;
    const long y = dialog.top + 5; // the caption bar
    send_keys({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    // The click reaches the program a little later; keys sent before it went elsewhere.
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(dialog.window));
    for (DWORD begin = GetTickCount(); GetForegroundWindow() != window && GetTickCount() - begin < 5000;)
        Sleep(20);
    EXPECT_EQ(GetForegroundWindow(), window) << "the dialog did not take the focus";
    Sleep(100);
}

void press_key(const Shown& dialog, const char* key) {
    focus(dialog);
    send_keys({"key", key});
}

// The dialog host, started for one test; ended if the test does not end it.
class Host {
  public:
    explicit Host(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), program("dialog_host.exe"));
        EXPECT_TRUE(process_.start(command_line(arguments), true));
    }
    unsigned long pid() const { return process_.pid(); }
    // Its owner window, as it printed it first.
    unsigned long long owner() {
        for (int i = 0; i < 200 && process_.output().find('\n') == std::string::npos; ++i)
            process_.wait(50);
        return std::strtoull(field(" " + process_.output(), "owner").c_str(), nullptr, 16);
    }
    // Waits for the end; the exit code or -1 when it did not end.
    long finish() {
        return process_.wait(timeouts::process_end_ms) ? static_cast<long>(process_.exit_code()) : -1;
    }
    bool running() { return process_.running(); }
    const std::string& output() const { return process_.output(); }

  private:
    Process process_;
};

void expect_centred_and_owned(const Shown& dialog, unsigned long long owner) {
    const long screen_width = GetSystemMetrics(SM_CXSCREEN);
    const long screen_height = GetSystemMetrics(SM_CYSCREEN);
    const long width = dialog.right - dialog.left;
    const long height = dialog.bottom - dialog.top;
    EXPECT_EQ(dialog.left, (screen_width - width) / 2) << dialog.listing;
    EXPECT_EQ(dialog.top, (screen_height - height) / 2) << dialog.listing;
    EXPECT_EQ(dialog.owner, owner) << dialog.listing;
}

struct ExpectedControl {
    int id;
    const char* class_name;
    const char* text;
};

void expect_controls(const Shown& dialog, const std::vector<ExpectedControl>& expected) {
    for (const ExpectedControl& wanted : expected) {
        const ShownControl* control = dialog.control(wanted.id);
        ASSERT_NE(control, nullptr) << wanted.id << "\n" << dialog.listing;
        EXPECT_EQ(control->class_name, wanted.class_name) << wanted.id;
        EXPECT_EQ(control->text, wanted.text) << wanted.id;
    }
}

struct ModalCase {
    const char* mode;
    const char* caption;
    std::vector<ExpectedControl> controls;
    const char* confirmed_output;
};

const ModalCase kModalCases[] = {
    {"licence",
     "EN 44",
     {{1001, "Button", "EN 45"},
      {1003, "Button", "EN 46"},
      {1009, "Static", "EN 47"},
      {1005, "Edit", "Page text"}},
     "result=1"},
    {"readme",
     "EN 50",
     {{1001, "Button", "EN 48"},
      {1003, "Button", "EN 49"},
      {1009, "Static", "EN 51"},
      {1005, "Edit", "Page text"}},
     "result=1"},
    {"directory",
     "EN 24",
     {{1009, "Static", "EN 11"},
      {1015, "Edit", "C:\\Start"},
      {1013, "Button", "EN 52"},
      {1001, "Button", "EN 48"},
      {1003, "Button", "EN 49"}},
     "result=1 directory=C:\\Start"},
    {"language",
     "Choose Your Language",
     {{1017, "ListBox", ""}, {1001, "Button", "EN 48"}, {1003, "Button", "EN 49"}},
     "result=0"},
};

TEST(Dialogs, ModalDialogsCarryTheirTextsIgnoreEscapeAndConfirmWithEnter) {
    for (const ModalCase& c : kModalCases) {
        SCOPED_TRACE(c.mode);
        Host host({c.mode, "C:\\Start"});
        const unsigned long long owner = host.owner();
        ASSERT_NE(owner, 0u) << host.output();
        const Shown dialog = show(host.pid());
        ASSERT_TRUE(dialog.found) << dialog.listing;
        EXPECT_EQ(dialog.caption, c.caption);
        expect_controls(dialog, c.controls);
        EXPECT_EQ(dialog.default_id, 1001) << dialog.listing;
        expect_centred_and_owned(dialog, owner);

        press_key(dialog, "Escape");
        const Shown after_escape = show(host.pid());
        EXPECT_TRUE(after_escape.found) << "Escape closed the dialog";
        EXPECT_EQ(after_escape.window, dialog.window);
        EXPECT_TRUE(host.running());

        press_key(dialog, "Return");
        ASSERT_EQ(host.finish(), 0) << host.output();
        EXPECT_NE(host.output().find(std::string(c.confirmed_output) + "\n"), std::string::npos)
            << host.output();
    }
}

TEST(Dialogs, CancelButtonsEndTheModalDialogs) {
    const std::pair<const char*, const char*> cases[] = {
        {"licence", "result=0"},
        {"readme", "result=0"},
        {"directory", "result=0 directory=C:\\Start"},
        {"language", "result=-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        Host host({c.first, "C:\\Start"});
        EXPECT_EQ(drive(host.pid(), {"press", "1003"}).exit_code, 0u);
        ASSERT_EQ(host.finish(), 0) << host.output();
        EXPECT_NE(host.output().find(std::string(c.second) + "\n"), std::string::npos) << host.output();
    }
}

TEST(LanguageDialog, MovingTheSelectionRelabelsTheButtonsBeforeConfirming) {
    Host host({"language"});
    const Shown opened = show(host.pid());
    ASSERT_TRUE(opened.found);
    const ShownControl* list = opened.control(1017);
    ASSERT_NE(list, nullptr) << opened.listing;
    EXPECT_EQ(list->items, (std::vector<std::string>{"English", "Deutsch"}));
    EXPECT_EQ(list->selected, 0);

    const DriverRun selected = drive(host.pid(), {"select", "1017", "1", "show"});
    ASSERT_EQ(selected.exit_code, 0u) << selected.output;
    const Shown german = parse_show(selected.output);
    expect_controls(german, {{1001, "Button", "DE 48"}, {1003, "Button", "DE 49"}});

    const DriverRun back = drive(host.pid(), {"select", "1017", "0", "show"});
    expect_controls(parse_show(back.output), {{1001, "Button", "EN 48"}, {1003, "Button", "EN 49"}});

    EXPECT_EQ(drive(host.pid(), {"select", "1017", "1", "press", "1001"}).exit_code, 0u);
    ASSERT_EQ(host.finish(), 0);
    EXPECT_NE(host.output().find("result=1\n"), std::string::npos) << host.output();
}

TEST(DirectoryDialog, TheEditTakesAtMost259TypedCharacters) {
    Host host({"directory", ""});
    const Shown dialog = show(host.pid());
    ASSERT_TRUE(dialog.found);
    focus(dialog);
    // The edit has the focus when the dialog opens; of 300 keys the first 259 count.
    // The keys reach the program some time after xdotool returns: the text is read
    // until it has stayed the same for a second.
    std::string typed;
    while (typed.size() < 300)
        typed += "0123456789";
    send_keys({"type", "--delay", "5", typed});
    const std::string kept = typed.substr(0, 259);
    std::string seen;
    int same_reads = 0;
    for (DWORD begin = GetTickCount(); same_reads < 5 && GetTickCount() - begin < timeouts::box_ms;
         Sleep(200)) {
        const Shown filled = show(host.pid());
        ASSERT_NE(filled.control(1015), nullptr);
        same_reads = filled.control(1015)->text == seen ? same_reads + 1 : 0;
        seen = filled.control(1015)->text;
    }
    EXPECT_EQ(seen, kept);
    EXPECT_EQ(drive(host.pid(), {"press", "1001"}).exit_code, 0u);
    ASSERT_EQ(host.finish(), 0);
    EXPECT_NE(host.output().find("result=1 directory=" + kept + "\n"), std::string::npos) << host.output();
}

TEST(DirectoryDialog, BrowseOpensTheFolderBrowserAndCancellingKeepsTheEdit) {
    Host host({"directory", "C:\\windows"});
    const Shown dialog = show(host.pid());
    ASSERT_TRUE(dialog.found);
    // While the browser is open the directory dialog is disabled: the browser is found.
    const DriverRun browse = drive(host.pid(), {"press", "1013", "show"});
    ASSERT_EQ(browse.exit_code, 0u) << browse.output;
    const Shown browser = parse_show(browse.output);
    EXPECT_NE(browser.window, dialog.window);
    EXPECT_TRUE(browser.has_text("EN 11")) << browser.listing;
    expect_centred_and_owned(browser, dialog.window);

    EXPECT_EQ(drive(host.pid(), {"press", "2"}).exit_code, 0u);
    const Shown after = show(host.pid());
    EXPECT_EQ(after.window, dialog.window);
    ASSERT_NE(after.control(1015), nullptr);
    EXPECT_EQ(after.control(1015)->text, "C:\\windows");
    EXPECT_EQ(drive(host.pid(), {"press", "1003"}).exit_code, 0u);
    EXPECT_EQ(host.finish(), 0);
}

// The host's owner window, which takes the progress messages.
HWND owner_window(Host& host) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(host.owner()));
}

TEST(ProgressDialog, BarFollowsSetProgressAndTheStatusLineItsText) {
    Host host({"progress"});
    const unsigned long long owner = host.owner();
    const Shown dialog = show(host.pid());
    ASSERT_TRUE(dialog.found);
    EXPECT_EQ(dialog.caption, "EN 54");
    expect_controls(dialog, {{1009, "Static", "EN 39"}, {1003, "Button", "EN 49"}, {1011, "Static", ""}});
    EXPECT_FALSE(dialog.control(1003)->disabled);
    const ShownControl* bar = dialog.control(0);
    ASSERT_NE(bar, nullptr) << dialog.listing;
    EXPECT_EQ(bar->class_name, "msctls_progress32");
    EXPECT_EQ(bar->position, 0);
    expect_centred_and_owned(dialog, owner);

    // The bar lies over its place holder, a pixel beyond it on every side and one more
    // on the right and at the bottom.
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(dialog.window));
    RECT place = {}, made = {};
    GetWindowRect(GetDlgItem(window, 1007), &place);
    GetWindowRect(FindWindowExA(window, nullptr, "msctls_progress32", nullptr), &made);
    EXPECT_EQ(made.left, place.left - 1);
    EXPECT_EQ(made.top, place.top - 1);
    EXPECT_EQ(made.right, place.right + 2);
    EXPECT_EQ(made.bottom, place.bottom + 2);

    for (int position : {42, 100, 7}) {
        PostMessageA(owner_window(host), dialog_host::kSetPosition, position, 0);
        PostMessageA(owner_window(host), dialog_host::kSetText, position, 0);
        // Handled in the order posted: once the status shows, the bar has moved.
        const std::string status = "Status " + std::to_string(position);
        Shown moved;
        for (DWORD begin = GetTickCount(); GetTickCount() - begin < timeouts::box_ms; Sleep(50)) {
            moved = show(host.pid());
            if (moved.control(1011) != nullptr && moved.control(1011)->text == status)
                break;
        }
        ASSERT_NE(moved.control(0), nullptr) << moved.listing;
        EXPECT_EQ(moved.control(0)->position, position);
        EXPECT_EQ(moved.control(1011)->text, status);
    }

    press_key(dialog, "Escape");
    EXPECT_TRUE(show(host.pid()).found) << "Escape closed the progress dialog";
    PostMessageA(owner_window(host), dialog_host::kClose, 0, 0);
    ASSERT_EQ(host.finish(), 0) << host.output();
    EXPECT_NE(host.output().find("closed\n"), std::string::npos);
}

TEST(ProgressDialog, ItsButtonAsksTheCancelQuestionAndYesEndsTheProgram) {
    Host host({"progress"});
    const Shown dialog = show(host.pid());
    ASSERT_TRUE(dialog.found);
    const DriverRun asked = drive(host.pid(), {"press", "1003", "show", "press", "No"});
    ASSERT_EQ(asked.exit_code, 0u) << asked.output;
    const Shown question = parse_show(asked.output);
    EXPECT_EQ(question.caption, "EN 20");
    EXPECT_TRUE(question.has_text("EN 28")) << question.listing;
    EXPECT_EQ(question.owner, dialog.window) << "the question belongs to the progress dialog";

    // No: the work goes on.
    const Shown still = show(host.pid());
    EXPECT_EQ(still.window, dialog.window);
    EXPECT_TRUE(host.running());

    EXPECT_EQ(drive(host.pid(), {"press", "1003", "press", "Yes"}).exit_code, 0u);
    EXPECT_EQ(host.finish(), 1) << host.output();
}

TEST(ProgressDialog, WithCancelDisabledTheButtonAsksNothing) {
    Host host({"progress", "cancel-disabled"});
    const Shown dialog = show(host.pid());
    ASSERT_TRUE(dialog.found);
    ASSERT_NE(dialog.control(1003), nullptr);
    EXPECT_TRUE(dialog.control(1003)->disabled) << dialog.listing;

    // The driver does not press a disabled button: send the command as the button would.
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(dialog.window));
    HWND button = GetDlgItem(window, 1003);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Sleep(500);
    const Shown after = show(host.pid());
    EXPECT_EQ(after.window, dialog.window) << "a question appeared:\n" << after.listing;
    EXPECT_TRUE(host.running());
    PostMessageA(owner_window(host), dialog_host::kClose, 0, 0);
    EXPECT_EQ(host.finish(), 0) << host.output();
}

} // namespace
