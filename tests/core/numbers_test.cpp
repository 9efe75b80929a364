#include "core/numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/fatal_capture.h"
#include "tests/support/string_text.h"

namespace {

TEST(NumberWords, Table) {
    struct Case {
        double value;
        int mode;
        const char* expected;
    };
    const Case cases[] = {
        {0, number_words_plain, "Zero"},
        {15, number_words_plain, "Fifteen"},
        {20, number_words_plain, "Twenty"},
        {99, number_words_plain, "Ninety Nine"},
        {100, number_words_plain, "One Hundred"},
        {115, number_words_plain, "One Hundred Fifteen"},
        {1000000, number_words_plain, "One Million"},
        {2001000, number_words_plain, "Two Million One Thousand"},
        {123456789, number_words_plain,
         "One Hundred Twenty Three Million Four Hundred Fifty Six Thousand Seven Hundred Eighty Nine"},
        {1000000000, number_words_plain, "One Thousand Million"},
        {-7, number_words_plain, "Negative Seven"},
        {7.9, number_words_plain, "Seven"},
        {12.5, number_words_fraction, "Twelve and One Half"},
        {12.375, number_words_fraction, "Twelve and Three Eighths"},
        {0.75, number_words_fraction, "Zero and Three Fourths"},
        {12.3, number_words_fraction, "Twelve and 300/1000"},
        {12, number_words_fraction, "Twelve"},
        {12.9999999, number_words_fraction, "Thirteen"},
        {12, number_words_cheque, "Twelve and No/100"},
        {12.25, number_words_cheque, "Twelve and 25/100"},
        {-12.25, number_words_cheque, "Negative Twelve and 25/100"},
        {12.999, number_words_cheque, "Thirteen and No/100"},
        {2000, number_words_year, "Two Thousand"},
        {1999, number_words_year, "Nineteen Ninety Nine"},
        {1998, number_words_year, "Nineteen Ninety Eight"},
        {1905, number_words_year, "Nineteen Oh Five"},
        {1900, number_words_year, "Nineteen Hundred"},
        {2005, number_words_year, "Two Thousand Five"},
        {2010, number_words_year, "Twenty Ten"},
        {150, number_words_year, "One Fifty"},
        {100, number_words_year, "One Hundred"},
        {12000, number_words_year, "Twelve Thousand"},
        {2.5, number_words_decimal, "Two Point Five"},
        {0.125, number_words_decimal, "Zero Point One Two Five"},
        {3.05, number_words_decimal, "Three Point Zero Five"},
        {2, number_words_decimal, "Two"},
        {2.9996, number_words_decimal, "Three"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(number_words(c.value, c.mode)), c.expected) << c.value << " mode " << c.mode;
}

TEST(NumberWords, NonFiniteAndHugeValuesEnd) {
    const double infinity = std::numeric_limits<double>::infinity();
    for (int mode = -1; mode <= 3; ++mode) {
        EXPECT_EQ(number_words(infinity, mode).length(), 0) << mode;
        EXPECT_EQ(number_words(-infinity, mode).length(), 0) << mode;
        EXPECT_EQ(number_words(std::nan(""), mode).length(), 0) << mode;
    }
    String huge = number_words(1e300, number_words_plain);
    EXPECT_GT(huge.length(), 0);
    EXPECT_LT(huge.length(), 32768);
    EXPECT_EQ(huge.find("  "), -1) << text_of(huge);
    EXPECT_NE(huge.last_char(), ' ');
    String negative = number_words(-std::numeric_limits<double>::max(), number_words_decimal);
    EXPECT_EQ(text_of(negative.substring(0, 9)), "Negative ");
}

TEST(NumberOrdinals, WordsTable) {
    struct Case {
        int32_t n;
        const char* expected;
    };
    const Case cases[] = {
        {1, "First"},
        {2, "Second"},
        {9, "Ninth"},
        {10, "Tenth"},
        {11, "Eleventh"},
        {12, "Twelfth"},
        {13, "Thirteenth"},
        {19, "Nineteenth"},
        {20, "Twentieth"},
        {21, "Twenty First"},
        {30, "Thirtieth"},
        {0, "Zeroth"},
        {100, "One Hundredth"},
        {103, "One Hundred Third"},
        {112, "One Hundred Twelfth"},
        {240, "Two Hundred Fortieth"},
        {1000, "One Thousandth"},
        {1012, "One Thousand Twelfth"},
        {-3, "Negative Third"},
        {INT32_MIN,
         "Negative Two Thousand One Hundred Forty Seven Million Four Hundred Eighty Three Thousand Six "
         "Hundred Forty Eighth"},
    };
    for (const Case& c : cases) {
        String buffer("left over");
        ordinal_words(c.n, buffer);
        EXPECT_EQ(text_of(buffer), c.expected) << c.n;
    }
}

TEST(NumberOrdinals, SuffixTable) {
    struct Case {
        int32_t n;
        const char* expected;
    };
    const Case cases[] = {
        {1, "1st"},     {2, "2nd"},     {3, "3rd"},       {4, "4th"},     {11, "11th"},
        {12, "12th"},   {13, "13th"},   {20, "20th"},     {21, "21st"},   {22, "22nd"},
        {23, "23rd"},   {31, "31st"},   {0, "0th"},       {101, "101st"}, {111, "111th"},
        {112, "112th"}, {113, "113th"}, {1002, "1002nd"}, {-1, "-1st"},   {INT32_MIN, "-2147483648th"},
    };
    for (const Case& c : cases) {
        String buffer("left over");
        ordinal_suffix(c.n, buffer);
        EXPECT_EQ(text_of(buffer), c.expected) << c.n;
    }
}

TEST(NumberTexts, ByteSizes) {
    struct Case {
        int64_t size;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0 bytes"},
        {1023, "1023 bytes"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048576, "1.00 MB"},
        {1073741824, "1.00 GB"},
        {int64_t{5} << 30, "5.00 GB"},
        {int64_t{1} << 40, "1.00 TB"},
        {INT64_MAX, "8388608.00 TB"},
        // Negative sizes show their low 32 bits as a signed number.
        {-1, "-1 bytes"},
        {-1024, "-1024 bytes"},
        {INT32_MIN, "-2147483648 bytes"},
        {-(int64_t{1} << 32), "0 bytes"},
        {-5000000000, "-705032704 bytes"},
        {-(int64_t{1} << 31) - 1, "2147483647 bytes"},
        {INT64_MIN, "0 bytes"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(byte_size_text(c.size)), c.expected) << c.size;
}

TEST(NumberTexts, DecimalsAndIntegers) {
    struct Case {
        double value;
        int precision;
        const char* expected;
    };
    const Case cases[] = {
        {2.5, -1, "2.5"},
        {3, -1, "3"},
        {100, -1, "100"},
        {-0.25, -1, "-0.25"},
        {1e20, -1, "100000000000000000000"},
        {0.0000001, -1, "0"},
        {3.14159, 2, "3.14"},
        {2.5, 0, "2"},
        {7, 3, "7.000"},
        {-1.5, 1, "-1.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(decimal_text(c.value, c.precision)), c.expected) << c.value << " " << c.precision;

    EXPECT_EQ(text_of(decimal_text(std::nan(""), 2)), "nan");
    EXPECT_EQ(text_of(decimal_text(std::numeric_limits<double>::infinity(), -1)), "inf");
    EXPECT_EQ(text_of(decimal_text(-std::numeric_limits<double>::infinity(), 3)), "-inf");
    // An absurd precision is limited, not handed to the formatter.
    EXPECT_EQ(decimal_text(1.0, INT_MAX).length(), 2 + decimal_text_max_precision);
    EXPECT_EQ(decimal_text(-std::numeric_limits<double>::max(), INT_MAX).length(),
              1 + 309 + 1 + decimal_text_max_precision);

    EXPECT_EQ(text_of(int64_text(0)), "0");
    EXPECT_EQ(text_of(int64_text(INT64_MAX)), "9223372036854775807");
    EXPECT_EQ(text_of(int64_text(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(text_of(format_string("%s-%d-%c", "a", 5, 'z')), "a-5-z");
    std::string long_text(40000, 'x');
    EXPECT_EQ(format_string("%s", long_text.c_str()).length(), 32767);
}

TEST(NumberRoundUp, Table) {
    struct Case {
        int64_t a, b, expected;
    };
    const Case cases[] = {
        {5000, 4096, 8192},
        {8192, 4096, 8192},
        {1, 4096, 4096},
        {0, 4096, 0},
        {7, 1, 7},
        {7, 0, 7},
        {7, -4, 7},
        {-5, 4, -4},
        {-8, 4, -8},
        {INT64_MAX - 5000, 4096, INT64_MAX - 4095}, // the last multiple that fits
        {INT64_MAX, 4096, INT64_MAX},               // none fits
        {INT64_MIN, 4096, INT64_MIN},
        {INT64_MIN + 1, 3, INT64_MIN + 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(round_up(c.a, c.b), c.expected) << c.a << " " << c.b;
}

std::vector<int64_t> steps_of(int32_t a, int32_t b, int count) {
    IntegerStepper stepper;
    stepper.set(a, b);
    std::vector<int64_t> steps;
    for (int i = 0; i < count; ++i)
        steps.push_back(stepper.step());
    return steps;
}

TEST(NumberStepper, StepsTable) {
    struct Case {
        int32_t a, b;
        std::vector<int64_t> expected;
    };
    const Case cases[] = {
        {7, 3, {2, 2, 3}},       {-7, 3, {-2, -2, -3}}, {7, -3, {-2, -2, -3}},
        {-7, -3, {2, 2, 3}},     {10, 4, {2, 3, 2, 3}}, {0, 3, {0, 0, 0}},
        {2, 5, {0, 0, 1, 0, 1}}, {6, 3, {2, 2, 2}},     {INT32_MIN, -1, {int64_t{1} << 31}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(steps_of(c.a, c.b, static_cast<int>(c.expected.size())), c.expected) << c.a << " " << c.b;
}

TEST(NumberStepper, StepsAddUpExactly) {
    struct Case {
        int32_t a, b;
    };
    const Case cases[] = {{255, 480},     {-255, 480},    {255, -480}, {1000, 7},
                          {INT32_MAX, 7}, {INT32_MIN, 3}, {5, 1}};
    for (const Case& c : cases) {
        int64_t sum = 0;
        for (int64_t step : steps_of(c.a, c.b, c.b < 0 ? -c.b : c.b))
            sum += step;
        // A negative b spreads a / b per step: over |b| steps that adds up to -a.
        EXPECT_EQ(sum, c.b < 0 ? -int64_t{c.a} : c.a) << c.a << " " << c.b;
    }
}

TEST(NumberStepper, ZeroDivisorIsAnInternalError) {
    std::string message = fatal_text([] {
        IntegerStepper stepper;
        stepper.set(5, 0);
    });
    EXPECT_EQ(message.rfind("Internal Fatal Error\r\nModule: Core\r\nLine: ", 0), 0u) << message;
}

TEST(NumberTexts, ColourComponents) {
    EXPECT_EQ(color_red(0x00332211u), 0x11);
    EXPECT_EQ(color_green(0x00332211u), 0x22);
    EXPECT_EQ(color_blue(0x00332211u), 0x33);
}

} // namespace
