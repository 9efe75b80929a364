// The PATH line in the boot drive's real autoexec.bat (Wine's C:\autoexec.bat in the
// test prefix). Whatever file was there before is put back afterwards.

#include "installer/autoexec_path.h"

#include <gtest/gtest.h>

#include <string>

#include "core/filesystem.h"
#include "core/win32.h"
#include "tests/support/process_win32.h"

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

class AutoexecPath : public testing::Test {
  protected:
    void SetUp() override {
        autoexec_ = std::string(1, boot_drive(machine_folders())) + ":\\autoexec.bat";
        had_autoexec_ = exists(autoexec_);
        if (had_autoexec_) {
            saved_ = content_of(autoexec_);
            ASSERT_TRUE(DeleteFileA(autoexec_.c_str())) << autoexec_;
        }
        // A real folder with a long name, so that its short form differs.
        static int serial = 0;
        std::string folder = std::string(temp_directory().c_str()) + "\\Varnook Path Test " +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        directory_ = folder.c_str();
        line_ = "PATH=%PATH%;" + std::string(short_path(directory_.c_str()).c_str()) + "\r\n";
    }
    void TearDown() override {
        if (holder_.started())
            holder_.kill();
        DeleteFileA(autoexec_.c_str());
        if (had_autoexec_)
            put(autoexec_, saved_);
        RemoveDirectoryA(directory_.c_str());
        EXPECT_FALSE(exists(directory_.c_str()));
    }

    std::string edit(bool add) {
        DirectoryValues values{machine_folders(), directory_, shared_};
        return text_of(add_to_path(values, add));
    }

    std::string failure(const char* verb, const char* preposition) const {
        return "Unable to modify " + autoexec_ + ".  You will need to manually " + verb + " " +
               directory_.c_str() + " " + preposition + " the PATH environment variable.\r\n\r\n";
    }

    std::string autoexec_;
    bool had_autoexec_ = false;
    std::string saved_;
    String directory_;
    String shared_;
    std::string line_;
    Process holder_;
};

TEST_F(AutoexecPath, AddedOnceAndRemovedAgain) {
    EXPECT_EQ(line_.find(' '), std::string::npos) << "the short form of the directory: " << line_;
    ASSERT_NO_FATAL_FAILURE(put(autoexec_, "@echo off\r\nSET BLASTER=A220"));

    EXPECT_EQ(edit(true), "");
    EXPECT_EQ(content_of(autoexec_), "@echo off\r\nSET BLASTER=A220\r\n" + line_);
    EXPECT_EQ(edit(true), "");
    EXPECT_EQ(content_of(autoexec_), "@echo off\r\nSET BLASTER=A220\r\n" + line_);

    // The file is rewritten shorter: nothing of the old end may stay behind it.
    EXPECT_EQ(edit(false), "");
    EXPECT_EQ(content_of(autoexec_), "@echo off\r\nSET BLASTER=A220\r\n");
    EXPECT_EQ(edit(false), "");
    EXPECT_EQ(content_of(autoexec_), "@echo off\r\nSET BLASTER=A220\r\n");
}

TEST_F(AutoexecPath, AMissingFileIsCreatedToAddButReportedToRemove) {
    EXPECT_EQ(edit(false), failure("remove", "from"));
    EXPECT_FALSE(exists(autoexec_));

    EXPECT_EQ(edit(true), "");
    EXPECT_EQ(content_of(autoexec_), "\r\n" + line_);
}

TEST_F(AutoexecPath, AFileInUseIsReported) {
    ASSERT_NO_FATAL_FAILURE(put(autoexec_, "@echo off\r\n"));
    std::string tool = exe_folder() + "\\hold_file.exe";
    ASSERT_TRUE(holder_.start(command_line({tool, autoexec_, "30"}), true)) << tool;
    for (int i = 0; i < 500 && holder_.output().find("held") == std::string::npos; ++i)
        ASSERT_FALSE(holder_.wait(20)) << "the holder ended: " << holder_.output();
    ASSERT_NE(holder_.output().find("held"), std::string::npos) << holder_.output();

    EXPECT_EQ(edit(true), failure("add", "to"));
    EXPECT_EQ(edit(false), failure("remove", "from"));
    holder_.kill();
    EXPECT_EQ(content_of(autoexec_), "@echo off\r\n");
}

} // namespace
