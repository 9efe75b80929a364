#include "format/packed_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/memory.h"
#include "tests/support/plain_unpack.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Composes blocks token by token, so that each case states the stream it feeds in.
struct BlockWriter {
    Bytes bytes;
    int bit_count = 0;

    explicit BlockWriter(int32_t unpacked, uint32_t magic = packed_block_magic) {
        put(magic, 32);
        put(static_cast<uint32_t>(unpacked), 32);
    }
    BlockWriter& put(uint64_t value, int width) {
        for (int i = 0; i < width; ++i, ++bit_count) {
            if (bit_count % 8 == 0)
                bytes.push_back(0);
            if ((value >> i) & 1)
                bytes.back() |= static_cast<unsigned char>(1u << (bit_count % 8));
        }
        return *this;
    }
    // number(base, step) with `extra` more prefix bits than the value needs.
    BlockWriter& number(uint32_t value, int base, int step, int extra = 0) {
        int ones = 0;
        auto width = [&] { return base + ones * step > 32 ? 32 : base + ones * step; };
        while (width() < 32 && (uint64_t{value} >> width()) != 0)
            ++ones;
        ones += extra;
        put((uint64_t{1} << ones) - 1, ones).put(0, 1);
        return put(value, width());
    }
    BlockWriter& literals(const std::string& text, int extra = 0) {
        put(0, 1).number(static_cast<uint32_t>(text.size() - 1), 2, 2, extra);
        for (unsigned char c : text)
            put(c, 8);
        return *this;
    }
    BlockWriter& repeat(unsigned char value, uint32_t count) {
        return put(3, 2).put(value, 8).number(count - 3, 1, 1);
    }
    BlockWriter& reference(uint32_t length, uint32_t distance) {
        return put(1, 2).number(length - 4, 2, 1).number(distance - 4, 12, 2);
    }
};

struct Unpacked {
    bool ok;
    std::string content;
};

// Runs unpack_block over a private copy and checks the contract on both outcomes.
Unpacked unpack(const Bytes& block) {
    Bytes input = block;
    const char* data = reinterpret_cast<const char*>(input.data());
    int32_t size = static_cast<int32_t>(input.size());
    bool ok = unpack_block(data, size);
    EXPECT_EQ(input, block) << "the input must stay untouched";
    if (!ok) {
        EXPECT_EQ(data, reinterpret_cast<const char*>(input.data())) << "failure must leave data as it was";
        EXPECT_EQ(size, static_cast<int32_t>(block.size()));
        return {false, {}};
    }
    EXPECT_NE(data, reinterpret_cast<const char*>(input.data()));
    EXPECT_EQ(data[size], '\0') << "the result is NUL-terminated";
    Unpacked result{true, std::string(data, static_cast<size_t>(size))};
    heap_free(const_cast<char*>(data));
    return result;
}

TEST(Unpack, KnownVectors) {
    Unpacked abc = unpack({0xA1, 0x2B, 0xC7, 0x9E, 0x03, 0x00, 0x00, 0x00, 0x18, 0x26, 0x36, 0x06});
    ASSERT_TRUE(abc.ok);
    EXPECT_EQ(abc.content, "abc");

    Unpacked mixed = unpack({0xA1, 0x2B, 0xC7, 0x9E, 0x0D, 0x00, 0x00, 0x00, 0x1C, 0x26, 0x36, 0x46, 0x16,
                             0x00, 0xC0, 0x78, 0x09});
    ASSERT_TRUE(mixed.ok);
    EXPECT_EQ(mixed.content, "abcdabcdxxxxx");

    // The writer composes the same bytes: the fixture itself follows the bit order.
    BlockWriter w(13);
    w.literals("abcd").reference(4, 4).repeat('x', 5);
    EXPECT_EQ(w.bytes, (Bytes{0xA1, 0x2B, 0xC7, 0x9E, 0x0D, 0x00, 0x00, 0x00, 0x1C, 0x26, 0x36, 0x46, 0x16,
                              0x00, 0xC0, 0x78, 0x09}));
}

TEST(Unpack, EmptyResultAndHeaderOnlyBlocks) {
    Unpacked empty = unpack(BlockWriter(0).bytes);
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(empty.content, "");
    EXPECT_FALSE(unpack(BlockWriter(1).bytes).ok) << "no bits for a token";
}

TEST(Unpack, TokensOfEveryKindAndLongPrefixes) {
    struct Case {
        const char* name;
        BlockWriter block;
        std::string expected;
    };
    std::vector<Case> cases = {
        {"non-minimal prefixes are accepted", BlockWriter(3).literals("xyz", 3), "xyz"},
        {"repeat with a long count", BlockWriter(1000).repeat('q', 1000), std::string(1000, 'q')},
        {"reference at the largest distance", BlockWriter(20).literals("0123456789").reference(10, 10),
         "01234567890123456789"},
        {"copy of length 4 from the very start, distance equal to length",
         BlockWriter(12).literals("wxyz").reference(4, 4).reference(4, 8), "wxyzwxyzwxyz"},
        {"trailing bits after the last token are ignored", BlockWriter(3).literals("abc").put(0x2AAAAAA, 27),
         "abc"},
        {"the last token may end exactly on the last bit", BlockWriter(5).literals("ab").repeat('c', 3),
         "abccc"},
    };
    // A 4 + 8-bit literal makes the next literal's 16 bits end on a byte boundary:
    // its stored bytes are then the block's bytes, unchanged.
    BlockWriter aligned(4);
    aligned.literals("a").literals("xyz");
    ASSERT_EQ(aligned.bytes.size(), 13u);
    EXPECT_EQ(std::string(aligned.bytes.begin() + 10, aligned.bytes.end()), "xyz");
    cases.push_back({"byte-aligned literal run", aligned, "axyz"});
    // A literal run long enough for the word-at-a-time copy, at every bit offset: a
    // first one-byte literal takes 12 bits plus 3 for each surplus prefix bit.
    std::string long_text;
    for (int i = 0; i < 300; ++i)
        long_text += static_cast<char>('A' + (i * 7) % 26);
    for (int extra = 0; extra < 8; ++extra) {
        BlockWriter w(static_cast<int32_t>(long_text.size() + 1));
        w.literals("a", extra).literals(long_text);
        cases.push_back({"long literal run", w, "a" + long_text});
    }
    for (auto& c : cases) {
        Unpacked u = unpack(c.block.bytes);
        EXPECT_TRUE(u.ok) << c.name;
        EXPECT_EQ(u.content, c.expected) << c.name;
    }
}

TEST(Unpack, DamagedBlocksFail) {
    struct Case {
        const char* name;
        Bytes block;
    };
    Bytes abc = BlockWriter(3).literals("abc").bytes;
    Bytes bad_magic = abc;
    bad_magic[3] ^= 0x01;
    Bytes truncated = abc;
    truncated.pop_back();
    std::vector<Case> cases = {
        {"empty input", {}},
        {"4 bytes", {0xA1, 0x2B, 0xC7, 0x9E}},
        {"7 bytes", {0xA1, 0x2B, 0xC7, 0x9E, 0, 0, 0}},
        {"bad magic", bad_magic},
        {"last stored byte missing", truncated},
        {"negative unpacked size", BlockWriter(-1).literals("abc").bytes},
        {"size larger than the stream produces", BlockWriter(4).literals("abc").bytes},
        {"literal run past the declared size", BlockWriter(2).literals("abc").bytes},
        {"repeat past the declared size", BlockWriter(5).literals("a").repeat('b', 5).bytes},
        {"reference past the declared size", BlockWriter(11).literals("abcdefgh").reference(4, 8).bytes},
        {"overlapping copy: distance smaller than length",
         BlockWriter(10).literals("abcde").reference(5, 4).bytes},
        {"reference before the start of the output", BlockWriter(8).literals("abc").reference(4, 4).bytes},
        {"reference distance far before the start",
         BlockWriter(8).literals("abcd").reference(4, 0x7FFFFFF0).bytes},
        {"length near 2^32 does not wrap", BlockWriter(8).literals("abcd").reference(0xFFFFFFFFu, 4).bytes},
        {"literal count near 2^32 does not wrap",
         BlockWriter(8).put(0, 1).number(0xFFFFFFFFu, 2, 2).put(0x61, 8).bytes},
        {"prefix of 1 bits running to the end", BlockWriter(8).put(0, 1).put(0xFFFFFFFFFFFFull, 48).bytes},
        {"repeat without its value", BlockWriter(4).literals("a").put(3, 2).bytes},
        {"declared size that cannot be allocated", BlockWriter(0x7FFFFFFF).literals("abc").bytes},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(unpack(c.block).ok) << c.name;
    const char* null_data = nullptr;
    int32_t size = 12;
    EXPECT_FALSE(unpack_block(null_data, size));
    EXPECT_EQ(null_data, nullptr);
    EXPECT_EQ(size, 12);
}

// The plain bit-by-bit reading of the format, as a second opinion.
Unpacked plain(const Bytes& block) {
    std::string out;
    bool ok = plain_unpack(block.data(), block.size(), out);
    return {ok, ok ? out : std::string()};
}

// Token streams of every shape (runs of all lengths, references near and far, long
// prefixes, repeats) whose content is known, built from a seed.
struct RandomStream {
    BlockWriter block{0};
    std::string content;

    explicit RandomStream(uint32_t seed, size_t size) {
        uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
        auto next = [&](uint32_t bound) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            return static_cast<uint32_t>((state >> 33) % bound);
        };
        while (content.size() < size) {
            uint32_t kind = next(10);
            int extra = next(8) == 0 ? static_cast<int>(next(4)) : 0;
            if (kind < 4 || content.size() < 4) {
                uint32_t n = next(4) == 0 ? 1 + next(300) : 1 + next(6);
                std::string text;
                for (uint32_t i = 0; i < n; ++i)
                    text += static_cast<char>(next(256));
                block.literals(text, extra);
                content += text;
            } else if (kind == 4) {
                uint32_t n = 3 + (next(2) ? next(30) : next(600));
                char c = static_cast<char>(next(256));
                block.put(3, 2).put(static_cast<unsigned char>(c), 8).number(n - 3, 1, 1, extra);
                content.append(n, c);
            } else {
                uint32_t most = static_cast<uint32_t>(content.size());
                uint32_t distance = 4 + next(most - 3);
                if (next(3) == 0)
                    distance = most - next(std::min<uint32_t>(most - 3, 16)); // from the start
                uint32_t longest = std::min<uint32_t>(distance, next(4) == 0 ? 400 : 40);
                uint32_t length = 4 + next(longest - 3);
                block.put(1, 2).number(length - 4, 2, 1, next(6) == 0 ? 1 + static_cast<int>(next(6)) : 0);
                block.number(distance - 4, 12, 2, extra + (next(8) == 0 ? static_cast<int>(next(11)) : 0));
                content += content.substr(content.size() - distance, length);
            }
        }
        int32_t n = static_cast<int32_t>(content.size());
        std::memcpy(block.bytes.data() + 4, &n, 4);
    }
};

TEST(Unpack, RandomStreamsAndTheirDamageReadAsTheFormatSays) {
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        RandomStream stream(seed, seed % 3 == 0 ? 200 : 20000);
        const Bytes& block = stream.block.bytes;
        Unpacked whole = unpack(block);
        ASSERT_TRUE(whole.ok) << "seed " << seed;
        ASSERT_EQ(whole.content, stream.content) << "seed " << seed;
        ASSERT_TRUE(plain(block).content == stream.content) << "the plain reader agrees";
        // Every kind of damage must end as the plain reading ends: cut streams,
        // flipped bits anywhere, declared sizes a little off either way.
        std::vector<Bytes> damaged;
        for (size_t cut = 8; cut < block.size(); cut += 1 + block.size() / 64)
            damaged.emplace_back(block.begin(), block.begin() + static_cast<long>(cut));
        uint64_t state = seed;
        for (int i = 0; i < 120; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            uint64_t bit = 64 + (state >> 20) % (8 * block.size() - 64);
            Bytes b = block;
            b[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
            damaged.push_back(b);
        }
        for (int delta : {-40, -33, -32, -31, -1, 1, 31, 32, 40}) {
            Bytes b = block;
            int32_t n = static_cast<int32_t>(stream.content.size()) + delta;
            std::memcpy(b.data() + 4, &n, 4);
            damaged.push_back(b);
        }
        for (const auto& b : damaged) {
            Unpacked expected = plain(b);
            Unpacked got = unpack(b);
            ASSERT_EQ(got.ok, expected.ok) << "seed " << seed << ", " << b.size() << " bytes";
            ASSERT_TRUE(got.content == expected.content) << "seed " << seed;
        }
    }
}

TEST(Unpack, StringInPlace) {
    Bytes block = BlockWriter(13).literals("abcd").reference(4, 4).repeat('x', 5).bytes;
    String s(reinterpret_cast<const char*>(block.data()), static_cast<int32_t>(block.size()));
    ASSERT_TRUE(unpack_string(s));
    EXPECT_STREQ(s.c_str(), "abcdabcdxxxxx");
    EXPECT_EQ(s.length(), 13);

    String damaged(reinterpret_cast<const char*>(block.data()), static_cast<int32_t>(block.size()) - 1);
    String before = damaged;
    EXPECT_FALSE(unpack_string(damaged));
    EXPECT_TRUE(damaged == before) << "a failure leaves the String as it was";

    String empty_result(reinterpret_cast<const char*>(BlockWriter(0).bytes.data()), 8);
    ASSERT_TRUE(unpack_string(empty_result));
    EXPECT_EQ(empty_result.length(), 0);
}

TEST(UnpackBitReader, BitOrderAndFailuresThatDoNotMove) {
    const unsigned char bytes[] = {0xB5, 0x0F}; // 1011 0101, 0000 1111
    BitReader r(bytes, 2);
    EXPECT_TRUE(r.read_bit());
    EXPECT_FALSE(r.read_bit());
    uint32_t v = 0;
    ASSERT_TRUE(r.read_field(v, 3)); // bits 2..4: 1, 0, 1
    EXPECT_EQ(v, 5u);
    ASSERT_TRUE(r.read_field(v, 7)); // bits 5..11: 1, 0, 1, 1, 1, 1, 1
    EXPECT_EQ(v, 0x7Du);
    EXPECT_FALSE(r.read_field(v, 5)) << "only 4 bits remain";
    EXPECT_FALSE(r.read_field(v, 0));
    EXPECT_EQ(r.position(), 12);
    EXPECT_TRUE(r.has_bits(4));
    EXPECT_FALSE(r.has_bits(5));
    unsigned char out = 0xF0;
    EXPECT_FALSE(r.read_bits(&out, 0));
    ASSERT_TRUE(r.read_bits(&out, 4));
    EXPECT_EQ(out, 0xF0) << "bits above the count stay; the 4 bits read were 0";
    EXPECT_FALSE(r.read_bit()) << "a read past the end yields 0";
    EXPECT_EQ(r.position(), 16) << "and does not move";

    // Copying across byte boundaries at an odd offset.
    const unsigned char stream[] = {0x80, 0x30, 0xB1, 0x01};
    BitReader shifted(stream, 4, 7);
    unsigned char copy[3] = {0, 0, 0};
    ASSERT_TRUE(shifted.read_bits(copy, 20));
    EXPECT_EQ(copy[0], 0x61);
    EXPECT_EQ(copy[1], 0x62);
    EXPECT_EQ(copy[2], 0x03);
}

TEST(UnpackBitReader, Numbers) {
    struct Case {
        uint32_t value;
        int base, step, extra;
    };
    const Case cases[] = {{0, 2, 2, 0}, {3, 2, 2, 0},           {4, 2, 2, 0},     {63, 2, 2, 0},
                          {5, 2, 2, 4}, {0, 12, 2, 0},          {4096, 12, 2, 0}, {0xFFFFFFFFu, 12, 2, 0},
                          {1, 1, 1, 0}, {0xFFFFFFFFu, 1, 1, 0}, {7, 0, 3, 1},     {0, 0, 1, 0}};
    for (const auto& c : cases) {
        BlockWriter w(0);
        w.number(c.value, c.base, c.step, c.extra).put(0, 8);
        BitReader r(w.bytes.data(), static_cast<int64_t>(w.bytes.size()), 64);
        uint32_t v = 12345;
        ASSERT_TRUE(r.read_number(v, c.base, c.step)) << c.value;
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(r.position(), w.bit_count - 8);
    }
    // A width capped at 32: 11 prefix ones on base 12, step 2 would be 34 bits.
    BlockWriter capped(0);
    capped.put(0x7FF, 11).put(0, 1).put(0xDEADBEEF, 32).put(0, 8);
    BitReader r(capped.bytes.data(), static_cast<int64_t>(capped.bytes.size()), 64);
    uint32_t v = 0;
    ASSERT_TRUE(r.read_number(v, 12, 2));
    EXPECT_EQ(v, 0xDEADBEEFu);

    const unsigned char few[] = {0x00, 0x00};
    BitReader s(few, 2, 15);
    EXPECT_FALSE(s.read_number(v, 0, 1)) << "fewer than 2 bits";
    BitReader t(few, 2, 0);
    EXPECT_FALSE(t.read_number(v, 65, 1));
    EXPECT_FALSE(t.read_number(v, 2, 0));
    EXPECT_FALSE(t.read_number(v, 2, 17));
    EXPECT_FALSE(t.read_number(v, 16, 1)) << "a 16-bit value after its prefix bit does not fit";
    EXPECT_EQ(t.position(), 0);
}

TEST(UnpackDescramble, ZeroToSevenBytesAndInverse) {
    const int32_t key = static_cast<int32_t>(0xA1B2C3D4);
    const unsigned char key_bytes[4] = {0xD4, 0xC3, 0xB2, 0xA1};
    const unsigned char original[7] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    for (int n = 0; n <= 7; ++n) {
        unsigned char buffer[8];
        std::memcpy(buffer, original, 7);
        buffer[7] = 0x77; // just past the buffer: must stay
        descramble(buffer, n, key);
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(buffer[i], original[i] ^ key_bytes[i % 4]) << n << " bytes, byte " << i;
        for (int i = n; i < 7; ++i)
            EXPECT_EQ(buffer[i], original[i]) << n << " bytes, byte " << i << " lies outside";
        EXPECT_EQ(buffer[7], 0x77);
        descramble(buffer, n, key);
        EXPECT_EQ(std::memcmp(buffer, original, 7), 0) << "applied twice restores, " << n << " bytes";
    }
    String s("abcdefghijk");
    descramble(s, key);
    descramble(s, key);
    EXPECT_STREQ(s.c_str(), "abcdefghijk");
}

} // namespace
