// varnook-build: the builder's command line.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/extract.h"
#include "builder/host_file.h"
#include "builder/inspect.h"
#include "builder/installer_reader.h"
#include "builder/packer.h"
#include "builder/product_file.h"
#include "builder/strip.h"
#include "core/memory.h"
#include "installer/unpack.h"

namespace {

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: varnook-build COMMAND ...\n"
                 "\n"
                 "commands:\n"
                 "  build PRODUCT.toml [-o setup.exe] [--volume-size SIZE] [--level N] [--stub FILE]\n"
                 "                            build the installer a product file describes\n"
                 "  inspect setup.exe         show what an installer holds and check it\n"
                 "  extract setup.exe -d DIR  write the product's files into DIR\n"
                 "  strip setup.exe -o bare.exe\n"
                 "                            write the installer without its payload\n"
                 "  pack IN OUT [--level N]   pack the file IN into the packed block OUT\n"
                 "  unpack IN OUT             unpack the packed block IN into the file OUT\n"
                 "\n"
                 "pack and unpack print the sizes, the ratio (packed / unpacked) and the time taken.\n"
                 "SIZE is in bytes, or with K or M (1000s), e.g. 1.44M. SOURCE_DATE_EPOCH, when set,\n"
                 "dates the uninstaller and caps the file times, for reproducible builds.\n"
                 "The stub is --stub, else [build] stub of the product file, else $VARNOOK_STUB,\n"
                 "else varnook.exe beside this program.\n"
                 "\n"
                 "levels (default %d):\n",
                 pack_level_default);
    for (int level = pack_level_fastest; level <= pack_level_best; ++level)
        std::fprintf(to, "  %d  %s\n", level, pack_level_description(level));
}

// Reads the level of "--level N"; false after saying what is wrong.
bool parse_level(const char* text, int& level) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < pack_level_fastest || value > pack_level_best) {
        std::fprintf(stderr, "varnook-build: --level takes %d to %d\n", pack_level_fastest, pack_level_best);
        return false;
    }
    level = static_cast<int>(value);
    return true;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* verb, size_t unpacked, size_t packed, double seconds) {
    double ratio = unpacked == 0 ? 0.0 : static_cast<double>(packed) / static_cast<double>(unpacked);
    double rate = seconds > 0 ? static_cast<double>(unpacked) / seconds / 1e6 : 0.0;
    std::printf("%s: %zu bytes unpacked, %zu bytes packed, ratio %.4f, %.3f s, %.1f MB/s\n", verb, unpacked,
                packed, ratio, seconds, rate);
}

int pack_command(int argc, char** argv) {
    int level = pack_level_default;
    std::vector<const char*> files;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
            if (!parse_level(argv[++i], level))
                return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) {
        usage(stderr);
        return 2;
    }
    String input;
    if (!read_host_file(files[0], input)) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", files[0]);
        return 1;
    }
    size_t input_size = static_cast<size_t>(input.length());
    if (input_size > pack_max_input) {
        std::fprintf(stderr, "varnook-build: %s is longer than %zu bytes\n", files[0], pack_max_input);
        return 1;
    }
    std::vector<unsigned char> block;
    auto start = std::chrono::steady_clock::now();
    pack_block(input.c_str(), input_size, level, block);
    double seconds = seconds_since(start);
    if (!write_host_file(files[1], block.data(), block.size())) {
        std::fprintf(stderr, "varnook-build: cannot write %s\n", files[1]);
        return 1;
    }
    std::printf("level %d (%s), working memory %.1f MiB\n", level, pack_level_description(level),
                static_cast<double>(pack_memory_bytes(input_size, level)) / (1 << 20));
    report("packed", input_size, block.size(), seconds);
    return 0;
}

int unpack_command(int argc, char** argv) {
    if (argc != 2) {
        usage(stderr);
        return 2;
    }
    String block;
    if (!read_host_file(argv[0], block)) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", argv[0]);
        return 1;
    }
    const char* data = block.c_str();
    int32_t size = block.length();
    auto start = std::chrono::steady_clock::now();
    bool ok = unpack_block(data, size);
    double seconds = seconds_since(start);
    if (!ok) {
        std::fprintf(stderr, "varnook-build: %s is not a valid packed block\n", argv[0]);
        return 1;
    }
    bool written = write_host_file(argv[1], data, static_cast<size_t>(size));
    heap_free(const_cast<char*>(data));
    if (!written) {
        std::fprintf(stderr, "varnook-build: cannot write %s\n", argv[1]);
        return 1;
    }
    report("unpacked", static_cast<size_t>(size), static_cast<size_t>(block.length()), seconds);
    return 0;
}

// The value of an option that takes one; null after complaining when it is missing.
const char* option_value(int argc, char** argv, int& i) {
    if (i + 1 >= argc) {
        std::fprintf(stderr, "varnook-build: %s needs a value\n", argv[i]);
        return nullptr;
    }
    return argv[++i];
}

int build_command(int argc, char** argv, const char* program) {
    ProductContext context;
    std::vector<const char*> files;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = nullptr;
        if (arg == "-o" || arg == "--output" || arg == "--volume-size" || arg == "--level" ||
            arg == "--stub") {
            if (!(value = option_value(argc, argv, i)))
                return 2;
        }
        if (arg == "-o" || arg == "--output") {
            context.output = value;
        } else if (arg == "--stub") {
            context.stub = value;
        } else if (arg == "--level") {
            if (!parse_level(value, context.level))
                return 2;
        } else if (arg == "--volume-size") {
            context.volume_size = parse_size(value);
            if (context.volume_size < 0 || (context.volume_size > 0 && context.volume_size < 4096)) {
                std::fprintf(stderr,
                             "varnook-build: --volume-size takes 0 (no volumes) or a size of at least "
                             "4096 bytes, such as 1440000, 700K or 1.44M\n");
                return 2;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "varnook-build: build does not know %s\n", arg.c_str());
            return 2;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 1) {
        std::fprintf(stderr, "usage: varnook-build build PRODUCT.toml [-o setup.exe] [--volume-size SIZE] "
                             "[--level N] [--stub FILE]\n");
        return 2;
    }
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        long long value = std::strtoll(epoch, &end, 10);
        if (*end != '\0' || value < 0) {
            std::fprintf(stderr, "varnook-build: SOURCE_DATE_EPOCH must be seconds since 1970, not \"%s\"\n",
                         epoch);
            return 2;
        }
        context.source_date_epoch = value;
    }
    context.now = static_cast<std::int64_t>(std::time(nullptr));

    Product product;
    std::vector<std::string> errors;
    if (!read_product_file(files[0], context, product, errors)) {
        for (const std::string& e : errors)
            std::fprintf(stderr, "%s\n", e.c_str());
        std::fprintf(stderr, "varnook-build: %zu problem%s in %s; nothing was written\n", errors.size(),
                     errors.size() == 1 ? "" : "s", files[0]);
        return 1;
    }
    if (product.stub.empty())
        product.stub = find_stub(program);
    if (product.stub.empty()) {
        std::fprintf(stderr,
                     "varnook-build: no stub found; give --stub varnook.exe (the i686 stub is built as "
                     "build/win32/bin/varnook.exe) or set VARNOOK_STUB\n");
        return 1;
    }
    String stub;
    if (!read_host_file(product.stub, stub)) {
        std::fprintf(stderr, "varnook-build: cannot read the stub %s\n", product.stub.c_str());
        return 1;
    }
    BuildResult result;
    std::string error;
    auto start = std::chrono::steady_clock::now();
    if (!build_installer(product, stub, result, error)) {
        std::fprintf(stderr, "varnook-build: %s; nothing was written\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu files, %lld bytes, packed to %lld bytes (level %d%s) in %.2f s\n",
                result.written[0].c_str(), product.files.size(), static_cast<long long>(result.file_bytes),
                static_cast<long long>(result.payload_bytes), product.payload.pack_level,
                product.payload.pack_file_data ? "" : ", file data stored", seconds_since(start));
    for (size_t i = 1; i < result.written.size(); ++i)
        std::printf("volume %zu: %s\n", i + 1, result.written[i].c_str());
    return 0;
}

std::string folder_of(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Opens the installer named by the one argument left; prints why not.
bool open_named_installer(const std::string& path, OpenedInstaller& installer) {
    String image;
    if (!read_host_file(path, image)) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", path.c_str());
        return false;
    }
    std::string error;
    if (!open_installer(std::move(image), installer, error)) {
        std::fprintf(stderr, "varnook-build: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int inspect_command(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: varnook-build inspect setup.exe\n");
        return 2;
    }
    OpenedInstaller installer;
    if (!open_named_installer(argv[0], installer))
        return 1;
    std::vector<FileRecord> files;
    std::vector<VolumeReport> volumes;
    std::string error;
    bool complete = read_installer_files(installer, folder_of(argv[0]), files, volumes, error);
    std::fputs(inspect_report(installer, files, volumes, complete ? "" : error).c_str(), stdout);
    if (!complete) {
        std::fprintf(stderr, "varnook-build: %s: %s\n", argv[0], error.c_str());
        return 1;
    }
    std::printf("valid\n");
    return 0;
}

// The arguments of a command that takes an installer and one option with its value
// (extract's -d, strip's -o), in either order; false after printing the usage.
bool installer_and_option(int argc, char** argv, const char* option, const char*& installer_path,
                          const char*& value, const char* usage_line) {
    installer_path = nullptr;
    value = nullptr;
    bool extra = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) {
            if (!(value = option_value(argc, argv, i)))
                return false;
        } else if (!installer_path) {
            installer_path = argv[i];
        } else {
            extra = true;
        }
    }
    if (!installer_path || !value || extra) {
        std::fprintf(stderr, "usage: %s\n", usage_line);
        return false;
    }
    return true;
}

int extract_command(int argc, char** argv) {
    const char* installer_path = nullptr;
    const char* folder = nullptr;
    if (!installer_and_option(argc, argv, "-d", installer_path, folder,
                              "varnook-build extract setup.exe -d DIR"))
        return 2;
    OpenedInstaller installer;
    if (!open_named_installer(installer_path, installer))
        return 1;
    std::vector<FileRecord> files;
    std::vector<VolumeReport> volumes;
    std::vector<std::string> written;
    std::string error;
    if (!read_installer_files(installer, folder_of(installer_path), files, volumes, error) ||
        !extract_files(files, folder, written, error)) {
        std::fprintf(stderr, "varnook-build: %s: %s\n", installer_path, error.c_str());
        return 1;
    }
    for (const std::string& path : written)
        std::printf("%s\n", path.c_str());
    return 0;
}

int strip_command(int argc, char** argv) {
    const char* installer_path = nullptr;
    const char* output = nullptr;
    if (!installer_and_option(argc, argv, "-o", installer_path, output,
                              "varnook-build strip setup.exe -o bare.exe"))
        return 2;
    String image;
    if (!read_host_file(installer_path, image)) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", installer_path);
        return 1;
    }
    String bare;
    std::string error;
    if (!strip_installer(image, bare, error)) {
        std::fprintf(stderr, "varnook-build: %s: %s\n", installer_path, error.c_str());
        return 1;
    }
    if (!write_host_file(output, bare.c_str(), static_cast<size_t>(bare.length()))) {
        std::fprintf(stderr, "varnook-build: cannot write %s\n", output);
        return 1;
    }
    std::printf("%s: %d bytes without the payload\n", output, bare.length());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "build") == 0)
        return build_command(argc - 2, argv + 2, argv[0]);
    if (std::strcmp(command, "inspect") == 0)
        return inspect_command(argc - 2, argv + 2);
    if (std::strcmp(command, "extract") == 0)
        return extract_command(argc - 2, argv + 2);
    if (std::strcmp(command, "strip") == 0)
        return strip_command(argc - 2, argv + 2);
    if (std::strcmp(command, "pack") == 0)
        return pack_command(argc - 2, argv + 2);
    if (std::strcmp(command, "unpack") == 0)
        return unpack_command(argc - 2, argv + 2);
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "help") == 0) {
        usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "varnook-build: unknown command '%s'\n\n", command);
    usage(stderr);
    return 2;
}
