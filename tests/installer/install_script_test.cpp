#include "installer/install_script.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/format/script_bytes.h"
#include "tests/support/fatal_capture.h"

namespace {

using namespace script_bytes;

// The script's bytes with the script key that matches them.
void read(InstallRun& run, const String& bytes) {
    run.payload.header.script_key = bytes.hash();
    read_install_script(run, bytes);
}

TEST(InstallScript, TheRunTakesTheFlagsAndLanguages) {
    InstallRun run;
    run.product_name = "Tool";
    read(run, ScriptBytes().build());
    EXPECT_EQ(run.flags.bits, run.script.flags.bits);
    EXPECT_FALSE(run.automatic);
    EXPECT_EQ(run.languages.names.count(), 2);
    EXPECT_EQ(run.script.language_strings.count(), 0) << "moved, not copied";
    run.languages.windows_folder = "C:\\WINDOWS";
    EXPECT_STREQ(language_string(run, 0).c_str(), "Tool Setup");
    EXPECT_STREQ(language_string(run, 2).c_str(), "in C:\\WINDOWS");
    EXPECT_STREQ(language_string(run, 3).c_str(), "");
    run.languages.current = 1;
    EXPECT_STREQ(language_string(run, 0).c_str(), "Tool Installation");
    EXPECT_STREQ(language_string(run, 2).c_str(), "");

    ScriptBytes automatic;
    automatic.set("flags", i64(flag_mask(flag_automatic)));
    InstallRun quiet;
    read(quiet, automatic.build());
    EXPECT_TRUE(quiet.automatic);
}

TEST(InstallScript, ABadEndMarkerShowsTheProductsOwnText) {
    ScriptBytes bad_end;
    std::string strings;
    for (int i = 0; i < 14; ++i)
        strings += txt(i == 13 ? "<product> is broken (%d)" : "") + txt("");
    bad_end.set("string count", i32(14));
    bad_end.set("strings", strings);
    bad_end.set("end", i32(0));
    InstallRun run;
    EXPECT_EQ(fatal_text([&] { read(run, bad_end.build()); }), "Tool is broken (32)")
        << "the product's name is known before the text is shown";
}

TEST(InstallScript, TheProductsNameReachesEveryText) {
    // Texts are filled in where they are stored: a name that arrived after the
    // first look would be lost for good.
    ScriptBytes bytes;
    bytes.set("product", txt("Demo Tool"));
    bytes.set("uninstall key", txt(" "));
    bytes.set("directory", txt(""));
    InstallRun run;
    read(run, bytes.build());
    EXPECT_STREQ(run.product_name.c_str(), "Demo Tool");
    EXPECT_STREQ(run.script.uninstall_key_name.c_str(), "Demo Tool");
    EXPECT_STREQ(run.script.default_directory.c_str(), "Demo Tool");
    EXPECT_STREQ(language_string(run, 0).c_str(), "Demo Tool Setup");

    InstallRun named;
    named.product_name = "Given Name"; // /n:
    read(named, bytes.build());
    EXPECT_STREQ(named.product_name.c_str(), "Given Name");
    EXPECT_STREQ(language_string(named, 0).c_str(), "Given Name Setup");
}

} // namespace
