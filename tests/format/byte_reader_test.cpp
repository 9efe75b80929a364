// The bounded reader's contract: it never reads outside its bytes, a read past the
// end yields what is there and zeros for the rest, and a failure is for good.
// Buffers here are exact-size heap copies, so that ASan sees a read one byte past.

#include "format/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/string_text.h"

namespace {

constexpr std::int64_t int64_max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64_min = std::numeric_limits<std::int64_t>::min();

struct Buffer {
    explicit Buffer(const std::string& bytes) : bytes(bytes.begin(), bytes.end()) {}
    ByteReader reader() const { return ByteReader(bytes.data(), static_cast<std::int64_t>(bytes.size())); }
    std::vector<char> bytes;
};

TEST(ByteReader, ReadsLittleEndianInSequence) {
    Buffer b(std::string("\x01"
                         "\x02\x03"
                         "\x04\x05\x06\x87"
                         "\xFF\xFF\xFF\xFF"
                         "\x08\x07\x06\x05\x04\x03\x02\x81",
                         19));
    ByteReader r = b.reader();
    EXPECT_EQ(r.u8(), 0x01);
    EXPECT_EQ(r.u16(), 0x0302);
    EXPECT_EQ(r.u32(), 0x87060504u);
    EXPECT_EQ(r.i32(), -1);
    EXPECT_EQ(r.u64(), 0x8102030405060708u);
    EXPECT_EQ(r.position(), 19);
    EXPECT_EQ(r.remaining(), 0);
    EXPECT_FALSE(r.failed()); // ending exactly at the end is no failure
}

TEST(ByteReader, ReadPastTheEndKeepsWhatIsThereAndFailsForGood) {
    const Buffer b(std::string("\x11\x22\x33", 3));
    struct Case {
        const char* what;
        std::int64_t from;
        std::function<std::uint64_t(ByteReader&)> read;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {"u16 with one byte left", 2, [](ByteReader& r) { return r.u16(); }, 0x33},
        {"u32 with two bytes left", 1, [](ByteReader& r) { return r.u32(); }, 0x3322},
        {"u64 over all three bytes", 0, [](ByteReader& r) { return r.u64(); }, 0x332211},
        {"u8 at the end", 3, [](ByteReader& r) { return r.u8(); }, 0},
        {"i32 at the end", 3, [](ByteReader& r) { return static_cast<std::uint32_t>(r.i32()); }, 0},
        {"read of five bytes with two left", 1,
         [](ByteReader& r) {
             unsigned char out[5];
             std::memset(out, 0xAA, sizeof out);
             r.read(out, 5);
             std::uint64_t v = 0;
             for (int i = 4; i >= 0; --i)
                 v = v << 8 | out[i];
             return v;
         },
         0x3322},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ByteReader r = b.reader();
        r.skip(c.from);
        ASSERT_FALSE(r.failed());
        EXPECT_EQ(c.read(r), c.expected);
        EXPECT_TRUE(r.failed());
        EXPECT_EQ(r.position(), 3);
        // Nothing clears the failure but reset: a seek back fails too, and every
        // later read yields zeros although bytes are there.
        r.seek(0);
        EXPECT_TRUE(r.failed());
        EXPECT_EQ(r.position(), 3);
        EXPECT_EQ(r.u8(), 0);
        EXPECT_STREQ(r.text(), "");
        r.reset(b.bytes.data(), 3);
        EXPECT_FALSE(r.failed());
        EXPECT_EQ(r.u8(), 0x11);
    }
}

TEST(ByteReader, NegativeLengthsFailAndLaterReadsYieldZeros) {
    const Buffer b("abcdef");
    const std::function<void(ByteReader&)> cases[] = {
        [](ByteReader& r) {
            char out[1] = {'x'};
            r.read(out, -1);
        },
        [](ByteReader& r) {
            String s("old");
            r.read_into(s, -1);
            EXPECT_TRUE(s.is_empty());
        },
        [](ByteReader& r) { r.skip(-1); },
        [](ByteReader& r) { r.skip(int64_min); },
    };
    for (const auto& negative : cases) {
        ByteReader r = b.reader();
        r.skip(1);
        negative(r);
        EXPECT_TRUE(r.failed());
        EXPECT_EQ(r.u8(), 0);
        String s("old");
        r.read_into(s, 2);
        EXPECT_TRUE(s.is_empty());
    }
}

TEST(ByteReader, TextsEndAtTheirNul) {
    const Buffer b(std::string("one\0\0two", 8));
    ByteReader r = b.reader();
    EXPECT_STREQ(r.text(), "one");
    EXPECT_EQ(r.position(), 4);
    EXPECT_STREQ(r.text(), "");
    EXPECT_FALSE(r.failed());
    // "two" has no NUL before the end.
    EXPECT_STREQ(r.text(), "");
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.position(), 8);

    // Into a String: the bytes up to the end, and the failure.
    r = b.reader();
    String s("old");
    r.text(s);
    EXPECT_STREQ(s.c_str(), "one");
    r.text(s);
    EXPECT_TRUE(s.is_empty());
    EXPECT_FALSE(r.failed());
    r.text(s);
    EXPECT_EQ(text_of(s), "two");
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.position(), 8);
    r.text(s);
    EXPECT_TRUE(s.is_empty());

    // An empty reader has no text.
    ByteReader empty;
    EXPECT_STREQ(empty.text(), "");
    EXPECT_TRUE(empty.failed());
}

TEST(ByteReader, ReadIntoCopiesOnlyWhatIsThere) {
    const Buffer b("0123456789");
    struct Case {
        std::int64_t from;
        std::int64_t n;
        const char* copied;
        bool fails;
    };
    const Case cases[] = {
        {0, 10, "0123456789", false},     {3, 4, "3456", false}, {10, 0, "", false}, {6, 5, "6789", true},
        {2, int64_max, "23456789", true}, {10, 1, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " " + std::to_string(c.n));
        ByteReader r = b.reader();
        r.seek(c.from);
        String target("previous content");
        r.read_into(target, c.n);
        EXPECT_STREQ(target.c_str(), c.copied);
        EXPECT_EQ(r.failed(), c.fails);
        EXPECT_EQ(r.position(), c.fails ? 10 : c.from + c.n);
    }
}

TEST(ByteReader, SeekAndSkipStayInside) {
    const Buffer b("abcdef");
    struct Case {
        const char* what;
        std::function<void(ByteReader&)> move;
        bool fails;
        std::int64_t position;
    };
    const Case cases[] = {
        {"seek to the start", [](ByteReader& r) { r.seek(0); }, false, 0},
        {"seek to the end", [](ByteReader& r) { r.seek(6); }, false, 6},
        {"seek past the end", [](ByteReader& r) { r.seek(7); }, true, 6},
        {"seek before the start", [](ByteReader& r) { r.seek(-1); }, true, 6},
        {"seek to INT64_MAX", [](ByteReader& r) { r.seek(int64_max); }, true, 6},
        {"skip to the end", [](ByteReader& r) { r.skip(4); }, false, 6},
        {"skip past the end", [](ByteReader& r) { r.skip(5); }, true, 6},
        {"skip INT64_MAX", [](ByteReader& r) { r.skip(int64_max); }, true, 6},
    };
    for (const Case& c : cases) {
        ByteReader r = b.reader();
        r.skip(2);
        c.move(r);
        EXPECT_EQ(r.failed(), c.fails) << c.what;
        EXPECT_EQ(r.position(), c.position) << c.what;
    }
}

TEST(ByteReader, ReadsAtOffsetsOnlyWhollyInside) {
    const Buffer b("\x01\x02\x03\x04\x05\x06");
    struct Case {
        std::int64_t offset;
        bool u16_inside;
        bool u32_inside;
    };
    const Case cases[] = {
        {0, true, true},           {2, true, true},
        {3, true, false},          {4, true, false},
        {5, false, false},         {6, false, false},
        {-1, false, false},        {-4, false, false},
        {int64_max, false, false}, {int64_max - 1, false, false},
        {int64_min, false, false}, {int64_min + 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        ByteReader r = b.reader();
        r.skip(1);
        std::uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(r.u16_at(c.offset, value), c.u16_inside);
        // Byte i holds i + 1.
        EXPECT_EQ(value,
                  c.u16_inside ? static_cast<std::uint32_t>((c.offset + 2) << 8 | (c.offset + 1)) : 0u);
        value = 0xDEADBEEF;
        EXPECT_EQ(r.u32_at(c.offset, value), c.u32_inside);
        EXPECT_EQ(value, c.u32_inside
                             ? static_cast<std::uint32_t>((c.offset + 4) << 24 | (c.offset + 3) << 16 |
                                                          (c.offset + 2) << 8 | (c.offset + 1))
                             : 0u);
        // Neither moves the reader nor touches its failure.
        EXPECT_EQ(r.position(), 1);
        EXPECT_FALSE(r.failed());
    }
}

TEST(ByteReader, SubReadersOnlyWhollyInside) {
    const Buffer b("abcdef");
    struct Case {
        std::int64_t offset;
        std::int64_t n;
        bool inside;
    };
    const Case cases[] = {
        {0, 6, true},
        {2, 3, true},
        {6, 0, true},
        {0, 0, true},
        {5, 2, false},
        {7, 0, false},
        {-1, 1, false},
        {1, -1, false},
        {int64_max, 1, false},
        {1, int64_max, false},
        {int64_min, 0, false},
        {0, int64_min, false},
        {int64_max, int64_max, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset) + " " + std::to_string(c.n));
        const ByteReader r = b.reader();
        ByteReader out = b.reader();
        out.skip(3);
        ASSERT_EQ(r.sub(c.offset, c.n, out), c.inside);
        EXPECT_EQ(out.position(), 0);
        EXPECT_FALSE(out.failed());
        if (c.inside) {
            EXPECT_EQ(out.data(), b.bytes.data() + c.offset);
            EXPECT_EQ(out.size(), c.n);
        } else {
            EXPECT_EQ(out.size(), 0);
        }
    }
    // A sub-reader is bounded by its own end, not by its parent's.
    ByteReader part;
    ASSERT_TRUE(b.reader().sub(1, 2, part));
    EXPECT_EQ(part.u32(), 0x6362u);
    EXPECT_TRUE(part.failed());
}

TEST(ByteReader, NoBytesReadAsAnEmptyReader) {
    const char data[] = "abc";
    const ByteReader readers[] = {ByteReader(), ByteReader(nullptr, 10), ByteReader(data, -5),
                                  ByteReader(data, 0)};
    for (ByteReader r : readers) {
        EXPECT_EQ(r.size(), 0);
        std::uint32_t value = 1;
        EXPECT_FALSE(r.u16_at(0, value));
        EXPECT_EQ(r.u32(), 0u);
        EXPECT_TRUE(r.failed());
    }
}

} // namespace
