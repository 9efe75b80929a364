// The test helpers for Strings, checked where GoogleTest uses them.

#include "tests/support/string_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StringText, TextOfKeepsEveryByte) {
    EXPECT_EQ(text_of(String()), "");
    EXPECT_EQ(text_of(String("abc")), "abc");
    EXPECT_EQ(text_of(String("a\0b", 3)), std::string("a\0b", 3));
}

TEST(StringText, GoogleTestPrintsStringsWithTheirBytesShown) {
    struct Case {
        String value;
        const char* printed;
    } cases[] = {
        {String(), "\"\""},
        {String("plain text"), "\"plain text\""},
        {String("say \"hi\" C:\\dir"), "\"say \\\"hi\\\" C:\\\\dir\""},
        {String("a\0b", 3), "\"a\\x00b\""},
        {String("line\r\n\tend"), "\"line\\r\\n\\tend\""},
        {String("\x01\x1F\x7F\x80\xE9\xFF"), "\"\\x01\\x1F\\x7F\\x80\\xE9\\xFF\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(::testing::PrintToString(c.value), c.printed);
}

} // namespace
