#include "core/string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "core/memory.h"
#include "tests/support/fatal_capture.h"

namespace {

// The bytes of a String, NUL bytes included.
std::string bytes_of(const String& s) {
    return std::string(s.c_str(), static_cast<std::size_t>(s.length()));
}

// The invariants every operation must leave behind.
void expect_valid(const String& s) {
    if (s.data() == nullptr) {
        EXPECT_EQ(s.length(), 0);
        EXPECT_EQ(s.capacity(), 0);
        EXPECT_STREQ(s.c_str(), "");
    } else {
        EXPECT_GE(s.length(), 0);
        EXPECT_LT(s.length(), s.capacity());
        EXPECT_EQ(s.data()[s.length()], '\0');
    }
}

const char* const out_of_memory_start = "Out Of Memory.  Make sure your hard drive is not full.\n";

bool ends_out_of_memory(const std::function<void()>& code) {
    return fatal_text(code).rfind(out_of_memory_start, 0) == 0;
}

} // namespace

// ---------------------------------------------------------------------------
// Storage

TEST(String, StorageRuleGivesSpareBytesAndShrinksOnlyPastThreshold) {
    String s("abc");
    EXPECT_EQ(s.capacity(), 24);
    const char* buffer = s.data();
    s.set_length(10);
    EXPECT_EQ(s.capacity(), 24);
    EXPECT_EQ(s.data(), buffer);
    EXPECT_EQ(std::string(s.c_str(), 3), "abc"); // the old bytes survive growth
    s.set_length(30);
    EXPECT_EQ(s.capacity(), 51);
    expect_valid(s);

    String big;
    big.set_length(979);
    ASSERT_EQ(big.capacity(), 1000);
    big.set_length(600); // 400 idle bytes: kept
    EXPECT_EQ(big.capacity(), 1000);
    big.set_length(400); // 600 idle bytes: given back
    EXPECT_EQ(big.capacity(), 421);
    expect_valid(big);
}

TEST(String, ZeroLengthFreesBufferButCStrStaysAText) {
    String s("abc");
    s.set_length(0);
    EXPECT_EQ(s.data(), nullptr);
    EXPECT_EQ(s.capacity(), 0);
    ASSERT_NE(s.c_str(), nullptr);
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_TRUE(s.is_empty());

    String d;
    EXPECT_EQ(d.data(), nullptr);
    EXPECT_STREQ(d.c_str(), "");
    s.set_length(-5);
    expect_valid(s);
}

TEST(String, LengthsBeyondThe32BitFieldsEndOutOfMemory) {
    String s("abc");
    EXPECT_TRUE(ends_out_of_memory([&] { s.set_length(String::max_length + 1); }));
    EXPECT_TRUE(ends_out_of_memory([&] { s.extend(INT32_MAX); }));
    EXPECT_TRUE(ends_out_of_memory([&] { s.insert_chars('x', 1, INT32_MAX); }));
    EXPECT_TRUE(ends_out_of_memory([&] { s.splice(3, 0, INT32_MAX - 2); }));
    // Nothing changed on the way out.
    EXPECT_EQ(bytes_of(s), "abc");
    expect_valid(s);
}

TEST(String, TryOperationsReportImpossibleSizesAndLeaveTheStringAlone) {
    String s("abc");
    EXPECT_FALSE(s.try_set_length(String::max_length + 1));
    EXPECT_EQ(s.try_extend(INT32_MAX), nullptr);
    EXPECT_EQ(s.try_extend(-1), nullptr);
    EXPECT_EQ(bytes_of(s), "abc");
    EXPECT_EQ(s.capacity(), 24);

    ASSERT_TRUE(s.try_set_length(5));
    EXPECT_EQ(s.length(), 5);
    char* added = s.try_extend(2);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added, s.data() + 5);
    EXPECT_EQ(s.try_extend(0), s.data() + 7);
    EXPECT_TRUE(s.try_set_length(0));
    EXPECT_EQ(s.data(), nullptr);

    EXPECT_TRUE(s.try_assign("hello", 5));
    EXPECT_EQ(bytes_of(s), "hello");
    EXPECT_TRUE(s.try_assign(s.c_str() + 1, 3)); // from its own buffer
    EXPECT_EQ(bytes_of(s), "ell");
    EXPECT_TRUE(s.try_assign(nullptr, 3));
    EXPECT_EQ(s.data(), nullptr);
}

TEST(String, ExtendReturnsTheFirstNewByte) {
    String s("ab");
    char* p = s.extend(3);
    ASSERT_EQ(p, s.data() + 2);
    std::memcpy(p, "cde", 3);
    EXPECT_EQ(bytes_of(s), "abcde");
    EXPECT_EQ(s.extend(0), nullptr);
    EXPECT_EQ(s.extend(-4), nullptr);
}

TEST(String, ShrinkByIsSetLengthOfTheLengthLessN) {
    struct Case {
        int32_t n;
        int32_t length; // afterwards; 0 means the buffer is freed
    };
    const Case cases[] = {
        {2, 3}, {5, 0}, {6, 0}, {INT32_MAX, 0}, {0, 5}, {-3, 8},
    };
    for (const Case& c : cases) {
        String s("abcde");
        s.shrink_by(c.n);
        EXPECT_EQ(s.length(), c.length) << c.n;
        if (c.length == 0)
            EXPECT_EQ(s.data(), nullptr) << c.n;
        else
            EXPECT_EQ(std::string(s.c_str(), 3), "abc") << c.n;
        expect_valid(s);
    }

    // An empty String that still holds a buffer: nothing to shrink, but length 0 frees it.
    String s("abc");
    s.data()[0] = '\0';
    s.recompute_length();
    ASSERT_NE(s.data(), nullptr);
    s.shrink_by(0);
    EXPECT_EQ(s.data(), nullptr);

    String big("abc");
    EXPECT_TRUE(ends_out_of_memory([&] { big.shrink_by(INT32_MIN); }));
    EXPECT_EQ(bytes_of(big), "abc");
}

TEST(String, EnsureLengthReallocatesOnlyAtCapacity) {
    String s("abc"); // capacity 24
    EXPECT_FALSE(s.ensure_length(20));
    EXPECT_EQ(s.length(), 20);
    EXPECT_EQ(s.capacity(), 24);
    EXPECT_FALSE(s.ensure_length(5)); // never shortens in place
    EXPECT_EQ(s.length(), 20);
    EXPECT_TRUE(s.ensure_length(24));
    EXPECT_EQ(s.length(), 24);
    EXPECT_EQ(s.capacity(), 45);
    expect_valid(s);
}

TEST(String, RecomputeLengthFindsTheWrittenNulWithinTheBuffer) {
    String s;
    s.recompute_length();
    EXPECT_EQ(s.length(), 0);

    s.set_length(10);
    std::strcpy(s.data(), "hey");
    s.recompute_length();
    EXPECT_EQ(bytes_of(s), "hey");

    // A writer that forgot the NUL: the length stops inside the buffer.
    std::memset(s.data(), 'x', static_cast<std::size_t>(s.capacity()));
    s.recompute_length();
    EXPECT_EQ(s.length(), s.capacity() - 1);
    expect_valid(s);
}

TEST(String, AdoptAndDetachPassHeapBuffers) {
    char* block = static_cast<char*>(heap_alloc(100));
    std::memcpy(block, "xyz", 3);
    String s;
    s.adopt(block, 3);
    EXPECT_EQ(bytes_of(s), "xyz");
    EXPECT_EQ(s.capacity(), 4);
    expect_valid(s);

    char* taken = s.detach();
    EXPECT_EQ(s.data(), nullptr);
    EXPECT_EQ(s.length(), 0);
    EXPECT_STREQ(taken, "xyz");

    // Empty adoptions free the buffer (the leak checker would see it otherwise).
    s.adopt(taken, 0);
    EXPECT_TRUE(s.is_empty());
    s.adopt(nullptr, 5);
    EXPECT_EQ(s.data(), nullptr);

    String own("abc");
    own.adopt(own.data(), 2); // its own buffer: kept, not freed
    EXPECT_EQ(bytes_of(own), "ab");
    EXPECT_EQ(own.capacity(), 3);
    EXPECT_EQ(String().detach(), nullptr);
}

// ---------------------------------------------------------------------------
// Construction and assignment

TEST(String, ConstructionCopiesAndMoves) {
    EXPECT_EQ(bytes_of(String("abc")), "abc");
    EXPECT_EQ(bytes_of(String("abcdef", 2)), "ab");
    EXPECT_EQ(bytes_of(String("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(bytes_of(String("abc", String::to_end)), "abc");
    EXPECT_EQ(bytes_of(String('q')), "q");
    EXPECT_EQ(String(nullptr).data(), nullptr);
    EXPECT_EQ(String("abc", 0).data(), nullptr);
    EXPECT_EQ(String("abc", -1).data(), nullptr);
    EXPECT_EQ(String("").data(), nullptr);

    String a("hello");
    String b(a);
    EXPECT_NE(a.data(), b.data());
    EXPECT_EQ(a, b);
    String c = std::move(a);
    EXPECT_EQ(bytes_of(c), "hello");
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.length(), 0);
    b = "x";
    b = b; // self-assignment keeps the text
    EXPECT_EQ(bytes_of(b), "x");
    b = std::move(c);
    EXPECT_EQ(bytes_of(b), "hello");
    EXPECT_EQ(c.data(), nullptr);
}

TEST(String, AssignFromItsOwnBuffer) {
    String s("hello world");
    s.assign(s.c_str() + 6, 5);
    EXPECT_EQ(bytes_of(s), "world");
    EXPECT_EQ(s.capacity(), 26);

    s = "hello world";
    s.assign(s.c_str() + 6); // its own text, by strlen
    EXPECT_EQ(bytes_of(s), "world");

    s = "abc";
    s.assign(s.c_str() + 1, INT32_MAX - 30); // never reads past the content
    EXPECT_EQ(bytes_of(s), "bc");
    s.assign(s);
    EXPECT_EQ(bytes_of(s), "bc");
    s.assign_at_most(s.c_str() + 1, 100);
    EXPECT_EQ(bytes_of(s), "c");
}

TEST(String, AssignAtMostStopsAtNulOrCount) {
    String s("old");
    s.assign_at_most("abcdef", 3);
    EXPECT_EQ(bytes_of(s), "abc");
    s.assign_at_most("ab", 10);
    EXPECT_EQ(bytes_of(s), "ab");
    s.assign_at_most(nullptr, 10);
    EXPECT_EQ(s.data(), nullptr);
    s.assign_at_most("ab", -1);
    EXPECT_TRUE(s.is_empty());
}

// ---------------------------------------------------------------------------
// Access

TEST(String, CharAccessOutsideGivesZero) {
    String s("abc");
    EXPECT_EQ(s.char_at(0), 'a');
    EXPECT_EQ(s.char_at(2), 'c');
    for (int32_t i : {INT32_MIN, -1, 3, INT32_MAX})
        EXPECT_EQ(s.char_at(i), 0) << i;
    EXPECT_EQ(s.first_char(), 'a');
    EXPECT_EQ(s.last_char(), 'c');
    EXPECT_TRUE(s.starts_with_char('a'));
    EXPECT_TRUE(s.ends_with_char('c'));
    EXPECT_FALSE(s.ends_with_char('b'));
    EXPECT_EQ(s.pop_first(), 'a');
    EXPECT_EQ(bytes_of(s), "bc");

    String e;
    EXPECT_EQ(e.first_char(), 0);
    EXPECT_EQ(e.last_char(), 0);
    EXPECT_EQ(e.pop_first(), 0);
    EXPECT_EQ(e.char_at(0), 0);
}

TEST(String, CheckedAtEndsThroughInternalFatalNamingCore) {
    String s("abc");
    *s.checked_at(1) = 'X';
    EXPECT_EQ(bytes_of(s), "aXc");
    const char* prefix = "Internal Fatal Error\r\nModule: Core\r\nLine: ";
    for (int32_t i : {INT32_MIN, -1, 3, INT32_MAX}) {
        std::string text = fatal_text([&] { s.checked_at(i); });
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << i << ": " << text;
        EXPECT_GT(std::atoi(text.c_str() + std::strlen(prefix)), 0);
    }
    const String empty;
    EXPECT_NE(fatal_text([&] { empty.checked_at(0); }).find("Module: Core"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Editing

TEST(String, ReplaceRangeFollowsSpliceRules) {
    struct Case {
        const char* text;
        int32_t pos, remove;
        const char* bytes;
        int32_t n;
        bool ok;
        const char* result;
    };
    const Case cases[] = {
        {"abcdef", 1, 2, "X", 1, true, "aXdef"},       // shrinking in the middle
        {"abcdef", 1, 2, "XYZW", 4, true, "aXYZWdef"}, // growing in the middle
        {"abcdef", 1, 2, "XY", 2, true, "aXYdef"},     // same size
        {"abcdef", 4, 9, "XY", 2, true, "abcdXY"},     // remove clamped to the end
        {"abcdef", 6, 0, "XY", 2, true, "abcdefXY"},   // at the end
        {"abcdef", 0, 0, "XY", 2, true, "XYabcdef"},   // at the start
        {"abcdef", 2, 2, nullptr, 5, true, "abef"},    // null bytes: plain removal
        {"abcdef", 0, String::to_end, "", 0, true, ""},
        {"abcdef", -1, 1, "X", 1, false, "abcdef"},
        {"abcdef", 7, 0, "X", 1, false, "abcdef"},
        {"abcdef", 2, 0, "", 0, false, "abcdef"}, // nothing to do
        {"abcdef", 2, -3, "X", 0, false, "abcdef"},
        {"abcdef", 2, 1, "X", -1, false, "abcdef"}, // negative insert with a removal
        {"abcdef", INT32_MIN, INT32_MAX, "X", 1, false, "abcdef"},
        {"", 0, 0, "abc", String::to_end, true, "abc"}, // to_end means strlen
    };
    for (const Case& c : cases) {
        String s(c.text);
        EXPECT_EQ(s.replace_range(c.pos, c.remove, c.bytes, c.n), c.ok) << c.text << " " << c.pos;
        EXPECT_EQ(bytes_of(s), c.result) << c.text << " " << c.pos << " " << c.remove;
        expect_valid(s);
    }
}

TEST(String, AppendInsertAndRemoveVariants) {
    String s;
    EXPECT_EQ(s.append("abc"), 3);
    EXPECT_EQ(s.append(nullptr), 0);
    s.append("defgh", 2);
    s.append(String("!"));
    s.append('?');
    s.append('\0');
    EXPECT_EQ(bytes_of(s), std::string("abcde!?\0", 8));
    s.truncate(6);
    EXPECT_TRUE(s.prepend(">"));
    EXPECT_FALSE(s.prepend(""));
    EXPECT_EQ(bytes_of(s), ">abcde!");
    EXPECT_TRUE(s.insert(1, String("12")));
    EXPECT_TRUE(s.insert(1, String("xyz"), 2));
    EXPECT_TRUE(s.insert(1, "QRS", 1));
    EXPECT_TRUE(s.insert(0, "ab", 100)); // at most the strlen
    EXPECT_EQ(bytes_of(s), "ab>Qxy12abcde!");
    EXPECT_FALSE(s.insert(100, "z", 1));
    EXPECT_TRUE(s.insert_chars('-', 2, 3));
    EXPECT_EQ(bytes_of(s), "ab--->Qxy12abcde!");
    EXPECT_FALSE(s.insert_chars('-', 2, 0));
    EXPECT_TRUE(s.remove(2, 4));
    EXPECT_EQ(bytes_of(s), "abQxy12abcde!");
    EXPECT_TRUE(s.truncate(5));
    EXPECT_EQ(bytes_of(s), "abQxy");
    expect_valid(s);
}

TEST(String, EditingWithItsOwnTextAsArgument) {
    String s("abc");
    s.append(s);
    EXPECT_EQ(bytes_of(s), "abcabc");
    s.append(s.c_str() + 4); // "bc", read before the buffer grows
    EXPECT_EQ(bytes_of(s), "abcabcbc");
    s = "abc";
    s.insert(1, s);
    EXPECT_EQ(bytes_of(s), "aabcbc");
    s = "abc";
    s.prepend(s.c_str() + 2);
    EXPECT_EQ(bytes_of(s), "cabc");
    s = "abcdef";
    s.replace_range(0, 3, s.c_str() + 3, 3);
    EXPECT_EQ(bytes_of(s), "defdef");
    // Many appends of itself, so that the buffer is reallocated under the argument.
    s = "x";
    for (int i = 0; i < 12; ++i)
        s.append(s);
    EXPECT_EQ(s.length(), 4096);
    EXPECT_EQ(s.find_not_any("x"), -1);
}

TEST(String, RemoveFirstAndLastCount) {
    struct Case {
        bool first;
        int32_t n, removed;
        const char* result;
    };
    const Case cases[] = {
        {true, 2, 2, "cde"},   {true, 5, 5, ""},          {true, 9, 5, ""},
        {true, 0, 0, "abcde"}, {true, -3, 0, "abcde"},    {false, 2, 2, "abc"},
        {false, 9, 5, ""},     {false, INT32_MAX, 5, ""}, {false, INT32_MIN, 0, "abcde"},
    };
    for (const Case& c : cases) {
        String s("abcde");
        EXPECT_EQ(c.first ? s.remove_first(c.n) : s.remove_last(c.n), c.removed) << c.first << " " << c.n;
        EXPECT_EQ(bytes_of(s), c.result);
        expect_valid(s);
    }
}

TEST(String, BinaryPutAndGetStayInsideTheLength) {
    String s("\x01\x02\x03\x04\x05\x06", 6);
    EXPECT_EQ(s.get_int32(0), 0x04030201);
    EXPECT_EQ(s.get_int32(2), 0x06050403);
    EXPECT_EQ(s.get_int32(3), -1);
    EXPECT_EQ(s.get_int32(-1), -1);
    EXPECT_EQ(s.get_int32(INT32_MAX), -1);

    EXPECT_TRUE(s.put_int32(2, static_cast<int32_t>(0xAABBCCDD)));
    EXPECT_EQ(bytes_of(s), std::string("\x01\x02\xDD\xCC\xBB\xAA", 6));
    EXPECT_TRUE(s.put_int16(4, 0x1234));
    EXPECT_FALSE(s.put_int16(5, 1));
    EXPECT_FALSE(s.put_int32(3, 1));
    EXPECT_FALSE(s.put_int32(-1, 1));
    EXPECT_TRUE(s.put_bytes("zz", 0, 2));
    EXPECT_FALSE(s.put_bytes("zz", 5, 2));
    EXPECT_FALSE(s.put_bytes("zz", INT32_MAX, 2));
    EXPECT_FALSE(s.put_bytes("zz", 1, INT32_MIN));
    EXPECT_FALSE(s.put_bytes(nullptr, 0, 1));
    EXPECT_EQ(bytes_of(s), std::string("zz\xDD\xCC\x34\x12", 6));
    EXPECT_EQ(s.get_int32(2), 0x1234CCDD);
    EXPECT_EQ(s.length(), 6);
}

TEST(String, ConcatenationOperators) {
    String a("ab");
    EXPECT_EQ(bytes_of(a + String("cd")), "abcd");
    EXPECT_EQ(bytes_of(a + "cd"), "abcd");
    EXPECT_EQ(bytes_of(a + 'c'), "abc");
    EXPECT_EQ(bytes_of("x" + a), "xab");
    EXPECT_EQ(bytes_of(String() + String()), "");
    EXPECT_EQ(bytes_of(a), "ab");
}

// ---------------------------------------------------------------------------
// Comparison

TEST(String, EqualsComparesLengthAndBytes) {
    EXPECT_TRUE(String("a\0b", 3).equals(String("a\0b", 3)));
    EXPECT_FALSE(String("a\0b", 3).equals(String("a\0c", 3)));
    EXPECT_FALSE(String("a").equals(String("a\0", 2)));
    EXPECT_TRUE(String().equals(String("")));
    EXPECT_TRUE(String("a").not_equals(String("b")));
}

TEST(String, CompareWithText) {
    String with_empty_buffer("x");
    with_empty_buffer.data()[0] = '\0';
    with_empty_buffer.recompute_length();
    ASSERT_NE(with_empty_buffer.data(), nullptr);

    struct Case {
        const String* s;
        const char* text;
        bool case_sensitive;
        int32_t max;
        int expected; // sign
    };
    const String abc("abc"), ab("ab"), upper("ABC"), none;
    const Case cases[] = {
        {&abc, "abc", true, String::to_end, 0},
        {&abc, "abd", true, String::to_end, -1},
        {&abc, "ab", true, String::to_end, 1}, // the NUL takes part
        {&ab, "abc", true, String::to_end, -1},
        {&upper, "abc", true, String::to_end, -1},
        {&upper, "abc", false, String::to_end, 0},
        {&upper, "abd", false, String::to_end, -1},
        {&abc, "abd", true, 2, 0}, // the first 2 characters
        {&abc, "abd", true, 0, -1},
        {&abc, "abd", true, INT32_MIN, -1},
        {&abc, "", true, String::to_end, 1},
        {&abc, nullptr, true, String::to_end, 1},
        {&none, "", true, String::to_end, 0},
        {&none, nullptr, true, String::to_end, 0},
        {&none, "a", true, String::to_end, -1},
        {&with_empty_buffer, "", true, String::to_end, 0},
        {&with_empty_buffer, "a", true, String::to_end, -1},
    };
    for (const Case& c : cases) {
        int r = c.s->compare(c.text, c.case_sensitive, c.max);
        EXPECT_EQ((r > 0) - (r < 0), c.expected) << bytes_of(*c.s) << " vs " << (c.text ? c.text : "(null)");
    }
}

TEST(String, CompareWithStringTreatsNoBufferAsLess) {
    String with_empty_buffer("x");
    with_empty_buffer.data()[0] = '\0';
    with_empty_buffer.recompute_length();

    EXPECT_EQ(String().compare(String()), -1);
    EXPECT_EQ(String().compare(String("a")), -1);
    EXPECT_EQ(with_empty_buffer.compare(String()), 0);
    EXPECT_EQ(String("a").compare(String()), 1);
    EXPECT_EQ(String("abc").compare(String("abc")), 0);
    EXPECT_LT(String("ab").compare(String("abc")), 0);
    EXPECT_GT(String("abc").compare(String("ab")), 0);
    EXPECT_EQ(String("ABC").compare(String("abc"), false), 0);
    EXPECT_EQ(String("abX").compare(String("abY"), true, 2), 0);
    // Bytes past an inner NUL count: the lengths, not strlen, bound the comparison.
    EXPECT_LT(String("a\0a", 3).compare(String("a\0b", 3)), 0);
}

TEST(String, StartsWithAndStripPrefix) {
    String s("Software\\Vendor");
    EXPECT_TRUE(s.starts_with("Soft"));
    EXPECT_TRUE(s.starts_with("Softly", 4));
    EXPECT_FALSE(s.starts_with("soft"));
    EXPECT_FALSE(s.starts_with(""));
    EXPECT_FALSE(s.starts_with(nullptr));
    EXPECT_FALSE(s.starts_with("Soft", 0));
    EXPECT_FALSE(s.starts_with("Software\\Vendor\\X"));
    EXPECT_FALSE(String().starts_with("a"));

    EXPECT_FALSE(s.strip_prefix("hardware"));
    EXPECT_FALSE(s.strip_prefix(nullptr));
    EXPECT_TRUE(s.strip_prefix("SOFTWARE\\"));
    EXPECT_EQ(bytes_of(s), "Vendor");
    EXPECT_TRUE(s.strip_prefix("vendorXYZ", 6));
    EXPECT_TRUE(s.is_empty());
}

// ---------------------------------------------------------------------------
// Scans

TEST(String, FindWithMatchFlags) {
    struct Case {
        const char* text;
        const char* pattern;
        int32_t start;
        uint32_t flags;
        int32_t expected;
        int32_t pattern_length;
    };
    const int32_t all = String::to_end;
    const Case cases[] = {
        {"abcabc", "abc", 0, 0, 0, all},
        {"abcabc", "abc", 1, 0, 3, all},
        {"abcabc", "abc", 4, 0, -1, all},
        {"abcabc", "abc", INT32_MIN, 0, 0, all},
        {"abcabc", "abc", INT32_MAX, 0, -1, all},
        {"abcabc", "bcX", 0, 0, 1, 2}, // explicit pattern length
        {"ab", "abc", 0, 0, -1, all},
        {"", "a", 0, 0, -1, all},
        {"abc", "", 0, 0, -1, all},
        {"abc", nullptr, 0, 0, -1, all},
        {"abc", "abc", 0, 0, -1, 0},
        {"abcABC", "ABC", 0, String::match_ignore_case, 0, all},
        {"abcabc", "bc", 0, String::match_return_end, 3, all},
        {"concatenate", "cat", 0, String::match_whole_word, -1, all},
        {"a cat.", "cat", 0, String::match_whole_word, 2, all},
        {"cat", "cat", 0, String::match_whole_word, 0, all},
        {"cats cat", "cat", 0, String::match_whole_word, 5, all},
        {"cat_cat", "cat", 0, String::match_whole_word, -1, all},
        {"\"x\" x", "x", 0, String::match_skip_quoted, 4, all},
        {"\"x\" x", "x", 0, 0, 1, all},
        {"\"x x", "x", 0, String::match_skip_quoted, -1, all}, // unclosed: the rest is quoted
        {"abcabc", "abc", all, String::match_backward, 3, all},
        {"abcabc", "abc", 3, String::match_backward, 0, all},
        {"abcabc", "abc", 0, String::match_backward, -1, all},
        {"abcabc", "ABC", all, String::match_backward | String::match_ignore_case | String::match_return_end,
         6, all},
        {"x \"x\"", "x", all, String::match_backward | String::match_skip_quoted, 0, all},
        {"hello, world", ",w", 0, String::match_char_set, 5, all},
        {"hello, world", ",w", 6, String::match_char_set | String::match_return_end, 8, all},
        {"Hello", "L", 0, String::match_char_set | String::match_ignore_case, 2, all},
        {"hello", "xyz", 0, String::match_char_set, -1, all},
        {"hello", "lo", all, String::match_char_set | String::match_backward, 4, all},
        // One-byte matches: whole word looks at the byte right after the one matched.
        {"a+ b", "+b", 0, String::match_char_set | String::match_whole_word, 3, all},
        {"a +b", "+-", 0, String::match_char_set | String::match_whole_word, -1, all},
        {"; a", ";:,.", 0, String::match_char_set | String::match_whole_word, 0, all},
        {"abcabd", "ab?", 3, String::match_wildcards, 3, all},
        {"xAbc", "a?C", 0, String::match_wildcards | String::match_ignore_case, 1, all},
        {"xAbc", "a?C", 0, String::match_wildcards, -1, all},
        {"a?c", "???", 0, String::match_wildcards, 0, all},
    };
    for (const Case& c : cases) {
        String s(c.text);
        EXPECT_EQ(s.find(c.pattern, c.start, c.flags, c.pattern_length), c.expected)
            << c.text << " / " << (c.pattern ? c.pattern : "(null)") << " from " << c.start << " flags "
            << c.flags;
    }
}

TEST(String, CharacterScans) {
    String s("abcabc");
    EXPECT_EQ(s.find_char('b'), 1);
    EXPECT_EQ(s.find_char('b', 2), 4);
    EXPECT_EQ(s.find_char('b', -9), 1);
    EXPECT_EQ(s.find_char('z'), -1);
    EXPECT_EQ(s.find_char('B', 0, String::match_ignore_case), 1);
    EXPECT_EQ(s.rfind_char('b'), 4);
    EXPECT_EQ(s.rfind_char('b', 3), 1);
    EXPECT_EQ(s.rfind_char('a', -1), -1);
    EXPECT_EQ(s.rfind_char('C', String::to_end, String::match_ignore_case), 5);

    String quoted("a\"b\"b");
    EXPECT_EQ(quoted.find_char('b', 0, String::match_skip_quoted), 4);
    EXPECT_EQ(String("\"b").find_char('b', 0, String::match_skip_quoted), -1);
    EXPECT_EQ(String("b\"b\"").rfind_char('b', String::to_end, String::match_skip_quoted), 0);
    EXPECT_EQ(String("b\"b\"").rfind_char('b'), 2);

    EXPECT_EQ(String().find_char('a'), -1);
    EXPECT_EQ(String().rfind_char('a'), -1);
}

TEST(String, SetScans) {
    String s("ab c\td");
    EXPECT_EQ(s.find_any(" \t"), 2);
    EXPECT_EQ(s.find_any(" \t", 3), 4);
    EXPECT_EQ(s.find_any(" \t", 6), -1);
    EXPECT_EQ(s.find_any(""), -1);
    EXPECT_EQ(s.find_any(nullptr), -1);
    EXPECT_EQ(s.find_not_any("ab"), 2);
    EXPECT_EQ(s.find_not_any("abcd \t"), -1);
    EXPECT_EQ(s.find_not_any(nullptr, -4), 0);
    // The NUL byte of a String never counts as a member of the set.
    EXPECT_EQ(String("a\0", 2).find_any("xy"), -1);
    EXPECT_EQ(String("a\0", 2).find_not_any("a"), 1);
    EXPECT_TRUE(s.has_blank());
    EXPECT_TRUE(String("x\ny").has_blank());
    EXPECT_FALSE(String("xy").has_blank());
    EXPECT_FALSE(String().has_blank());

    EXPECT_EQ(String("ver 1.2").find_number(), 4);
    EXPECT_EQ(String("x-1").find_number(), 1);
    EXPECT_EQ(String("a.b").find_number(), 1);
    EXPECT_EQ(String("12 34").find_number(2), 3);
    EXPECT_EQ(String("none").find_number(), -1);
}

TEST(String, FindLineEnd) {
    struct Case {
        const char* text;
        int32_t start;
        uint32_t flags;
        int32_t expected;
    };
    const Case cases[] = {
        {"ab\r\ncd", 0, 0, 4},
        {"ab\r\ncd", 0, String::match_line_terminator, 2},
        {"ab\n\rcd", 0, 0, 4},
        {"ab\n\ncd", 0, 0, 3},
        {"ab\rcd", 0, 0, 3},
        {"ab\r", 0, 0, 3},
        {"ab\r\ncd\n", 4, 0, 7},
        {"abcd", 0, 0, -1},
        {"abcd", 0, String::match_length_if_none, 4},
        {"abcd", 4, 0, -1},
        {"abcd", INT32_MAX, String::match_length_if_none, 4},
        {"abcd", -1, 0, -1},
        {"", 0, String::match_length_if_none, 0},
        {"a\"b\nc\"d\ne", 0, 0, 4},
        {"a\"b\nc\"d\ne", 0, String::match_skip_quoted, 8},
        {"a\"b\nc\"d\ne", 0, String::match_skip_quoted | String::match_line_terminator, 7},
        {"a\"b\nc", 0, String::match_skip_quoted, -1},
        {"a\"b\nc", 0, String::match_skip_quoted | String::match_length_if_none, 5},
    };
    for (const Case& c : cases)
        EXPECT_EQ(String(c.text).find_line_end(c.start, c.flags), c.expected) << c.text << " " << c.flags;
}

// ---------------------------------------------------------------------------
// Replace

TEST(String, ReplaceInPlaceShrinkingAndGrowing) {
    struct Case {
        const char* text;
        const char* pattern;
        const char* replacement;
        uint32_t flags;
        int32_t start, max_count, result;
        const char* after;
    };
    const int32_t all = String::to_end;
    const Case cases[] = {
        {"Setup for <PRODUCT>: <product>", "<product>", "Demo Suite", String::match_ignore_case, 0, all, 2,
         "Setup for Demo Suite: Demo Suite"},
        {"abab", "ab", "x", 0, 0, all, 2, "xx"},
        {"aXa", "a", "bb", 0, 0, all, 2, "bbXbb"},
        {"aaaa", "a", "b", 0, 0, all, 4, "bbbb"},    // in place
        {"aaaa", "aa", "a", 0, 0, all, 2, "aa"},     // matches do not overlap
        {"aaaa", "a", "b", 0, 0, 2, 2, "bbaa"},      // max_count
        {"aaaa", "a", "bc", 0, 2, all, 2, "aabcbc"}, // start
        {"aaaa", "aa", "", 0, 0, all, 2, ""},
        {"abc", "b", nullptr, 0, 0, all, 1, "ac"},
        {"a.b.c", ".", "::", 0, 0, all, 2, "a::b::c"},
        {"xyz", "b", "long", 0, 0, all, 0, "xyz"},
        {"xyz", "y", "Q", 0, 0, 0, 0, "xyz"},
        {"xyz", "", "Q", 0, 0, all, 0, "xyz"},
        {"xyz", nullptr, "Q", 0, 0, all, 0, "xyz"},
        {"", "a", "b", 0, 0, all, 0, ""},
        {"cat concat cat", "cat", "dog", String::match_whole_word, 0, all, 2, "dog concat dog"},
        {"a \"a\" a", "a", "bb", String::match_skip_quoted, 0, all, 2, "bb \"a\" bb"},
        {"a,b;c", ",;", "--", String::match_char_set, 0, all, 2, "a--b--c"},
        {"a,b;c", ",;", "", String::match_char_set, 0, all, 2, "abc"},
        // A set matches one byte: that byte alone is replaced, up to the last one.
        {"1 2\t", " \t", "_", String::match_char_set, 0, all, 2, "1_2_"},
        {"a,b;", ",;:", "--", String::match_char_set, 0, all, 2, "a--b--"},
        {"a+ +b +", "+-", "#", String::match_char_set | String::match_whole_word, 0, all, 1, "a+ +b #"},
        // The scan always runs forward and reports match starts.
        {"abab", "AB", "x", String::match_backward | String::match_return_end | String::match_ignore_case, 0,
         all, 2, "xx"},
        // First occurrence only: the position, or -1.
        {"aaa", "a", "b", String::match_first_only, 0, all, 0, "baa"},
        {"xaaa", "a", "bb", String::match_first_only, 0, all, 1, "xbbaa"},
        {"xaaa", "aa", "b", String::match_first_only, 2, all, 2, "xab"},
        {"xyz", "a", "b", String::match_first_only, 0, all, -1, "xyz"},
        {"xyz", "a", "bb", String::match_first_only, 0, all, -1, "xyz"},
        {"xyz", "", "bb", String::match_first_only, 0, all, -1, "xyz"},
        {"xyz", "y", "bb", String::match_first_only, 0, 0, -1, "xyz"},
        // Wildcards carry the matched bytes over to the replacement's '?'.
        {"abc", "a?c", "[?]", String::match_wildcards, 0, all, 1, "[b]"},
        {"abc abd", "ab?", "<?>", String::match_wildcards, 0, all, 2, "<c> <d>"},
        {"a1b2", "a?b?", "??", String::match_wildcards, 0, all, 1, "12"},
        {"a1b2 a3b4", "a?b?", "?:?", String::match_wildcards, 0, all, 2, "1:2 3:4"},
        {"ab", "a?", "???", String::match_wildcards, 0, all, 1, "b??"},
        {"xAyC", "a?c", "<?>", String::match_wildcards | String::match_ignore_case, 0, all, 1, "x<y>"},
    };
    for (const Case& c : cases) {
        String s(c.text);
        EXPECT_EQ(s.replace(c.pattern, c.replacement, c.flags, c.start, c.max_count), c.result)
            << c.text << " / " << (c.pattern ? c.pattern : "(null)");
        EXPECT_EQ(bytes_of(s), c.after) << c.text << " / " << (c.pattern ? c.pattern : "(null)");
        expect_valid(s);
    }
}

TEST(String, ReplaceManyMatchesAndOwnArguments) {
    // Enough matches to grow the position list and the buffer several times.
    String s;
    std::string expected_growth, expected_shrink;
    for (int i = 0; i < 500; ++i) {
        s.append("<v>x");
        expected_growth += "value-x";
        expected_shrink += "x";
    }
    String shrink(s);
    EXPECT_EQ(s.replace("<V>", "value-", String::match_ignore_case), 500);
    EXPECT_EQ(bytes_of(s), expected_growth);
    EXPECT_EQ(shrink.replace("<v>", ""), 500);
    EXPECT_EQ(bytes_of(shrink), expected_shrink);

    s = "abcabc";
    EXPECT_EQ(s.replace(s.c_str() + 3, "x"), 2); // the pattern is our own "abc"
    EXPECT_EQ(bytes_of(s), "xx");
    s = "ab";
    EXPECT_EQ(s.replace("a", s.c_str()), 1); // the replacement is our own "ab"
    EXPECT_EQ(bytes_of(s), "abb");

    s = "a-b-c";
    EXPECT_EQ(s.replace("-", '+'), 2);
    EXPECT_EQ(bytes_of(s), "a+b+c");
    EXPECT_EQ(s.replace("+c", '/', String::match_first_only), 3);
    EXPECT_EQ(bytes_of(s), "a+b/");
}

TEST(String, RemoveAllAndRemoveChar) {
    String s("aXbxcXd");
    EXPECT_EQ(s.remove_all("x"), 1);
    EXPECT_EQ(bytes_of(s), "aXbcXd");
    EXPECT_EQ(s.remove_all("x", 1, false), 1);
    EXPECT_EQ(bytes_of(s), "abcXd");
    EXPECT_EQ(s.remove_all("x", String::to_end, false), 1);
    EXPECT_EQ(s.remove_all("x", String::to_end, false), 0);
    EXPECT_EQ(s.remove_all(""), 0);
    EXPECT_EQ(s.remove_all("b", 0), 0);
    s = "aaaa";
    EXPECT_EQ(s.remove_all("aa"), 2);
    EXPECT_TRUE(s.is_empty());

    struct Case {
        int32_t start, count, removed;
        const char* after;
    };
    const Case cases[] = {
        {0, String::to_end, 6, "bcd"}, {-5, String::to_end, 6, "bcd"}, {2, String::to_end, 4, "aabcd"},
        {0, 3, 2, "bacadaa"},          {5, 100, 3, "aabacd"},          {2, 0, 0, "aabacadaa"},
        {2, -1, 0, "aabacadaa"},       {9, 5, 0, "aabacadaa"},         {INT32_MAX, 1, 0, "aabacadaa"},
    };
    for (const Case& c : cases) {
        String t("aabacadaa");
        EXPECT_EQ(t.remove_char('a', c.start, c.count), c.removed) << c.start << " " << c.count;
        EXPECT_EQ(bytes_of(t), c.after) << c.start << " " << c.count;
        expect_valid(t);
    }
}

// ---------------------------------------------------------------------------
// Trimming and small edits

TEST(String, TrimAndStrip) {
    String s(" \t\r\nab c \n");
    EXPECT_EQ(s.trim_left(), 4);
    EXPECT_EQ(s.trim_right(), 2);
    EXPECT_EQ(bytes_of(s), "ab c");
    s = "  x  ";
    EXPECT_EQ(s.trim(), 4);
    EXPECT_EQ(bytes_of(s), "x");
    s = " \t ";
    EXPECT_EQ(s.trim(), 3);
    EXPECT_EQ(s.data(), nullptr);
    EXPECT_EQ(s.trim(), 0);

    s = "--==x==--";
    EXPECT_EQ(s.strip_left("-="), 4);
    EXPECT_EQ(s.strip_right("-"), 2);
    EXPECT_EQ(bytes_of(s), "x==");
    EXPECT_EQ(s.strip_right(nullptr), 0);
    EXPECT_EQ(s.strip_right_char('='), 2);
    EXPECT_EQ(s.strip_right_char('='), 0);
    EXPECT_EQ(bytes_of(s), "x");
    s = "a\\\\";
    EXPECT_EQ(s.strip_right_char('\\'), 2);
    EXPECT_EQ(bytes_of(s), "a");
}

TEST(String, QuotesAndSingleCharacterEdits) {
    struct Case {
        const char* text;
        bool done;
        const char* after;
    };
    const Case unquote_cases[] = {
        {"\"a b\"", true, "a b"}, {"\"\"", true, ""},      {"\"", true, ""},
        {"\"ab", false, "\"ab"},  {"ab\"", false, "ab\""}, {"", false, ""},
    };
    for (const Case& c : unquote_cases) {
        String s(c.text);
        EXPECT_EQ(s.unquote(), c.done) << c.text;
        EXPECT_EQ(bytes_of(s), c.after) << c.text;
    }
    String s("'x'");
    EXPECT_TRUE(s.unquote('\''));
    EXPECT_EQ(bytes_of(s), "x");

    s = "a b";
    s.quote();
    EXPECT_EQ(bytes_of(s), "\"a b\"");
    s.clear();
    s.quote();
    EXPECT_EQ(bytes_of(s), "\"\"");

    s = "/a";
    EXPECT_TRUE(s.remove_leading_switch());
    EXPECT_FALSE(s.remove_leading_switch());
    s = "-x";
    EXPECT_TRUE(s.remove_leading_switch());
    EXPECT_EQ(bytes_of(s), "x");
    EXPECT_FALSE(String().remove_leading_switch());

    s = "\\dir\\";
    EXPECT_TRUE(s.remove_leading_char('\\'));
    EXPECT_FALSE(s.remove_leading_char('\\'));
    EXPECT_TRUE(s.remove_trailing_char('\\'));
    EXPECT_FALSE(s.remove_trailing_char('\\'));
    EXPECT_EQ(bytes_of(s), "dir");
    EXPECT_FALSE(String().remove_trailing_char('\0'));

    EXPECT_TRUE(s.prepend_once('\\'));
    EXPECT_FALSE(s.prepend_once('\\'));
    EXPECT_EQ(bytes_of(s), "\\dir");
    String e;
    EXPECT_TRUE(e.prepend_once('x'));
    EXPECT_EQ(bytes_of(e), "x");
}

TEST(String, EnsureLineEnd) {
    for (const char* text : {"line", "", "a\r\nb"}) {
        String s(text);
        EXPECT_TRUE(s.ensure_line_end()) << text;
        EXPECT_EQ(bytes_of(s), std::string(text) + "\r\n");
    }
    for (const char* text : {"line\r\n", "line\n", "line\r"}) {
        String s(text);
        EXPECT_FALSE(s.ensure_line_end()) << text;
        EXPECT_EQ(bytes_of(s), text);
    }
}

TEST(String, CaseChangesOnlyAsciiLetters) {
    String s("abz AZ 09 _@[`{ \xE4\xF6\xC4");
    s.to_upper();
    EXPECT_EQ(bytes_of(s), "ABZ AZ 09 _@[`{ \xE4\xF6\xC4");
    s.to_lower();
    EXPECT_EQ(bytes_of(s), "abz az 09 _@[`{ \xE4\xF6\xC4");
    String e;
    e.to_upper();
    EXPECT_EQ(e.data(), nullptr);
    EXPECT_EQ(String::ascii_upper('q'), 'Q');
    EXPECT_EQ(String::ascii_lower('Q'), 'q');
    EXPECT_EQ(String::ascii_lower('\xC4'), '\xC4');
}

TEST(String, NormalizeLineEndsMakesEveryEndCrLf) {
    struct Case {
        const char* text;
        int32_t changes;
        const char* after;
    };
    const Case cases[] = {
        {"a\nb\rc\n\rd", 3, "a\r\nb\r\nc\r\nd"},
        {"a\r\nb\r\n", 0, "a\r\nb\r\n"},
        {"\n", 1, "\r\n"},
        {"\r", 1, "\r\n"},
        {"\n\n\r\r", 3, "\r\n\r\n\r\n"}, // LF, then LF CR swapped, then a lone CR
        {"", 0, ""},
        {"plain", 0, "plain"},
    };
    for (const Case& c : cases) {
        String s(c.text);
        EXPECT_EQ(s.normalize_line_ends(), c.changes) << c.text;
        EXPECT_EQ(bytes_of(s), c.after) << c.text;
        expect_valid(s);
    }
}

// ---------------------------------------------------------------------------
// Taking pieces off the front

TEST(String, TakeLineSplitsOnEveryTerminator) {
    const std::string text("one\r\ntwo\n\rthree\rfour\nfive\0six\n\nseven", 36);
    const char* lines[] = {"one", "two", "three", "four", "five", "six", "", "seven"};
    const char* with_ends[] = {"one\r\n", "two\n\r", "three\r", "four\n", "five", "six\n", "\n", "seven"};

    String s(text.data(), static_cast<int32_t>(text.size()));
    String line;
    for (const char* expected : lines) {
        ASSERT_TRUE(s.take_line(line));
        EXPECT_EQ(bytes_of(line), expected);
    }
    EXPECT_TRUE(s.is_empty());
    EXPECT_FALSE(s.take_line(line));
    EXPECT_TRUE(line.is_empty());

    s.assign(text.data(), static_cast<int32_t>(text.size()));
    for (const char* expected : with_ends) {
        ASSERT_TRUE(s.take_line_with_end(line));
        std::string wanted(expected);
        if (wanted == "five")
            wanted.push_back('\0');
        EXPECT_EQ(bytes_of(line), wanted);
    }
    EXPECT_TRUE(s.is_empty());

    s = "one\r\ntwo";
    ASSERT_TRUE(s.take_line(line));
    EXPECT_EQ(bytes_of(line), "one");
    EXPECT_EQ(bytes_of(s), "two");
    s = "last";
    ASSERT_TRUE(s.take_line(line));
    EXPECT_EQ(bytes_of(line), "last");
    EXPECT_EQ(s.data(), nullptr);
    s = "self\nrest";
    ASSERT_TRUE(s.take_line(s)); // into itself: the line wins
    EXPECT_EQ(bytes_of(s), "self");
}

TEST(String, TakeQuotedUndoublesQuotes) {
    struct Case {
        const char* text;
        char q;
        int32_t pos;
        bool taken;
        const char* out;
        const char* rest;
    };
    const Case cases[] = {
        {"\"say \"\"hi\"\"\" rest", '"', 0, true, "say \"hi\"", " rest"},
        {"\"abc", '"', 0, true, "abc", ""},
        {"\"\"", '"', 0, true, "", ""},
        {"\"\"\"\"", '"', 0, true, "\"", ""},
        {"x=\"y\"z", '"', 2, true, "y", "x=z"},
        {"'a''b' c", '\'', 0, true, "a'b", " c"},
        {"abc", '"', 0, false, "", "abc"},
        {"abc", '"', -1, false, "", "abc"},
        {"abc\"", '"', 4, false, "", "abc\""},
    };
    for (const Case& c : cases) {
        String s(c.text);
        String out("stale");
        EXPECT_EQ(s.take_quoted(out, c.q, c.pos), c.taken) << c.text;
        EXPECT_EQ(bytes_of(out), c.out) << c.text;
        EXPECT_EQ(bytes_of(s), c.rest) << c.text;
        expect_valid(s);
    }
}

TEST(String, TakeTokenReadsCommandLineAtoms) {
    String s("  \"C:\\Program Files\\App\\setup.exe\" /a  /d:\"C:\\My Dir\"\tlast");
    String token;
    const char* expected[] = {"\"C:\\Program Files\\App\\setup.exe\"", "/a", "/d:\"C:\\My Dir\"", "last"};
    for (const char* e : expected) {
        s.take_token(token);
        EXPECT_EQ(bytes_of(token), e);
    }
    EXPECT_TRUE(s.is_empty());
    EXPECT_FALSE(s.take_token(token));

    s = "  \"C:\\Program Files\\x.exe\" /a";
    ASSERT_TRUE(s.take_token(token));
    EXPECT_EQ(bytes_of(token), "\"C:\\Program Files\\x.exe\"");
    EXPECT_EQ(bytes_of(s), "/a");
    s = "a\"b c\"d e";
    ASSERT_TRUE(s.take_token(token));
    EXPECT_EQ(bytes_of(token), "a\"b c\"d");
    EXPECT_EQ(bytes_of(s), "e");
}

TEST(String, SubstringCutAndCopyRange) {
    struct Case {
        int32_t start, count;
        const char* piece;
        const char* rest;
    };
    const Case cases[] = {
        {2, 3, "cde", "abf"},
        {-1, 2, "ab", "cdef"},
        {4, String::to_end, "ef", "abcd"},
        {6, 1, "", "abcdef"},
        {2, 0, "", "abcdef"},
        {2, -1, "", "abcdef"},
        {0, INT32_MAX, "abcdef", ""},
        {INT32_MIN, INT32_MAX, "abcdef", ""},
        {INT32_MAX, 5, "", "abcdef"},
    };
    for (const Case& c : cases) {
        const String original("abcdef");
        EXPECT_EQ(bytes_of(original.substring(c.start, c.count)), c.piece) << c.start << " " << c.count;
        String out("stale");
        EXPECT_EQ(original.copy_range_to(out, c.count, c.start), *c.piece != '\0');
        EXPECT_EQ(bytes_of(out), c.piece);
        String s(original);
        EXPECT_EQ(bytes_of(s.cut(c.start, c.count)), c.piece);
        EXPECT_EQ(bytes_of(s), c.rest) << c.start << " " << c.count;
    }
    String s("key=value");
    EXPECT_EQ(bytes_of(s.cut_from("=")), "=value");
    EXPECT_EQ(bytes_of(s), "key");
    s = "key=value";
    EXPECT_EQ(bytes_of(s.cut_from("=", String::match_return_end)), "value");
    EXPECT_EQ(bytes_of(s), "key=");
    EXPECT_EQ(bytes_of(s.cut_from("#")), "");
    EXPECT_EQ(bytes_of(s), "key=");

    s = "name;comment;more";
    EXPECT_TRUE(s.truncate_at_char(';'));
    EXPECT_EQ(bytes_of(s), "name");
    EXPECT_FALSE(s.truncate_at_char(';'));
}

// ---------------------------------------------------------------------------
// Numbers

TEST(String, ToIntReadsTheFirstNumberIgnoringDigitGroups) {
    struct Case {
        const char* text;
        int64_t expected;
    };
    const Case cases[] = {
        {"abc 1,234", 1234}, {"none", 0}, {"-12", -12}, {"x+7y", 7}, {"1,234,567", 1234567},
        {"size: 42 KB", 42}, {".5", 0},   {"", 0},      {"-0", 0},   {"12abc34", 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(String(c.text).to_int(), static_cast<int32_t>(c.expected)) << c.text;
        EXPECT_EQ(String(c.text).to_int64(), c.expected) << c.text;
    }
    EXPECT_EQ(String("free 12,345,678,901 bytes").to_int64(), 12345678901LL);
    EXPECT_EQ(String("-9223372036854775807").to_int64(), -9223372036854775807LL);
    EXPECT_EQ(String("2147483647").to_int(), INT32_MAX);
}

TEST(String, ParseIntAtAdvancesThePosition) {
    String s("a-12b+3");
    int32_t pos = 1;
    EXPECT_EQ(s.parse_int_at(pos), -12);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(s.parse_int_at(pos), 0); // 'b': no digits
    EXPECT_EQ(pos, 4);
    pos = 5;
    EXPECT_EQ(s.parse_int_at(pos), 3);
    EXPECT_EQ(pos, 7);
    EXPECT_EQ(s.parse_int_at(pos), String::missing_number);
    pos = -1;
    EXPECT_EQ(s.parse_int_at(pos), String::missing_number);
    pos = INT32_MAX;
    EXPECT_EQ(s.parse_int_at(pos), String::missing_number);
    EXPECT_EQ(pos, INT32_MAX);
}

TEST(String, ParseIntFlags) {
    struct Case {
        const char* text;
        uint32_t flags;
        int32_t value;
        int consumed;
    };
    const Case cases[] = {
        {"42abc", 0, 42, 2},
        {"+9", 0, 9, 2},
        {"-42", 0, -42, 3},
        {"  42", 0, 0, 0},
        {"  42", String::parse_skip_leading_blanks, 42, 4},
        {"\t\r\n 7", String::parse_skip_leading_blanks, 7, 5},
        {"-42", String::parse_no_sign, 0, 0},
        {"-42", String::parse_no_sign | String::parse_mark_missing, String::missing_number, 0},
        {"x", String::parse_mark_missing, String::missing_number, 0},
        {"", 0, 0, 0},
        {"-", 0, 0, 0},
        {"7  x", String::parse_skip_trailing_blanks, 7, 3},
        {"12,5", String::parse_skip_comma, 12, 3},
        {"12 , 5", String::parse_skip_comma, 12, 2},
        {"12 , 5", String::parse_skip_comma | String::parse_skip_trailing_blanks, 12, 5},
        {"12,,5", String::parse_skip_comma, 12, 3},
    };
    for (const Case& c : cases) {
        const char* p = c.text;
        EXPECT_EQ(parse_int(&p, c.flags), c.value) << '"' << c.text << "\" " << c.flags;
        EXPECT_EQ(p - c.text, c.consumed) << '"' << c.text << "\" " << c.flags;
        EXPECT_EQ(parse_int(c.text, c.flags), c.value);
    }

    const char* list = "1, 2,3 ,-4";
    int32_t values[4];
    for (int32_t& v : values)
        v = parse_int(&list, String::parse_skip_comma | String::parse_skip_trailing_blanks);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(values[3], -4);
    EXPECT_EQ(*list, '\0');

    EXPECT_EQ(parse_int(static_cast<const char*>(nullptr), String::parse_mark_missing), 0);
    EXPECT_EQ(parse_int(static_cast<const char**>(nullptr)), 0);
    const char* null_text = nullptr;
    EXPECT_EQ(parse_int(&null_text), 0);
}

TEST(String, ParseInt64AndDouble) {
    EXPECT_EQ(parse_int64("-9000000000x"), -9000000000LL);
    EXPECT_EQ(parse_int64("+12"), 12);
    EXPECT_EQ(parse_int64(" 12"), 0);
    EXPECT_EQ(parse_int64(nullptr), 0);
    EXPECT_DOUBLE_EQ(parse_double("3.25"), 3.25);
    EXPECT_DOUBLE_EQ(parse_double("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(parse_double("12"), 12.0);
    EXPECT_DOUBLE_EQ(parse_double(".75"), 0.75);
    EXPECT_DOUBLE_EQ(parse_double("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(parse_double("1e5"), 1.0);
    EXPECT_DOUBLE_EQ(parse_double(nullptr), 0.0);
}

TEST(String, ParseBool) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {" No ", false}, {"yes", true},      {"2", true},    {"", false},   {"  \t", false},
        {"0", false},    {"FALSE", false},   {"f", false},   {"N", false},  {"nope", true},
        {"00", true},    {"\t0\r\n", false}, {"true", true}, {"off", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_bool(String(c.text)), c.expected) << '"' << c.text << '"';
}

// ---------------------------------------------------------------------------
// Formatting

namespace {

void append_through_list(String& s, const char* fmt, ...) VARNOOK_PRINTF(2, 3);
void append_through_list(String& s, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    s.append_format_v(fmt, args);
    va_end(args);
}

void format_through_list(String& s, const char* fmt, ...) VARNOOK_PRINTF(2, 3);
void format_through_list(String& s, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    s.format_v(fmt, args);
    va_end(args);
}

} // namespace

TEST(String, FormatReplacesAndAppendFormatAppends) {
    String s("old");
    s.format("%d-%s-%08X", 42, "x", 0xBEEFu);
    EXPECT_EQ(bytes_of(s), "42-x-0000BEEF");
    s.append_format(" %u%%", 7u);
    EXPECT_EQ(bytes_of(s), "42-x-0000BEEF 7%");
    append_through_list(s, "[%c]", 'z');
    EXPECT_EQ(bytes_of(s), "42-x-0000BEEF 7%[z]");
    format_through_list(s, "%s=%d", "n", -3);
    EXPECT_EQ(bytes_of(s), "n=-3");

    s.format("a%cb", 0); // a NUL byte inside is kept
    EXPECT_EQ(bytes_of(s), std::string("a\0b", 3));
    s.format("%s", "");
    EXPECT_TRUE(s.is_empty());
}

TEST(String, FormatMayUseItsOwnText) {
    String s("abc");
    s.format("<%s>", s.c_str());
    EXPECT_EQ(bytes_of(s), "<abc>");
    s.append_format("%s%s", s.c_str(), s.c_str());
    EXPECT_EQ(bytes_of(s), "<abc><abc><abc>");
}

TEST(String, FormatCutsResultsAtTheScratchSize) {
    const std::string long_text(40000, 'w');
    String s("xy");
    s.append_format("%s", long_text.c_str());
    EXPECT_EQ(s.length(), 2 + 32767);
    EXPECT_EQ(s.find_not_any("w", 2), -1);
    s.format("%s%s", long_text.c_str(), long_text.c_str());
    EXPECT_EQ(s.length(), 32767);
    expect_valid(s);
    s.format("%32766s", "");
    EXPECT_EQ(s.length(), 32766);
}

// ---------------------------------------------------------------------------
// Hash and versions

TEST(String, HashAddsWordsSignedTailBytesAndLength) {
    const uint32_t start = 0x79E2BC9Du;
    EXPECT_EQ(hash(nullptr, 0), start);
    EXPECT_EQ(hash("abc", 0), start);
    EXPECT_EQ(hash("abc", -5), start);
    EXPECT_EQ(hash(nullptr, 8), start);
    EXPECT_EQ(String().hash(), start);
    // One word, little-endian: "abcd" is 0x64636261.
    EXPECT_EQ(hash("abcd", 4), start + 0x64636261u + 4u);
    EXPECT_EQ(hash("\x01\0\0\0", 4), start + 1u + 4u);
    // Tail bytes count as signed values.
    EXPECT_EQ(hash("\xFF\x80", 2), start - 1u - 128u + 2u);
    EXPECT_EQ(hash("abcde\x7F\xFE", 7), start + 0x64636261u + 0x65u + 0x7Fu - 2u + 7u);
    // Sums wrap modulo 2^32.
    EXPECT_EQ(hash("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), start + 0xFFFFFFFFu + 0xFFFFFFFFu + 8u);

    String s("abcde\x7F\xFE");
    EXPECT_EQ(s.hash(), hash(s.c_str(), s.length()));
    // Byte order matters inside a word, not among the tail bytes.
    EXPECT_NE(String("abcd").hash(), String("dcba").hash());
    EXPECT_EQ(String("ab").hash(), String("ba").hash());
}

TEST(String, CompareVersions) {
    struct Case {
        const char* a;
        const char* b;
        int expected; // sign
    };
    const Case cases[] = {
        {"1.2", "1.10", -1},     {"1.2b", "1.2a", 1}, {"1.2", "1.2", 0},  {"1.2", "1.2.1", -1},
        {"1.2.1", "1.2", 1},     {".5", "0.5", 0},    {"2.0b", "2.0", 1}, {"10", "9", 1},
        {"v1.5", "1.5", 1},      {"1.5", "1.5a", -1}, {"", "", 0},        {nullptr, "1", -1},
        {"1", nullptr, 1},       {"2.0", "2", 1},     {"1a2", "1.2", 1},  {"1.2a", "1.2", 1},
        {"99999999999", "1", 1},
    };
    for (const Case& c : cases) {
        int r = compare_versions(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.expected)
            << (c.a ? c.a : "(null)") << " vs " << (c.b ? c.b : "(null)") << " gave " << r;
    }
    EXPECT_EQ(compare_versions("1.2", "1.3"), -1);
    EXPECT_EQ(compare_versions("1.10", "1.2"), 8);
}

// ---------------------------------------------------------------------------
// Hostile arguments

TEST(String, OutOfRangePositionsChangeNothing) {
    for (int32_t pos : {INT32_MIN, -1, 4, INT32_MAX}) {
        String s("abc");
        EXPECT_FALSE(s.remove(pos, 1)) << pos;
        EXPECT_FALSE(s.splice(pos, 0, 1)) << pos;
        EXPECT_FALSE(s.replace_range(pos, 1, "x", 1)) << pos;
        EXPECT_FALSE(s.insert(pos, "x", 1)) << pos;
        EXPECT_FALSE(s.insert(pos, String("x"))) << pos;
        EXPECT_FALSE(s.insert_chars('x', pos, 1)) << pos;
        EXPECT_FALSE(s.put_bytes("x", pos, 1)) << pos;
        EXPECT_FALSE(s.put_int16(pos, 1)) << pos;
        EXPECT_FALSE(s.put_int32(pos, 1)) << pos;
        EXPECT_EQ(s.get_int32(pos), -1) << pos;
        String out("stale");
        EXPECT_FALSE(s.take_quoted(out, '"', pos)) << pos;
        EXPECT_TRUE(out.is_empty());
        int32_t p = pos;
        EXPECT_EQ(s.parse_int_at(p), String::missing_number);
        EXPECT_EQ(bytes_of(s), "abc") << pos;
        expect_valid(s);
    }
    for (int32_t n : {INT32_MIN, -1}) {
        String s("abc");
        EXPECT_FALSE(s.remove(0, n)) << n;
        EXPECT_FALSE(s.splice(1, 1, n)) << n;
        EXPECT_FALSE(s.insert_chars('x', 0, n)) << n;
        EXPECT_FALSE(s.insert(0, "x", n)) << n;
        EXPECT_FALSE(s.insert(0, String("x"), n)) << n;
        EXPECT_FALSE(s.put_bytes("x", 0, n)) << n;
        EXPECT_FALSE(s.starts_with("abc", n)) << n;
        EXPECT_FALSE(s.strip_prefix("abc", n)) << n;
        EXPECT_EQ(s.compare("abc", true, n), -1) << n;
        EXPECT_EQ(s.remove_char('a', 0, n), 0) << n;
        EXPECT_EQ(s.replace("a", "bb", 0, 0, n), 0) << n;
        EXPECT_EQ(s.extend(n), nullptr) << n;
        EXPECT_EQ(s.try_extend(n), nullptr) << n;
        EXPECT_FALSE(s.ensure_length(n)) << n;
        EXPECT_EQ(bytes_of(s), "abc") << n;
        expect_valid(s);
    }
    String s("abc");
    EXPECT_EQ(s.find("c", INT32_MIN), 2);
    EXPECT_EQ(s.find("c", INT32_MIN, String::match_backward), -1);
    EXPECT_EQ(s.find("a", INT32_MAX, String::match_backward), 0);
    EXPECT_EQ(s.find_char('c', INT32_MAX), -1);
    EXPECT_EQ(s.rfind_char('a', INT32_MIN), -1);
    EXPECT_EQ(s.find_any("c", INT32_MIN), 2);
    EXPECT_EQ(s.find_number(INT32_MAX), -1);
    EXPECT_EQ(s.replace("a", "bb", 0, INT32_MAX), 0);
    EXPECT_EQ(s.replace("c", "dd", 0, INT32_MIN), 1);
    EXPECT_EQ(bytes_of(s), "abdd");
}
