// The payload reader on its own real image under Wine: the test program is a Windows
// image without a payload section, found and walked as the stub's would be.

#include "installer/own_payload.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/format/memory_payload_files.h"

#include "installer/failure.h"
#include "tests/support/fatal_capture.h"

namespace {

TEST(OpenPayload, OwnImageWithoutPayloadShowsTheNoArchiveMessage) {
    InstallRun run;
    OwnImage image;
    EXPECT_EQ(fatal_text([&] { open_own_payload(run, image); }), no_archive_text);
    // The image was opened and stays open for the rest of the run.
    PayloadFiles* files = run.payload.files;
    ASSERT_NE(files, nullptr);
    EXPECT_GT(files->image_size(), 4096);
    char mz[2] = {};
    ASSERT_TRUE(files->read_image(0, mz, 2));
    EXPECT_EQ(mz[0], 'M');
    EXPECT_EQ(mz[1], 'Z');
    EXPECT_NE(run.image_path.find("installer_win32_tests"), -1) << run.image_path.c_str();
    EXPECT_NE(run.installer_drive, 0);
}

void write_file(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

TEST(OpenPayload, VolumesAreReadFromRealFiles) {
    InstallRun run;
    OwnImage image;
    fatal_text([&] { open_own_payload(run, image); });
    PayloadFiles* files = run.payload.files;
    ASSERT_NE(files, nullptr);

    // An area of 10 bytes, 3 in the section and 7 in two volume files beside it.
    const std::string area = "0123456789";
    std::string section(36, '\0');
    auto put = [&section](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            section[static_cast<size_t>(at + i)] = static_cast<char>(v >> (8 * i));
    };
    put(0, payload_magic);
    put(4, 1000);
    put(8, 1);
    put(20, 36 + 1 + 3);
    put(28, 10);
    put(32, hash(area.data(), 10));
    section += "S" + area.substr(0, 3);
    const std::string base = "payload_win32_test_";
    write_file(base + "2.VNK", std::string("\x09\0\0\0", 4) + "3456");
    write_file(base + "3.VNK", std::string("\x0A\0\0\0", 4) + "789");

    PayloadCursor cursor;
    cursor.view(section.data(), static_cast<std::int32_t>(section.size()));
    PayloadHeader header;
    ASSERT_EQ(check_payload_header(cursor, header), 0);
    RecordedRequests requests;
    VolumeSet volumes{String(), String(base.c_str()), 9};
    EXPECT_EQ(gather_file_data(cursor, header, ProductFlags(), volumes, *files, requests), 0);
    EXPECT_EQ(std::string(cursor.start(), static_cast<size_t>(cursor.size())), area);

    // Without the last volume the reader asks for it.
    std::remove((base + "3.VNK").c_str());
    PayloadCursor again;
    again.view(section.data(), static_cast<std::int32_t>(section.size()));
    ASSERT_EQ(check_payload_header(again, header), 0);
    EXPECT_EQ(gather_file_data(again, header, ProductFlags(), volumes, *files, requests),
              volume_request_refused);
    EXPECT_EQ(requests.asked, (std::vector<std::string>{"3:" + base + "3.VNK:cannot_open"}));
    std::remove((base + "2.VNK").c_str());
}

} // namespace
