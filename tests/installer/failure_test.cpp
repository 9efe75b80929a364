#include "installer/failure.h"

#include <gtest/gtest.h>

#include <string>

#include "format/codes.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/scripted_prompt.h"

namespace {

// Installs one language with `texts` as its strings, numbered from 0.
void set_single_language(RunState& run, std::initializer_list<const char*> texts) {
    LanguageTables& tables = run.languages;
    tables.names.clear();
    tables.strings.clear();
    tables.names.add(String("English"));
    for (const char* text : texts) {
        Vector<String> by_language;
        by_language.add(String(text));
        tables.strings.add(by_language);
    }
    tables.current = 0;
}

class Failure : public testing::Test {
  protected:
    RunState run;
    ScriptedPrompt prompt;
    void SetUp() override { run.prompt = &prompt; }
};

TEST_F(Failure, CorruptInstallerShowsTheBuiltInTextBeforeTheScriptIsRead) {
    std::string expected =
        "This installation program is corrupt.  This is usually caused by a faulty download, but it can also "
        "be "
        "caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
        "Delete the corrupted installer (to prevent caching), then re-download it.  If the problem persists, "
        "check your system for viruses.\r\n\r\nError code: 44";
    EXPECT_EQ(fatal_text([&] { corrupt_installer(run, 44); }), expected);
}

TEST_F(Failure, CorruptInstallerUsesTheScriptsTextOnceThereIsOne) {
    std::initializer_list<const char*> texts = {"", "", "", "", "", "", "",
                                                "", "", "", "", "", "", "<product> is damaged (%d)."};
    set_single_language(run, texts);
    run.product_name = "Demo Suite";
    EXPECT_EQ(fatal_text([&] { corrupt_installer(run, 47); }), "Demo Suite is damaged (47).");
}

TEST_F(Failure, ErrorCodeIsInsertedWithoutTrustingTheText) {
    struct Case {
        const char* format;
        const char* text;
    } cases[] = {
        {"Error code: %d", "Error code: 60"},
        {"100%% sure: %d, not %d", "100% sure: 60, not %d"},
        {"%s%n%x %d", "%s%n%x 60"},
        {"trailing %", "trailing %"},
        {"no code", "no code"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(with_error_code(String(c.format), 60).c_str(), c.text) << c.format;
}

TEST_F(Failure, ErrorBoxIsSilentInAutomaticModeUnlessTheScriptAsks) {
    EXPECT_TRUE(error_box_shows(run, String("Could not copy a file")));
    EXPECT_FALSE(error_box_shows(run, String(" \r\n\t"))) << "blank texts are not shown";
    EXPECT_FALSE(error_box_shows(run, String()));

    run.automatic = true;
    EXPECT_FALSE(error_box_shows(run, String("Could not copy a file")));
    run.flags.bits = flag_mask(flag_errors_in_automatic_mode);
    EXPECT_TRUE(error_box_shows(run, String("Could not copy a file")));
    EXPECT_FALSE(error_box_shows(run, String("   ")));
}

TEST_F(Failure, ErrorBoxShowsTheFormattedTextUnderTheScriptsCaption) {
    error_box(run, "Could not copy %s (%d)", "a.dll", 5);
    set_single_language(run, {"", "", "", "", "", "", "", "", "", "", "",
                              "", "", "", "", "", "", "", "", "", "", "<product> Setup"});
    run.product_name = "Demo";
    error_box(run, "%s", "  ");
    error_box(run, "Disk full");
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].caption, "Error") << "no script text yet";
    EXPECT_EQ(prompt.asked[0].text, "Could not copy a.dll (5)");
    EXPECT_EQ(prompt.asked[1].caption, "Demo Setup");
    EXPECT_EQ(prompt.asked[1].text, "Disk full");
    EXPECT_EQ(prompt.asked[1].buttons, Buttons::ok);
    EXPECT_EQ(prompt.asked[1].icon, Icon::error);
}

TEST_F(Failure, ReaderCodesEndWithTheirOwnMessages) {
    EXPECT_EQ(fatal_text([&] { check_payload_code(run, payload_ok); }), "(no fatal ending)");
    EXPECT_EQ(fatal_text([&] { check_payload_code(run, payload_section_missing); }), no_archive_text);
    EXPECT_EQ(fatal_text([&] { check_payload_code(run, payload_version_mismatch, 1002); }),
              "The installer version (10.0) does not match the version of VRNK (10.0).  "
              "Close all applications and reinstall VRNK.");
    EXPECT_EQ(fatal_text([&] { check_payload_code(run, corrupt_bad_magic); }),
              with_error_code(String(builtin_corrupt_installer_text), 20).c_str());
}

TEST_F(Failure, UsageNamesTheProgram) {
    run.program_file_name = "setup.exe";
    std::string text = fatal_text([&] { usage_error(run, "Product name required"); });
    EXPECT_EQ(text.rfind("Product name required\n\nUsage:\nsetup.exe [/a] [/d:\"dir\"]", 0), 0u) << text;
}

TEST_F(Failure, LanguageStringsFillInProductAndWindowsFolder) {
    set_single_language(run, {"Setup for <PRODUCT> on <os>: <product>"});
    run.product_name = "Demo Suite";
    run.languages.windows_folder = "C:\\windows";
    EXPECT_STREQ(language_string(run, 0).c_str(), "Setup for Demo Suite on C:\\windows: Demo Suite");
    EXPECT_TRUE(language_string(run, 1).is_empty()) << "beyond the table";
    EXPECT_TRUE(language_string(run, -1).is_empty());
    run.languages.current = 3;
    EXPECT_TRUE(language_string(run, 0).is_empty()) << "language index beyond the table";
}

} // namespace
