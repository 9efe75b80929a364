// varnook-build: the builder's command line.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "builder/packer.h"
#include "core/memory.h"
#include "installer/unpack.h"

namespace {

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: varnook-build COMMAND ...\n"
                 "\n"
                 "commands:\n"
                 "  pack IN OUT [--level N]   pack the file IN into the packed block OUT\n"
                 "  unpack IN OUT             unpack the packed block IN into the file OUT\n"
                 "\n"
                 "Both print the sizes, the ratio (packed / unpacked) and the time taken.\n"
                 "\n"
                 "levels (default %d):\n",
                 pack_level_default);
    for (int level = pack_level_fastest; level <= pack_level_best; ++level)
        std::fprintf(to, "  %d  %s\n", level, pack_level_description(level));
}

bool read_file(const char* path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file(const char* path, const void* bytes, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
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
            char* end = nullptr;
            long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < pack_level_fastest || value > pack_level_best) {
                std::fprintf(stderr, "varnook-build: --level takes %d to %d\n", pack_level_fastest,
                             pack_level_best);
                return 2;
            }
            level = static_cast<int>(value);
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2) {
        usage(stderr);
        return 2;
    }
    std::vector<unsigned char> input;
    if (!read_file(files[0], input)) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", files[0]);
        return 1;
    }
    if (input.size() > pack_max_input) {
        std::fprintf(stderr, "varnook-build: %s is longer than %zu bytes\n", files[0], pack_max_input);
        return 1;
    }
    std::vector<unsigned char> block;
    auto start = std::chrono::steady_clock::now();
    pack_block(input.data(), input.size(), level, block);
    double seconds = seconds_since(start);
    if (!write_file(files[1], block.data(), block.size())) {
        std::fprintf(stderr, "varnook-build: cannot write %s\n", files[1]);
        return 1;
    }
    std::printf("level %d (%s), working memory %.1f MiB\n", level, pack_level_description(level),
                static_cast<double>(pack_memory_bytes(input.size(), level)) / (1 << 20));
    report("packed", input.size(), block.size(), seconds);
    return 0;
}

int unpack_command(int argc, char** argv) {
    if (argc != 2) {
        usage(stderr);
        return 2;
    }
    std::vector<unsigned char> block;
    if (!read_file(argv[0], block) || block.size() > 0x7FFFFFFF) {
        std::fprintf(stderr, "varnook-build: cannot read %s\n", argv[0]);
        return 1;
    }
    const char* data = reinterpret_cast<const char*>(block.data());
    int32_t size = static_cast<int32_t>(block.size());
    auto start = std::chrono::steady_clock::now();
    bool ok = unpack_block(data, size);
    double seconds = seconds_since(start);
    if (!ok) {
        std::fprintf(stderr, "varnook-build: %s is not a valid packed block\n", argv[0]);
        return 1;
    }
    bool written = write_file(argv[1], data, static_cast<size_t>(size));
    heap_free(const_cast<char*>(data));
    if (!written) {
        std::fprintf(stderr, "varnook-build: cannot write %s\n", argv[1]);
        return 1;
    }
    report("unpacked", static_cast<size_t>(size), block.size(), seconds);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    const char* command = argv[1];
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
