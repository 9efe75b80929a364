// The example product as a user builds it: the Windows builder run on the product
// file, the installer checked by `inspect`, accepted by the real stub, and built
// again to the same bytes.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "tests/e2e/installer_fixture.h"
#include "tests/support/timeouts.h"

namespace {

std::string example_product() {
    std::string path = std::string(VARNOOK_SOURCE_DIR) + "\\examples\\demo-tool\\product.toml";
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

RunResult builder(const std::vector<std::string>& arguments) {
    std::vector<std::string> all = {program("varnook-build.exe")};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return run_process(command_line(all), timeouts::builder_ms);
}

TEST(ExampleProduct, BuildsInspectsRunsAndBuildsAgainTheSame) {
    TempFolder folder("varnook-example");
    // Reproducible builds need a fixed date; the example's files keep theirs.
    SetEnvironmentVariableA("SOURCE_DATE_EPOCH", "1700000000");
    const std::string installer = folder.file("DemoToolSetup.exe");
    std::vector<std::string> build = {"build",   example_product(), "-o",
                                      installer, "--stub",          stub_under_test().path()};

    RunResult first = builder(build);
    ASSERT_TRUE(first.started);
    ASSERT_EQ(first.exit_code, 0u) << first.output;
    EXPECT_NE(first.output.find("3 files"), std::string::npos) << first.output;
    String first_bytes = read_file(installer);

    RunResult inspect = builder({"inspect", installer});
    EXPECT_EQ(inspect.exit_code, 0u) << inspect.output;
    EXPECT_NE(inspect.output.find("product               \"Demo Tool\""), std::string::npos)
        << inspect.output;
    EXPECT_NE(inspect.output.find("\"docs\\\\guide.txt\"  program"), std::string::npos) << inspect.output;
    EXPECT_NE(inspect.output.find("\"Deutsch\", title \"<product> einrichten\""), std::string::npos)
        << inspect.output;
    EXPECT_NE(inspect.output.find("\nvalid"), std::string::npos) << inspect.output;

    // The product has two languages: the stub asks for one first, in the language
    // dialog, then welcomes the user; No to the welcome ends it with exit code 1.
    RunningInstaller run(installer);
    ASSERT_TRUE(run.started());
    std::string dialog = run.drive({"show"});
    EXPECT_EQ(dialog.rfind("dialog caption=\"Choose Your Language\"", 0), 0u) << dialog;
    EXPECT_NE(dialog.find("item 0 \"English\" selected"), std::string::npos) << dialog;
    EXPECT_NE(dialog.find("item 1 \"Deutsch\""), std::string::npos) << dialog;
    EXPECT_NE(dialog.find("control id=1001 class=Button text=\"Continue\""), std::string::npos) << dialog;
    run.drive({"press", "1001", "wait-gone"});
    std::string welcome = run.drive({"show", "press", "No"});
    EXPECT_EQ(welcome.rfind(box_caption_prefix("Welcome"), 0), 0u) << welcome;
    EXPECT_NE(welcome.find("control id=7 class=Button text=\"&No\""), std::string::npos) << welcome;
    std::string box;
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms, &box), 1) << box;

    RunResult second = builder(build);
    ASSERT_EQ(second.exit_code, 0u) << second.output;
    String second_bytes = read_file(installer);
    EXPECT_TRUE(first_bytes.length() > 0 && first_bytes.length() == second_bytes.length() &&
                std::memcmp(first_bytes.c_str(), second_bytes.c_str(), first_bytes.length()) == 0)
        << "the two builds differ";

    // A mistake in the product file names its place; nothing is written.
    const std::string broken = folder.file("broken.toml");
    ASSERT_TRUE(write_file(broken, String("[product]\nname = \"X\"\n[[files]]\nsource = \"nowhere.bin\"\n")));
    RunResult refused =
        builder({"build", broken, "-o", folder.file("broken.exe"), "--stub", stub_under_test().path()});
    EXPECT_EQ(refused.exit_code, 1u);
    EXPECT_NE(refused.output.find("broken.toml:4:"), std::string::npos) << refused.output;
    EXPECT_NE(refused.output.find("does not exist"), std::string::npos) << refused.output;
    EXPECT_EQ(GetFileAttributesA(folder.file("broken.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(broken.c_str());
}

} // namespace
