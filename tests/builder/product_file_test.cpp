// Product files through the whole builder: read, built onto a real PE image, and
// read back with the stub's own readers; the errors a user meets with the place to
// fix; reproducible output; extraction.

#include "builder/product_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/english_strings.h"
#include "builder/extract.h"
#include "builder/flag_names.h"
#include "builder/host_file.h"
#include "builder/inspect.h"
#include "builder/installer_reader.h"
#include "core/bitmap.h"
#include "core/datetime.h"
#include "tests/support/string_text.h"

namespace fs = std::filesystem;

namespace {

// A folder of its own for each test, removed afterwards.
class ProductFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("varnook-product-") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        context.source_date_epoch = 1700000000; // 2023-11-14 22:13:20 UTC
        context.now = 1800000000;
    }
    void TearDown() override { fs::remove_all(folder); }

    void write(const std::string& name, const std::string& bytes, std::int64_t time = 1600000000) {
        fs::path path = folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        set_file_modified_seconds(path.string(), time);
    }
    std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    bool read_product(const std::string& text, Product& product, std::vector<std::string>& errors) {
        write("product.toml", text);
        return read_product_file((folder / "product.toml").string(), context, product, errors);
    }
    // Reads, builds onto the sample PE and opens the result as the stub would.
    void build_and_open(const std::string& text, OpenedInstaller& installer, std::vector<FileRecord>& files,
                        std::vector<VolumeReport>* volumes_out = nullptr) {
        Product product;
        std::vector<std::string> errors;
        ASSERT_TRUE(read_product(text, product, errors)) << errors[0];
        BuildResult result;
        std::string error;
        ASSERT_TRUE(build_installer(product, stub(), result, error)) << error;
        ASSERT_TRUE(open_installer(String(read(result.written[0]).c_str(),
                                          static_cast<std::int32_t>(fs::file_size(result.written[0]))),
                                   installer, error))
            << error;
        std::vector<VolumeReport> volumes;
        ASSERT_TRUE(read_installer_files(installer, folder.string(), files, volumes, error)) << error;
        if (volumes_out)
            *volumes_out = volumes;
    }
    static String stub() {
        std::ifstream in(VARNOOK_SAMPLE_PE, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return String(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    }

    fs::path folder;
    ProductContext context;
};

const char* const full_product = R"(
[product]
name = "Demo Tool"
version = "1.2"
publisher = "Example"
directory = "Example\\Demo"
uninstaller = "Remove Demo.exe"
uninstall_folder = "Uninstall"
master_product = "Example Suite"
excluded_systems = ["windows_95", "windows_me"]
all_users_shortcuts = true
minimum_stage_time = 250

[options]
automatic = true
uninstall_support = false
report_every_file = true

[appearance]
title_colour = "#FF8000"
top_colour = "navy"
bottom_colour = "#000000"

[pages]
licence = ["LICENSE.txt", { text = "Second page" }]

[batch]
after_files = "echo done"

[build]
volume_name = "DEMO"

[[files]]
source = "bin/demo.exe"
start_menu_shortcut = true
shortcut_name = "Demo"
icon = "demo.ico"
arguments = "/quiet"
when = "if_missing"
attributes = ["read_only", "archive"]

[[files]]
source = 'docs\'
name = "help"
destination = "shared"
permanent = true

[[delete]]
path = "old.exe"
when = "date_not_newer"
value = 2020-01-31
at_restart = true

[[delete]]
path = "huge.log"
when = "size_at_least"
value = 1000000

[[associations]]
extension = ".demo"
file_type = "Example.Demo"
command = "\"%InstallDir%\\demo.exe\" \"%1\""

[[uninstall_values]]
name = "EstimatedSize"
kind = "number"
value = 120

[[languages]]
name = "English"

[[languages]]
name = "Deutsch"
[languages.strings]
"0" = "<product> installieren"
)";

TEST_F(ProductFolder, EveryTableReachesTheInstallerAsTheStubReadsIt) {
    write("LICENSE.txt", "Use it well.\n");
    write("bin/demo.exe", "MZ program bytes", 1600000000);
    write("docs/b.txt", "second", 1900000000); // newer than SOURCE_DATE_EPOCH: capped
    write("docs/a/z.txt", "first");
    OpenedInstaller installer;
    std::vector<FileRecord> files;
    ASSERT_NO_FATAL_FAILURE(build_and_open(full_product, installer, files));
    const InstallScript& s = installer.script;

    EXPECT_EQ(text_of(s.default_product_name), "Demo Tool");
    EXPECT_EQ(text_of(s.display_version), "1.2");
    EXPECT_EQ(text_of(s.default_directory), "Example\\Demo");
    EXPECT_EQ(text_of(s.uninstaller_file_name), "Remove Demo.exe");
    EXPECT_EQ(text_of(s.master_product_key), "Example Suite");
    EXPECT_EQ(s.excluded_systems, 4 | 16);
    EXPECT_EQ(s.shortcut_mode, 1);
    EXPECT_EQ(s.minimum_stage_time, 250);
    EXPECT_EQ(text_of(s.volume_base_name), "DEMO");
    TimeStamp epoch = utc_timestamp(context.source_date_epoch);
    EXPECT_EQ(compare_time_stamps(s.uninstaller_date, epoch), 0);

    std::uint64_t expected = flag_mask(7) | flag_mask(flag_automatic) | flag_mask(20) |
                             flag_mask(flag_check_stub) | flag_mask(flag_master_product) |
                             flag_mask(flag_gradient_colours) | flag_mask(flag_packed_file_data);
    EXPECT_EQ(s.flags.bits, expected) << "uninstall_support = false clears a default";
    EXPECT_EQ(s.title_colour, 0x0080FF); // red in the low byte
    EXPECT_EQ(s.top_colour, 0x800000);
    EXPECT_EQ(s.bottom_colour, 0);

    ASSERT_EQ(s.licence_pages.count(), 2);
    EXPECT_EQ(text_of(*s.licence_pages.element(0)), "Use it well.\n");
    EXPECT_EQ(text_of(*s.licence_pages.element(1)), "Second page");
    EXPECT_EQ(text_of(s.batch_after_files), "echo done");

    ASSERT_EQ(s.deletions.count(), 2);
    const FileDeletion& dated = *s.deletions.element(0);
    EXPECT_EQ(text_of(dated.path), "old.exe");
    EXPECT_EQ(dated.condition, 3);
    EXPECT_EQ(dated.options, 2);
    Date date;
    ASSERT_NE(date.parse(dated.value.c_str()), nullptr) << dated.value.c_str();
    EXPECT_EQ(date.year(), 2020);
    EXPECT_EQ(date.month(), 1);
    EXPECT_EQ(date.day(), 31);
    EXPECT_EQ(s.deletions.element(1)->condition, 5);
    EXPECT_EQ(text_of(s.deletions.element(1)->value), "1000000");

    ASSERT_EQ(s.associations.count(), 1);
    EXPECT_EQ(text_of(s.associations.element(0)->verb), "open");
    EXPECT_EQ(s.associations.element(0)->flags, 1);
    EXPECT_EQ(text_of(s.associations.element(0)->command), "\"%InstallDir%\\demo.exe\" \"%1\"");
    ASSERT_EQ(s.uninstall_values.count(), 1);
    EXPECT_EQ(s.uninstall_values.element(0)->kind, 4);
    EXPECT_EQ(text_of(s.uninstall_values.element(0)->value), "120");

    ASSERT_EQ(s.language_names.count(), 2);
    ASSERT_EQ(s.language_strings.count(), english_string_count());
    // Strings a language does not give stay English.
    EXPECT_EQ(text_of(*s.language_strings.element(0)->element(1)), "<product> installieren");
    const LanguageStringInfo* other = find_language_string(26);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(text_of(*s.language_strings.element(26)->element(1)),
              text_of(*s.language_strings.element(26)->element(0)));

    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(text_of(files[0].name), "demo.exe");
    EXPECT_EQ(files[0].options, 2 | 12);
    EXPECT_EQ(files[0].attributes, 0x21);
    EXPECT_EQ(text_of(files[0].version), "Demo");
    EXPECT_EQ(text_of(files[0].icon_file), "demo.ico");
    EXPECT_EQ(text_of(files[0].arguments), "/quiet");
    EXPECT_EQ(text_of(files[0].data), "MZ program bytes");
    EXPECT_EQ(compare_time_stamps(files[0].time, utc_timestamp(1600000000)), 0);
    // A folder: every file below it, in name order, under the given name.
    EXPECT_EQ(text_of(files[1].name), "help\\a\\z.txt");
    EXPECT_EQ(text_of(files[2].name), "help\\b.txt");
    EXPECT_EQ(files[2].destination, 1);
    EXPECT_EQ(files[2].options, 0x20);
    EXPECT_EQ(compare_time_stamps(files[2].time, epoch), 0);
}

TEST_F(ProductFolder, StoredOrPackedDataAndVolumesReadBackTheSame) {
    std::mt19937 random(7);
    std::string noise(20000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    write("noise.bin", noise);
    write("text.txt", std::string(5000, 'a'));
    for (const char* build : {"pack_files = true", "pack_files = false", "volume_size = 6000",
                              "volume_size = \"6K\"\npack_files = false"}) {
        SCOPED_TRACE(build);
        std::string text = std::string("[product]\nname = \"N\"\n[build]\n") + build +
                           "\n[[files]]\nsource = \"noise.bin\"\n[[files]]\nsource = \"text.txt\"\n";
        OpenedInstaller installer;
        std::vector<FileRecord> files;
        std::vector<VolumeReport> volumes;
        ASSERT_NO_FATAL_FAILURE(build_and_open(text, installer, files, &volumes));
        ASSERT_EQ(files.size(), 2u);
        EXPECT_EQ(text_of(files[0].data), noise);
        EXPECT_EQ(text_of(files[1].data), std::string(5000, 'a'));
        bool spanned = std::string(build).find("volume") != std::string::npos;
        EXPECT_EQ(!volumes.empty(), spanned);
        for (const VolumeReport& v : volumes)
            EXPECT_LE(fs::file_size(v.path), 6000u);
    }
    // A volume taken away is named as missing.
    fs::remove(folder / "setup3.VNK");
    OpenedInstaller installer;
    std::string error;
    String image(read(folder / "setup.exe").c_str(),
                 static_cast<std::int32_t>(fs::file_size(folder / "setup.exe")));
    ASSERT_TRUE(open_installer(image, installer, error)) << error;
    std::vector<FileRecord> files;
    std::vector<VolumeReport> volumes;
    EXPECT_FALSE(read_installer_files(installer, folder.string(), files, volumes, error));
    EXPECT_NE(error.find("volume 3"), std::string::npos) << error;
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    // inspect shows which volume was found and which is missing, and the file table
    // by its sizes alone.
    std::string report = inspect_report(installer, files, volumes, error);
    EXPECT_NE(report.find("  2  " + (folder / "setup2.VNK").string() + "  found\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("  3  " + (folder / "setup3.VNK").string() + "  missing or unreadable\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("  not read: volume 3"), std::string::npos) << report;
    EXPECT_NE(report.find("  1  20000 bytes\n"), std::string::npos) << report;
}

TEST_F(ProductFolder, TheSameInputsGiveTheSameBytes) {
    write("a.txt", "alpha");
    write("sub/b.txt", "beta", 1999999999);
    const std::string text =
        "[product]\nname = \"Same\"\n[build]\nvolume_size = 4096\n[[files]]\nsource = \".\"\n";
    std::vector<std::string> builds;
    for (std::int64_t now : {1800000000, 1800009999}) {
        context.now = now; // the clock of the build machine does not leak in
        Product product;
        std::vector<std::string> errors;
        ASSERT_TRUE(read_product(text, product, errors)) << errors[0];
        BuildResult result;
        std::string error;
        ASSERT_TRUE(build_installer(product, stub(), result, error)) << error;
        builds.push_back(read(result.written[0]));
    }
    EXPECT_TRUE(builds[0] == builds[1]) << "the two builds differ";
}

struct BadProduct {
    const char* text;
    int line;
    const char* says;
};

// A 2 x 1 pixel, 24-bit bitmap file: 14-byte file header, 40-byte info header, one
// row of 2 pixels padded to 8 bytes.
std::string two_pixel_bmp() {
    auto u16 = [](unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    auto u32 = [&](unsigned v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    std::string info = u32(40) + u32(2) + u32(1) + u16(1) + u16(24) + u32(0) + u32(8) + u32(2835) +
                       u32(2835) + u32(0) + u32(0);
    std::string pixels = std::string("\x00\x00\xFF\x00\xFF\x00", 6) + std::string(2, '\0');
    return "BM" + u32(14 + 40 + 8) + u32(0) + u32(14 + 40) + info + pixels;
}

TEST_F(ProductFolder, ABackgroundPictureReachesTheInstallerAsABitmapInMemory) {
    write("a.txt", "alpha");
    write("art.bmp", two_pixel_bmp());
    Product product;
    std::vector<std::string> errors;
    ASSERT_TRUE(read_product("[product]\nname = \"N\"\n[appearance]\nbackground = \"art.bmp\"\n"
                             "[[files]]\nsource = \"a.txt\"\n",
                             product, errors))
        << errors[0];
    // The file's own 14-byte header stays behind: the stub loads the rest as it is.
    EXPECT_EQ(text_of(product.script.background_picture), two_pixel_bmp().substr(14));
    Bitmap picture;
    EXPECT_TRUE(picture.load_memory(product.script.background_picture.c_str(),
                                    product.script.background_picture.length()));
    EXPECT_EQ(picture.width(), 2);
    EXPECT_EQ(picture.bits_offset(), 40);
}

TEST_F(ProductFolder, MistakesAreNamedWithTheirPlaceAndNothingIsRead) {
    write("a.txt", "alpha");
    write("art.bmp", "not a bitmap at all, just words, long enough to pass the size test easily.....");
    const BadProduct cases[] = {
        {"[product]\nname = \"N\"\nversoin = \"1\"\n", 3, "did you mean \"version\"?"},
        {"[product]\nname = \"100% Tool\"\n", 2, "must not hold a percent sign"},
        {"[product]\nname = 5\n", 2, "product.name must be a text, not a whole number"},
        {"[product]\n[[files]]\nsource = \"a.txt\"\n", 1, "[product] has no name"},
        {"[product]\nname = \"N\"\n", 0, "the product has no files"},
        {"[product]\nname = \"N\"\n[[files]]\nsource = \"missing.txt\"\n", 4, "does not exist"},
        {"[product]\nname = \"N\"\n[[files]]\nsource = \"a.txt\"\ndestination = \"windows\"\n", 5,
         "write \"program\", \"shared\", \"font\", \"startup\" or \"system\""},
        {"[product]\nname = \"N\"\n[appearance]\ntop_colour = \"#12345\"\n", 4,
         "is not a colour; write \"#RRGGBB\""},
        {"[product]\nname = \"N\"\n[appearance]\nbackground = \"art.bmp\"\n", 4, "is not a Windows bitmap"},
        {"[product]\nname = \"N\"\n[options]\nautomatc = true\n", 4, "did you mean \"automatic\"?"},
        {"[product]\nname = \"N\"\n[options]\npacked_file_data = true\n", 4,
         "follows from the product's content"},
        {"[product]\nname = \"N\"\n[product]\n", 3, "not valid TOML"},
        {"options = true\n[product]\nname = \"N\"\n", 1, "options must be a table, written [options]"},
        {"[product]\nname = \"N\"\n[[languages]]\nname = \"X\"\n[languages.strings]\n\"9999\" = \"x\"\n", 6,
         "unknown language string \"9999\""},
        {"[product]\nname = \"N\"\n[[languages]]\nname = \"X\"\n[languages.strings]\nvolume_request = "
         "\"%s\"\n",
         6, "the language string volume_request"},
        {"[product]\nname = \"N\"\n[[languages]]\nname = \"X\"\n[languages.strings]\n\"0\" = \"a\"\n"
         "display_title = \"b\"\n",
         7, "given twice"},
        {"[product]\nname = \"N\"\nminimum_stage_time = 10000\n", 3, "it must lie in 0..9999"},
        {"[product]\nname = \"N\"\n[[delete]]\npath = \"x\"\nwhen = \"date_equal\"\nvalue = \"31.31.2020\"\n",
         6, "is not a date"},
        {"[product]\nname = \"N\"\n[build]\nvolume_size = \"lots\"\n", 4, "build.volume_size must be 0"},
    };
    for (const BadProduct& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        if (text.find("[[files]]") == std::string::npos && std::string(c.says) != "the product has no files")
            text += "[[files]]\nsource = \"a.txt\"\n";
        Product product;
        std::vector<std::string> errors;
        EXPECT_FALSE(read_product(text, product, errors));
        ASSERT_FALSE(errors.empty());
        bool found = false;
        for (const std::string& e : errors) {
            std::string place =
                (folder / "product.toml").string() + (c.line ? ":" + std::to_string(c.line) + ":" : "");
            if (e.find(c.says) != std::string::npos && e.rfind(place, 0) == 0)
                found = true;
        }
        EXPECT_TRUE(found) << "got: " << errors[0];
    }
}

TEST_F(ProductFolder, AFileBeyondOneGibibyteIsRefused) {
    { std::ofstream big(folder / "big.bin", std::ios::binary); }
    fs::resize_file(folder / "big.bin", (std::uintmax_t{1} << 30) + 1); // sparse: no disk used
    Product product;
    std::vector<std::string> errors;
    EXPECT_FALSE(read_product("[product]\nname = \"N\"\n[[files]]\nsource = \"big.bin\"\n", product, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("is larger than 1073741824 bytes"), std::string::npos) << errors[0];
}

TEST_F(ProductFolder, AStubThatIsNoPeImageLeavesNothingBehind) {
    write("a.txt", "alpha");
    Product product;
    std::vector<std::string> errors;
    ASSERT_TRUE(read_product("[product]\nname = \"N\"\n[[files]]\nsource = \"a.txt\"\n", product, errors));
    product.stub = "words.txt";
    BuildResult result;
    std::string error;
    EXPECT_FALSE(build_installer(product, String("just some words, no MZ here"), result, error));
    EXPECT_NE(error.find("words.txt"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(product.output));
    EXPECT_FALSE(fs::exists(product.output + ".part"));
}

TEST(Extraction, NamesStayInsideTheFolder) {
    const std::pair<const char*, const char*> cases[] = {
        {"a.txt", "a.txt"},      {"docs\\guide.txt", "docs/guide.txt"},
        {".\\x\\\\y", "x/y"},    {"..\\evil.txt", ""},
        {"docs\\..\\..\\x", ""}, {"C:\\Windows\\x.dll", ""},
        {"\\root.txt", ""},      {"/etc/passwd", ""},
        {"folder\\", ""},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(extraction_path(String(name)), expected) << name;
}

TEST_F(ProductFolder, ExtractionWritesTheRecordedFilesAndTimes) {
    std::vector<FileRecord> files(2);
    files[0].name = "docs\\guide.txt";
    files[0].data = "guide";
    files[0].time = utc_timestamp(1600000000);
    files[1].name = "top.bin";
    files[1].data = String("\0\1\2", 3);
    std::vector<std::string> written;
    std::string error;
    ASSERT_TRUE(extract_files(files, (folder / "out").string(), written, error)) << error;
    EXPECT_EQ(read(folder / "out/docs/guide.txt"), "guide");
    EXPECT_EQ(read(folder / "out/top.bin"), std::string("\0\1\2", 3));
    std::int64_t seconds = 0;
    ASSERT_TRUE(file_modified_seconds((folder / "out/docs/guide.txt").string(), seconds));
    EXPECT_EQ(seconds, 1600000000);

    files[1].name = "..\\escape.bin";
    EXPECT_FALSE(extract_files(files, (folder / "again").string(), written, error));
    EXPECT_FALSE(fs::exists(folder / "again"));
}

TEST(FlagNames, EveryNameIsUniqueAndPrintsBack) {
    std::vector<std::string> seen;
    for (const FlagName& f : flag_names()) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), f.name), 0) << f.name;
        seen.push_back(f.name);
        EXPECT_EQ(find_flag(f.name), &f);
        EXPECT_EQ(find_flag(f.bit), &f);
    }
    std::vector<std::string> names = flag_word_names(flag_mask(7) | flag_mask(3) | flag_mask(63));
    EXPECT_EQ(names, (std::vector<std::string>{"bit 3", "directory_dialog", "bit 63"}));
}

} // namespace
