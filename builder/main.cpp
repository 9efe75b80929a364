// varnook-build: the builder's command line.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/command_line.h"
#include "builder/extract.h"
#include "builder/host_file.h"
#include "builder/inspect.h"
#include "builder/installer_reader.h"
#include "builder/packer.h"
#include "builder/product_file.h"
#include "builder/strip.h"
#include "core/memory.h"
#include "format/packed_block.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* verb, size_t unpacked, size_t packed, double seconds) {
    double ratio = unpacked == 0 ? 0.0 : static_cast<double>(packed) / static_cast<double>(unpacked);
    double rate = seconds > 0 ? static_cast<double>(unpacked) / seconds / 1e6 : 0.0;
    std::printf("%s: %zu bytes unpacked, %zu bytes packed, ratio %.4f, %.3f s, %.1f MB/s\n", verb, unpacked,
                packed, ratio, seconds, rate);
}

int pack_command(const BuilderRequest& request) {
    int level = request.level != 0 ? request.level : pack_level_default;
    const char* files[] = {request.input.c_str(), request.output.c_str()};
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

int unpack_command(const BuilderRequest& request) {
    const char* argv[] = {request.input.c_str(), request.output.c_str()};
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

int build_command(const BuilderRequest& request, const char* program) {
    ProductContext context;
    context.output = request.output;
    context.stub = request.stub;
    context.level = request.level;
    context.volume_size = request.volume_size;
    const char* files[] = {request.input.c_str()};
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

int inspect_command(const BuilderRequest& request) {
    const char* argv[] = {request.input.c_str()};
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

int extract_command(const BuilderRequest& request) {
    const char* installer_path = request.input.c_str();
    const char* folder = request.folder.c_str();
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

int strip_command(const BuilderRequest& request) {
    const char* installer_path = request.input.c_str();
    const char* output = request.output.c_str();
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
    BuilderRequest request;
    std::string error;
    if (!parse_command_line(std::vector<std::string>(argv + 1, argv + argc), request, error)) {
        std::fputs(error.c_str(), stderr);
        return 2;
    }
    switch (request.command) {
    case BuilderCommand::help:
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    case BuilderCommand::build:
        return build_command(request, argv[0]);
    case BuilderCommand::inspect:
        return inspect_command(request);
    case BuilderCommand::extract:
        return extract_command(request);
    case BuilderCommand::strip:
        return strip_command(request);
    case BuilderCommand::pack:
        return pack_command(request);
    case BuilderCommand::unpack:
        return unpack_command(request);
    }
    return 2;
}
