#include "installer/volume_prompt.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_prompt.h"

namespace {

// One language whose strings 0 to 30 are "Text n", with the volume request, its
// caption, the wrong-volume prefix and the quit question of a real product.
void set_texts(RunState& run) {
    run.languages.names.add(String("English"));
    for (int i = 0; i <= string_volume_wrong; ++i) {
        Vector<String> texts;
        String text;
        text.append_format("Text %d", i);
        if (i == string_volume_request)
            text = "Insert disk %d into drive %c:";
        if (i == string_volume_caption)
            text = "<product> needs a disk";
        if (i == string_volume_wrong)
            text = "That was not the right disk.";
        if (i == string_cancel_question)
            text = "Stop installing <product>?";
        if (i == string_question_caption)
            text = "<product>";
        texts.add(text);
        run.languages.strings.add(texts);
    }
    run.product_name = "Demo Tool";
}

class VolumeRequest : public testing::Test {
  protected:
    RunState run;
    ScriptedPrompt prompt;
    void SetUp() override {
        run.prompt = &prompt;
        set_texts(run);
    }
};

TEST_F(VolumeRequest, AsksForTheDiskAndTellsAWrongOne) {
    VolumePrompt volumes(run, 1000, 'E');
    volumes.before_volume(2, 600);
    prompt.answers = {Answer::ok, Answer::ok, Answer::ok};
    EXPECT_TRUE(volumes.retry_volume(2, String("E:\\D2.VNK"), VolumeProblem::cannot_open));
    EXPECT_TRUE(volumes.retry_volume(2, String("E:\\D2.VNK"), VolumeProblem::cannot_open));
    volumes.before_volume(3, 100);
    EXPECT_TRUE(volumes.retry_volume(3, String("E:\\D3.VNK"), VolumeProblem::wrong_volume));
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[0].text, "Insert disk 2 into drive E:");
    EXPECT_EQ(prompt.asked[0].caption, "Demo Tool needs a disk");
    EXPECT_EQ(prompt.asked[0].buttons, Buttons::ok_cancel);
    EXPECT_EQ(prompt.asked[1].text, "That was not the right disk.\r\n\r\nInsert disk 2 into drive E:")
        << "two failed opens";
    EXPECT_EQ(prompt.asked[2].text, "That was not the right disk.\r\n\r\nInsert disk 3 into drive E:")
        << "one wrong volume";
    EXPECT_EQ(prompt.progress, (std::vector<int>{17, 32}));
}

TEST_F(VolumeRequest, CancelAsksWhetherToQuit) {
    VolumePrompt volumes(run, 1000, 'E');
    volumes.before_volume(2, 600);
    prompt.answers = {Answer::cancel, Answer::no, Answer::cancel, Answer::yes};
    EXPECT_TRUE(volumes.retry_volume(2, String("E:\\D2.VNK"), VolumeProblem::cannot_open))
        << "No to the quit question tries again";
    EXPECT_FALSE(volumes.retry_volume(2, String("E:\\D2.VNK"), VolumeProblem::cannot_open)) << "Yes gives up";
    ASSERT_EQ(prompt.asked.size(), 4u);
    EXPECT_EQ(prompt.asked[1].caption, "Demo Tool");
    EXPECT_EQ(prompt.asked[1].text, "Stop installing Demo Tool?");
    EXPECT_EQ(prompt.asked[1].buttons, Buttons::yes_no);
}

} // namespace
