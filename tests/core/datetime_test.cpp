#include "core/datetime.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/support/string_text.h"

namespace {

// Fixes the current year of the two-digit rule for the duration of a test.
class FixedYear : public testing::Test {
  protected:
    void SetUp() override { set_current_year_for_tests(2002); }
    void TearDown() override { set_current_year_for_tests(0); }
};

// ---------------------------------------------------------------------------
// Day numbers and the calendar

TEST(Date, DayNumbersOfKnownDates) {
    struct Case {
        int32_t month, day, year;
        int32_t day_number; // Julian Day Number - 1
        int32_t weekday;
    };
    const Case cases[] = {
        {1, 1, 2000, 2451544, 7},   // Saturday
        {3, 5, 2002, 2452338, 3},   // Tuesday
        {1, 1, 1970, 2440587, 5},   // Thursday
        {10, 15, 1582, 2299160, 6}, // first Gregorian day, a Friday
        {10, 4, 1582, 2299159, 5},  // last Julian day, the Thursday before
        {1, 1, 1, 1721423, 7},      // Julian 1 January 1 AD, a Saturday
        {12, 31, 9999, 5373483, 6}, // Friday
    };
    for (const Case& c : cases) {
        Date date;
        date.set(c.month, c.day, c.year);
        EXPECT_EQ(date.day_number(), c.day_number) << c.month << "/" << c.day << "/" << c.year;
        EXPECT_EQ(date.weekday(), c.weekday) << c.month << "/" << c.day << "/" << c.year;
        EXPECT_TRUE(date.is_valid());

        Date back;
        back.from_day_number(c.day_number);
        EXPECT_EQ(back.month(), c.month) << c.day_number;
        EXPECT_EQ(back.day(), c.day) << c.day_number;
        EXPECT_EQ(back.year(), c.year) << c.day_number;
        EXPECT_EQ(back.weekday(), c.weekday) << c.day_number;
    }
}

// A calendar of its own, stepping day by day from 1 January 2000: every date must
// get the next day number, and every day number must give back its date. Reaches
// back past 4716 BC, where a naive conversion breaks down, and forward to 7000 AD.
struct CalendarDay {
    int32_t month, day, year;
};

bool reference_leap(int32_t year) {
    if (year < 1582)
        return year % 4 == 0;
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t reference_days(int32_t month, int32_t year) {
    static const int32_t days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && reference_leap(year) ? 29 : days[month - 1];
}

CalendarDay next_day(CalendarDay d) {
    if (d.year == 1582 && d.month == 10 && d.day == 4)
        return {10, 15, 1582};
    if (++d.day > reference_days(d.month, d.year)) {
        d.day = 1;
        if (++d.month > 12) {
            d.month = 1;
            if (++d.year == 0)
                d.year = 1;
        }
    }
    return d;
}

CalendarDay previous_day(CalendarDay d) {
    if (d.year == 1582 && d.month == 10 && d.day == 15)
        return {10, 4, 1582};
    if (--d.day < 1) {
        if (--d.month < 1) {
            d.month = 12;
            if (--d.year == 0)
                d.year = -1;
        }
        d.day = reference_days(d.month, d.year);
    }
    return d;
}

int32_t weekday_of_next(int32_t weekday, int32_t direction) {
    return (weekday - 1 + direction + 7) % 7 + 1;
}

void walk(CalendarDay (*step)(CalendarDay), int32_t direction, int32_t days) {
    CalendarDay d = {1, 1, 2000};
    int32_t n = 2451544;
    int32_t weekday = 7;
    int failures = 0;
    for (int32_t i = 0; i < days && failures < 5; ++i, d = step(d), n += direction) {
        if (n == 0) {
            weekday = weekday_of_next(weekday, direction);
            continue; // day number 0 means "no date"
        }
        Date date;
        date.set(d.month, d.day, d.year);
        Date back;
        back.from_day_number(n);
        bool ok = date.day_number() == n && date.weekday() == weekday && back.month() == d.month &&
                  back.day() == d.day && back.year() == d.year && back.weekday() == weekday;
        if (!ok) {
            ++failures;
            ADD_FAILURE() << d.month << "/" << d.day << "/" << d.year << " expected day number " << n
                          << " weekday " << weekday << "; set gave " << date.day_number() << " weekday "
                          << date.weekday() << "; from_day_number gave " << back.month() << "/" << back.day()
                          << "/" << back.year() << " weekday " << back.weekday();
        }
        weekday = weekday_of_next(weekday, direction);
    }
}

TEST(Date, EveryDayHasTheNextDayNumber) {
    walk(next_day, 1, 1820000);
    walk(previous_day, -1, 2500000);
}

TEST(Date, ExtremeDayNumbersRoundTrip) {
    for (int32_t n : {INT32_MAX, INT32_MAX - 1, INT32_MIN, INT32_MIN + 1, -1, 1, -1037, -1038}) {
        Date date;
        date.from_day_number(n);
        ASSERT_TRUE(date.is_valid()) << n;
        Date again;
        again.set(date.month(), date.day(), date.year());
        EXPECT_EQ(again.day_number(), n) << date.month() << "/" << date.day() << "/" << date.year();
    }
    Date last;
    last.from_day_number(INT32_MAX);
    EXPECT_EQ(last.year(), 5874898);
    Date first;
    first.from_day_number(INT32_MIN);
    EXPECT_EQ(first.year(), -5884203);
}

TEST(Date, DayNumberOutsideThirtyTwoBitsIsInvalid) {
    struct Case {
        int32_t month, day, year;
    };
    const Case cases[] = {
        {1, 1, INT32_MAX},
        {12, 31, INT32_MIN},
        {6, 5, 5874898},
        {1, INT32_MAX, INT32_MAX},
        {INT32_MIN, INT32_MIN, INT32_MIN},
        {INT32_MAX, 1, 2000},
        {1, 1, -4713}, // would be day number 0, which means "no date"
    };
    for (const Case& c : cases) {
        Date date;
        date.set(c.month, c.day, c.year);
        EXPECT_FALSE(date.is_valid()) << c.month << "/" << c.day << "/" << c.year;
        EXPECT_EQ(date.day_number(), 0) << c.month << "/" << c.day << "/" << c.year;
        EXPECT_EQ(date.weekday(), 0) << c.month << "/" << c.day << "/" << c.year;
    }
    Date huge;
    huge.set(1, 1, INT32_MAX);
    EXPECT_EQ(huge.day_number(), 0);
    EXPECT_EQ(huge.year(), INT32_MAX); // the fields are kept as given
}

TEST(Date, LeapYearsAndValidity) {
    struct Case {
        int32_t year;
        bool leap;
    };
    const Case leap_cases[] = {{1900, false}, {2000, true}, {1500, true},  {1600, true},
                               {1700, false}, {1580, true}, {1582, false}, {2004, true},
                               {2100, false}, {-4, true},   {-1, false},   {-100, true}};
    for (const Case& c : leap_cases)
        EXPECT_EQ(is_leap_year(c.year), c.leap) << c.year;

    struct Valid {
        int32_t month, day, year;
        bool valid;
    };
    const Valid cases[] = {
        {2, 29, 1900, false}, {2, 29, 2000, true},  {2, 29, 1500, true},  {2, 28, 1900, true},
        {4, 31, 2002, false}, {4, 30, 2002, true},  {13, 1, 2002, false}, {0, 1, 2002, false},
        {1, 0, 2002, false},  {1, -1, 2002, false}, {12, 31, 2002, true},
    };
    for (const Valid& c : cases) {
        Date date;
        date.set(c.month, c.day, c.year);
        EXPECT_EQ(date.is_valid(), c.valid) << c.month << "/" << c.day << "/" << c.year;
    }
    Date cleared;
    EXPECT_FALSE(cleared.is_valid());
    EXPECT_EQ(days_in_month(2, 2000), 29);
    EXPECT_EQ(days_in_month(2, 1900), 28);
    EXPECT_EQ(days_in_month(0, 2000), 0);
    EXPECT_EQ(days_in_month(13, 2000), 0);
}

TEST(Date, TenDaysDroppedInOctober1582) {
    Date before;
    before.set(10, 4, 1582);
    Date after;
    after.set(10, 15, 1582);
    EXPECT_EQ(after.day_number() - before.day_number(), 1);
    EXPECT_EQ(after.compare(before), 1);
}

TEST(Date, NamesOutsideTheirRangesAreEmpty) {
    EXPECT_STREQ(month_name(1), "January");
    EXPECT_STREQ(month_name(12), "December");
    EXPECT_STREQ(month_name(0), "");
    EXPECT_STREQ(month_name(13), "");
    EXPECT_STREQ(weekday_name(1), "Sunday");
    EXPECT_STREQ(weekday_name(7), "Saturday");
    EXPECT_STREQ(weekday_name(0), "");
    EXPECT_STREQ(weekday_name(8), "");
    Date cleared;
    EXPECT_STREQ(cleared.month_name(), "");
    EXPECT_STREQ(cleared.weekday_name(), "");
}

TEST(Date, CompareOrdersInvalidFirst) {
    Date a, b, invalid, other_invalid;
    a.set(3, 5, 2002);
    b.set(3, 6, 2002);
    other_invalid.set(2, 30, 2002);
    EXPECT_EQ(a.compare(b), -1);
    EXPECT_EQ(b.compare(a), 1);
    EXPECT_EQ(a.compare(a), 0);
    EXPECT_EQ(invalid.compare(a), -1);
    EXPECT_EQ(a.compare(invalid), 1);
    EXPECT_EQ(invalid.compare(other_invalid), 0);
}

// ---------------------------------------------------------------------------
// Two-digit years

TEST(DateTwoDigitYear, ClosestCandidateToTheCurrentYear) {
    struct Case {
        int32_t year, current, expected;
    };
    const Case cases[] = {
        {2, 2002, 2002},  {99, 2002, 1999},   {50, 2002, 2050}, {52, 2002, 2052}, {53, 2002, 1953},
        {0, 2002, 2000},  {100, 2002, 2000},  {2, 2080, 2102},  {99, 2080, 2099}, {30, 1999, 2030},
        {101, 2002, 101}, {2002, 2002, 2002}, {-5, 2002, -5}, // a year BC stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(expand_year(c.year, c.current), c.expected) << c.year << " in " << c.current;
}

TEST_F(FixedYear, SetExpandingAndParseUseTheFixedYear) {
    EXPECT_EQ(current_year(), 2002);
    Date date;
    date.set_expanding(3, 5, 52);
    EXPECT_EQ(date.year(), 2052);
    ASSERT_NE(date.parse("3/5/02"), nullptr);
    EXPECT_EQ(date.year(), 2002);
    set_current_year_for_tests(2080);
    ASSERT_NE(date.parse("3/5/02"), nullptr);
    EXPECT_EQ(date.year(), 2102);
    date.set(3, 5, 52); // plain set never widens
    EXPECT_EQ(date.year(), 52);
}

// ---------------------------------------------------------------------------
// Parsing

TEST_F(FixedYear, ParseDateTable) {
    struct Case {
        const char* text;
        int32_t month, day, year;
        const char* rest; // what follows the date
    };
    const Case cases[] = {
        {"Tuesday, March 5th, 2002", 3, 5, 2002, ""},
        {"3/5/02", 3, 5, 2002, ""},
        {"3.5.2002", 3, 5, 2002, ""},
        {"5-Mar-02", 3, 5, 2002, ""},
        {"5 March 2002", 3, 5, 2002, ""},
        {"March 2002", 3, 1, 2002, ""},
        {"3/2002", 3, 1, 2002, ""},
        {"March 22nd, 2002", 3, 22, 2002, ""},
        {"March 2002 10:30", 3, 1, 2002, "10:30"},
        {"March 5 10:30", 3, 1, 2005, "10:30"},
        {"  tue mar 5TH 02 rest", 3, 5, 2002, " rest"},
        {"Sat,Jan 1,2000", 1, 1, 2000, ""},
        {"December 31 1999,", 12, 31, 1999, ","},
        {"3 /5/02", 3, 5, 2002, ""},
        {"31-dec 1999", 12, 31, 1999, ""},
        {"3/5/02 3:04p", 3, 5, 2002, " 3:04p"},
        {"3/5 3:04p", 3, 1, 2005, " 3:04p"},
        {"2/30/2002", 2, 30, 2002, ""}, // read, but not a valid date
    };
    for (const Case& c : cases) {
        Date date;
        const char* rest = date.parse(c.text);
        ASSERT_NE(rest, nullptr) << c.text;
        EXPECT_STREQ(rest, c.rest) << c.text;
        EXPECT_EQ(date.month(), c.month) << c.text;
        EXPECT_EQ(date.day(), c.day) << c.text;
        EXPECT_EQ(date.year(), c.year) << c.text;
        Date expected;
        expected.set(c.month, c.day, c.year);
        EXPECT_EQ(date.day_number(), expected.day_number()) << c.text;
    }
}

TEST_F(FixedYear, ParseDateFailuresClearTheDate) {
    const char* const failures[] = {
        "",       "   \t\r\n", "Foo 5, 2002", "March",    "March 0, 2002", "Tues, March 5",
        "0/5/02", "3/0/02",    "3-5-02",      "5-Foo-02", "3:04",          "3,5,02",
        "-",      "/5/02",     "Tuesday",     "12 34",    "3/ 5/02",
    };
    for (const char* text : failures) {
        Date date;
        date.set(3, 5, 2002);
        EXPECT_EQ(date.parse(text), nullptr) << "'" << text << "'";
        EXPECT_EQ(date.day_number(), 0) << text;
        EXPECT_FALSE(date.is_valid()) << text;
    }
    Date date;
    EXPECT_EQ(date.parse(nullptr), nullptr);
}

TEST_F(FixedYear, ParseDateHugeNumbersAreInvalidNotWrapped) {
    // 4294967298 would wrap to 2 in 32 bits and give a valid date.
    Date date;
    ASSERT_NE(date.parse("3/4294967298/2002"), nullptr);
    EXPECT_FALSE(date.is_valid());
    std::string long_year = "3/5/" + std::string(100000, '9');
    const char* rest = date.parse(long_year.c_str());
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(*rest, '\0');
    EXPECT_EQ(date.year(), INT32_MAX);
    EXPECT_FALSE(date.is_valid());
    ASSERT_NE(date.parse("-99999999999/5/2002"), nullptr);
    EXPECT_EQ(date.month(), INT32_MIN);
    EXPECT_FALSE(date.is_valid());
}

TEST(TimeOfDay, ParseTable) {
    struct Case {
        const char* text;
        bool valid;
        int32_t hour, minute, second;
    };
    const Case cases[] = {
        {"3:04p", true, 15, 4, 0},
        {"12:30 am", true, 12, 30, 0},
        {"12:30 pm", true, 12, 30, 0},
        {"25:00", false, 25, 0, 0},
        {" 9:05:07 PM", true, 21, 5, 7},
        {"15:04:09", true, 15, 4, 9},
        {"10:30a", true, 10, 30, 0},
        {"0:00:00", true, 0, 0, 0},
        {"23:59:60", false, 23, 59, 60},
        {"11:60", false, 11, 60, 0},
        {"1:2:3", true, 1, 2, 3},
        {"10:30 :15", true, 10, 30, 15},
        {"4294967308:00", false, INT32_MAX, 0, 0},
    };
    for (const Case& c : cases) {
        TimeOfDay time;
        EXPECT_EQ(time.parse(c.text), c.valid) << c.text;
        EXPECT_EQ(time.hour(), c.hour) << c.text;
        EXPECT_EQ(time.minute(), c.minute) << c.text;
        EXPECT_EQ(time.second(), c.second) << c.text;
    }
    for (const char* text : {"", "x", "10", "10.30", " :30", "-1:30", "p"}) {
        TimeOfDay time;
        time.set(1, 2, 3);
        EXPECT_FALSE(time.parse(text)) << text;
        EXPECT_EQ(time.hour(), -1) << text;
        EXPECT_EQ(time.minute(), -1) << text;
        EXPECT_EQ(time.second(), -1) << text;
    }
    TimeOfDay time;
    EXPECT_FALSE(time.parse(nullptr));
}

TEST(TimeOfDay, TwelveHourClockAndCompare) {
    const int32_t hour12_of[24] = {12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                                   12, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int32_t hour = 0; hour < 24; ++hour) {
        TimeOfDay time;
        time.set(hour, 0, 0);
        EXPECT_EQ(time.hour12(), hour12_of[hour]) << hour;
        EXPECT_EQ(time.is_am(), hour < 12) << hour;
    }
    TimeOfDay cleared, early, late, later;
    EXPECT_FALSE(cleared.is_valid());
    early.set(9, 59, 59);
    late.set(10, 0, 0);
    later.set(10, 0, 1);
    EXPECT_EQ(early.compare(late), -1);
    EXPECT_EQ(later.compare(late), 1);
    EXPECT_EQ(late.compare(late), 0);
    EXPECT_EQ(cleared.compare(early), -1);
    EXPECT_EQ(early.compare(cleared), 1);
    TimeOfDay bad;
    bad.set(25, 0, 0);
    EXPECT_EQ(bad.compare(cleared), 0);
}

TEST_F(FixedYear, DateTimeParse) {
    struct Case {
        const char* text;
        bool result;
        int32_t month, day, year; // 0 for a date that did not parse
        int32_t hour, minute, second;
    };
    const Case cases[] = {
        {"3/5/02, 3:04p", true, 3, 5, 2002, 15, 4, 0},
        {"3/5/02 15:04:09", true, 3, 5, 2002, 15, 4, 9},
        {"Tuesday, March 5th, 2002, 3:04:09 pm", true, 3, 5, 2002, 15, 4, 9},
        {"March 2002 10:30", true, 3, 1, 2002, 10, 30, 0},
        {"15:04", true, 0, 0, 0, 15, 4, 0},
        {"3/5/02", false, 3, 5, 2002, -1, -1, -1},
        {"3/5/02 25:00", false, 3, 5, 2002, 25, 0, 0},
        {"nonsense", false, 0, 0, 0, -1, -1, -1},
    };
    for (const Case& c : cases) {
        DateTime value;
        EXPECT_EQ(value.parse(c.text), c.result) << c.text;
        EXPECT_EQ(value.date().month(), c.month) << c.text;
        EXPECT_EQ(value.date().day(), c.day) << c.text;
        EXPECT_EQ(value.date().year(), c.year) << c.text;
        EXPECT_EQ(value.date().is_valid(), c.month != 0) << c.text;
        EXPECT_EQ(value.time().hour(), c.hour) << c.text;
        EXPECT_EQ(value.time().minute(), c.minute) << c.text;
        EXPECT_EQ(value.time().second(), c.second) << c.text;
    }
    DateTime value;
    EXPECT_FALSE(value.parse(nullptr));
}

TEST_F(FixedYear, DateTimeSetCompareAndTimeStamp) {
    DateTime a, b, c;
    a.set(3, 5, 2, 15, 4, 9); // the year widened
    EXPECT_EQ(a.date().year(), 2002);
    b.set(3, 5, 2002, 15, 4, 10);
    c.set(3, 6, 2002, 0, 0, 0);
    EXPECT_EQ(a.compare(b), -1);
    EXPECT_EQ(b.compare(c), -1);
    EXPECT_EQ(c.compare(a), 1);
    EXPECT_EQ(a.compare(a), 0);

    TimeStamp stamp;
    stamp.year = 2002;
    stamp.month = 3;
    stamp.day = 5;
    stamp.hour = 15;
    stamp.minute = 4;
    stamp.second = 9;
    DateTime from_stamp(stamp);
    EXPECT_EQ(from_stamp.compare(a), 0);
    EXPECT_EQ(from_stamp.date().weekday(), 3);
    EXPECT_EQ(compare_time_stamps(from_stamp.to_time_stamp(), stamp), 0);
}

// ---------------------------------------------------------------------------
// Formatting

DateTime march_5_2002(int32_t hour, int32_t minute, int32_t second) {
    DateTime value;
    value.set(3, 5, 2002, hour, minute, second);
    return value;
}

TEST(DateFormat, PatternTable) {
    DateTime value = march_5_2002(15, 4, 9);
    struct Case {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"m/d/y", "3/5/02"},
        {"MM D, yy", "March 5th, 2002"},
        {"d-M-yy h:ii:ssap", "5-Mar-2002 3:04:09p"},
        {"m/d/yy HH:ii:ss", "3/5/2002 15:04:09"},
        {"WW", "Tuesday"},
        {"Y", "Oh Two"},
        {"YY", "Two Thousand Two"},
        {"DD", "Fifth"},
        {"mm/dd/yy", "03/05/2002"},
        {"W w ww", "Tue 3 03"},
        {"hh H i s", "03 15 4 9"},
        {"AP", "p.m."},
        {"yyy", "200202"},
        {"mmm", "033"},
        {"aP Ap a A p", "aP Ap a A p"},
        {"[%d %s %%]", "[%5 %9 %%]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(text_of(value.format(c.pattern)), c.expected) << c.pattern;
}

TEST(DateFormat, MidnightAndMorning) {
    DateTime midnight = march_5_2002(0, 7, 0);
    EXPECT_EQ(text_of(midnight.format("h")), "12");
    EXPECT_EQ(text_of(midnight.format("hh:ii ap")), "12:07 a");
    EXPECT_EQ(text_of(midnight.format("AP")), "a.m.");
    EXPECT_EQ(text_of(midnight.format("HH")), "00");
    DateTime noon = march_5_2002(12, 0, 0);
    EXPECT_EQ(text_of(noon.format("h ap")), "12 p");
}

TEST(DateFormat, DateCopiesTimeLettersAndDefaults) {
    DateTime value = march_5_2002(15, 4, 9);
    EXPECT_EQ(text_of(value.date().format("m/d/y h:ii:ssap AP")), "3/5/02 h:ii:ssap AP");
    EXPECT_EQ(text_of(value.date().format(nullptr)), "3/5/02");
    EXPECT_EQ(text_of(value.date().format("")), "3/5/02");
    EXPECT_EQ(text_of(value.format(nullptr)), "3/5/02 3:04:09p");
    EXPECT_EQ(text_of(value.format("")), "3/5/02 3:04:09p");

    String saved = default_date_pattern();
    default_date_pattern() = "dd.mm.yy";
    EXPECT_EQ(text_of(value.date().format(nullptr)), "05.03.2002");
    default_date_pattern() = saved;
}

TEST(DateFormat, YearsInWords) {
    struct Case {
        int32_t year;
        const char* y_words;
        const char* yy_words;
    };
    const Case cases[] = {
        {1998, "Ninety Eight", "Nineteen Ninety Eight"},
        {1905, "Oh Five", "Nineteen Oh Five"},
        {2000, "Oh Zero", "Two Thousand"},
        {2010, "Ten", "Twenty Ten"},
        {1900, "Oh Zero", "Nineteen Hundred"},
    };
    for (const Case& c : cases) {
        Date date;
        date.set(1, 1, c.year);
        EXPECT_EQ(text_of(date.format("Y")), c.y_words) << c.year;
        EXPECT_EQ(text_of(date.format("YY")), c.yy_words) << c.year;
    }
}

TEST(DateFormat, InvalidDateAndLongPatternsStayInBounds) {
    Date cleared;
    EXPECT_EQ(text_of(cleared.format("M MM W WW D")), "    0th");
    // Far beyond one formatted piece (32768 bytes): the result just grows.
    std::string pattern;
    for (int i = 0; i < 8000; ++i)
        pattern += "MM";
    Date date;
    date.set(3, 5, 2002);
    String text = date.format(pattern.c_str());
    EXPECT_EQ(text.length(), 8000 * 5);
    EXPECT_EQ(text_of(text.substring(text.length() - 10)), "MarchMarch");
}

// ---------------------------------------------------------------------------
// Clocks

TEST(Clock, ElapsedIsSymmetricAndSurvivesTheWrap) {
    struct Case {
        uint32_t start, now, expected;
    };
    const Case cases[] = {
        {100, 150, 50},
        {150, 100, 50},
        {0xFFFFFFF0u, 0x10u, 0x20u}, // the counter wrapped
        {0x10u, 0xFFFFFFF0u, 0x20u},
        {0x7FFFFFFFu, 0x80000000u, 1}, // crossing into the negative half
        {0, 0x80000000u, 0x80000000u},
        {7, 7, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(elapsed_ms(c.start, c.now), c.expected) << c.start << " " << c.now;
}

TEST(Clock, SleepAdvancesTheCounter) {
    // Generous bounds: under Wine the tick counter is refreshed by the server and may
    // lag by a few ticks when the machine is busy.
    uint32_t start = tick_count();
    sleep_ms(200);
    uint32_t passed = elapsed_ms(start);
    EXPECT_GE(passed, 150u);
    EXPECT_LT(passed, 10000u);
}

TEST(Clock, TodayAndNowComeFromTheClock) {
    TimeStamp stamp = local_time_stamp();
    Date today;
    today.today();
    DateTime now;
    now.now();
    if (today.day() != stamp.day)
        GTEST_SKIP() << "midnight passed during the test";
    EXPECT_TRUE(today.is_valid());
    EXPECT_EQ(today.month(), stamp.month);
    EXPECT_EQ(today.year(), stamp.year);
    EXPECT_EQ(now.date().compare(today), 0);
    EXPECT_TRUE(now.time().is_valid());
    EXPECT_EQ(current_year(), stamp.year);
}

} // namespace
