#include "core/stream.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string content(const MemoryStream& stream) {
    return std::string(stream.string().c_str(), static_cast<size_t>(stream.length()));
}

// A Reader over a fixed text that fails once it runs out, to test the helpers of
// the interface apart from MemoryStream.
class TextReader : public Reader {
  public:
    explicit TextReader(const char* text) : text_(text) {}
    bool read(void* buffer, int32_t n) override {
        if (static_cast<size_t>(n) > std::strlen(text_))
            return false;
        std::memcpy(buffer, text_, static_cast<size_t>(n));
        text_ += n;
        return true;
    }

  private:
    const char* text_;
};

} // namespace

TEST(MemoryStream, ShortReadCopiesWhatIsThereZeroFillsAndStillAdvances) {
    MemoryStream stream(String("abcde"));
    char buffer[4];
    ASSERT_TRUE(stream.read(buffer, 3));
    EXPECT_EQ(std::string(buffer, 3), "abc");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(stream.read(buffer, 4));
    EXPECT_EQ(std::string(buffer, 4), std::string("de\0\0", 4));
    EXPECT_EQ(stream.position(), 7);

    // Past the end nothing is there at all, and the position keeps moving.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(stream.read(buffer, 2));
    EXPECT_EQ(std::string(buffer, 2), std::string("\0\0", 2));
    EXPECT_EQ(stream.position(), 9);
}

TEST(MemoryStream, ReadCountBelowOneSucceedsOnlyForZero) {
    MemoryStream stream(String("ab"));
    char byte = 'x';
    EXPECT_TRUE(stream.read(&byte, 0));
    EXPECT_FALSE(stream.read(&byte, -1));
    EXPECT_EQ(byte, 'x');
    EXPECT_EQ(stream.position(), 0);
}

TEST(MemoryStream, WriteOverwritesAtThePositionAndGrowsPastTheEnd) {
    MemoryStream stream(String("hello"));
    ASSERT_TRUE(stream.seek(3));
    ASSERT_TRUE(stream.write("LOWORLD", 7));
    EXPECT_EQ(content(stream), "helLOWORLD");
    EXPECT_EQ(stream.position(), 10);
    EXPECT_TRUE(stream.write("", 0));
    EXPECT_FALSE(stream.write("x", -1));
    EXPECT_EQ(content(stream), "helLOWORLD");
}

TEST(MemoryStream, ExtendRaisesTheLengthOnlyToThePositionAndKeepsThePresizedBuffer) {
    // The unpacker sizes the String up front; the output must then grow inside it
    // without moving, and the length stays the declared one.
    MemoryStream stream;
    stream.string().set_length(100);
    const char* buffer = stream.string().data();
    char* place = stream.extend(10);
    ASSERT_EQ(place, buffer);
    EXPECT_EQ(stream.position(), 10);
    EXPECT_EQ(stream.length(), 100);
    ASSERT_TRUE(stream.seek(95));
    place = stream.extend(10);
    EXPECT_EQ(place, buffer + 95);
    EXPECT_EQ(stream.length(), 105);
    EXPECT_EQ(stream.extend(-1), nullptr);
    EXPECT_EQ(stream.position(), 105);
}

TEST(MemoryStream, WriteAfterSkipPastTheEndFillsTheGapWithZeros) {
    MemoryStream stream(String("ab"));
    stream.skip(5);
    ASSERT_TRUE(stream.write("z", 1));
    EXPECT_EQ(content(stream), std::string("ab\0\0\0z", 6));
}

TEST(MemoryStream, WriteFill) {
    MemoryStream stream;
    EXPECT_FALSE(stream.write_fill('q', 0));
    EXPECT_FALSE(stream.write_fill('q', -3));
    EXPECT_EQ(stream.length(), 0);
    ASSERT_TRUE(stream.write_fill('q', 3));
    ASSERT_TRUE(stream.write_fill(0, 2));
    EXPECT_EQ(content(stream), std::string("qqq\0\0", 5));
    EXPECT_EQ(stream.position(), 5);
}

TEST(MemoryStream, CopyWithinNeedsTheRangeWhollyBeforeThePosition) {
    MemoryStream stream(String("abcdef"));
    ASSERT_TRUE(stream.seek(4));
    EXPECT_FALSE(stream.copy_within(-1, 2));
    EXPECT_FALSE(stream.copy_within(3, 2)); // would end after the position
    EXPECT_FALSE(stream.copy_within(0, -1));
    EXPECT_EQ(content(stream), "abcdef");
    EXPECT_EQ(stream.position(), 4);

    ASSERT_TRUE(stream.copy_within(1, 3)); // "bcd" at 4, over "ef"
    EXPECT_EQ(content(stream), "abcdbcd");
    EXPECT_EQ(stream.position(), 7);
}

TEST(MemoryStream, CopyWithinSurvivesTheBufferMoving) {
    // Many copies from the start of a growing stream: each one may reallocate,
    // and the bytes must still come from the current buffer.
    MemoryStream stream;
    ASSERT_TRUE(stream.write("0123456789", 10));
    for (int i = 0; i < 2000; ++i)
        ASSERT_TRUE(stream.copy_within(0, 10));
    ASSERT_EQ(stream.length(), 20010);
    for (int32_t i = 0; i < stream.length(); ++i)
        ASSERT_EQ(stream.string().char_at(i), static_cast<char>('0' + i % 10)) << i;
}

TEST(MemoryStream, SeekAcceptsOnlyPositionsInsideOrAtTheEnd) {
    MemoryStream stream(String("abc"));
    EXPECT_TRUE(stream.seek(3));
    EXPECT_FALSE(stream.seek(4));
    EXPECT_FALSE(stream.seek(-1));
    EXPECT_EQ(stream.position(), 3);
    EXPECT_TRUE(stream.seek(0));
    stream.skip(-2);
    EXPECT_EQ(stream.position(), -2);
    char buffer[3];
    EXPECT_FALSE(stream.read(buffer, 3)); // from before the start
    EXPECT_EQ(std::string(buffer, 3), std::string("\0\0a", 3));
}

TEST(MemoryStream, TruncateHereAndClear) {
    MemoryStream stream(String("abcdef"));
    ASSERT_TRUE(stream.seek(2));
    stream.truncate_here();
    EXPECT_EQ(content(stream), "ab");
    stream.clear();
    EXPECT_EQ(stream.length(), 0);
    EXPECT_EQ(stream.position(), 0);
}

TEST(Reader, ReadByte) {
    MemoryStream stream(String("\xF0"));
    uint8_t byte = 7;
    ASSERT_TRUE(stream.read_byte(byte));
    EXPECT_EQ(byte, 0xF0);
    EXPECT_FALSE(stream.read_byte(byte));
    EXPECT_EQ(byte, 0);
}

TEST(Reader, ReadAppendGrowsTheTargetAndShrinksItBackOnFailure) {
    TextReader reader("world");
    String text("hello ");
    ASSERT_TRUE(reader.read_append(text, 3));
    EXPECT_STREQ(text.c_str(), "hello wor");
    EXPECT_FALSE(reader.read_append(text, 3)); // only "ld" left
    EXPECT_STREQ(text.c_str(), "hello wor");
    EXPECT_EQ(text.length(), 9);

    EXPECT_TRUE(reader.read_append(nullptr, 0));
    EXPECT_FALSE(reader.read_append(nullptr, 1));
    EXPECT_TRUE(reader.read_append(text, -5));
    EXPECT_EQ(text.length(), 9);
}

TEST(Writer, WriteStringAndText) {
    MemoryStream stream;
    String with_nul("a\0b", 3);
    ASSERT_TRUE(stream.write_string(with_nul));
    ASSERT_TRUE(stream.write_text("cd"));
    ASSERT_TRUE(stream.write_text(nullptr));
    ASSERT_TRUE(stream.write_string(String()));
    EXPECT_EQ(content(stream), std::string("a\0bcd", 5));
}
