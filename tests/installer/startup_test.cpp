#include "installer/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "installer/language.h"
#include "installer/product_flags.h"
#include "tests/support/fatal_capture.h"

namespace {

// Installs one language with `texts` as its strings, numbered from 0.
void set_single_language(std::initializer_list<const char*> texts) {
    LanguageTables& tables = language_tables();
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

class Startup : public testing::Test {
  protected:
    void TearDown() override {
        set_single_language({});
        language_tables().names.clear();
        startup_state().automatic = false;
        product_flags().bits = 0;
    }
};

TEST_F(Startup, CorruptInstallerShowsTheBuiltInTextBeforeTheScriptIsRead) {
    std::string expected =
        "This installation program is corrupt.  This is usually caused by a faulty download, but it can also "
        "be "
        "caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
        "Delete the corrupted installer (to prevent caching), then re-download it.  If the problem persists, "
        "check your system for viruses.\r\n\r\nError code: 44";
    EXPECT_EQ(fatal_text([] { corrupt_installer(44); }), expected);
}

TEST_F(Startup, CorruptInstallerUsesTheScriptsTextOnceThereIsOne) {
    std::initializer_list<const char*> texts = {"", "", "", "", "", "", "",
                                                "", "", "", "", "", "", "<product> is damaged (%d)."};
    set_single_language(texts);
    startup_state().product_name = "Demo Suite";
    EXPECT_EQ(fatal_text([] { corrupt_installer(47); }), "Demo Suite is damaged (47).");
    startup_state().product_name = String();
}

TEST_F(Startup, ErrorCodeIsInsertedWithoutTrustingTheText) {
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

TEST_F(Startup, ErrorBoxIsSilentInAutomaticModeUnlessTheScriptAsks) {
    EXPECT_TRUE(error_box_shows(String("Could not copy a file")));
    EXPECT_FALSE(error_box_shows(String(" \r\n\t"))) << "blank texts are not shown";
    EXPECT_FALSE(error_box_shows(String()));

    startup_state().automatic = true;
    EXPECT_FALSE(error_box_shows(String("Could not copy a file")));
    product_flags().bits = 0x800000000ull;
    EXPECT_TRUE(error_box_shows(String("Could not copy a file")));
    EXPECT_FALSE(error_box_shows(String("   ")));
}

TEST_F(Startup, LanguageStringsFillInProductAndWindowsFolder) {
    set_single_language({"Setup for <PRODUCT> on <os>: <product>"});
    startup_state().product_name = "Demo Suite";
    language_tables().windows_folder = "C:\\windows";
    EXPECT_STREQ(language_string(0).c_str(), "Setup for Demo Suite on C:\\windows: Demo Suite");
    EXPECT_TRUE(language_string(1).is_empty()) << "beyond the table";
    EXPECT_TRUE(language_string(-1).is_empty());
    language_tables().current = 3;
    EXPECT_TRUE(language_string(0).is_empty()) << "language index beyond the table";
    startup_state().product_name = String();
    language_tables().windows_folder = String();
}

} // namespace
