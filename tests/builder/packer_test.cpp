#include "builder/packer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory.h"
#include "core/string.h"
#include "format/packed_block.h"
#include "tests/support/sample_pe.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A small deterministic generator, so that every run packs the same bytes.
struct Random {
    uint64_t state;
    explicit Random(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    Bytes bytes(size_t n) {
        Bytes b(n);
        for (auto& c : b)
            c = static_cast<unsigned char>(next());
        return b;
    }
};

Bytes text(size_t n, uint64_t seed) {
    static const char* const words[] = {"the ",  "installer ", "copies ",  "files ",     "into ",
                                        "a ",    "folder ",    "and ",     "writes ",    "registry ",
                                        "keys ", "of ",        "product ", "uninstall ", "record ",
                                        "\r\n",  "Setup. ",    "version "};
    Random r(seed);
    Bytes b;
    while (b.size() < n) {
        const char* w = words[r.next() % (sizeof words / sizeof *words)];
        b.insert(b.end(), w, w + std::strlen(w));
    }
    b.resize(n);
    return b;
}

Bytes periodic(size_t period, size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<unsigned char>("Wx7!qZ#m"[i % period]);
    return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes b;
    for (const auto& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

Bytes sample_pe() {
    String bytes = read_sample_pe();
    return Bytes(bytes.c_str(), bytes.c_str() + bytes.length());
}

// Packs at level, checks the size bound, and unpacks with the stub's decoder.
Bytes round_trip(const Bytes& input, int level, const std::string& what) {
    Bytes block;
    EXPECT_TRUE(pack_block(input.data(), input.size(), level, block)) << what;
    EXPECT_LE(block.size(), input.size() + input.size() / 256 + 32) << what;
    const char* data = reinterpret_cast<const char*>(block.data());
    int32_t size = static_cast<int32_t>(block.size());
    if (!unpack_block(data, size)) {
        ADD_FAILURE() << what << ": the decoder rejects the block";
        return block;
    }
    bool same = size == static_cast<int32_t>(input.size()) &&
                (input.empty() || std::memcmp(data, input.data(), input.size()) == 0);
    heap_free(const_cast<char*>(data));
    EXPECT_TRUE(same) << what << ": unpacked bytes differ";
    return block;
}

struct Shape {
    std::string name;
    Bytes bytes;
};

std::vector<Shape> shapes() {
    Random r(7);
    std::vector<Shape> s = {
        {"empty", {}},
        {"one byte", {0x5A}},
        {"three equal bytes", {9, 9, 9}},
        {"four bytes", {1, 2, 3, 4}},
        {"random bytes", r.bytes(70000)},
        {"one byte repeated 1 MiB", Bytes(1 << 20, 0)},
        {"text", text(200000, 1)},
        {"real PE file", sample_pe()},
    };
    for (size_t period = 1; period <= 8; ++period)
        s.push_back(
            {"period " + std::to_string(period), concat({r.bytes(5), periodic(period, 5000), r.bytes(3)})});
    // Runs of every length around the repeat token's classes and the parsers' cut-offs,
    // and literal stretches of the lengths where the run header grows.
    Bytes runs;
    for (size_t n :
         {2, 3, 4, 5, 6, 7, 10, 11, 18, 19, 31, 32, 33, 63, 64, 65, 127, 128, 129, 255, 256, 257, 1000}) {
        Bytes one = r.bytes(n % 7 + 1);
        runs.insert(runs.end(), one.begin(), one.end());
        runs.insert(runs.end(), n, static_cast<unsigned char>(n));
    }
    s.push_back({"runs of many lengths", runs});
    Bytes literals;
    for (size_t n : {1, 4, 5, 16, 17, 64, 65, 256, 257, 1024, 1025}) {
        Bytes fresh = r.bytes(n);
        literals.insert(literals.end(), fresh.begin(), fresh.end());
        literals.insert(literals.end(), 40, 0xEE);
    }
    s.push_back({"literal runs around header sizes", literals});
    // Copies at distances and of lengths around the classes of their numbers.
    Bytes copies = r.bytes(20000);
    for (size_t distance : {4, 5, 7, 8, 4099, 4100, 4101, 16387, 16388, 16389}) {
        for (size_t length : {4, 7, 8, 11, 12, 19, 20, 36}) {
            if (length > distance)
                continue;
            size_t from = copies.size() - distance;
            for (size_t i = 0; i < length; ++i)
                copies.push_back(copies[from + i]);
            Bytes gap = r.bytes(3);
            copies.insert(copies.end(), gap.begin(), gap.end());
        }
    }
    s.push_back({"copies around distance and length classes", copies});
    for (size_t n = 5; n <= 12; ++n)
        s.push_back({std::to_string(n) + " bytes of text", text(n, n)});
    return s;
}

TEST(Packer, RoundTripsEveryShapeAtEveryLevel) {
    auto all = shapes();
    ASSERT_GT(all[7].bytes.size(), 10000u) << "sample PE file missing: " << VARNOOK_SAMPLE_PE;
    for (const auto& shape : all)
        for (int level = pack_level_fastest; level <= pack_level_best; ++level)
            round_trip(shape.bytes, level, shape.name + " at level " + std::to_string(level));
}

TEST(Packer, RedundancyIsFoundAtEveryLevel) {
    for (int level = pack_level_fastest; level <= pack_level_best; ++level) {
        std::string at = " at level " + std::to_string(level);
        EXPECT_LT(round_trip(Bytes(1 << 20, 0), level, "zeros").size(), 64u)
            << "a long run is a few repeats" << at;
        // Periods below 4 cannot be copied at their own distance; multiples of the
        // period must still make a long periodic stretch cheap.
        for (size_t period : {2, 3, 5}) {
            Bytes block = round_trip(periodic(period, 100000), level, "periodic");
            EXPECT_LT(block.size(), 2000u) << "period " << period << at;
        }
        Bytes twice = Random(3).bytes(300000);
        twice.insert(twice.end(), twice.begin(), twice.end());
        EXPECT_LT(round_trip(twice, level, "repeated random").size(), twice.size() / 2 + 2000)
            << "every level sees the whole input and finds a far copy" << at;
    }
}

TEST(Packer, HigherLevelsPackSmaller) {
    Bytes input = concat({text(150000, 5), sample_pe(), text(50000, 5)});
    size_t fastest = round_trip(input, pack_level_fastest, "fastest").size();
    size_t standard = round_trip(input, pack_level_default, "default").size();
    size_t best = round_trip(input, pack_level_best, "best").size();
    EXPECT_LT(standard, fastest);
    EXPECT_LT(best, standard);
}

TEST(Packer, DeterministicAndRejectsBadArguments) {
    Bytes input = concat({text(30000, 2), sample_pe()});
    for (int level : {1, 5, 7, 9}) {
        Bytes a, b;
        ASSERT_TRUE(pack_block(input.data(), input.size(), level, a));
        ASSERT_TRUE(pack_block(input.data(), input.size(), level, b));
        EXPECT_EQ(a, b) << "level " << level;
    }
    Bytes block = {1, 2, 3};
    EXPECT_FALSE(pack_block(input.data(), input.size(), 0, block));
    EXPECT_FALSE(pack_block(input.data(), input.size(), 10, block));
    EXPECT_FALSE(pack_block(nullptr, 5, 5, block));
    EXPECT_EQ(block, (Bytes{1, 2, 3})) << "a refused call leaves the block alone";
    EXPECT_TRUE(pack_block(nullptr, 0, 5, block));
    EXPECT_EQ(block.size(), 8u);
}

TEST(Packer, ScrambledScriptBlockRoundTrip) {
    // The builder's side of the script block: pack, scramble with the key that is
    // also the checksum of the unpacked script; the stub descrambles and unpacks.
    Bytes script = text(5000, 9);
    String original(reinterpret_cast<const char*>(script.data()), static_cast<int32_t>(script.size()));
    int32_t key = static_cast<int32_t>(original.hash());
    Bytes block;
    ASSERT_TRUE(pack_block(script.data(), script.size(), pack_level_best, block));
    descramble(block.data(), static_cast<int32_t>(block.size()), key);
    EXPECT_NE(block[0], 0xA1) << "the magic no longer shows";
    String stored(reinterpret_cast<const char*>(block.data()), static_cast<int32_t>(block.size()));
    descramble(stored, key);
    ASSERT_TRUE(unpack_string(stored));
    EXPECT_TRUE(stored == original);
    EXPECT_EQ(static_cast<int32_t>(stored.hash()), key);
}

} // namespace
