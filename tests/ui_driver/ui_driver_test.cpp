// The UI driver against the sample program, both running under Wine: message boxes
// and a dialog are read and acted on from another process, as in the end-to-end tests.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process_win32.h"

namespace {

// Generous: a cold Wine start may take a few seconds.
const unsigned long kProcessTimeoutMs = 30000;

std::string program(const char* name) {
    return exe_folder() + "\\" + name;
}

struct DriverRun {
    unsigned long exit_code = 0;
    std::string output; // stdout and stderr
    unsigned long elapsed_ms = 0;
};

DriverRun drive(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), program("ui_driver.exe"));
    DriverRun run;
    const auto begin = std::chrono::steady_clock::now();
    const RunResult result = run_process(command_line(arguments), kProcessTimeoutMs);
    run.elapsed_ms = static_cast<unsigned long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin)
            .count());
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    run.exit_code = result.exit_code;
    run.output = result.output;
    return run;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

bool has_line(const std::string& output, const std::string& line) {
    for (const std::string& candidate : lines_of(output))
        if (candidate == line)
            return true;
    return false;
}

// The sample program, started for one test; the Process ends it if the test does not.
class SampleApp {
  public:
    explicit SampleApp(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), program("sample_app.exe"));
        EXPECT_TRUE(process_.start(command_line(arguments)));
    }
    std::string pid() const { return std::to_string(process_.pid()); }
    // The exit code, or -1 when the program did not end in time.
    long finish() { return process_.wait(kProcessTimeoutMs) ? static_cast<long>(process_.exit_code()) : -1; }
    bool running() { return process_.running(); }

  private:
    Process process_;
};

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(UiDriver, ShowsMessageBoxTextExactlyAndPressesByCaption) {
    SampleApp app({"msgbox", "Setup error", "Disk \"C:\" is full.\r\n\tRetry? \x01", "yesno"});
    const DriverRun run = drive({"--exe", "SAMPLE_APP.EXE", "show", "press", "no", "wait-gone"});
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    const std::vector<std::string> lines = lines_of(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("dialog caption=\"Setup error\" pid=" + app.pid() + " hwnd=0x", 0), 0u)
        << lines[0];
    EXPECT_TRUE(
        has_line(run.output, R"(control id=65535 class=Static text="Disk \"C:\" is full.\r\n\tRetry? \x01")"))
        << run.output;
    EXPECT_TRUE(has_line(run.output, R"(control id=6 class=Button text="&Yes")")) << run.output;
    EXPECT_TRUE(has_line(run.output, R"(control id=7 class=Button text="&No")")) << run.output;
    EXPECT_EQ(app.finish(), 7); // IDNO
}

TEST(UiDriver, PressByIdThenActsOnTheBoxThatFollows) {
    SampleApp app({"msgbox", "First", "one", "yesno", "Second", "two", "okcancel"});
    const DriverRun run = drive({"--pid", app.pid(), "press", "6", "show", "press", "2"});
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    const std::vector<std::string> lines = lines_of(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("dialog caption=\"Second\" pid=", 0), 0u) << run.output;
    EXPECT_TRUE(has_line(run.output, R"(control id=65535 class=Static text="two")")) << run.output;
    EXPECT_EQ(app.finish(), 62); // IDYES on the first box, IDCANCEL on the second
}

TEST(UiDriver, FillsDialogAndTheProgramSeesItAsTyped) {
    const std::string record = exe_folder() + "\\ui_driver_test_record.txt";
    std::remove(record.c_str());
    SampleApp app({"dialog", record});
    const DriverRun run = drive({"--pid", app.pid(), "--caption", "Sample dialog", "show", "set-text", "101",
                                 "D:\\Apps\\Sample", "select", "102", "SECOND ENTRY", "select", "103", "2",
                                 "press", "Create shortcut", "press", "&OK"});
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    // The list box's entries follow it, read across the process boundary; the combo
    // box shows its preset choice.
    const std::string listing = "control id=102 class=ListBox text=\"\"\n"
                                "  item 0 \"first entry\"\n"
                                "  item 1 \"second entry\"\n"
                                "  item 2 \"third entry\"\n"
                                "control id=103 class=ComboBox text=\"Typical\"\n"
                                "  item 0 \"Typical\" selected\n";
    EXPECT_NE(run.output.find(listing), std::string::npos) << run.output;
    EXPECT_TRUE(has_line(run.output, R"(control id=101 class=Edit text="C:\\Program Files\\Sample")"))
        << run.output;
    ASSERT_EQ(app.finish(), 1); // IDOK
    // Each selection reached the dialog as exactly one notification, as a click does.
    EXPECT_EQ(read_file(record), "edit=D:\\Apps\\Sample\n"
                                 "list=1 second entry\n"
                                 "combo=2 Custom\n"
                                 "shortcut=1\n"
                                 "list_notifications=1\n"
                                 "combo_notifications=1\n");
    std::remove(record.c_str());
}

TEST(UiDriver, ShowsWhereTheDialogIsWhoOwnsItAndItsDefaultButton) {
    const std::string record = exe_folder() + "\\ui_driver_test_place.txt";
    SampleApp app({"dialog", record});
    const DriverRun run = drive({"--pid", app.pid(), "show", "press", "Cancel", "show", "press", "Yes"});
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    const std::vector<std::string> lines = lines_of(run.output);
    ASSERT_FALSE(lines.empty());
    // The sample dialog has no owner, OK as its default and is centred (DS_CENTER).
    long left = 0, top = 0, right = 0, bottom = 0;
    const size_t rect = lines[0].find(" rect=");
    ASSERT_NE(rect, std::string::npos) << lines[0];
    ASSERT_EQ(std::sscanf(lines[0].c_str() + rect, " rect=%ld,%ld,%ld,%ld", &left, &top, &right, &bottom), 4);
    EXPECT_NE(lines[0].find(" owner=0x0 "), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 10), " default=1") << lines[0];
    EXPECT_GT(right - left, 0);
    EXPECT_LE(std::abs((left + right) / 2 - 512), 2) << lines[0] << " on a 1024 x 768 screen";
    EXPECT_LE(std::abs((top + bottom) / 2 - 384), 2) << lines[0];
    // The nested confirmation is owned by the dialog.
    std::string confirm;
    for (const std::string& line : lines)
        if (line.rfind("dialog caption=\"Sample confirm\"", 0) == 0)
            confirm = line;
    const std::string dialog_hwnd = lines[0].substr(lines[0].find(" hwnd=") + 6);
    EXPECT_NE(confirm.find(" owner=" + dialog_hwnd.substr(0, dialog_hwnd.find(' ')) + " "), std::string::npos)
        << confirm << "\n"
        << lines[0];
    EXPECT_EQ(app.finish(), 2);
    std::remove(record.c_str());
}

TEST(UiDriver, NestedBoxIsFoundInsteadOfItsDisabledParent) {
    const std::string record = exe_folder() + "\\ui_driver_test_nested.txt";
    SampleApp app({"dialog", record});
    const DriverRun run = drive(
        {"--pid", app.pid(), "press", "Cancel", "show", "press", "No", "press", "Cancel", "press", "Yes"});
    EXPECT_EQ(run.exit_code, 0u) << run.output;
    const std::vector<std::string> lines = lines_of(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("dialog caption=\"Sample confirm\" pid=" + app.pid(), 0), 0u) << run.output;
    EXPECT_TRUE(has_line(run.output, R"(control id=65535 class=Static text="Cancel the setup?")"))
        << run.output;
    EXPECT_EQ(app.finish(), 2); // IDCANCEL, after No kept the dialog open
}

TEST(UiDriver, FailuresHaveTheirExitCodes) {
    // No dialog at all: exit 2 once the timeout has passed, not before.
    const DriverRun none = drive({"--timeout", "0.4", "--exe", "no_such_program.exe", "show"});
    EXPECT_EQ(none.exit_code, 2u) << none.output;
    EXPECT_NE(none.output.find("no dialog of no_such_program.exe"), std::string::npos) << none.output;
    EXPECT_GE(none.elapsed_ms, 400u);

    const std::string record = exe_folder() + "\\ui_driver_test_failures.txt";
    SampleApp app({"dialog", record});
    // The cases below wait only briefly, so the dialog must be up first.
    ASSERT_EQ(drive({"--pid", app.pid(), "show"}).exit_code, 0u);
    struct Case {
        std::vector<std::string> commands;
        unsigned long exit_code;
        const char* message;
    };
    const Case cases[] = {
        {{"press", "Maybe"}, 3, "no button \"Maybe\" in dialog \"Sample dialog\""},
        {{"press", "999"}, 3, "no button with id 999"},
        {{"set-text", "999", "x"}, 3, "no control with id 999"},
        {{"set-text", "102", "x"}, 3, "control 102 in dialog \"Sample dialog\" is a ListBox, not an edit"},
        {{"select", "102", "fourth entry"},
         3,
         "control 102 in dialog \"Sample dialog\" has no entry \"fourth entry\""},
        {{"select", "103", "3"}, 3, "has no entry 3 (it has 3)"},
        {{"wait-gone"}, 2, "dialog \"Sample dialog\" did not close"},
        {{"show", "--caption", "Other"}, 1, "unknown command --caption"}, // options come first
        {{"press"}, 1, "press needs 1 argument"},
        {{"select", "list", "0"}, 1, "needs a numeric control id"},
        {{}, 1, "no command given"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"--timeout", "0.2", "--pid", app.pid()};
        arguments.insert(arguments.end(), c.commands.begin(), c.commands.end());
        const DriverRun run = drive(arguments);
        const std::string what = command_line(c.commands);
        EXPECT_EQ(run.exit_code, c.exit_code) << what << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << what << "\n" << run.output;
    }
    // None of that acted on the dialog.
    EXPECT_TRUE(app.running());
    EXPECT_EQ(drive({"--pid", app.pid(), "press", "OK"}).exit_code, 0u);
    EXPECT_EQ(app.finish(), 1);
    EXPECT_EQ(read_file(record).find("edit=C:\\Program Files\\Sample\nlist=-1 \ncombo=0 Typical\n"), 0u);
    std::remove(record.c_str());
}

TEST(Process, EndsAProgramThatOutlivesItsTimeout) {
    const RunResult result = run_process(
        command_line({program("sample_app.exe"), "msgbox", "Never answered", "text", "ok"}), 300, false);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timed_out);
    EXPECT_EQ(result.exit_code, 255u);
    EXPECT_EQ(drive({"--timeout", "0.3", "--caption", "Never answered", "show"}).exit_code, 2u);
}
