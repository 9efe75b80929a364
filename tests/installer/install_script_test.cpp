#include "installer/install_script.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/format/script_bytes.h"
#include "tests/support/fatal_capture.h"
#include "tests/support/test_machine.h"

namespace {

using namespace script_bytes;

const TestFolders plain_machine;

// The script's bytes with the script key that matches them, on the test's machine
// unless the test gives one.
void read(InstallRun& run, const String& bytes, ShowBackground show_background = nullptr) {
    run.payload.header.script_key = bytes.hash();
    if (run.folders == nullptr)
        run.folders = &plain_machine;
    run.system = &test_system_calls();
    read_install_script(run, bytes, show_background);
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
    EXPECT_STREQ(run.script.default_directory.c_str(), "c:\\Program Files\\Demo Tool");
    EXPECT_STREQ(language_string(run, 0).c_str(), "Demo Tool Setup");

    InstallRun named;
    named.product_name = "Given Name"; // /n:
    read(named, bytes.build());
    EXPECT_STREQ(named.product_name.c_str(), "Given Name");
    EXPECT_STREQ(language_string(named, 0).c_str(), "Given Name Setup");
}

TEST(InstallScript, TheSharedFolderLiesUnderCommonFilesAndIsMadeAtOnce) {
    TestFolders machine;
    machine.setup_values = {{"CommonFilesDir", "E:\\Common\\"}};
    struct {
        const char* shared;
        const char* publisher;
        std::uint64_t flags;
        const char* folder; // empty: none, and nothing made
    } cases[] = {
        {"", "Acme", flag_mask(flag_uninstall_support), "E:\\Common\\Acme"},
        {"", " ", flag_mask(flag_uninstall_support), "E:\\Common\\Tool"},
        {"Acme\\Shared", "", flag_mask(flag_uninstall_support), "E:\\Common\\Acme\\Shared"},
        {"F:\\Elsewhere", "", flag_mask(flag_uninstall_support), "F:\\Elsewhere"},
        {"Acme", "Acme", 0, ""},
    };
    for (const auto& c : cases) {
        ScriptBytes bytes;
        bytes.set("flags", i64(c.flags));
        bytes.set("shared path", txt(c.shared));
        bytes.set("publisher", txt(c.publisher));
        InstallRun run;
        run.folders = &machine;
        created_folders().clear();
        read(run, bytes.build());
        EXPECT_STREQ(run.script.shared_path.c_str(), c.folder) << c.shared;
        std::vector<std::string> made;
        if (c.folder[0] != '\0')
            made.push_back(c.folder);
        EXPECT_EQ(created_folders(), made) << c.shared;
    }
}

TEST(InstallScript, TheDefaultDirectoryLiesUnderProgramFiles) {
    TestFolders machine;
    machine.setup_values = {{"ProgramFilesDir", "E:\\Apps"}};
    machine.windows = "C:\\WIN";
    struct {
        const char* directory;
        const char* result;
    } cases[] = {
        {"", "E:\\Apps\\Tool"},
        {"Tools", "E:\\Apps\\Tools"},
        {"<os>\\Tool", "C:\\WIN\\Tool"},
        {"<OS>\\Tool", "C:\\WIN\\Tool"},
        {"%WinDir%\\Tool", "C:\\WIN\\Tool"},
        {"%programsdir%\\Acme", "E:\\Apps\\Acme"},
        {"%SharedDir%", "E:\\Apps\\Common Files\\Acme"},
        {"\\Tool", "E:\\Tool"},
        {"<master>", "<master>"},
        {"<MASTER>", "<MASTER>"},
        {"<master>\\Sub", "E:\\Apps\\<master>\\Sub"},
    };
    for (const auto& c : cases) {
        ScriptBytes bytes;
        bytes.set("flags", i64(flag_mask(flag_uninstall_support)));
        bytes.set("directory", txt(c.directory));
        InstallRun run;
        run.folders = &machine;
        read(run, bytes.build());
        EXPECT_STREQ(run.script.default_directory.c_str(), c.result) << c.directory;
    }
}

TEST(InstallScript, ADamagedScriptMakesNoFolder) {
    ScriptBytes bytes;
    bytes.set("flags", i64(flag_mask(flag_uninstall_support)));
    bytes.set("end", i32(0));
    InstallRun run;
    created_folders().clear();
    EXPECT_NE(fatal_text([&] { read(run, bytes.build()); }), "");
    EXPECT_TRUE(created_folders().empty());
}

// The start-up defaults the script may override, set apart from every script colour.
void set_defaults(InstallRun& run) {
    run.background.title_colour = 0xAAAAAA;
    run.background.top_colour = 0xBBBBBB;
    run.background.bottom_colour = 0;
    run.background.single_colour = true;
}

std::string colours(std::uint32_t title, std::uint32_t top, std::uint32_t bottom) {
    return i32(title) + i32(top) + i32(bottom);
}

// A 2 x 1 24-bit picture as the script carries it: the packed DIB.
std::string picture_dib() {
    std::string dib = i32(40) + i32(2) + i32(1) + u16(1) + u16(24) + std::string(24, '\0');
    return dib + std::string(8, '\x7F');
}

TEST(InstallScript, TheProductsColoursAndPictureReplaceTheDefaults) {
    struct Case {
        const char* name;
        std::uint64_t flags;
        std::string colours, picture;
        std::uint32_t title, top, bottom;
        bool single, picture_loaded;
    } cases[] = {
        {"gradient", flag_mask(flag_gradient_colours), colours(0x111111, 0x222222, 0x333333), i32(0),
         0x111111, 0x222222, 0x333333, false, false},
        {"one colour", flag_mask(flag_gradient_colours), colours(0x111111, 0x222222, 0x222222), i32(0),
         0x111111, 0x222222, 0x222222, true, false},
        {"no colours of its own", 0, colours(0x111111, 0x222222, 0x333333), i32(0), 0xAAAAAA, 0xBBBBBB, 0,
         true, false},
        {"a picture brings its title colour", 0, colours(0x111111, 0x222222, 0x333333),
         i32(static_cast<std::int64_t>(picture_dib().size())) + picture_dib(), 0x111111, 0xBBBBBB, 0, true,
         true},
        {"a picture that does not load", flag_mask(flag_gradient_colours),
         colours(0x111111, 0x222222, 0x333333), i32(3) + "BMP", 0x111111, 0x222222, 0x333333, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptBytes bytes;
        bytes.set("flags", i64(c.flags));
        bytes.set("colours", c.colours);
        bytes.set("picture", c.picture);
        InstallRun run;
        set_defaults(run);
        read(run, bytes.build());
        EXPECT_EQ(run.background.title_colour, c.title);
        EXPECT_EQ(run.background.top_colour, c.top);
        EXPECT_EQ(run.background.bottom_colour, c.bottom);
        EXPECT_EQ(run.background.single_colour, c.single);
        EXPECT_EQ(!run.background.picture.is_empty(), c.picture_loaded);
        if (c.picture_loaded) {
            EXPECT_EQ(run.background.picture.width(), 2);
        }
        EXPECT_STREQ(run.background.display_title.c_str(), "Tool Setup") << "the first language's title";
    }
}

// What the run held when the background was shown.
struct ShownBackground {
    int calls = 0;
    std::uint32_t top_colour = 0;
    std::string title;
};
ShownBackground shown;

void record_background(InstallRun& run) {
    ++shown.calls;
    shown.top_colour = run.background.top_colour;
    shown.title = run.background.display_title.c_str();
}

TEST(InstallScript, TheBackgroundIsShownUnlessSwitchedOffAlsoBeforeACorruptBox) {
    ScriptBytes bytes;
    bytes.set("flags", i64(flag_mask(flag_gradient_colours)));
    shown = ShownBackground();
    InstallRun run;
    read(run, bytes.build(), record_background);
    EXPECT_EQ(shown.calls, 1);
    EXPECT_EQ(shown.top_colour, 0x222222u) << "shown with the product's colours";
    EXPECT_EQ(shown.title, "Tool Setup");

    ScriptBytes switched_off;
    switched_off.set("flags", i64(flag_mask(flag_no_background_window)));
    shown = ShownBackground();
    InstallRun plain;
    read(plain, switched_off.build(), record_background);
    EXPECT_EQ(shown.calls, 0);

    ScriptBytes bad_end;
    bad_end.set("end", i32(0));
    shown = ShownBackground();
    InstallRun broken;
    EXPECT_NE(fatal_text([&] { read(broken, bad_end.build(), record_background); }).find("32"),
              std::string::npos);
    EXPECT_EQ(shown.calls, 1) << "the box of a bad field shows over the background";

    // A script bad before its colours shows the start-up defaults.
    ScriptBytes early;
    early.set("flags", i64(flag_mask(flag_gradient_colours)));
    early.set("volume base", txt(" "));
    shown = ShownBackground();
    InstallRun defaults;
    set_defaults(defaults);
    fatal_text([&] { read(defaults, early.build(), record_background); });
    EXPECT_EQ(shown.calls, 1);
    EXPECT_EQ(shown.top_colour, 0xBBBBBBu);
}

} // namespace
