// The stub started by a user without a payload, or with a command line it cannot
// use: the message box a person sees, word for word, and the exit code.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/stub_under_test.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"
#include "tests/ui_driver/quoted_text.h"

namespace {

std::string program(const char* name) {
    return exe_folder() + "\\" + name;
}

struct SeenBox {
    std::string driver_output; // what the driver printed of the box
    unsigned long driver_exit = 0;
    long stub_exit = -1; // -1: did not end in time
};

// The stub's command line as a user types it: the switches are passed as they stand,
// with their own quotes, not quoted again as C runtime arguments.
std::string stub_command_line(const std::string& switches) {
    return quote_argument(stub_under_test().path()) + (switches.empty() ? "" : " " + switches);
}

// Starts varnook.exe with `switches`, has the driver show the box it opens and press
// OK, then waits for the stub to end.
SeenBox run_stub_and_answer(const std::string& switches) {
    Process process;
    SeenBox seen;
    if (!process.start(stub_command_line(switches)))
        return seen;
    RunResult driver = run_process(
        command_line({program("ui_driver.exe"), "--timeout", timeouts::seconds_text(timeouts::box_ms),
                      "--pid", std::to_string(process.pid()), "show", "press", "OK"}),
        timeouts::program_ms);
    seen.driver_output = driver.output;
    seen.driver_exit = driver.exit_code;
    seen.stub_exit = process.wait(timeouts::process_end_ms) ? static_cast<long>(process.exit_code()) : -1;
    return seen;
}

const char usage_tail[] =
    "\n\nUsage:\nvarnook.exe [/a] [/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] [/r:\"program\"]\n\n"
    "/a                  \tAutomatic mode\n/d:\"dir\"        \tOverride installation directory\n"
    "/n:\"name\"\tOverride product name\n/u:\"name\"\tUninstall product by name\r\n"
    "/r:\"program\"\tRun the specified program after a successful installation";

void expect_fatal_box(const SeenBox& seen, const std::string& text) {
    EXPECT_EQ(seen.driver_exit, 0u) << seen.driver_output;
    EXPECT_EQ(seen.driver_output.rfind("dialog caption=\"FATAL ERROR\" ", 0), 0u) << seen.driver_output;
    std::string line = "control id=65535 class=Static text=" + quoted_text(text) + "\n";
    EXPECT_NE(seen.driver_output.find(line), std::string::npos) << "expected " << line << "in\n"
                                                                << seen.driver_output;
    EXPECT_EQ(seen.stub_exit, 1);
}

TEST(StartWithoutPayload, TellsTheUserThereIsNoArchive) {
    expect_fatal_box(run_stub_and_answer(""), "This program performs installations and uninstallations.\r\n"
                                              "There is no installation archive present.\r\n"
                                              "No Uninstallation parameters were specified.\r\n\r\n"
                                              "You should not delete this program or execute it directly.");
}

TEST(StartWithoutPayload, AutomaticModeWithQuotedValuesStillFindsNoArchive) {
    SeenBox seen = run_stub_and_answer("/a /d:\"" + stub_under_test().program_files() +
                                       "\\Demo Suite\" /n:\"Demo Suite\"");
    EXPECT_NE(seen.driver_output.find("There is no installation archive present."), std::string::npos)
        << seen.driver_output;
    EXPECT_EQ(seen.stub_exit, 1);
}

TEST(BadCommandLine, ShowsTheUsageWithTheComplaint) {
    struct Case {
        const char* switches;
        const char* complaint;
    } cases[] = {
        {"/x", "Illegal command line atom:\nx"},
        {"setup", "Unexpected command line parameter:\nsetup"},
        {"/u", "Product name required"},
        {"/r:demo.exe", "Illegal command line atom:\nr:demo.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches);
        expect_fatal_box(run_stub_and_answer(c.switches), std::string(c.complaint) + usage_tail);
    }
}

TEST(Uninstall, HandOverEndsWithExitCodeOneWithoutTouchingThePayload) {
    // The stub has no payload; the uninstall path must not look for one. No such product
    // is installed, which automatic mode does not show.
    RunResult run = run_process(stub_command_line("/a /u:\"Demo Suite\""), timeouts::program_ms, false);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timed_out) << "a box was left open";
    EXPECT_EQ(run.exit_code, 1u);
}

} // namespace
