// The codec benchmark: our levels, lz4 -12 and zlib -9 side by side on the same
// bytes: ratio, packing and unpacking speed, and peak memory of each packing.
//
//   codec_bench CORPUS [LEVEL ...]
//
// Each packing runs in a child process so that its peak resident memory is its own;
// the block comes back through shared memory. Unpacking is timed in this process,
// best of eleven (the machine is shared: the best run is the one least disturbed),
// every codec writing into warm memory; every result is then checked
// against the input, outside the timed part.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <lz4.h>
#include <lz4hc.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "builder/packer.h"
#include "core/memory.h"
#include "format/packed_block.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

struct Result {
    std::string name;
    size_t packed = 0;
    double pack_seconds = 0;
    double unpack_seconds = 0;
    long peak_kib = 0;     // of the packing process
    double stated_mib = 0; // pack_memory_bytes, our levels only
    bool ok = false;
};

// Runs pack (input -> out, returns its size or 0) in a child; out receives the block.
template <class Pack>
void measure_pack(const Bytes& input, Result& r, Bytes& block, Pack pack) {
    size_t capacity = input.size() + input.size() / 16 + 4096;
    void* shared = mmap(nullptr, capacity + 64, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) {
        std::perror("mmap");
        std::exit(1);
    }
    auto* header = static_cast<double*>(shared);
    auto* body = static_cast<unsigned char*>(shared) + 64;
    pid_t child = fork();
    if (child == 0) {
        auto t = Clock::now();
        size_t n = pack(body, capacity);
        header[0] = seconds_since(t);
        header[1] = static_cast<double>(n);
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    r.pack_seconds = header[0];
    r.packed = static_cast<size_t>(header[1]);
    r.peak_kib = usage.ru_maxrss;
    block.assign(body, body + r.packed);
    munmap(shared, capacity + 64);
}

// Times unpack (returns false on failure) and then, untimed, check (whether what it
// wrote equals the input, and releases it).
template <class Unpack, class Check>
void measure_unpack(Result& r, Unpack unpack, Check check) {
    r.unpack_seconds = 1e9;
    r.ok = true;
    for (int i = 0; i < 11; ++i) {
        auto t = Clock::now();
        bool done = unpack();
        r.unpack_seconds = std::min(r.unpack_seconds, seconds_since(t));
        r.ok = check(done) && r.ok;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: codec_bench CORPUS [LEVEL ...]\n");
        return 2;
    }
    // Keep freed memory in the heap: unpack_block allocates its output on every call,
    // and reusing warm pages measures the decoder, as the other codecs, which write
    // into one buffer, are measured, instead of the page faults of fresh memory.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
    Bytes input;
    {
        std::ifstream in(argv[1], std::ios::binary);
        input.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (input.empty()) {
        std::fprintf(stderr, "codec_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<int> levels;
    for (int i = 2; i < argc; ++i)
        levels.push_back(std::atoi(argv[i]));
    if (levels.empty())
        for (int l = pack_level_fastest; l <= pack_level_best; ++l)
            levels.push_back(l);

    std::vector<Result> results;
    Bytes block;
    Bytes output(input.size());
    for (int level : levels) {
        Result r;
        r.name = "varnook " + std::to_string(level);
        r.stated_mib = static_cast<double>(pack_memory_bytes(input.size(), level)) / (1 << 20);
        measure_pack(input, r, block, [&](unsigned char* out, size_t capacity) -> size_t {
            Bytes b;
            pack_block(input.data(), input.size(), level, b);
            if (b.size() > capacity)
                return 0;
            std::memcpy(out, b.data(), b.size());
            return b.size();
        });
        const char* data = nullptr;
        int32_t size = 0;
        measure_unpack(
            r,
            [&] {
                data = reinterpret_cast<const char*>(block.data());
                size = static_cast<int32_t>(block.size());
                return unpack_block(data, size);
            },
            [&](bool done) {
                if (!done)
                    return false;
                bool same = static_cast<size_t>(size) == input.size() &&
                            std::memcmp(data, input.data(), input.size()) == 0;
                heap_free(const_cast<char*>(data));
                return same;
            });
        results.push_back(r);
        std::fprintf(stderr, "%s done\n", r.name.c_str());
    }
    {
        Result r;
        r.name = "lz4 -12";
        measure_pack(input, r, block, [&](unsigned char* out, size_t capacity) -> size_t {
            int n = LZ4_compress_HC(reinterpret_cast<const char*>(input.data()), reinterpret_cast<char*>(out),
                                    static_cast<int>(input.size()), static_cast<int>(capacity), 12);
            return n > 0 ? static_cast<size_t>(n) : 0;
        });
        measure_unpack(
            r,
            [&] {
                int n = LZ4_decompress_safe(reinterpret_cast<const char*>(block.data()),
                                            reinterpret_cast<char*>(output.data()),
                                            static_cast<int>(block.size()), static_cast<int>(output.size()));
                return n == static_cast<int>(input.size());
            },
            [&](bool done) { return done && output == input; });
        results.push_back(r);
    }
    {
        Result r;
        r.name = "zlib -9";
        measure_pack(input, r, block, [&](unsigned char* out, size_t capacity) -> size_t {
            uLongf n = static_cast<uLongf>(capacity);
            return compress2(out, &n, input.data(), static_cast<uLong>(input.size()), 9) == Z_OK ? n : 0;
        });
        measure_unpack(
            r,
            [&] {
                uLongf n = static_cast<uLongf>(output.size());
                return uncompress(output.data(), &n, block.data(), static_cast<uLong>(block.size())) ==
                           Z_OK &&
                       n == input.size();
            },
            [&](bool done) { return done && output == input; });
        results.push_back(r);
    }

    std::printf("corpus: %s, %zu bytes\n\n", argv[1], input.size());
    std::printf(
        "| codec | packed bytes | ratio | pack MB/s | unpack MB/s | pack peak RSS MiB | stated MiB | ok |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---|\n");
    double mb = static_cast<double>(input.size()) / 1e6;
    for (const auto& r : results) {
        std::printf("| %s | %zu | %.4f | %.2f | %.0f | %.0f | %s | %s |\n", r.name.c_str(), r.packed,
                    static_cast<double>(r.packed) / static_cast<double>(input.size()), mb / r.pack_seconds,
                    mb / r.unpack_seconds, static_cast<double>(r.peak_kib) / 1024,
                    r.stated_mib > 0 ? std::to_string(static_cast<long>(r.stated_mib + 0.5)).c_str() : "-",
                    r.ok ? "yes" : "NO");
    }
    return 0;
}
