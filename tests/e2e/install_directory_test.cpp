// The installation folder as a person types it: every folder that will not do is
// explained and the dialog comes back, until one does.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/filesystem.h"
#include "core/numbers.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/timeouts.h"
#include "tests/support/unix_command_win32.h"

namespace {

InstallScript directory_script() {
    InstallScript script = demo_script({{1, "Install the Folder Test?"},
                                        {14, "Not a folder:"},
                                        {16, "No drive %c:."},
                                        {17, "Not a root."},
                                        {18, "Not %s."},
                                        {19, "Need %s on %c:, only %s free."},
                                        {20, "Question"},
                                        {21, "Setup Error"},
                                        {22, "Use %s?"},
                                        {23, "Create %s?"},
                                        {24, "Folder Test"},
                                        {25, "Cannot create"}});
    const char* later[66] = {};
    later[42] = "Installed.";
    later[43] = "Done Test";
    later[48] = "Continue";
    later[65] = "Welcome Test";
    for (int n = 31; n <= 65; ++n)
        script.language_strings.add(Vector<String>()).add(String(later[n] != nullptr ? later[n] : ""));
    script.flags.set(flag_directory_dialog);
    script.flags.set(flag_confirm_directory);
    return script;
}

class DirectoryDialog {
  public:
    explicit DirectoryDialog(RunningInstaller& run) : run_(run) {}

    // Types `directory` and presses Continue.
    void enter(const std::string& directory) {
        std::string shown = run_.drive(
            {"--caption", "Folder Test", "set-text", "1015", directory, "press", "1001", "wait-gone"});
        EXPECT_EQ(shown, "") << shown;
    }
    // The box with `caption` now open: its text line must be `text`; `button` answers it.
    void expect_box(const char* caption, const std::string& text, const char* button) {
        std::string box = run_.drive({"--caption", caption, "show", "press", button, "wait-gone"});
        EXPECT_NE(box.find(box_text_line(text)), std::string::npos) << "expected " << text << " in\n" << box;
    }
    // The box with `caption` now open: its text must start with `start`.
    void expect_box_starting(const char* caption, const std::string& start, const char* button) {
        std::string box = run_.drive({"--caption", caption, "show", "press", button, "wait-gone"});
        std::string line = box_text_line(start);
        line.erase(line.size() - 2); // without the closing quote and line end
        EXPECT_NE(box.find(line), std::string::npos) << "expected " << start << " in\n" << box;
    }
    void expect_dialog_again() {
        std::string dialog = run_.drive({"--caption", "Folder Test", "show"});
        EXPECT_NE(dialog.find("control id=1015 class=Edit"), std::string::npos) << dialog;
    }

  private:
    RunningInstaller& run_;
};

std::string program_files() {
    char buffer[MAX_PATH] = {};
    GetEnvironmentVariableA("ProgramFiles", buffer, MAX_PATH);
    return buffer;
}

TEST(InstallDirectory, EachFolderThatWillNotDoIsExplainedAndTheDialogComesBack) {
    TempFolder folder("varnook_directory");
    ASSERT_TRUE(write_file(folder.file("setup.exe"),
                           build_installer(directory_script(), demo_files(), PayloadOptions())));
    ASSERT_TRUE(write_file(folder.file("blocker"), String("a file where a folder should be")));
    RunningInstaller run(folder.file("setup.exe"));
    ASSERT_TRUE(run.started());
    DirectoryDialog dialog(run);
    run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});

    dialog.enter("");
    dialog.expect_dialog_again();
    dialog.enter("C:\\bad|name");
    dialog.expect_box("Setup Error", "Not a folder:\r\nC:\\bad|name", "OK");
    dialog.enter("Q:\\Tool");
    dialog.expect_box("Setup Error", "No drive Q:.", "OK");
    dialog.enter("C:\\");
    dialog.expect_box("Setup Error", "Not a root.", "OK");
    std::string other_case = program_files();
    for (char& c : other_case)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    dialog.enter(other_case + "\\");
    dialog.expect_box("Setup Error", "Not " + program_files() + ".", "OK");

    // Refused at the confirmation: asked again.
    const std::string target = folder.file("installed");
    dialog.enter(target);
    dialog.expect_box("Folder Test", "Create " + target + "?", "No");
    // A folder that cannot be made.
    const std::string blocked = folder.file("blocker\\sub");
    dialog.enter(blocked);
    dialog.expect_box("Folder Test", "Create " + blocked + "?", "Yes");
    dialog.expect_box_starting("Setup Error", "Cannot create\r\n" + blocked + "\r\n\r\n", "OK");

    // A folder that will do.
    dialog.enter(target);
    dialog.expect_box("Folder Test", "Create " + target + "?", "Yes");
    dialog.expect_box("Done Test", "Installed.", "OK");
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    EXPECT_STREQ(read_file(target + "\\readme.txt").c_str(), "Demo Tool, read me first.\r\n");
}

// A drive of 1 MiB: a tmpfs mounted for the test and given a free drive letter in the
// prefix's dosdevices. Mounting needs root; `reason()` says why there is none.
class SmallDrive {
  public:
    SmallDrive() {
        for (char letter = 'T'; letter <= 'Y' && letter_ == 0; ++letter) {
            const char root[] = {letter, ':', '\\', '\0'};
            if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR)
                letter_ = letter;
        }
        const std::string drive_c = unix_path("C:\\");
        const std::string::size_type devices = drive_c.find("/dosdevices/");
        if (letter_ == 0 || devices == std::string::npos) {
            reason_ = "no free drive letter, or Wine does not say where its drives are";
            return;
        }
        link_ = drive_c.substr(0, devices) + "/dosdevices/" + static_cast<char>(letter_ - 'A' + 'a') + ":";
        mount_ = "/tmp/varnook_small_drive." + std::to_string(GetCurrentProcessId());
        UnixResult made = run_unix_command(
            "mkdir -p " + shell_quote(mount_) + " && mount -t tmpfs -o size=1m tmpfs " + shell_quote(mount_) +
                " && ln -sfn " + shell_quote(mount_) + " " + shell_quote(link_),
            timeouts::program_ms);
        if (!made.finished || made.exit_code != 0) {
            reason_ = "cannot mount a small tmpfs here: " + made.output;
            letter_ = 0;
        }
    }
    ~SmallDrive() {
        if (!mount_.empty())
            run_unix_command("rm -f " + shell_quote(link_) + "; umount " + shell_quote(mount_) + "; rmdir " +
                                 shell_quote(mount_),
                             timeouts::program_ms);
    }
    SmallDrive(const SmallDrive&) = delete;
    SmallDrive& operator=(const SmallDrive&) = delete;

    char letter() const { return letter_; }
    const std::string& reason() const { return reason_; }

  private:
    char letter_ = 0;
    std::string link_;
    std::string mount_;
    std::string reason_;
};

TEST(InstallDirectory, ADriveTooSmallIsAskedAboutAndNoGoesBackToTheDialog) {
    SmallDrive drive;
    if (drive.letter() == 0)
        GTEST_SKIP() << drive.reason();
    const std::string target = std::string(1, drive.letter()) + ":\\Tool";
    const std::string root = target.substr(0, 3);
    ASSERT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_FIXED)) << root;

    // Two small files and one of 2 MiB, each taking whole clusters.
    std::vector<FileRecord> files = demo_files();
    FileRecord big;
    big.name = "big.bin";
    for (int i = 0; i < 2 * 1024 * 1024 / 64; ++i)
        big.data.append("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    files.push_back(big);
    const std::int32_t cluster = cluster_size(root.c_str());
    ASSERT_GT(cluster, 0);
    std::int64_t required = 0;
    for (const FileRecord& file : files)
        required += (file.data.length() + cluster - 1) / cluster * cluster;
    const std::int64_t free = free_bytes(root.c_str());
    ASSERT_GT(free, 0);

    TempFolder folder("varnook_small_drive");
    ASSERT_TRUE(
        write_file(folder.file("setup.exe"), build_installer(directory_script(), files, PayloadOptions())));
    RunningInstaller run(folder.file("setup.exe"));
    ASSERT_TRUE(run.started());
    DirectoryDialog dialog(run);
    run.drive({"--caption", "Welcome Test", "press", "Yes", "wait-gone"});
    dialog.enter(target);
    dialog.expect_box("Question",
                      std::string("Need ") + byte_size_text(required).c_str() + " on " + drive.letter() +
                          ":, only " + byte_size_text(free).c_str() + " free.",
                      "No");
    dialog.expect_dialog_again();
    run.drive({"--caption", "Folder Test", "press", "1003"});
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    EXPECT_FALSE(folder_exists(target.c_str())) << "nothing made on the small drive";
}

} // namespace
