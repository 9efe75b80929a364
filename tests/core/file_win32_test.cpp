#include "core/file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/win32.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/process_win32.h"
#include "tests/support/string_text.h"

namespace {

// Removes a folder with everything below it (read-only files too).
void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string temp_path() {
    char buffer[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    std::string path(buffer, n);
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every test works in a folder of its own below the temporary directory, written
// and read back with plain system calls so that File is checked against them.
class FileTest : public testing::Test {
  protected:
    void SetUp() override {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        folder_ = temp_path() + "\\vnk_file_" + std::to_string(GetCurrentProcessId()) + "_" + test->name();
        remove_tree(folder_);
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
    }
    void TearDown() override {
        remove_tree(folder_);
        EXPECT_FALSE(exists(folder_));
    }

    std::string path(const std::string& name) const { return folder_ + "\\" + name; }

    void put(const std::string& name, const std::string& content) {
        HANDLE file = CreateFileA(path(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
        CloseHandle(file);
    }

    // The file's bytes as the disk holds them; "<missing>" when it cannot be read.
    std::string get(const std::string& name) {
        HANDLE file = CreateFileA(path(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

    std::string folder_;
};

// ---------------------------------------------------------------------------

TEST_F(FileTest, OpenResultsForMissingAndExistingFiles) {
    put("there.txt", "x");
    struct Case {
        std::string name;
        uint32_t flags;
        int32_t result;
    } cases[] = {
        {path("missing.txt"), File::open_existing, open_not_found},
        {path("no folder\\file.txt"), File::open_existing, open_path_not_found},
        {path("no folder\\file.txt"), File::create_always, open_path_not_found},
        {"", File::open_or_create, open_invalid_name},
        {path("there.txt"), File::create_new, open_exists},
        {path("there.txt"), File::open_for_reading, open_success},
    };
    for (const Case& c : cases) {
        File file;
        EXPECT_EQ(file.open(c.name.c_str(), c.flags), c.result) << c.name << " flags " << c.flags;
        EXPECT_EQ(file.is_open(), c.result == open_success) << c.name;
    }
    File file;
    EXPECT_EQ(file.open(nullptr, 0), open_invalid_name);
    EXPECT_FALSE(exists(path("missing.txt")));
}

TEST_F(FileTest, RequiredOpenLeavesTheTextOrEndsTheProgram) {
    File file;
    EXPECT_EQ(file.open_required(path("missing.txt").c_str(), File::open_existing), open_not_found);
    EXPECT_EQ(text_of(file.last_error()), "The file was not found.");
    EXPECT_EQ(file.open_required(path("no\\missing.txt").c_str(), File::open_existing), open_path_not_found);
    EXPECT_EQ(text_of(file.last_error()), "The directory does not exist.");

    std::string name = path("missing.txt");
    EXPECT_EQ(fatal_text([&] { file.open_required(name.c_str(), File::open_existing | File::required); }),
              "Failed to open required file:\r\n" + name + "\r\n\r\nThe file was not found.");
}

TEST_F(FileTest, RetryOnceWaitsBeforeTheSecondAttempt) {
    File file;
    DWORD begin = GetTickCount();
    EXPECT_EQ(file.open(path("missing.txt").c_str(), File::open_existing | File::retry_once), open_not_found);
    DWORD elapsed = GetTickCount() - begin;
    EXPECT_GE(elapsed, 120u);
    EXPECT_LT(elapsed, 1000u);
}

class HeldFile : public FileTest {
  protected:
    // Starts a second program that holds the file without sharing for `seconds` and
    // returns once it does.
    void hold(const std::string& name, const char* seconds) {
        std::string tool = exe_folder() + "\\hold_file.exe";
        ASSERT_TRUE(holder_.start(command_line({tool, path(name), seconds}), true)) << tool;
        for (int i = 0; i < 500 && holder_.output().find("held") == std::string::npos; ++i)
            ASSERT_FALSE(holder_.wait(20)) << "the holder ended: " << holder_.output();
        ASSERT_NE(holder_.output().find("held"), std::string::npos) << holder_.output();
    }
    Process holder_;
};

TEST_F(HeldFile, SharingViolationIsRetriedForHalfASecondUnlessAskedNotTo) {
    put("held.txt", "content");
    ASSERT_NO_FATAL_FAILURE(hold("held.txt", "30"));

    File file;
    DWORD begin = GetTickCount();
    EXPECT_EQ(file.open(path("held.txt").c_str(), File::open_for_reading), open_locked);
    DWORD retried = GetTickCount() - begin;
    EXPECT_GE(retried, 400u) << "five waits of 100 ms";
    EXPECT_LT(retried, 3000u);
    RecordProperty("retried_ms", static_cast<int>(retried));
    EXPECT_FALSE(file.is_open());

    begin = GetTickCount();
    EXPECT_EQ(file.open(path("held.txt").c_str(), File::open_existing | File::no_sharing_retry), open_locked);
    DWORD at_once = GetTickCount() - begin;
    EXPECT_LT(at_once, 200u) << "one attempt only";
    RecordProperty("no_retry_ms", static_cast<int>(at_once));
    EXPECT_EQ(file.open_required(path("held.txt").c_str(), File::open_existing | File::no_sharing_retry),
              open_locked);
    EXPECT_EQ(text_of(file.last_error()), "The file is locked by another application.");

    // 0x40's wait counts as one of the five retries: still at most six attempts.
    begin = GetTickCount();
    EXPECT_EQ(file.open(path("held.txt").c_str(), File::open_existing | File::retry_once), open_locked);
    DWORD with_retry_once = GetTickCount() - begin;
    EXPECT_GE(with_retry_once, 500u);
    EXPECT_LT(with_retry_once, 3000u);
    RecordProperty("retry_once_ms", static_cast<int>(with_retry_once));

    EXPECT_FALSE(append_to_file(path("held.txt").c_str(), "more"));
    holder_.kill();
    EXPECT_EQ(get("held.txt"), "content");
}

TEST_F(HeldFile, OpenSucceedsWhenTheHolderLetsGoDuringTheRetries) {
    put("held.txt", "content");
    ASSERT_NO_FATAL_FAILURE(hold("held.txt", "0.25"));
    File file;
    DWORD begin = GetTickCount();
    ASSERT_EQ(file.open(path("held.txt").c_str(), File::open_for_reading), open_success)
        << "after " << GetTickCount() - begin << " ms";
    String content;
    ASSERT_TRUE(file.read_all(content));
    EXPECT_EQ(text_of(content), "content");
}

TEST_F(FileTest, ReadsPositionsAndTheirTexts) {
    put("data.bin", std::string("hello world\0tail", 16));
    File file;
    ASSERT_EQ(file.open(path("data.bin").c_str(), File::open_for_reading), open_success);
    EXPECT_EQ(text_of(file.name()), path("data.bin"));
    EXPECT_TRUE(file.can_read());
    EXPECT_FALSE(file.can_write());
    EXPECT_EQ(file.size(), 16);

    char buffer[32] = {};
    EXPECT_TRUE(file.read(nullptr, 0));
    EXPECT_FALSE(file.read(buffer, -3));
    EXPECT_EQ(text_of(file.last_error()), "Illegal block size -3");
    EXPECT_FALSE(file.read(nullptr, 2));
    EXPECT_EQ(text_of(file.last_error()), "NULL block pointer");
    EXPECT_EQ(file.tell(), 0);

    ASSERT_TRUE(file.seek(6));
    EXPECT_EQ(file.push_position(), 6);
    ASSERT_TRUE(file.push_position(0));
    ASSERT_TRUE(file.read(buffer, 5));
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(file.pop_position(), 6);
    EXPECT_EQ(file.tell(), 6);
    EXPECT_EQ(file.pop_position(), 6);
    EXPECT_EQ(file.pop_position(), File::no_saved_position);
    EXPECT_EQ(file.tell(), 6) << "an empty stack does not move";

    String text;
    ASSERT_TRUE(file.read_text(text));
    EXPECT_EQ(text_of(text), "world");
    EXPECT_EQ(file.tell(), 12);
    EXPECT_FALSE(file.read(buffer, 5));
    EXPECT_EQ(text_of(file.last_error()), "Read past end of file");

    ASSERT_TRUE(file.read_tail(buffer, 4));
    EXPECT_EQ(std::string(buffer, 4), "tail");
    EXPECT_FALSE(file.read_tail(buffer, 17));
    String range("old");
    ASSERT_TRUE(file.read_range(range, 2, 3));
    EXPECT_EQ(text_of(range), "llo");
    EXPECT_FALSE(file.read_range(range, 14, 3));
    EXPECT_FALSE(file.read_range(range, -1, 1));
    EXPECT_EQ(text_of(range), "llo");
    EXPECT_TRUE(file.seek_end(-4));
    EXPECT_EQ(file.tell(), 12);

    EXPECT_FALSE(file.write("x", 1));
    EXPECT_EQ(text_of(file.last_error()), "Write access denied");
    EXPECT_FALSE(file.truncate_here());
    EXPECT_TRUE(file.read_at(0, buffer, 2));
    EXPECT_EQ(file.tell(), 12) << "read_at leaves the position";

    file.close();
    EXPECT_EQ(file.size(), -1);
    EXPECT_EQ(file.tell(), -1);
    EXPECT_FALSE(file.seek(0));
    EXPECT_FALSE(file.read(buffer, 1));
    EXPECT_FALSE(file.read_all(text));
    EXPECT_EQ(get("data.bin"), std::string("hello world\0tail", 16));
}

TEST_F(FileTest, ReadAfterAFailedOpenSaysTheFileIsNotOpen) {
    File file;
    ASSERT_EQ(file.open(path("missing.txt").c_str(), File::open_existing), open_not_found);
    char byte;
    EXPECT_FALSE(file.read(&byte, 1));
    EXPECT_EQ(text_of(file.last_error()), "File not open");

    put("w.txt", "abc");
    ASSERT_EQ(file.open(path("w.txt").c_str(), File::open_existing | File::no_read), open_success);
    EXPECT_FALSE(file.read(&byte, 1));
    EXPECT_EQ(text_of(file.last_error()), "Read access denied");
}

TEST_F(FileTest, WritesInChunksReplaceAndTruncate) {
    // Over two 1 MiB chunks, with a pattern that shows a chunk written twice or skipped.
    std::string big(2 * 1024 * 1024 + 12345, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 4096);
    File file;
    ASSERT_EQ(file.open(path("big.bin").c_str(), File::create_always), open_success);
    ASSERT_TRUE(file.write(big.data(), static_cast<int32_t>(big.size())));
    EXPECT_FALSE(file.write("x", -1));
    EXPECT_EQ(text_of(file.last_error()), "Illegal block size");
    EXPECT_EQ(file.size(), static_cast<int32_t>(big.size()));
    file.close();
    EXPECT_TRUE(file_equals_memory(big.data(), static_cast<int32_t>(big.size()), path("big.bin").c_str()));
    big[big.size() - 5000] ^= 1;
    EXPECT_FALSE(file_equals_memory(big.data(), static_cast<int32_t>(big.size()), path("big.bin").c_str()));
    EXPECT_FALSE(file_equals_memory(big.data(), 100, path("big.bin").c_str())) << "size differs";
    EXPECT_FALSE(file_equals_memory("", 0, path("missing.bin").c_str()));

    put("text.txt", "a long first version");
    ASSERT_EQ(file.open(path("text.txt").c_str(), File::open_existing), open_success);
    ASSERT_TRUE(file.replace_content(String("short")));
    EXPECT_EQ(file.size(), 5);
    file.close();
    EXPECT_EQ(get("text.txt"), "short");
    EXPECT_TRUE(file_equals_memory("short", 5, path("text.txt").c_str()));

    ASSERT_EQ(file.open(path("text.txt").c_str(), File::open_existing), open_success);
    ASSERT_TRUE(file.seek(2));
    ASSERT_TRUE(file.truncate_here());
    file.close();
    EXPECT_EQ(get("text.txt"), "sh");
}

TEST_F(FileTest, InMemoryModeWritesBackAndTruncatesOnClose) {
    put("memory.txt", "0123456789");
    File file;
    // Others may read, so that the disk can be watched while the File holds it.
    ASSERT_EQ(file.open(path("memory.txt").c_str(),
                        File::open_existing | File::load_to_memory | File::share_read | File::share_write),
              open_success);
    ASSERT_TRUE(file.in_memory());
    EXPECT_FALSE(file.dirty());
    String all;
    ASSERT_TRUE(file.read_all(all));
    EXPECT_EQ(text_of(all), "0123456789");

    ASSERT_TRUE(file.seek(3));
    ASSERT_TRUE(file.write("ab", 2));
    EXPECT_TRUE(file.dirty());
    ASSERT_TRUE(file.truncate_here());
    EXPECT_EQ(file.size(), 5);
    EXPECT_EQ(file.tell(), 5);
    ASSERT_TRUE(file.seek_end(-1));
    char last = 0;
    ASSERT_TRUE(file.read(&last, 1));
    EXPECT_EQ(last, 'b');
    EXPECT_FALSE(file.read(&last, 1));
    EXPECT_EQ(text_of(file.last_error()), "Read past end of file");
    EXPECT_EQ(get("memory.txt"), "0123456789") << "the disk is untouched until close";

    file.close();
    EXPECT_FALSE(file.in_memory());
    EXPECT_EQ(get("memory.txt"), "012ab");

    // Loaded but unchanged: close writes nothing.
    ASSERT_EQ(file.open(path("memory.txt").c_str(),
                        File::open_existing | File::load_to_memory | File::share_read | File::share_write),
              open_success);
    put("memory.txt", "changed meanwhile");
    file.close();
    EXPECT_EQ(get("memory.txt"), "changed meanwhile");
}

TEST_F(FileTest, AppendToFile) {
    EXPECT_FALSE(append_to_file(path("log.txt").c_str(), "x", append_existing_only));
    EXPECT_FALSE(exists(path("log.txt")));
    EXPECT_FALSE(append_to_file("", "x"));
    EXPECT_FALSE(append_to_file(nullptr, "x"));

    ASSERT_TRUE(append_to_file(path("log.txt").c_str(), "one"));
    ASSERT_TRUE(append_to_file(path("log.txt").c_str(), "two", append_line_end_first));
    ASSERT_TRUE(
        append_to_file(path("log.txt").c_str(), "three\r\n", append_line_end_first | append_existing_only));
    ASSERT_TRUE(append_to_file(path("log.txt").c_str(), "four", append_line_end_first));
    EXPECT_EQ(get("log.txt"), "one\r\ntwo\r\nthree\r\nfour");

    ASSERT_TRUE(append_to_file(path("empty.txt").c_str(), nullptr, append_line_end_first));
    EXPECT_EQ(get("empty.txt"), "") << "created, and an empty file needs no line end";
}

TEST_F(FileTest, FileTimesSetAndReadBackAsTimeStamps) {
    put("dated.txt", "12345");
    TimeStamp summer{2001, 7, 15, 13, 45, 30};
    File file;
    ASSERT_EQ(file.open(path("dated.txt").c_str(), File::open_existing | File::at_end), open_success);
    EXPECT_EQ(file.tell(), 5);
    // A write just before must not stamp the file again after the time was set.
    ASSERT_TRUE(file.write("6", 1));
    ASSERT_TRUE(file.set_modified_time(summer));
    file.close();
    EXPECT_FALSE(file.set_modified_time(summer)) << "closed";

    FileFinder finder;
    FileInfo info;
    ASSERT_TRUE(finder.find_first(path("dated.txt").c_str(), info));
    EXPECT_EQ(compare_time_stamps(info.last_write_time, summer), 0)
        << info.last_write_time.year << "-" << info.last_write_time.month << "-" << info.last_write_time.day
        << " " << info.last_write_time.hour << ":" << info.last_write_time.minute << ":"
        << info.last_write_time.second;
    EXPECT_EQ(text_of(info.name), "dated.txt");
    EXPECT_EQ(info.size, 6);
    EXPECT_EQ(info.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(finder.find_next(info));

    // The FILETIME form: a local 1999-12-31 23:59:58.
    SYSTEMTIME local = {};
    local.wYear = 1999;
    local.wMonth = 12;
    local.wDay = 31;
    local.wHour = 23;
    local.wMinute = 59;
    local.wSecond = 58;
    FILETIME local_time;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &local_time));
    ASSERT_EQ(file.open(path("dated.txt").c_str(), File::open_existing), open_success);
    ASSERT_TRUE(file.set_modified_time((static_cast<uint64_t>(local_time.dwHighDateTime) << 32) |
                                       local_time.dwLowDateTime));
    file.close();
    ASSERT_TRUE(finder.find_first(path("dated.txt").c_str(), info));
    TimeStamp eve{1999, 12, 31, 23, 59, 58};
    EXPECT_EQ(compare_time_stamps(info.last_write_time, eve), 0);
}

TEST_F(FileTest, FinderListsAFolder) {
    put("a.txt", "a");
    put("b.txt", "bb");
    ASSERT_TRUE(CreateDirectoryA(path("sub").c_str(), nullptr));
    FileFinder finder;
    FileInfo info;
    std::string seen;
    for (bool more = finder.find_first(path("*").c_str(), info); more; more = finder.find_next(info))
        seen += text_of(info.name) + ((info.attributes & FILE_ATTRIBUTE_DIRECTORY) ? "/ " : " ");
    EXPECT_NE(seen.find("a.txt "), std::string::npos) << seen;
    EXPECT_NE(seen.find("b.txt "), std::string::npos) << seen;
    EXPECT_NE(seen.find("sub/ "), std::string::npos) << seen;
    EXPECT_FALSE(finder.find_next(info)) << "the scan is over and closed";
    EXPECT_FALSE(finder.find_first(path("*.none").c_str(), info));
}

TEST_F(FileTest, ReadOnlyDestinationCannotBeWrittenButCanBeRead) {
    put("locked.txt", "keep me");
    ASSERT_TRUE(SetFileAttributesA(path("locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    FileFinder finder;
    FileInfo info;
    ASSERT_TRUE(finder.find_first(path("locked.txt").c_str(), info));
    EXPECT_NE(info.attributes & FILE_ATTRIBUTE_READONLY, 0u);
    File file;
    ASSERT_EQ(file.open(path("locked.txt").c_str(), File::open_for_reading), open_success);
    String content;
    ASSERT_TRUE(file.read_all(content));
    EXPECT_EQ(text_of(content), "keep me");
    file.close();

    // Wine keeps the attribute in the Unix mode bits, which do not hold back root.
    HANDLE probe = CreateFileA(path("locked.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        if (wine_runs_as_root())
            GTEST_SKIP() << "Wine runs as root, who writes read-only files: run this as an ordinary user";
        FAIL() << "an ordinary user could open a read-only file for writing";
    }
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    for (uint32_t flags : {File::create_always, File::open_existing, File::open_for_appending}) {
        EXPECT_EQ(file.open_required(path("locked.txt").c_str(), flags), open_failed) << flags;
        EXPECT_EQ(text_of(file.last_error()), "An unknown error occurred.");
        EXPECT_FALSE(file.is_open());
    }
    EXPECT_FALSE(append_to_file(path("locked.txt").c_str(), "more"));
    EXPECT_EQ(get("locked.txt"), "keep me");
}

TEST_F(FileTest, FolderWhereAFileIsExpected) {
    ASSERT_TRUE(CreateDirectoryA(path("dir").c_str(), nullptr));
    File file;
    for (uint32_t flags : {File::open_for_reading, File::create_always, File::open_or_create}) {
        // Access denied: not one of the named causes.
        EXPECT_EQ(file.open(path("dir").c_str(), flags), open_failed) << flags;
        EXPECT_FALSE(file.is_open());
    }
    EXPECT_FALSE(append_to_file(path("dir").c_str(), "x"));
    EXPECT_FALSE(file_equals_memory("", 0, path("dir").c_str()));
    EXPECT_TRUE(GetFileAttributesA(path("dir").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileTest, PathsLongerThanMaxPathFailCleanly) {
    // Every piece is a legal name, only the whole is too long.
    std::string sub = path(std::string(120, 'd'));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    std::string name = sub + "\\" + std::string(200, 'f') + ".txt";
    ASSERT_GT(name.size(), 260u);
    File file;
    int32_t result = file.open_required(name.c_str(), File::create_always);
    EXPECT_NE(result, open_success);
    RecordProperty("result", result);
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(file.last_error().is_empty());
    EXPECT_FALSE(append_to_file(name.c_str(), "x"));
    FileFinder finder;
    FileInfo info;
    EXPECT_FALSE(finder.find_first((sub + "\\*.txt").c_str(), info)) << "nothing was created";
}

TEST_F(FileTest, PathKindsAndCloseAtOnce) {
    File file;
    ASSERT_EQ(file.open(folder_.c_str(), File::path_temp_in_folder | File::open_existing), open_success);
    std::string in_folder = text_of(file.name());
    EXPECT_EQ(in_folder.rfind(folder_ + "\\", 0), 0u) << in_folder;
    ASSERT_TRUE(file.write("t", 1));
    file.close();
    EXPECT_EQ(get(in_folder.substr(folder_.size() + 1)), "t");

    ASSERT_EQ(file.open(path("anything.txt").c_str(), File::path_temp_beside), open_success);
    std::string beside = text_of(file.name());
    EXPECT_EQ(beside.rfind(folder_ + "\\", 0), 0u) << beside;
    EXPECT_NE(beside, in_folder);
    file.close();

    ASSERT_EQ(file.open("", File::path_temp_file | File::close_at_once), open_success);
    std::string in_temp = text_of(file.name());
    EXPECT_FALSE(file.is_open());
    EXPECT_EQ(in_temp.rfind(temp_path() + "\\", 0), 0u) << in_temp;
    EXPECT_TRUE(exists(in_temp));
    DeleteFileA(in_temp.c_str());

    std::string relative =
        "vnk_file_" + std::to_string(GetCurrentProcessId()) + "_PathKindsAndCloseAtOnce\\rel.txt";
    ASSERT_EQ(file.open(relative.c_str(), File::path_in_temp_folder | File::create_new | File::close_at_once),
              open_success);
    EXPECT_EQ(text_of(file.name()), path("rel.txt"));
    EXPECT_FALSE(file.is_open());
    EXPECT_EQ(get("rel.txt"), "");
}

} // namespace
