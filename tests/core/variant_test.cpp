#include "core/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "tests/support/string_text.h"

namespace {

Variant text_variant(const char* text) {
    Variant v;
    v.set_text(text);
    return v;
}

Variant real_variant(double value) {
    Variant v;
    v.set_double(value);
    return v;
}

Date make_date(int32_t month, int32_t day, int32_t year) {
    Date date;
    date.set(month, day, year);
    return date;
}

TimeOfDay make_time(int32_t hour, int32_t minute, int32_t second) {
    TimeOfDay time;
    time.set(hour, minute, second);
    return time;
}

DateTime make_date_time(const Date& date, const TimeOfDay& time) {
    DateTime date_time;
    date_time.date() = date;
    date_time.time() = time;
    return date_time;
}

// Dates written with two-digit years widen towards a fixed year.
class VariantDates : public ::testing::Test {
  protected:
    void SetUp() override { set_current_year_for_tests(2002); }
    void TearDown() override { set_current_year_for_tests(0); }
};

TEST(Variant, SettersStoreTypeClassAndWidenedValue) {
    struct Case {
        void (*set)(Variant&);
        int32_t type;
        int32_t storage_class;
        int64_t bits; // the stored 64-bit value, as to_int64 reads it
        const char* text;
    };
    const Case cases[] = {
        {[](Variant& v) { v.set_bool(true); }, 1, 1, 1, "1"},
        {[](Variant& v) { v.set_bool(false); }, 1, 1, 0, "0"},
        {[](Variant& v) { v.set_int8(-128); }, 2, 1, -128, "-128"},
        {[](Variant& v) { v.set_uint8(255); }, 3, 1, 255, "255"},
        {[](Variant& v) { v.set_int16(-2); }, 4, 1, -2, "-2"},
        {[](Variant& v) { v.set_uint16(65535); }, 5, 1, 65535, "65535"},
        {[](Variant& v) { v.set_int32(-1); }, 6, 1, -1, "-1"},
        {[](Variant& v) { v.set_uint32(0xFFFFFFFFu); }, 7, 1, 0xFFFFFFFFll, "4294967295"},
        {[](Variant& v) { v.set_int64(INT64_MIN); }, 8, 1, INT64_MIN, "-9223372036854775808"},
        {[](Variant& v) { v.set_uint64(UINT64_MAX); }, 9, 1, -1, "-1"},
        {[](Variant& v) { v.set_uint32_alt(7); }, 16, 1, 7, "7"},
        {[](Variant& v) { v.set_float(0.5f); }, 10, 2, 0, "0.5"},
        {[](Variant& v) { v.set_double(2.5); }, 11, 2, 2, "2.5"},
        {[](Variant& v) { v.set_text("x"); }, 12, 3, 0, "x"},
        {[](Variant& v) { v.set_date(Date()); }, 13, 4, 0, ""},
        {[](Variant& v) { v.set_datetime(DateTime()); }, 14, 4, 0, ""},
        {[](Variant& v) { v.set_time(TimeOfDay()); }, 15, 4, 0, ""},
    };
    for (const Case& c : cases) {
        Variant v;
        v.set_text("left over");
        c.set(v);
        EXPECT_EQ(v.type(), c.type);
        EXPECT_EQ(v.storage_class(), c.storage_class) << c.type;
        EXPECT_EQ(Variant::class_of(c.type), c.storage_class) << c.type;
        EXPECT_EQ(v.to_int64(), c.bits) << c.type;
        EXPECT_EQ(text_of(v.to_text()), c.text) << c.type;
        // The text of an earlier value does not linger behind a new one.
        if (c.type != Variant::type_text) {
            EXPECT_TRUE(v.text().is_empty()) << c.type;
        }
    }
    Variant cleared;
    cleared.set_int32(5);
    cleared.clear();
    EXPECT_EQ(cleared.type(), 0);
    EXPECT_EQ(cleared.storage_class(), 0);
    EXPECT_EQ(Variant::class_of(17), Variant::class_none);
    EXPECT_EQ(Variant::class_of(-1), Variant::class_none);
}

TEST(Variant, IntegerGettersTakeLowBitsOfTheStoredValue) {
    Variant v;
    v.set_int64(0x123456789ABCDEF0ll);
    EXPECT_EQ(v.to_uint8(), 0xF0);
    EXPECT_EQ(v.to_int8(), static_cast<int8_t>(-16));
    EXPECT_EQ(v.to_uint16(), 0xDEF0);
    EXPECT_EQ(v.to_int16(), static_cast<int16_t>(-8464));
    EXPECT_EQ(v.to_uint32(), 0x9ABCDEF0u);
    EXPECT_EQ(v.to_int32(), static_cast<int32_t>(0x9ABCDEF0u));
    EXPECT_TRUE(v.to_bool());
    // Only the high word set: still true, still not zero.
    v.set_int64(0x100000000ll);
    EXPECT_EQ(v.to_int32(), 0);
    EXPECT_TRUE(v.to_bool());
    EXPECT_FALSE(v.is_zero());
    v.set_int32(-3);
    EXPECT_EQ(v.to_double(), -3.0);
}

TEST(Variant, UnsignedSixtyFourBitValuesReadAsSigned) {
    struct Case {
        uint64_t value;
        double real;
        const char* text;
    };
    const Case cases[] = {
        {0, 0.0, "0"},
        {0x7FFFFFFFFFFFFFFFull, 9223372036854775807.0, "9223372036854775807"},
        {0x8000000000000000ull, -9223372036854775808.0, "-9223372036854775808"},
        {0xFFFFFFFFFFFFFFFEull, -2.0, "-2"},
        {UINT64_MAX, -1.0, "-1"},
    };
    for (const Case& c : cases) {
        Variant v;
        v.set_uint64(c.value);
        EXPECT_EQ(v.to_double(), c.real) << c.text;
        EXPECT_EQ(v.to_float(), static_cast<float>(c.real)) << c.text;
        EXPECT_EQ(text_of(v.to_text()), c.text);
        // Conversion reads through the same getters.
        Variant real = v;
        real.convert(Variant::type_double);
        EXPECT_EQ(real.type(), Variant::type_double);
        EXPECT_EQ(real.to_double(), c.real) << c.text;
        v.convert(Variant::type_text);
        EXPECT_EQ(text_of(v.text()), c.text);
    }
}

TEST(Variant, TextConvertsToEachIntegerKind) {
    struct Case {
        const char* text;
        int32_t type;
        int64_t expected;
    };
    const Case cases[] = {
        {"42", 7, 42},
        {"abc", 7, 0},
        {"4294967295", 7, 0xFFFFFFFFll},
        {"-1", 7, 0xFFFFFFFFll},
        {"42", 16, 42},
        {"-1", 6, -1},
        {"12abc", 6, 12},
        {"-2147483648", 6, INT32_MIN},
        {"9000000000", 8, 9000000000ll},
        {"-9000000000", 8, -9000000000ll},
        {"300", 3, 44},
        {"70000", 5, 4464},
        {"-2", 4, -2},
        {"40000", 4, 40000 - 65536},
        {"40000", 5, 40000},
        // The signed 8-bit kind is the character kind: the first byte's code.
        {"A", 2, 65},
        {"5", 2, '5'},
        {"", 2, 0},
        {"\xE9", 2, -23},
    };
    for (const Case& c : cases) {
        Variant v = text_variant(c.text);
        v.convert(c.type);
        EXPECT_EQ(v.type(), c.type) << c.text;
        EXPECT_EQ(v.storage_class(), Variant::class_integer) << c.text;
        EXPECT_EQ(v.to_int64(), c.expected) << c.text << " to type " << c.type;
    }
}

TEST(Variant, TextConvertsToTruthValue) {
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = {
        {"0", false}, {"yes", true},    {"", false}, {"no", false},
        {"F", false}, {"false", false}, {"2", true}, {"anything", true},
    };
    for (const Case& c : cases) {
        Variant v = text_variant(c.text);
        EXPECT_EQ(v.to_bool(), c.expected) << c.text;
        v.convert(Variant::type_bool);
        EXPECT_EQ(v.type(), 1);
        EXPECT_EQ(v.to_int64(), c.expected ? 1 : 0) << c.text;
        EXPECT_EQ(v.is_zero(), !c.expected) << c.text;
    }
}

TEST(Variant, RealToTextAndBack) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {2.5, "2.5"}, {3.0, "3"}, {-0.125, "-0.125"}, {0.0, "0"}, {1234567.75, "1234567.75"},
    };
    for (const Case& c : cases) {
        Variant v = real_variant(c.value);
        v.convert(Variant::type_text);
        EXPECT_EQ(v.type(), 12);
        EXPECT_EQ(text_of(v.text()), c.text);
        v.convert(Variant::type_double);
        EXPECT_EQ(v.storage_class(), Variant::class_real);
        EXPECT_EQ(v.to_double(), c.value) << c.text;
    }
    Variant text = text_variant("1.5");
    EXPECT_EQ(text.to_float(), 1.5f);
    EXPECT_EQ(text.to_double(), 1.5);
    text.convert(Variant::type_float);
    EXPECT_EQ(text.type(), 10);
    EXPECT_EQ(text.to_float(), 1.5f);

    // A single real is widened exactly, not re-read from decimal.
    Variant single;
    single.set_float(0.1f);
    EXPECT_EQ(single.to_double(), static_cast<double>(0.1f));
}

TEST(Variant, RealToIntegerTruncatesWithinTheTargetRange) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int32_t type;
        int64_t expected;
    };
    const Case cases[] = {
        {3.9, 6, 3},
        {-3.9, 6, -3},
        {300.0, 3, 255},
        {-1.0, 3, 0},
        {200.0, 2, 127},
        {-200.0, 2, -128},
        {40000.0, 4, 32767},
        {40000.0, 5, 40000},
        {-1.0, 7, 0},
        {5e9, 7, 0xFFFFFFFFll},
        {5e9, 6, INT32_MAX},
        {-5e9, 6, INT32_MIN},
        {1e20, 8, INT64_MAX},
        {-1e20, 8, INT64_MIN},
        {9223372036854775807.0, 8, INT64_MAX},
        {infinity, 16, 0xFFFFFFFFll},
        {nan, 6, 0},
        {nan, 8, 0},
    };
    for (const Case& c : cases) {
        Variant v = real_variant(c.value);
        v.convert(c.type);
        EXPECT_EQ(v.type(), c.type);
        EXPECT_EQ(v.to_int64(), c.expected) << c.value << " to type " << c.type;
    }
    // Too large for a single real: an infinity, not undefined narrowing.
    EXPECT_EQ(real_variant(1e300).to_float(), std::numeric_limits<float>::infinity());
    EXPECT_EQ(real_variant(-1e300).to_float(), -std::numeric_limits<float>::infinity());
    // NaN is not zero.
    EXPECT_TRUE(real_variant(nan).to_bool());
    EXPECT_FALSE(real_variant(nan).is_zero());
}

TEST_F(VariantDates, DateAndTimeTexts) {
    const Date date = make_date(3, 5, 2002);
    const TimeOfDay time = make_time(9, 5, 7);
    struct Case {
        Variant value;
        const char* text;
    };
    Case cases[5];
    cases[0].value.set_date(date);
    cases[0].text = "3/5/2002";
    cases[1].value.set_time(time);
    cases[1].text = "09:05:07";
    cases[2].value.set_datetime(make_date_time(date, time));
    cases[2].text = "3/5/2002 09:05:07";
    cases[3].value.set_datetime(make_date_time(date, TimeOfDay()));
    cases[3].text = "3/5/2002";
    cases[4].value.set_datetime(make_date_time(Date(), make_time(23, 59, 0)));
    cases[4].text = "23:59:00";
    for (const Case& c : cases) {
        EXPECT_EQ(text_of(c.value.to_text()), c.text);
        EXPECT_TRUE(c.value.to_bool()) << c.text;
        EXPECT_FALSE(c.value.is_zero()) << c.text;
    }

    // Invalid values give no text and count as zero.
    Variant bad;
    bad.set_date(make_date(2, 30, 2002));
    EXPECT_EQ(text_of(bad.to_text()), "");
    EXPECT_TRUE(bad.is_zero());
    EXPECT_FALSE(bad.to_bool());
    bad.set_time(make_time(24, 0, 0));
    EXPECT_EQ(text_of(bad.to_text()), "");
    EXPECT_TRUE(bad.is_zero());
    bad.set_datetime(make_date_time(Date(), make_time(12, 60, 0)));
    EXPECT_EQ(text_of(bad.to_text()), "");
    EXPECT_TRUE(bad.is_zero());

    // A date value shows no time, a time value no date, even when the other part
    // was valid in what was passed in.
    Variant only_date;
    only_date.set_date(date);
    EXPECT_FALSE(only_date.to_time().is_valid());
    EXPECT_EQ(only_date.to_int32(), date.day_number());
    Variant only_time;
    only_time.set_time(time);
    EXPECT_FALSE(only_time.to_date().is_valid());
    EXPECT_EQ(only_time.to_int32(), 0);
}

TEST_F(VariantDates, TextsAndDayNumbersConvertToDates) {
    Variant v = text_variant("3/5/02");
    v.convert(Variant::type_date);
    EXPECT_EQ(v.type(), 13);
    EXPECT_EQ(v.storage_class(), Variant::class_date_time);
    EXPECT_EQ(v.to_date().day_number(), make_date(3, 5, 2002).day_number());
    EXPECT_EQ(v.to_int64(), make_date(3, 5, 2002).day_number());

    v = text_variant("5-Mar-02, 10:30 pm");
    v.convert(Variant::type_datetime);
    EXPECT_EQ(text_of(v.to_text()), "3/5/2002 22:30:00");

    v = text_variant("10:30 pm");
    v.convert(Variant::type_time);
    EXPECT_EQ(text_of(v.to_text()), "22:30:00");

    v = text_variant("no date here");
    v.convert(Variant::type_date);
    EXPECT_EQ(v.type(), 13);
    EXPECT_TRUE(v.is_zero());

    // The day number 2451544 is 1 January 2000; the 32-bit and signed 64-bit kinds
    // read as day numbers, the others do not.
    Variant number;
    number.set_int32(2451544);
    EXPECT_EQ(text_of(number.to_date().format("m/d/yy")), "1/1/2000");
    number.set_uint32(2451544);
    EXPECT_TRUE(number.to_date().is_valid());
    number.set_int64(2451544);
    number.convert(Variant::type_date);
    EXPECT_EQ(text_of(number.to_text()), "1/1/2000");
    number.set_uint64(2451544);
    EXPECT_FALSE(number.to_date().is_valid());
    number.set_int16(1000);
    EXPECT_FALSE(number.to_date().is_valid());
    number.set_double(2451544.0);
    EXPECT_FALSE(number.to_date().is_valid());

    // A date as a number is its day number; as a real it is 0.
    Variant date;
    date.set_date(make_date(1, 1, 2000));
    EXPECT_EQ(date.to_uint32(), 2451544u);
    EXPECT_EQ(date.to_double(), 0.0);
    EXPECT_EQ(date.to_uint8(), 0);
    date.convert(Variant::type_int32);
    EXPECT_EQ(date.to_int64(), 2451544);
}

TEST(Variant, IsZeroInEveryClass) {
    Variant v;
    EXPECT_TRUE(v.is_zero());
    EXPECT_FALSE(v.to_bool());
    EXPECT_EQ(text_of(v.to_text()), "");
    EXPECT_EQ(v.to_int64(), 0);
    EXPECT_FALSE(v.to_date().is_valid());
    v.set_int8(0);
    EXPECT_TRUE(v.is_zero());
    v.set_int8(-1);
    EXPECT_FALSE(v.is_zero());
    v.set_double(0.0);
    EXPECT_TRUE(v.is_zero());
    v.set_double(-0.0);
    EXPECT_TRUE(v.is_zero());
    v.set_double(1e-300);
    EXPECT_FALSE(v.is_zero());
    v.set_text("");
    EXPECT_TRUE(v.is_zero());
    // A text "0" is not an empty text.
    v.set_text("0");
    EXPECT_FALSE(v.is_zero());
    v.set_datetime(DateTime());
    EXPECT_TRUE(v.is_zero());
}

TEST(Variant, ConvertLeavesSomeValuesAlone) {
    // Already of the type: nothing is re-read (a text stays the very same text).
    Variant v = text_variant("007");
    v.convert(Variant::type_text);
    EXPECT_EQ(text_of(v.text()), "007");
    // Codes outside 0..16.
    for (int32_t code : {17, -1, 1000}) {
        v.convert(code);
        EXPECT_EQ(v.type(), 12) << code;
        EXPECT_EQ(text_of(v.text()), "007") << code;
    }
    // The unsigned 64-bit kind has no getter: the value and its type stay.
    v.convert(Variant::type_uint64);
    EXPECT_EQ(v.type(), 12);
    EXPECT_EQ(text_of(v.text()), "007");
    Variant number;
    number.set_int32(-5);
    number.convert(Variant::type_uint64);
    EXPECT_EQ(number.type(), 6);
    EXPECT_EQ(number.to_int64(), -5);
    // 0 clears.
    v.convert(Variant::type_empty);
    EXPECT_EQ(v.type(), 0);
    EXPECT_EQ(v.storage_class(), 0);
    EXPECT_TRUE(v.text().is_empty());
}

TEST(Variant, SetTextCopiesBytesAndItsOwnText) {
    Variant v;
    v.set_text("a\0b", 3);
    EXPECT_EQ(v.text().length(), 3);
    EXPECT_EQ(text_of(v.to_text()), std::string("a\0b", 3));
    v.set_text("hello", String::to_end);
    EXPECT_EQ(text_of(v.text()), "hello");
    v.set_text(nullptr);
    EXPECT_EQ(v.type(), 12);
    EXPECT_TRUE(v.is_zero());
    v.set_text("hello", -4);
    EXPECT_TRUE(v.text().is_empty());

    // Its own text, whole or in part.
    v.set_text("hello");
    v.set_text(v.text());
    EXPECT_EQ(text_of(v.text()), "hello");
    v.set_text(v.text().c_str() + 2);
    EXPECT_EQ(text_of(v.text()), "llo");
    v.set_text(v.text().c_str(), 2);
    EXPECT_EQ(text_of(v.text()), "ll");

    // Copies are independent.
    Variant copy = v;
    v.set_text("changed");
    EXPECT_EQ(text_of(copy.text()), "ll");
}

} // namespace
