#pragma once
// Calendar types and clocks.
//
// A Date is a day number (the Julian Day Number minus one: 1 January 2000 is
// 2451544) with its month, day, year and weekday. Dates before 15 October 1582 are
// Julian, later ones Gregorian; there is no year 0 and a negative year is a year BC.
// Day number 0 means "no date". TimeOfDay is hour, minute, second; DateTime joins
// the two. They parse dates and times written by people and format them with a
// small pattern language of letters ("m/d/y", "d-M-yy h:ii:ssap", "MM D, yy"):
//
//   m mm   month / two digits           h hh   hour 1..12 / two digits   (DateTime)
//   d dd   day / two digits             H HH   hour 0..23 / two digits   (DateTime)
//   y yy   year mod 100 / four digits   i ii   minutes / two digits      (DateTime)
//   w ww   weekday 1..7 / two digits    s ss   seconds / two digits      (DateTime)
//   M MM   month name: 3 letters / full ap     "a" or "p"                (DateTime)
//   W WW   weekday name: 3 letters/full AP     "a.m." or "p.m."          (DateTime)
//   D DD   "5th" / "Fifth"              Y YY   year mod 100 / year in words
//
// Any other character is copied; a Date copies the time letters. A null or empty
// pattern is the type's default pattern.

#include <cstdint>

#include "core/string.h"
#include "core/timestamp.h"

// "January".."December" for 1..12, "Sunday".."Saturday" for 1..7; "" outside.
const char* month_name(int32_t month);
const char* weekday_name(int32_t weekday);

// Julian rule (every fourth year) before 1582, Gregorian from 1582 on. A negative
// year is a year BC: 4 BC (-4) is a leap year, 1 BC (-1) is not.
bool is_leap_year(int32_t year);
// 28..31, or 0 for a month outside 1..12.
int32_t days_in_month(int32_t month, int32_t year);

// Two-digit year rule: a year 0..100 becomes the one of year + K - 100, year + K and
// year + K + 100 (K = current_year rounded down to a century) closest to
// current_year, the later one on equal distance; other years are returned as they
// are. The first form takes the current year from `current_year`.
int32_t expand_year(int32_t year);
int32_t expand_year(int32_t year, int32_t current_year);

// The program-wide default patterns: "m/d/y" for dates, "m/d/y h:ii:ssap" for
// date-times. Callers may assign new ones.
String& default_date_pattern();
String& default_date_time_pattern();

class Date {
  public:
    Date() = default;

    // Every field 0 (invalid).
    void clear();
    // The local date from the system clock, stored as by `set`.
    void today();
    // Stores the three and computes the day number and weekday. A date whose day
    // number does not fit 32 bits (or is 0) keeps day number and weekday 0: invalid.
    void set(int32_t month, int32_t day, int32_t year);
    // As `set`, after `expand_year`.
    void set_expanding(int32_t month, int32_t day, int32_t year);
    // Stores n and computes month, day, year and weekday; 0 clears the date.
    void from_day_number(int32_t n);
    // Reads a date written by a person ("Tuesday, March 5th, 2002", "3/5/02",
    // "3.5.2002", "5-Mar-02", "5 March 2002", "March 2002", "3/2002"), widens a
    // short year and computes the day number. Returns the position after the date,
    // or null (the Date cleared) when the text holds none. The Date may still be
    // invalid, as for "2/30/2002".
    const char* parse(const char* text);

    // Month 1..12, weekday 1..7 and day 1..days of that month.
    bool is_valid() const;
    // -1, 0 or 1: an invalid date is less than a valid one and equal to another
    // invalid one; valid dates compare by day number.
    int32_t compare(const Date& other) const;

    int32_t days_in_month() const { return ::days_in_month(month_, year_); }
    const char* month_name() const { return ::month_name(month_); }
    const char* weekday_name() const { return ::weekday_name(weekday_); }
    String format(const char* pattern) const;

    int32_t day_number() const { return day_number_; }
    int32_t month() const { return month_; }
    int32_t day() const { return day_; }
    int32_t year() const { return year_; }
    int32_t weekday() const { return weekday_; } // Sunday = 1 .. Saturday = 7

  private:
    void compute_weekday();

    int32_t day_number_ = 0;
    int32_t month_ = 0;
    int32_t day_ = 0;
    int32_t year_ = 0;
    int32_t weekday_ = 0;
};

class TimeOfDay {
  public:
    TimeOfDay() = default;

    void set(int32_t hour, int32_t minute, int32_t second);
    // Every field -1 (invalid).
    void clear();
    // Hour 0..23, minute 0..59, second 0..59.
    bool is_valid() const;
    // 12 for hour 0, the hour for 1..12, hour - 12 for 13..23 (an hour outside
    // 0..23 is returned as it is).
    int32_t hour12() const;
    bool is_am() const { return hour_ < 12; }
    // "h:mm", "h:mm:ss", each optionally followed by blanks and "a" or "p" (a "p"
    // adds 12 to an hour below 12; "12:30 am" stays 12:30). False, and the time
    // cleared, when no hour and ":" begin the text; otherwise `is_valid`.
    bool parse(const char* text);
    // -1, 0 or 1: an invalid time is less than a valid one and equal to another
    // invalid one; valid times compare by hour, minute, second.
    int32_t compare(const TimeOfDay& other) const;

    int32_t hour() const { return hour_; }
    int32_t minute() const { return minute_; }
    int32_t second() const { return second_; }

  private:
    int32_t hour_ = -1;
    int32_t minute_ = -1;
    int32_t second_ = -1;
};

class DateTime {
  public:
    DateTime() = default;
    // From a file-time record, as by `set`.
    explicit DateTime(const TimeStamp& stamp);

    // The local date and time from the system clock.
    void now();
    // The date with `set_expanding`, the time as given.
    void set(int32_t month, int32_t day, int32_t year, int32_t hour, int32_t minute, int32_t second);
    // A date, optionally followed by one "," and a time; or a time alone. The result
    // is the time's validity; the date stays invalid when it did not parse.
    bool parse(const char* text);
    // By date, and when equal by time.
    int32_t compare(const DateTime& other) const;
    String format(const char* pattern) const;
    TimeStamp to_time_stamp() const;

    const Date& date() const { return date_; }
    const TimeOfDay& time() const { return time_; }
    Date& date() { return date_; }
    TimeOfDay& time() { return time_; }

  private:
    Date date_;
    TimeOfDay time_;
};

static_assert(sizeof(Date) == 20, "Date is five 32-bit fields");
static_assert(sizeof(TimeOfDay) == 12, "TimeOfDay is three 32-bit fields");
static_assert(sizeof(DateTime) == 32, "DateTime is eight 32-bit fields");

// The local date and time from the system clock.
TimeStamp local_time_stamp();
// The year the two-digit rule widens towards: the clock's, unless tests fixed one.
int32_t current_year();
// Fixes the year `current_year` returns; 0 goes back to the clock.
void set_current_year_for_tests(int32_t year);

// The system's millisecond counter; it wraps after 49.7 days.
uint32_t tick_count();
// |now - start| with the difference taken as a signed 32-bit number, so a counter
// that wrapped in between still gives the time that passed, and a start later than
// now gives the positive difference.
uint32_t elapsed_ms(uint32_t start);
uint32_t elapsed_ms(uint32_t start, uint32_t now);
void sleep_ms(uint32_t ms);
