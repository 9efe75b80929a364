#include "installer/placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/file.h"
#include "core/filesystem.h"
#include "core/win32.h"
#include "installer/deletions.h"
#include "installer/system_calls.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/process_win32.h"
#include "tests/support/scripted_prompt.h"
#include "tests/support/test_machine.h"

namespace {

// A folder of the test's own in the temporary folder, gone with everything in it
// when the test ends.
class Scratch {
  public:
    Scratch() {
        path_ = join(temp_directory().c_str(), "varnook-placement").c_str();
        delete_tree(path_.c_str());
        create_folder(path_.c_str());
    }
    ~Scratch() { delete_tree(path_.c_str()); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

std::string content_of(const std::string& path) {
    String bytes;
    if (read_file(path.c_str(), bytes) != 0)
        return "<missing>";
    return bytes.c_str();
}

void put(const std::string& path, const std::string& content, const TimeStamp& time) {
    create_folder(folder_of(path.c_str()).c_str());
    ASSERT_TRUE(write_file(path.c_str(), content.c_str(), static_cast<int32_t>(content.size()))) << path;
    File file;
    ASSERT_EQ(file.open(path.c_str(), File::open_existing), 0);
    ASSERT_TRUE(file.set_modified_time(time));
}

TimeStamp time_of(const std::string& path) {
    TimeStamp time;
    EXPECT_TRUE(file_time(path.c_str(), time)) << path;
    return time;
}

bool same_time(const TimeStamp& a, const TimeStamp& b) {
    return compare_time_stamps(a, b) == 0;
}

const TimeStamp older{2001, 2, 3, 4, 5, 6};
const TimeStamp newer{2004, 5, 6, 7, 8, 10};

class Placement : public ::testing::Test {
  protected:
    Placement() {
        folders.windows = program_paths().windows_directory.c_str();
        folders.system = scratch / "System";
        run.folders = &folders;
        run.system = &windows_system_calls();
        run.prompt = &prompt;
        run.install_directory = (scratch / "Tool").c_str();
        run.uninstall_folder = (scratch / "Tool\\Uninst").c_str();
        run.script.shared_path = (scratch / "Common\\Acme").c_str();
        create_folder(run.install_directory.c_str());
        run.languages.names.add(String("English"));
        for (int i = 0; i <= 40; ++i) {
            Vector<String> texts;
            texts.add(String(i == 25   ? "Could not create the folder"
                             : i == 31 ? "Could not write"
                             : i == 38 ? "Start %s"
                                       : ""));
            run.languages.strings.add(texts);
        }
    }

    FileRecord record(const char* name, std::int32_t kind, const char* content = "new content") {
        FileRecord r;
        r.name = name;
        r.destination = kind;
        r.data = content;
        r.time = newer;
        return r;
    }
    std::string in_install(const std::string& name) const {
        return std::string(run.install_directory.c_str()) + "\\" + name;
    }

    Scratch scratch;
    TestFolders folders;
    ScriptedPrompt prompt;
    InstallRun run;
};

TEST_F(Placement, EachKindGoesToItsFolder) {
    struct Case {
        const char* name;
        std::int32_t kind;
        std::int32_t options;
        const char* target;
        std::string where;        // the destination
        const char* shared_entry; // the shared-file list's entry; null: none
    };
    const std::string install = in_install("");
    const std::string shared = std::string(run.script.shared_path.c_str()) + "\\";
    const std::string system = folders.system + "\\";
    const Case cases[] = {
        {"tool.exe", 0, 0, "", install + "tool.exe", nullptr},
        {"docs\\guide.txt", 0, 0, "", install + "docs\\guide.txt", nullptr},
        {"tool.exe", 0, 0, "renamed.exe", install + "renamed.exe", nullptr},
        {"deep\\er\\notes.txt", 0, 0, "%InstallDir%\\Notes\\", install + "Notes\\notes.txt", nullptr},
        {"x.cfg", 0, 0, "Config\\settings.cfg", install + "Config\\settings.cfg", nullptr},
        {"setup.log", 0, 0x40, "", install + "Uninst\\setup.log", nullptr},
        {"start.exe", 5, 0, "", install + "start.exe", nullptr},
        {"acme.dll", 1, 0, "", shared + "acme.dll", ""},
        {"perm.dll", 1, 0x20, "", shared + "perm.dll", " "},
        {"lib.dll", 1, 0, "Lib\\", shared + "Lib\\lib.dll", ""},
        {"sys.dll", 6, 0, "", system + "sys.dll", " "},
        {"tray.exe", 5, 0, "%InstallDir%\\Tray\\", install + "Tray\\tray.exe", nullptr},
        {"helper.dll", 6, 0, "Helpers\\", install + "Helpers\\helper.dll", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileRecord r = record(c.name, c.kind);
        r.options = c.options;
        r.target_path = c.target;
        int shared_before = run.shared_files.count();
        create_folder(folders.system.c_str());
        create_folder(run.script.shared_path.c_str());
        create_folder(run.uninstall_folder.c_str());
        place_file(run, r);
        EXPECT_EQ(content_of(c.where), "new content") << c.where;
        EXPECT_TRUE(same_time(time_of(c.where), newer));
        if (c.shared_entry == nullptr) {
            EXPECT_EQ(run.shared_files.count(), shared_before);
        } else {
            ASSERT_EQ(run.shared_files.count(), shared_before + 1);
            EXPECT_EQ(std::string(run.shared_files.at(shared_before).c_str()), c.where + c.shared_entry);
        }
    }
    // Program files (also one in the uninstall folder) and the folders made for them
    // are recorded, each folder once and before its file; the installation directory
    // itself never is.
    const std::string expected =
        install + "tool.exe\r\n~" + install + "docs\r\n" + install + "docs\\guide.txt\r\n" + install +
        "renamed.exe\r\n~" + install + "Notes\r\n" + install + "Notes\\notes.txt\r\n~" + install +
        "Config\r\n" + install + "Config\\settings.cfg\r\n" + install + "Uninst\\setup.log\r\n" + install +
        "start.exe\r\n~" + install + "Tray\r\n" + install + "Tray\\tray.exe\r\n";
    EXPECT_EQ(std::string(run.record.lines().c_str()), expected);
    // Only the Startup programs get a shortcut, named by language string 38.
    ASSERT_EQ(run.shortcuts.count(), 2);
    EXPECT_TRUE(run.shortcuts.at(0).startup);
    EXPECT_STREQ(run.shortcuts.at(0).name.c_str(), "Start start.exe");
    EXPECT_EQ(prompt.dialogs.back(), "status: helper.dll -> " + install + "Helpers\\helper.dll");
}

TEST_F(Placement, AFontGoesToTheFontsFolderAndIsRegistered) {
    String font;
    ASSERT_EQ(read_file("Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf", font), 0);
    FileRecord r = record("VarnookTestFont.ttf", destination_font);
    r.data = font;
    r.version = "Varnook Test Font";
    std::string placed =
        program_paths().windows_directory.c_str() + std::string("\\Fonts\\VarnookTestFont.ttf");
    place_file(run, r);
    EXPECT_TRUE(run.error_report.is_empty()) << run.error_report.c_str();
    EXPECT_TRUE(file_equals_memory(font.c_str(), font.length(), placed.c_str()));
    EXPECT_STREQ(run.product_fonts.c_str(), "\"Varnook Test Font\" \"VarnookTestFont.ttf\" ");
    EXPECT_TRUE(run.fonts_changed);
    EXPECT_TRUE(run.record.lines().is_empty()) << "fonts are the uninstaller's through ProductFonts";
    RemoveFontResourceA("VarnookTestFont.ttf");
    DeleteFileA(placed.c_str());
}

TEST_F(Placement, DeletionsBeforeTheFiles) {
    put(in_install("old.txt"), "old", older);
    put(in_install("keep.txt"), "keep", newer);
    put(in_install("sub\\gone.txt"), "gone", older);
    SetFileAttributesA(in_install("sub\\gone.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const struct {
        const char* path;
        std::uint8_t condition;
        const char* value;
    } entries[] = {
        {"old.txt", 3, "1/1/2003"},             // not newer than 2003: deleted
        {"keep.txt", 3, "1/1/2003"},            // newer: kept
        {"%InstallDir%\\sub\\gone.txt", 0, ""}, // read-only and hidden: still deleted
        {"missing.txt", 0, ""},                 // nothing, not even a line
    };
    for (const auto& e : entries) {
        FileDeletion deletion;
        deletion.path = e.path;
        deletion.condition = e.condition;
        deletion.value = e.value;
        run.script.deletions.add(deletion);
    }
    process_deletions(run);
    EXPECT_FALSE(file_exists(in_install("old.txt").c_str()));
    EXPECT_EQ(content_of(in_install("keep.txt")), "keep");
    EXPECT_FALSE(file_exists(in_install("sub\\gone.txt").c_str()));
    EXPECT_EQ(std::string(run.install_report.c_str()),
              "Deleted file: " + in_install("old.txt") + "\r\nDeleted file: " + in_install("sub\\gone.txt") +
                  "\r\n");
    EXPECT_TRUE(run.error_report.is_empty());

    FileDeletion bad_date;
    bad_date.path = "keep.txt";
    bad_date.condition = 1;
    bad_date.value = "never";
    run.script.deletions.clear();
    run.script.deletions.add(bad_date);
    run.languages.strings.at(13).at(0) = "damaged %d";
    EXPECT_EQ(fatal_text([&] { process_deletions(run); }), "damaged 65");
}

TEST_F(Placement, ExistenceModes) {
    struct Case {
        std::int32_t mode;
        bool present;
        const char* after; // the destination's content afterwards
        bool recorded;
    } cases[] = {
        {0x0, false, "new content", true}, {0x0, true, "new content", true}, {0x4, false, "<missing>", false},
        {0x4, true, "old content", false}, {0x8, false, "<missing>", false}, {0x8, true, "new content", true},
        {0xC, false, "new content", true}, {0xC, true, "old content", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string name = "mode" + std::to_string(n++) + ".txt";
        SCOPED_TRACE(name);
        if (c.present)
            put(in_install(name), "old content", older);
        FileRecord r = record(name.c_str(), 0);
        r.options = c.mode;
        run.record.reset();
        place_file(run, r);
        EXPECT_EQ(content_of(in_install(name)), c.after);
        EXPECT_EQ(std::string(run.record.lines().c_str()), c.recorded ? in_install(name) + "\r\n" : "");
    }
}

TEST_F(Placement, SharedAndSystemFilesAreReplacedOnlyByNewerOnes) {
    create_folder(folders.system.c_str());
    const std::string shared = std::string(run.script.shared_path.c_str()) + "\\";
    put(shared + "same.dll", "old content", newer);
    put(shared + "old.dll", "old content", older);
    // The probe's version resource says 2.5.10b.
    std::string probe = exe_folder() + "\\system_probe.exe";
    for (const char* name : {"equal.dll", "date.dll", "newer.dll"}) {
        std::string path = folders.system + "\\" + name;
        ASSERT_TRUE(CopyFileA(probe.c_str(), path.c_str(), FALSE));
        File file;
        ASSERT_EQ(file.open(path.c_str(), File::open_existing), 0);
        file.set_modified_time(TimeStamp{2003, 1, 1, 0, 0, 0});
    }
    struct Case {
        const char* name;
        std::int32_t kind;
        const char* version;
        TimeStamp time;
        const char* report;
        bool written;
    } cases[] = {
        {"same.dll", 1, "", newer, " is up to date.", false},
        {"old.dll", 1, "", newer, " is out of date and will be replaced.", true},
        {"equal.dll", 6, "2.5.10B", newer, " was not installed because its version is not newer.", false},
        {"date.dll", 6, "2.6", TimeStamp{2002, 1, 1, 0, 0, 0},
         " was not installed because its date is not newer.", false},
        {"newer.dll", 6, "2.6", newer, " is out of date and will be replaced.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FileRecord r = record(c.name, c.kind);
        r.version = c.version;
        r.time = c.time;
        run.install_report.clear();
        int shared_before = run.shared_files.count();
        place_file(run, r);
        std::string path = (c.kind == 1 ? shared : folders.system + "\\") + c.name;
        EXPECT_EQ(std::string(run.install_report.c_str()), path + c.report + "\r\n");
        EXPECT_EQ(content_of(path) == "new content", c.written);
        EXPECT_EQ(run.shared_files.count(), shared_before + 1) << "counted whether written or not";
    }
}

TEST_F(Placement, TimesAndAttributesComeFromTheRecord) {
    FileRecord r = record("flags.txt", 0);
    r.attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY;
    place_file(run, r);
    DWORD attributes = GetFileAttributesA(in_install("flags.txt").c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
        << "the directory bit is not the record's to give";
    EXPECT_TRUE(same_time(time_of(in_install("flags.txt")), newer));
    SetFileAttributesA(in_install("flags.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    FileRecord unset = record("untimed.txt", 0);
    unset.time = TimeStamp{};
    place_file(run, unset);
    EXPECT_GT(compare_time_stamps(time_of(in_install("untimed.txt")), newer), 0) << "written now";
}

TEST_F(Placement, AFolderThatCannotBeMadeSkipsItsFile) {
    // A file where the folder should be.
    put(in_install("blocked"), "a file", older);
    FileRecord r = record("blocked\\inside.txt", 0);
    place_file(run, r);
    std::string error = run.error_report.c_str();
    std::string expected_start = "Could not create the folder " + in_install("blocked") + "\r\n";
    EXPECT_EQ(error.substr(0, expected_start.size()), expected_start);
    std::string expected_end = "Not installed: " + in_install("blocked\\inside.txt") + "\r\n\r\n";
    ASSERT_GT(error.size(), expected_end.size());
    EXPECT_EQ(error.substr(error.size() - expected_end.size()), expected_end);
    EXPECT_TRUE(run.record.lines().is_empty());
}

// One record of the file-data area as the builder writes it.
String record_bytes(const char* name, const char* data, std::uint32_t checksum) {
    String bytes(name);
    bytes.append('\0');
    String numbers;
    numbers.set_length(12);
    numbers.put_int32(0, destination_program);
    numbers.put_int32(4, 0); // options
    numbers.put_int32(8, 0); // attributes
    bytes.append(numbers);
    bytes.append(data);
    String tail;
    tail.set_length(4 + 24);
    tail.put_int32(0, static_cast<std::int32_t>(checksum));
    const std::int32_t time[] = {2004, 5, 6, 7, 8, 10};
    for (int i = 0; i < 6; ++i)
        tail.put_int32(4 + 4 * i, time[i]);
    bytes.append(tail);
    bytes.append(String("1.0", 4)); // version, arguments and target: "1.0", "", ""
    bytes.append(String("", 1));
    bytes.append(String("", 1));
    return bytes;
}

TEST_F(Placement, TheNextRecordIsReadCheckedAndPlaced) {
    run.languages.strings.at(13).at(0) = "damaged %d";
    String area = record_bytes("first.txt", "first", String("first").hash());
    area.append(record_bytes("second.txt", "second", String("second").hash() ^ 1));
    run.payload.header.file_sizes.add(5);
    run.payload.header.file_sizes.add(6);
    run.payload.cursor.view(area.c_str(), area.length());
    place_next_file(run, 0);
    EXPECT_EQ(content_of(in_install("first.txt")), "first");
    EXPECT_TRUE(same_time(time_of(in_install("first.txt")), newer));
    EXPECT_EQ(fatal_text([&] { place_next_file(run, 1); }), "damaged 100");
    EXPECT_FALSE(file_exists(in_install("second.txt").c_str()));
    EXPECT_EQ(fatal_text([&] { place_next_file(run, 2); }), "damaged 90") << "beyond the file-size table";
}

// A disk that keeps other bytes than it was given, counting the writes.
int corrupting_writes = 0;
bool write_other_bytes(const char* path, const char*, std::int32_t) {
    ++corrupting_writes;
    return write_file(path, "garbled", 7);
}

TEST_F(Placement, AFileThatDoesNotReadBackAsWrittenFailsAfterThreeTries) {
    SystemCalls corrupting = windows_system_calls();
    corrupting.write_file = write_other_bytes;
    run.system = &corrupting;
    corrupting_writes = 0;
    std::string path = in_install("checked.bin");
    EXPECT_TRUE(write_installed_file(run, path.c_str(), "content", 7, newer, 0, true))
        << "not read back: trusted";
    EXPECT_EQ(corrupting_writes, 1);

    run.flags.set(flag_verify_written_files);
    corrupting_writes = 0;
    EXPECT_FALSE(write_installed_file(run, path.c_str(), "content", 7, newer, 0, true));
    EXPECT_EQ(corrupting_writes, 3);
    EXPECT_EQ(std::string(run.error_report.c_str()), "Could not write " + path + "\r\n\r\n")
        << "no system error to tell, and no replacement at the restart for a disk that lies";
    EXPECT_TRUE(run.install_report.is_empty());
}

TEST_F(Placement, ANegativeSizeIsADamagedInstaller) {
    run.languages.strings.at(13).at(0) = "damaged %d";
    EXPECT_EQ(
        fatal_text([&] { write_installed_file(run, in_install("x").c_str(), "", -1, newer, 0, false); }),
        "damaged 5");
    EXPECT_FALSE(file_exists(in_install("x").c_str()));
}

} // namespace
