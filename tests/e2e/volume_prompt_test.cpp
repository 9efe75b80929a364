// A spanned installer: the file data continues in "BASE2.VNK" and "BASE3.VNK" beside
// it. A volume that is missing or wrong is asked for with the product's texts, also
// in automatic mode; the user supplies it and presses OK, or cancels and answers the
// quit question.

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/installer_fixture.h"
#include "tests/support/timeouts.h"

namespace {

const char request_text[] = "Insert disk %d, then press OK. The disk is read from drive %c:.";
const char request_caption[] = "Demo Tool needs a disk";
const char wrong_disk_text[] = "That was not the right disk.";
const char quit_text[] = "Quit the Demo Tool installation?";
const char quit_caption[] = "Demo Tool Setup";

InstallScript spanned_script(const char* request = request_text) {
    return demo_script({{13, "Demo Tool is damaged, error %d."},
                        {20, quit_caption},
                        {26, request},
                        {27, request_caption},
                        {28, quit_text},
                        {30, wrong_disk_text}});
}

// An installer whose section holds the first 200 bytes of the area and whose
// volumes hold the rest, at most 600 bytes each: BASE2.VNK and BASE3.VNK.
struct SpannedInstaller {
    TempFolder folder{"varnook_spanned"};
    BuiltPayload payload;
    std::string installer;

    explicit SpannedInstaller(const InstallScript& script) {
        PayloadOptions options;
        options.volume_size = 604;
        options.section_data_size = 200;
        String image = build_installer(script, demo_files(), options, &payload);
        EXPECT_FALSE(image.is_empty());
        EXPECT_EQ(payload.volume_names, (std::vector<std::string>{"BASE2.VNK", "BASE3.VNK"}));
        installer = folder.file("setup.exe");
        EXPECT_TRUE(write_file(installer, image));
    }
    // Volume n (2, 3) put beside the installer, or `bytes` under its name.
    void put_volume(int number) { put_volume(number, payload.volumes[number - 2]); }
    void put_volume(int number, const String& bytes) {
        ASSERT_TRUE(write_file(folder.file("BASE" + std::to_string(number) + ".VNK"), bytes));
    }
    // The request for volume n as the box shows it, with the wrong-disk text first.
    std::string request(int number, bool wrong_before) const {
        std::string text = wrong_before ? std::string(wrong_disk_text) + "\r\n\r\n" : "";
        return text + "Insert disk " + std::to_string(number) +
               ", then press OK. The disk is read from drive " + folder.path().substr(0, 1) + ":.";
    }
};

// The boxes are found by their captions: the progress dialog is up behind them.
void expect_box(const std::string& shown, const std::string& caption, const std::string& text) {
    EXPECT_EQ(shown.rfind(box_caption_prefix(caption), 0), 0u) << shown;
    EXPECT_NE(shown.find(box_text_line(text)), std::string::npos) << "expected " << text << " in\n" << shown;
}

TEST(SpannedInstaller, AllVolumesPresentEndsWithoutABox) {
    SpannedInstaller spanned(spanned_script());
    spanned.put_volume(2);
    spanned.put_volume(3);
    RunningInstaller run(spanned.installer, automatic_into(spanned.folder));
    ASSERT_TRUE(run.started());
    std::string box;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms, &box), 1);
    EXPECT_TRUE(box.empty()) << "the installer opened a box:\n" << box;
}

TEST(SpannedInstaller, AMissingVolumeIsAskedForUntilTheRightOneIsThere) {
    SpannedInstaller spanned(spanned_script());
    spanned.put_volume(3);
    RunningInstaller run(spanned.installer, automatic_into(spanned.folder));
    ASSERT_TRUE(run.started());

    expect_box(run.drive({"--caption", request_caption, "show"}), request_caption, spanned.request(2, false));
    // Volume 3 in the place of volume 2: another tag.
    spanned.put_volume(2, spanned.payload.volumes[1]);
    run.drive({"--caption", request_caption, "press", "OK", "wait-gone"});
    expect_box(run.drive({"--caption", request_caption, "show"}), request_caption, spanned.request(2, true));
    spanned.put_volume(2);
    run.drive({"--caption", request_caption, "press", "OK", "wait-gone"});

    std::string box;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms, &box), 1);
    EXPECT_TRUE(box.empty()) << "a further box opened:\n" << box;
}

TEST(SpannedInstaller, CancelAsksWhetherToQuitNoAsksAgainYesEnds) {
    SpannedInstaller spanned(spanned_script());
    spanned.put_volume(3);
    RunningInstaller run(spanned.installer, automatic_into(spanned.folder));
    ASSERT_TRUE(run.started());

    expect_box(run.drive({"--caption", request_caption, "show", "press", "Cancel", "wait-gone"}),
               request_caption, spanned.request(2, false));
    expect_box(run.drive({"--caption", quit_caption, "show", "press", "No", "wait-gone"}), quit_caption,
               quit_text);
    // The volume is tried again and is still missing: the second failed open.
    expect_box(run.drive({"--caption", request_caption, "show", "press", "Cancel", "wait-gone"}),
               request_caption, spanned.request(2, true));
    expect_box(run.drive({"--caption", quit_caption, "show", "press", "Yes"}), quit_caption, quit_text);
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
}

TEST(SpannedInstaller, TheProductsNameFillsTheTextsItShows) {
    // The texts as a product file writes them, with the placeholder; the name comes
    // from the script.
    SpannedInstaller spanned(demo_script({{20, "<product>"},
                                          {26, request_text},
                                          {27, "<Product> needs a disk"},
                                          {28, "Quit the <product> installation?"},
                                          {30, wrong_disk_text}}));
    spanned.put_volume(3);
    RunningInstaller run(spanned.installer, automatic_into(spanned.folder));
    ASSERT_TRUE(run.started());
    expect_box(run.drive({"--caption", request_caption, "show", "press", "Cancel", "wait-gone"}),
               request_caption, spanned.request(2, false));
    expect_box(run.drive({"--caption", "Demo Tool", "show", "press", "Yes"}), "Demo Tool",
               "Quit the Demo Tool installation?");
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
}

TEST(SpannedInstaller, ARequestTextWithOtherConversionsIsShownAsItStands) {
    struct Case {
        const char* request;
        const char* shown; // "{drive}" for the drive letter; null: the request as it stands
    } cases[] = {
        {"Disk %d on %c: 100%% needed.", "Disk 2 on {drive}: 100% needed."},
        {"Disk %s on %n%c.", nullptr},
        {"Drive %c, disk %d.", nullptr},
        {"Disk %d only.", nullptr},
        {"Disk %d on %c: %x.", nullptr},
        {"Disk %d on %c, trailing %", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        SpannedInstaller spanned(spanned_script(c.request));
        std::string shown = c.shown != nullptr ? c.shown : c.request;
        std::string::size_type drive = shown.find("{drive}");
        if (drive != std::string::npos)
            shown.replace(drive, 7, spanned.folder.path().substr(0, 1));
        RunningInstaller run(spanned.installer, automatic_into(spanned.folder));
        ASSERT_TRUE(run.started());
        expect_box(run.drive({"--caption", request_caption, "show", "press", "Cancel", "wait-gone"}),
                   request_caption, shown);
        run.drive({"--caption", quit_caption, "press", "Yes"});
        EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);
    }
}

} // namespace
