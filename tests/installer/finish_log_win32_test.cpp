// The end of an installation as the user meets it: real message boxes, answered
// through the UI driver as a person would.

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

struct Ending {
    std::string shown; // the box as the driver showed it
    unsigned long driver = 0;
    bool ended = false;
};

// Runs the probe's ending in `folder` and answers its one box with `button`.
Ending end_installation(const std::string& folder, const char* how, const char* caption, const char* button) {
    Ending ending;
    Process probe;
    if (!probe.start(command_line({exe_folder() + "\\system_probe.exe", "finish-log", folder, how})))
        return ending;
    RunResult driver = run_process(
        command_line({exe_folder() + "\\ui_driver.exe", "--timeout", timeouts::seconds_text(timeouts::box_ms),
                      "--pid", std::to_string(probe.pid()), "--caption", caption, "show", "press", button}),
        timeouts::program_ms);
    ending.shown = driver.output;
    ending.driver = driver.exit_code;
    ending.ended = probe.wait(timeouts::process_end_ms) && probe.exit_code() == 0;
    return ending;
}

class FinishLog : public ::testing::Test {
  protected:
    FinishLog() {
        folder = join(temp_directory().c_str(), "varnook-finish-log").c_str();
        delete_tree(folder.c_str());
        create_folder(folder.c_str());
    }
    ~FinishLog() override { delete_tree(folder.c_str()); }
    std::string log() const { return folder + "\\Install.LOG"; }
    std::string folder;
};

TEST_F(FinishLog, WithoutProblemsTheCompletionBox) {
    Ending ending = end_installation(folder, "ok", "Installation Complete", "OK");
    EXPECT_EQ(ending.driver, 0u) << ending.shown;
    EXPECT_NE(ending.shown.find("text=\"Probe Tool has been installed.\""), std::string::npos)
        << ending.shown;
    EXPECT_TRUE(ending.ended);
    EXPECT_FALSE(file_exists(log().c_str())) << "no log without problems unless the product asks for one";
}

TEST_F(FinishLog, WithProblemsTheOfferToReadTheLog) {
    Ending ending = end_installation(folder, "problems", "Installation Finished with Problems", "No");
    EXPECT_EQ(ending.driver, 0u) << ending.shown;
    EXPECT_NE(ending.shown.find("There were problems. Read the log "), std::string::npos) << ending.shown;
    EXPECT_NE(ending.shown.find("\\\\Install.LOG now?\""), std::string::npos) << ending.shown;
    EXPECT_NE(ending.shown.find("text=\"&Yes\""), std::string::npos) << ending.shown;
    EXPECT_TRUE(ending.ended);
    String text;
    ASSERT_EQ(read_file(log().c_str(), text), 0) << "the log is written when something went wrong";
    EXPECT_NE(std::string(text.c_str()).find("Installation log for: Probe Tool\r\n"), std::string::npos);
    EXPECT_NE(std::string(text.c_str()).find("Could not write C:\\x.dll\r\n"), std::string::npos);
}

} // namespace
