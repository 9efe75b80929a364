// During and after the progress: cancelling asks first and keeps what was placed; a
// file in use is replaced at the next restart, which is offered; the /r program runs
// only after an installation without problems and without a restart.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/filesystem.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/process_win32.h"
#include "tests/support/timeouts.h"

namespace {

InstallScript progress_script() {
    InstallScript script = demo_script({{20, "Quit Test"}, {28, "Stop now?"}});
    const char* later[66] = {};
    later[37] = "Restart now?";
    later[40] = "Problems. Read %s?";
    later[41] = "Problems Test";
    later[42] = "Installed.";
    later[43] = "Done Test";
    later[54] = "Progress Test";
    later[65] = "Welcome Test";
    for (int n = 31; n <= 65; ++n)
        script.language_strings.add(Vector<String>()).add(String(later[n] != nullptr ? later[n] : ""));
    return script;
}

// The progress bar's position in the driver's listing of the progress dialog; -1 when
// it shows none.
int bar_position(const std::string& listing) {
    std::string::size_type at = listing.find(" position=");
    return at == std::string::npos ? -1 : std::atoi(listing.c_str() + at + 10);
}

std::string into(const TempFolder& folder) {
    return "/d:\"" + folder.file("installed") + "\"";
}

TEST(InstallProgress, CancelAsksNoGoesOnYesStopsWithThePlacedFilesLeft) {
    InstallScript script = progress_script();
    script.minimum_stage_time = 1500;
    TempFolder folder("varnook_cancel");
    ASSERT_TRUE(
        write_file(folder.file("setup.exe"), build_installer(script, demo_files(), PayloadOptions())));
    RunningInstaller run(folder.file("setup.exe"), into(folder));
    run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});

    run.drive({"--caption", "Progress Test", "press", "1003"});
    std::string question = run.drive({"--caption", "Quit Test", "show", "press", "No", "wait-gone"});
    EXPECT_NE(question.find(box_text_line("Stop now?")), std::string::npos) << question;
    // Once the files are placed (the bar at 90 %, and 95 % soon after), cancel for good.
    // The bar passes 90 quickly, so any later position counts; the looks are bounded by
    // time, since a driver that finds no progress window waits out its own timeout.
    bool placed = false;
    const DWORD started = GetTickCount();
    while (!placed && GetTickCount() - started < timeouts::box_ms)
        placed = bar_position(run.drive({"--caption", "Progress Test", "show"})) >= 90;
    ASSERT_TRUE(placed) << "the progress never reached the shortcuts stage";
    run.drive({"--caption", "Progress Test", "press", "1003"});
    run.drive({"--caption", "Quit Test", "press", "Yes"});
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    EXPECT_STREQ(read_file(folder.file("installed\\readme.txt")).c_str(), "Demo Tool, read me first.\r\n");
}

TEST(InstallProgress, AFileInUseIsReplacedAtTheRestartAndTheProgramAfterwardsWaits) {
    TempFolder folder("varnook_in_use");
    const std::string installed = folder.file("installed");
    ASSERT_TRUE(create_folder(installed.c_str()));
    ASSERT_TRUE(write_file(installed + "\\demo.dat", String("the old shared data")));
    Process holder;
    ASSERT_TRUE(holder.start(command_line({program("hold_file.exe"), installed + "\\demo.dat", "30"}), true));
    for (int i = 0; i < 100 && holder.output().find("held") == std::string::npos; ++i)
        holder.wait(100);

    ASSERT_TRUE(write_file(folder.file("setup.exe"),
                           build_installer(progress_script(), demo_files(), PayloadOptions())));
    const std::string marker = folder.file("ran.txt");
    RunningInstaller run(folder.file("setup.exe"),
                         into(folder) + " /r:\"cmd.exe /c echo ran>" + marker + "\"");
    run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
    run.drive({"--caption", "Done Test", "press", "OK", "wait-gone"});
    std::string restart = run.drive({"--caption", "Quit Test", "show", "press", "No"});
    EXPECT_NE(restart.find(box_text_line("Restart now?")), std::string::npos) << restart;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    holder.kill();
    // The restart declined and nothing wrong: the program runs.
    for (int i = 0; i < 100 && !file_exists(marker.c_str()); ++i)
        Sleep(100);
    EXPECT_TRUE(file_exists(marker.c_str()));
    EXPECT_STREQ(read_file(installed + "\\demo.dat").c_str(), "the old shared data")
        << "replaced only at the restart";
    String log = read_file(installed + "\\Install.LOG");
    EXPECT_EQ(log.length(), 0) << "no log without problems unless asked for";
}

TEST(InstallProgress, AfterAProblemTheProgramAfterwardsIsNotStarted) {
    TempFolder folder("varnook_problem");
    const std::string installed = folder.file("installed");
    ASSERT_TRUE(create_folder(installed.c_str()));
    ASSERT_TRUE(write_file(installed + "\\readme.txt", String("held")));
    Process holder;
    ASSERT_TRUE(
        holder.start(command_line({program("hold_file.exe"), installed + "\\readme.txt", "30"}), true));
    for (int i = 0; i < 100 && holder.output().find("held") == std::string::npos; ++i)
        holder.wait(100);

    ASSERT_TRUE(write_file(folder.file("setup.exe"),
                           build_installer(progress_script(), demo_files(), PayloadOptions())));
    const std::string marker = folder.file("ran.txt");
    RunningInstaller run(folder.file("setup.exe"),
                         into(folder) + " /r:\"cmd.exe /c echo ran>" + marker + "\"");
    run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
    std::string offer = run.drive({"--caption", "Problems Test", "show", "press", "No"});
    EXPECT_NE(offer.find("Problems. Read "), std::string::npos) << offer;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    holder.kill();
    Sleep(1000);
    EXPECT_FALSE(file_exists(marker.c_str()));
    std::string log = read_file(installed + "\\Install.LOG").c_str();
    EXPECT_NE(log.find("readme.txt"), std::string::npos) << log;
}

} // namespace
