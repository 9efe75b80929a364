#include "builder/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builder/packer.h"

namespace {

std::string joined(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& a : arguments)
        text += (text.empty() ? "" : " ") + a;
    return text;
}

TEST(BuilderCommandLine, ReadsEveryCommandWithItsOptionsInAnyOrder) {
    struct Case {
        std::vector<std::string> arguments;
        BuilderRequest expected;
    };
    auto request = [](BuilderCommand command, std::string input, std::string output, std::string folder,
                      std::string stub, int level, std::int64_t volume_size) {
        BuilderRequest r;
        r.command = command;
        r.input = input;
        r.output = output;
        r.folder = folder;
        r.stub = stub;
        r.level = level;
        r.volume_size = volume_size;
        return r;
    };
    const Case cases[] = {
        {{"build", "p.toml"}, request(BuilderCommand::build, "p.toml", "", "", "", 0, -1)},
        {{"build", "-o", "s.exe", "--stub", "v.exe", "--level", "9", "--volume-size", "1.44M", "p.toml"},
         request(BuilderCommand::build, "p.toml", "s.exe", "", "v.exe", 9, 1440000)},
        {{"build", "p.toml", "--output=s.exe", "--level=1", "--volume-size", "0"},
         request(BuilderCommand::build, "p.toml", "s.exe", "", "", 1, 0)},
        // The last of a repeated option counts.
        {{"build", "p.toml", "-o", "a.exe", "-o", "b.exe"},
         request(BuilderCommand::build, "p.toml", "b.exe", "", "", 0, -1)},
        {{"inspect", "setup.exe"}, request(BuilderCommand::inspect, "setup.exe", "", "", "", 0, -1)},
        {{"extract", "setup.exe", "-d", "out"},
         request(BuilderCommand::extract, "setup.exe", "", "out", "", 0, -1)},
        {{"extract", "-d", "out", "setup.exe"},
         request(BuilderCommand::extract, "setup.exe", "", "out", "", 0, -1)},
        {{"strip", "-o", "bare.exe", "setup.exe"},
         request(BuilderCommand::strip, "setup.exe", "bare.exe", "", "", 0, -1)},
        {{"pack", "in", "out"}, request(BuilderCommand::pack, "in", "out", "", "", 0, -1)},
        {{"pack", "--level", "3", "in", "out"}, request(BuilderCommand::pack, "in", "out", "", "", 3, -1)},
        {{"unpack", "in", "out"}, request(BuilderCommand::unpack, "in", "out", "", "", 0, -1)},
        // Names that look like commands or numbers are files where a file is due.
        {{"pack", "build", "-5"}, request(BuilderCommand::pack, "build", "-5", "", "", 0, -1)},
        {{"help"}, BuilderRequest()},
        {{"help", "build"}, BuilderRequest()},
        {{"--help"}, BuilderRequest()},
        {{"-h"}, BuilderRequest()},
        {{"build", "--help"}, BuilderRequest()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        BuilderRequest got;
        got.level = 7; // whatever was there before is replaced
        std::string error = "stale";
        ASSERT_TRUE(parse_command_line(c.arguments, got, error)) << error;
        EXPECT_EQ(error, "");
        EXPECT_EQ(got.command, c.expected.command);
        EXPECT_EQ(got.input, c.expected.input);
        EXPECT_EQ(got.output, c.expected.output);
        EXPECT_EQ(got.folder, c.expected.folder);
        EXPECT_EQ(got.stub, c.expected.stub);
        EXPECT_EQ(got.level, c.expected.level);
        EXPECT_EQ(got.volume_size, c.expected.volume_size);
    }
}

TEST(BuilderCommandLine, EveryMistakeSaysWhatIsWrongAndHowToWriteIt) {
    const std::string build_usage = "usage: varnook-build build PRODUCT.toml [-o setup.exe] [--volume-size "
                                    "SIZE] [--level N] [--stub FILE]\n";
    const std::string all = "\n" + usage_text();
    struct Case {
        std::vector<std::string> arguments;
        std::string problem;
        std::string usage;
    };
    const Case cases[] = {
        {{}, "give a command\n", all},
        {{"biuld", "p.toml"}, "unknown command 'biuld'\n", all},
        {{"--level", "3", "build", "p.toml"}, "put the command before --level\n", build_usage},
        {{"--level", "3"}, "put the command before --level\n", all},
        {{"build"}, "build needs the product file\n", build_usage},
        {{"build", "a.toml", "b.toml"}, "\"b.toml\" is one argument too many for build\n", build_usage},
        {{"build", "p.toml", "--levle", "3"}, "build does not know --levle\n", build_usage},
        {{"build", "p.toml", "-o"}, "-o needs a value\n", build_usage},
        {{"build", "p.toml", "--output"}, "--output needs a value\n", build_usage},
        // An option where the value is due is not taken for the value.
        {{"build", "p.toml", "--stub", "--level", "3"}, "--stub needs a value\n", build_usage},
        {{"build", "p.toml", "-o", "--stub=v.exe"}, "-o needs a value\n", build_usage},
        {{"extract", "setup.exe", "-d", "--help"},
         "-d needs a value\n",
         "usage: varnook-build extract setup.exe -d DIR\n"},
        {{"build", "p.toml", "--level", "0"},
         "--level takes 1 (fastest) to 9 (smallest), not \"0\"\n",
         build_usage},
        {{"build", "p.toml", "--level", "10"},
         "--level takes 1 (fastest) to 9 (smallest), not \"10\"\n",
         build_usage},
        {{"build", "p.toml", "--level", "5x"},
         "--level takes 1 (fastest) to 9 (smallest), not \"5x\"\n",
         build_usage},
        {{"build", "p.toml", "--level", ""},
         "--level takes 1 (fastest) to 9 (smallest), not \"\"\n",
         build_usage},
        {{"build", "p.toml", "--volume-size", "4095"},
         "--volume-size takes 0 (no volumes) or a size of at least 4096 bytes, such as 1440000, 700K or "
         "1.44M, "
         "not \"4095\"\n",
         build_usage},
        {{"build", "p.toml", "--volume-size", "1.44Q"},
         "--volume-size takes 0 (no volumes) or a size of at least 4096 bytes, such as 1440000, 700K or "
         "1.44M, "
         "not \"1.44Q\"\n",
         build_usage},
        {{"inspect"}, "inspect needs the installer\n", "usage: varnook-build inspect setup.exe\n"},
        {{"inspect", "a.exe", "b.exe"},
         "\"b.exe\" is one argument too many for inspect\n",
         "usage: varnook-build inspect setup.exe\n"},
        {{"inspect", "-o", "x", "a.exe"},
         "inspect does not know -o\n",
         "usage: varnook-build inspect setup.exe\n"},
        {{"extract", "setup.exe"},
         "extract needs -d DIR, the folder to write the files into\n",
         "usage: varnook-build extract setup.exe -d DIR\n"},
        {{"extract", "-d", "out"},
         "extract needs the installer\n",
         "usage: varnook-build extract setup.exe -d DIR\n"},
        {{"extract", "setup.exe", "-d"},
         "-d needs a value\n",
         "usage: varnook-build extract setup.exe -d DIR\n"},
        {{"strip", "setup.exe"},
         "strip needs -o bare.exe, the file to write\n",
         "usage: varnook-build strip setup.exe -o bare.exe\n"},
        {{"strip", "setup.exe", "-d", "x"},
         "strip does not know -d\n",
         "usage: varnook-build strip setup.exe -o bare.exe\n"},
        {{"pack", "in"}, "pack needs IN and OUT\n", "usage: varnook-build pack IN OUT [--level N]\n"},
        {{"pack", "in", "out", "more"},
         "\"more\" is one argument too many for pack\n",
         "usage: varnook-build pack IN OUT [--level N]\n"},
        {{"pack", "in", "out", "--level", "fast"},
         "--level takes 1 (fastest) to 9 (smallest), not \"fast\"\n",
         "usage: varnook-build pack IN OUT [--level N]\n"},
        // One command a run: a second is an argument too many.
        {{"pack", "a", "b", "unpack", "c", "d"},
         "\"unpack\" is one argument too many for pack\n",
         "usage: varnook-build pack IN OUT [--level N]\n"},
        {{"unpack", "in", "out", "--level", "5"},
         "unpack does not know --level\n",
         "usage: varnook-build unpack IN OUT\n"},
        {{"unpack"}, "unpack needs IN and OUT\n", "usage: varnook-build unpack IN OUT\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(joined(c.arguments));
        BuilderRequest request;
        std::string error;
        EXPECT_FALSE(parse_command_line(c.arguments, request, error));
        EXPECT_EQ(error, "varnook-build: " + c.problem + c.usage);
    }
}

TEST(BuilderCommandLine, UsageListsEveryCommandAndEveryLevel) {
    const std::string text = usage_text();
    for (const char* line :
         {"\n  build PRODUCT.toml [-o setup.exe] [--volume-size SIZE] [--level N] [--stub FILE]\n"
          "                            build the installer",
          "\n  inspect setup.exe         show", "\n  extract setup.exe -d DIR  write",
          "\n  strip setup.exe -o bare.exe\n                            write",
          "\n  pack IN OUT [--level N]   pack", "\n  unpack IN OUT             unpack"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_NE(text.find("levels (default " + std::to_string(pack_level_default) + "):\n"), std::string::npos);
    for (int level = pack_level_fastest; level <= pack_level_best; ++level) {
        std::string line = "\n  " + std::to_string(level) + "  " + pack_level_description(level) + "\n";
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

} // namespace
