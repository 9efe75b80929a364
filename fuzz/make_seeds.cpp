// Writes seed inputs for the payload and script fuzz targets: real payload sections
// and their unpacked install scripts, built by the builder from the example product
// and from variations of it. Without them a mutated input rarely passes the
// checksums (the script block's key, the file-data area's, each file's), and the
// fuzzer stays in the header.
//
//   make_seeds PRODUCT.toml PAYLOAD_DIR SCRIPT_DIR

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "builder/host_file.h"
#include "builder/payload_writer.h"
#include "builder/product_file.h"
#include "builder/script_writer.h"

namespace {

// A fixed build time, so that the seeds are the same on every run.
constexpr std::int64_t seed_epoch = 1700000000;

// What the example product leaves out: every kind of deletion test, file
// destination, association and uninstall value, options that change what the
// script holds, inline pages and all the batch texts. Its sources are the example's.
const char* const shapes_product = R"(
[product]
name = "Seed Shapes"
version = "0.9.1"
publisher = "Example Software"
directory = "<os>\\Seed Shapes"
start_menu_folder = "Seeds"
registry_key = "Example\\Seeds"
uninstall_key = "SeedShapes"
master_product = "Demo Tool"
desktop_folder = "Seeds"
excluded_systems = ["win32s", "windows_95", "windows_nt4"]
all_users_shortcuts = true
minimum_stage_time = 9999
uninstaller_date = 2001-02-03T04:05:06Z

[options]
automatic = true
refuse_reinstall = true
replace_at_restart = true
remove_whole_directory = true
errors_in_automatic_mode = true
no_background_window = true
check_stub = false

[appearance]
title_colour = "navy"
top_colour = "teal"

[pages]
licence = [{ text = "Licence one." }, { text = "Licence two." }]
readme = [{ text = "Read me." }]

[batch]
before_files = "echo before"
after_files = "echo after"
final = "echo final"
uninstall_1 = "echo first"
uninstall_2 = "echo second"

[build]
level = 1
pack_files = false
volume_name = "SEEDS"

[[files]]
source = "files/demo.bat"
destination = "system"
version = "1.0.0.1"
attributes = ["read_only", "hidden", "archive"]
when = "if_missing"

[[files]]
source = "files/docs/guide.txt"
destination = "shared"
permanent = true

[[files]]
source = "files/docs/welcome.txt"
destination = "startup"
desktop_shortcut = true
start_menu_shortcut = true
shortcut_name = "Welcome"
icon = "welcome.ico"
arguments = "/x \"y z\""
target = "%SharedDir%\\welcome.txt"

[[files]]
source = "files/docs/guide.txt"
name = "fonts\\Guide.ttf"
destination = "font"
font_name = "Guide Regular"

[[delete]]
path = "old-equal.txt"
when = "date_equal"
value = 2001-02-03

[[delete]]
path = "%SystemDir%\\old-not-older.dll"
when = "date_not_older"
value = "Tuesday, March 5th, 2002"

[[delete]]
path = "old-not-newer.txt"
when = "date_not_newer"
value = 2020-05-06T07:08:09

[[delete]]
path = "old-size.txt"
when = "size_equal"
value = 100
at_restart = true

[[delete]]
path = "old-at-least.txt"
when = "size_at_least"
value = 1

[[delete]]
path = "old-at-most.txt"
when = "size_at_most"
value = 99999

[[associations]]
extension = ".seed"
file_type = "Example.Seed"
description = "Seed file"
verb = "edit"
verb_caption = "&Edit"
command = "notepad.exe \"%1\""
default_verb = false
language = "English"
default_icon = "%InstallDir%\\demo.bat,0"

[[uninstall_values]]
name = "InstallLocation"
value = "%InstallDir%"
kind = "expandable"

[[uninstall_values]]
name = "EstimatedSize"
value = 42
kind = "number"

[[uninstall_values]]
name = "Comments"
value = "Seeds for the fuzzer"
)";

struct Shape {
    std::string name;
    Product product;
};

bool read_shapes(const std::string& product_file, std::vector<Shape>& shapes) {
    ProductContext context;
    context.source_date_epoch = seed_epoch;
    context.now = seed_epoch;
    std::vector<std::string> errors;
    Product demo;
    if (!read_product_file(product_file, context, demo, errors)) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "make_seeds: %s\n", e.c_str());
        return false;
    }
    std::string folder = product_file.substr(0, product_file.find_last_of('/') + 1);
    Product other;
    if (!read_product_text(shapes_product, folder + "seed-shapes.toml", context, other, errors)) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "make_seeds: %s\n", e.c_str());
        return false;
    }
    // The uninstaller patch has no product-file form without a file of its own.
    other.script.uninstaller_patch_offset = 4096;
    other.script.uninstaller_patch = String();
    for (std::int32_t i = 0; i < uninstaller_patch_size; ++i)
        other.script.uninstaller_patch.append(static_cast<char>(i * 7));

    shapes.push_back({"demo", demo});
    shapes.push_back({"demo-unpacked", demo});
    shapes.back().product.payload.pack_file_data = false;
    // The section holds only the area's first part; the target has no volume files,
    // so this one reaches the request for volume 2.
    shapes.push_back({"demo-volumes", demo});
    shapes.back().product.payload.pack_file_data = false;
    shapes.back().product.payload.volume_size = 160;
    shapes.push_back({"shapes", other});
    shapes.push_back({"shapes-packed", other});
    shapes.back().product.payload.pack_file_data = true;
    return true;
}

// The script as write_payload stores it: the packed-data flag and the first volume's
// tag are the writer's.
String stored_script(const Product& product, const BuiltPayload& built, std::string& error) {
    InstallScript script = product.script;
    if (product.payload.pack_file_data)
        script.flags.bits |= flag_mask(flag_packed_file_data);
    else
        script.flags.bits &= ~flag_mask(flag_packed_file_data);
    if (!built.volumes.empty())
        script.first_volume_number = built.first_volume_tag;
    String bytes;
    if (!write_script(script, bytes, error))
        return String();
    return bytes;
}

bool write_seed(const std::string& path, const String& bytes) {
    if (write_host_file(path, bytes.c_str(), static_cast<size_t>(bytes.length())))
        return true;
    std::fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_seeds PRODUCT.toml PAYLOAD_DIR SCRIPT_DIR\n");
        return 2;
    }
    std::vector<Shape> shapes;
    if (!read_shapes(argv[1], shapes))
        return 1;
    for (const Shape& shape : shapes) {
        BuiltPayload built;
        std::string error;
        if (!write_payload(shape.product.script, shape.product.files, shape.product.payload, built, error)) {
            std::fprintf(stderr, "make_seeds: %s: %s\n", shape.name.c_str(), error.c_str());
            return 1;
        }
        String script = stored_script(shape.product, built, error);
        if (script.is_empty()) {
            std::fprintf(stderr, "make_seeds: %s: %s\n", shape.name.c_str(), error.c_str());
            return 1;
        }
        if (!write_seed(std::string(argv[2]) + "/seed-" + shape.name, built.section) ||
            !write_seed(std::string(argv[3]) + "/seed-" + shape.name, script))
            return 1;
        std::printf("make_seeds: %s: section %d bytes, script %d bytes\n", shape.name.c_str(),
                    static_cast<int>(built.section.length()), static_cast<int>(script.length()));
    }
    return 0;
}
