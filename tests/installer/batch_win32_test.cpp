// Batch actions under Wine: the batch file is written into a real folder and run by
// the real command interpreter (%COMSPEC%, Wine's cmd.exe), which sees the SET
// variables with the machine's own folders.

#include "installer/batch.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/filesystem.h"
#include "core/win32.h"
#include "installer/run_state.h"

namespace {

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file's bytes as the disk holds them; "<missing>" when it cannot be read.
std::string content_of(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void put(const std::string& path, const std::string& content) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

// Removes a test folder without the code under test.
void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                remove_tree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// The variables a `set` listing names, by their upper-case names.
std::map<std::string, std::string> variables_of(const std::string& listing) {
    std::map<std::string, std::string> variables;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = listing.size();
        std::string line = listing.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos && equals > 0) {
            std::string name = line.substr(0, equals);
            for (char& c : name)
                c = String::ascii_upper(c);
            variables[name] = line.substr(equals + 1);
        }
        start = end + 1;
    }
    return variables;
}

// Each test works in a folder of its own below the temporary directory.
class BatchRun : public testing::Test {
  protected:
    void SetUp() override {
        static int serial = 0;
        folder_ = std::string(temp_directory().c_str()) + "\\vnk-batch-" +
                  std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        remove_tree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    }
    void TearDown() override {
        remove_tree(folder_);
        EXPECT_FALSE(exists(folder_)) << "test folder left behind";
    }

    // A folder inside the test folder, created.
    std::string subfolder(const std::string& name) {
        std::string path = folder_ + "\\" + name;
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
        return path;
    }

    std::string folder_;
};

TEST_F(BatchRun, TheBatchSeesTheMachinesFoldersAndRunsToItsEnd) {
    // The batch lists its variables, keeps a copy of itself and passes a PAUSE, which
    // Wine's cmd.exe goes on from at once when nobody types.
    const String batch_text("set >vars.txt\ncopy VRNKBAT.BAT seen.txt >nul\npause\necho done>done.txt\n");
    const String shared("C:\\Program Files\\Common Files\\Acme Shared");
    struct {
        const char* name;
        bool automatic;
        bool quiet;
        bool pause_kept;
    } cases[] = {
        {"shown", false, false, true},
        {"quiet", false, true, false},
        {"automatic", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        String directory(subfolder(c.name).c_str());
        RunState run;
        run.automatic = c.automatic;
        DirectoryValues values{machine_folders(), directory, shared};
        run_batch(run, values, c.quiet, batch_text);

        std::string in = std::string(directory.c_str()) + "\\";
        EXPECT_EQ(content_of(in + "done.txt"), "done\r\n");
        EXPECT_FALSE(exists(in + "VRNKBAT.BAT")) << "the batch file is deleted";
        std::string seen = content_of(in + "seen.txt");
        EXPECT_EQ(seen, text_of(batch_file_text(values, batch_text, c.pause_kept == false)));
        EXPECT_EQ(seen.find("\r\npause\r\n") != std::string::npos, c.pause_kept) << seen;

        std::map<std::string, std::string> variables = variables_of(content_of(in + "vars.txt"));
        const ProgramPaths& paths = program_paths();
        const std::string drive = std::string(1, static_cast<char>(drive_letter(directory.c_str()))) + ":";
        EXPECT_EQ(variables["INSTALLDIR"], directory.c_str());
        EXPECT_EQ(variables["INSTALLDRIVE"], drive);
        EXPECT_EQ(variables["SHAREDDIR"], shared.c_str());
        EXPECT_EQ(variables["INSTALLERFILEPATH"], paths.installer_path.c_str());
        EXPECT_EQ(variables["INSTALLERDIR"], installer_folder_of(paths.installer_path).c_str());
        EXPECT_EQ(variables["INSTALLERFILENAME"], "installer_win32_tests.exe");
        EXPECT_EQ(variables["INSTALLERDRIVE"], std::string(1, paths.installer_drive) + ":");
        EXPECT_EQ(variables["BOOTDRIVE"], std::string(1, boot_drive(machine_folders())) + ":");
        struct {
            const char* name;
            SpecialFolder folder;
        } folders[] = {
            {"SYSTEMDIR", SpecialFolder::system},
            {"DEVICEDIR", SpecialFolder::device_information},
            {"MEDIADIR", SpecialFolder::media},
            {"FAVORITESDIR", SpecialFolder::favorites},
            {"FAVORITESALLDIR", SpecialFolder::favorites_all},
            {"FONTDIR", SpecialFolder::fonts},
            {"DESKTOPDIR", SpecialFolder::desktop},
            {"DESKTOPALLDIR", SpecialFolder::desktop_all},
            {"DOCUMENTDIR", SpecialFolder::documents},
            {"DOCUMENTALLDIR", SpecialFolder::documents_all},
            {"PROGRAMSDIR", SpecialFolder::program_files},
            {"STARTMENUDIR", SpecialFolder::start_menu},
            {"STARTMENUALLDIR", SpecialFolder::start_menu_all},
            {"SMPROGRAMSDIR", SpecialFolder::programs},
            {"SMPROGRAMSALLDIR", SpecialFolder::programs_all},
            {"STARTUPDIR", SpecialFolder::startup},
            {"STARTUPALLDIR", SpecialFolder::startup_all},
            {"COMMONDIR", SpecialFolder::common_files},
        };
        for (const auto& f : folders) {
            String expected = special_folder(machine_folders(), f.folder);
            EXPECT_FALSE(expected.is_empty()) << f.name;
            EXPECT_EQ(variables[f.name], expected.c_str()) << f.name;
        }
    }
}

TEST_F(BatchRun, NothingRunsWithoutABatchFile) {
    std::string ran = folder_ + "\\ran.txt";
    const String batch_text(("echo ran>\"" + ran + "\"\n").c_str());
    const String shared("C:\\Shared");
    RunState run;

    // A directory that is not there: nothing is created, nothing runs.
    String missing((folder_ + "\\missing").c_str());
    run_batch(run, DirectoryValues{machine_folders(), missing, shared}, true, batch_text);
    EXPECT_FALSE(exists(missing.c_str()));
    EXPECT_FALSE(exists(ran));

    // A batch file of someone else's, open for reading and not to be written over:
    // the command interpreter could run it, but it is not ours to run.
    std::string held_folder = subfolder("held");
    std::string stale = held_folder + "\\VRNKBAT.BAT";
    std::string stale_ran = folder_ + "\\stale.txt";
    const std::string stale_text = "@echo stale>\"" + stale_ran + "\"\r\n";
    ASSERT_NO_FATAL_FAILURE(put(stale, stale_text));
    HANDLE reader = CreateFileA(stale.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    std::string run_stale =
        std::string(program_paths().command_interpreter.c_str()) + " /c \"" + stale + "\"";
    EXPECT_EQ(start_process(run_stale.c_str(), launch_wait, held_folder.c_str()), 0u);
    ASSERT_TRUE(exists(stale_ran)) << "the held batch file can be run";
    DeleteFileA(stale_ran.c_str());

    String held(held_folder.c_str());
    run_batch(run, DirectoryValues{machine_folders(), held, shared}, true, batch_text);
    CloseHandle(reader);
    EXPECT_FALSE(exists(ran));
    EXPECT_FALSE(exists(stale_ran));
    EXPECT_EQ(content_of(stale), stale_text);

    // A blank text does not touch the folder at all.
    run_batch(run, DirectoryValues{machine_folders(), held, shared}, true, String(" \r\n\t"));
    EXPECT_EQ(content_of(stale), stale_text);
}

} // namespace
