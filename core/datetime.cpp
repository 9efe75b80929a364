#include "core/datetime.h"

#include <cstring>

#include "core/numbers.h"
#include "core/text_format.h"

#if !defined(_WIN32)
#include <cerrno>
#include <ctime>
#endif

namespace {

const char* const month_names[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const weekday_names[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
const int32_t month_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The first day of the Gregorian calendar, 15 October 1582, as day + year * 10000 +
// month * 100 and as a day number.
constexpr int64_t gregorian_start_key = 15821015;
constexpr int64_t gregorian_start_day_number = 2299160;
// Day numbers below this belong to years BC (1 January 1 AD is 1721424 - 1).
constexpr int64_t first_day_number_ad = 1721424;
// Four Julian years: the calendar repeats itself after so many days.
constexpr int64_t days_per_julian_cycle = 1461;

int32_t current_year_override = 0;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

const char* skip_blanks(const char* p) {
    while (is_blank(*p))
        ++p;
    return p;
}

// Whether the first n bytes of text equal those of word, ASCII case ignored. Stops
// at the text's NUL, which never matches a letter of the word.
bool begins_with(const char* text, const char* word, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\0' || String::ascii_lower(text[i]) != String::ascii_lower(word[i]))
            return false;
    }
    return true;
}

// An optional sign and decimal digits at p, p advanced past them. No digits: 0 and
// p unchanged. A number beyond 32 bits reads as INT32_MAX or INT32_MIN (never a
// valid field), however many digits follow.
int32_t read_number(const char*& p) {
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-')
        negative = *q++ == '-';
    if (!is_digit(*q))
        return 0;
    int64_t value = 0;
    for (; is_digit(*q); ++q) {
        if (value <= INT32_MAX)
            value = value * 10 + (*q - '0');
    }
    p = q;
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Finds a name of the table at p: its full name, or else its first three letters.
// Returns its 1-based index, p advanced past it; 0 when none matches.
int32_t read_name(const char*& p, const char* const* names, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        size_t length = std::strlen(names[i]);
        if (begins_with(p, names[i], length)) {
            p += length;
            return i + 1;
        }
        if (begins_with(p, names[i], 3)) {
            p += 3;
            return i + 1;
        }
    }
    return 0;
}

// Floored modulo: the weekday must also come out right for negative day numbers.
int32_t weekday_of(int64_t day_number) {
    int64_t r = (day_number + 2) % 7;
    if (r < 0)
        r += 7;
    return static_cast<int32_t>(r + 1);
}

int64_t trunc_product(double factor, int64_t n) {
    return static_cast<int64_t>(factor * static_cast<double>(n));
}

void append_number(String& out, int32_t value, int digits) {
    char text[16];
    int n = 0;
    if (digits == 2)
        n = format_text(text, sizeof text, "%02d", static_cast<int>(value));
    else if (digits == 4)
        n = format_text(text, sizeof text, "%04d", static_cast<int>(value));
    else
        n = format_text(text, sizeof text, "%d", static_cast<int>(value));
    out.append(text, n);
}

// The first three letters of a name; an empty name stays empty.
void append_short_name(String& out, const char* name) {
    size_t n = std::strlen(name);
    out.append(name, static_cast<int32_t>(n < 3 ? n : 3));
}

// The pattern language of Date and DateTime; time is null for a Date, which copies
// the time letters.
String format_calendar(const Date& date, const TimeOfDay* time, const char* pattern) {
    String out;
    String words;
    for (const char* p = pattern; *p != '\0';) {
        char c = *p;
        bool doubled = p[1] == c;
        int width = doubled ? 2 : 1;
        switch (c) {
        case 'm':
            append_number(out, date.month(), width);
            break;
        case 'd':
            append_number(out, date.day(), width);
            break;
        case 'y':
            if (doubled)
                append_number(out, date.year(), 4);
            else
                append_number(out, date.year() % 100, 2);
            break;
        case 'w':
            append_number(out, date.weekday(), width);
            break;
        case 'M':
            if (doubled)
                out.append(date.month_name());
            else
                append_short_name(out, date.month_name());
            break;
        case 'W':
            if (doubled)
                out.append(date.weekday_name());
            else
                append_short_name(out, date.weekday_name());
            break;
        case 'D':
            if (doubled)
                ordinal_words(date.day(), words);
            else
                ordinal_suffix(date.day(), words);
            out.append(words);
            break;
        case 'Y':
            if (doubled) {
                out.append(number_words(date.year(), number_words_year));
            } else {
                int32_t last_two = date.year() % 100;
                if (last_two >= 0 && last_two < 10)
                    out.append("Oh ");
                out.append(number_words(last_two, number_words_plain));
            }
            break;
        case 'h':
        case 'H':
        case 'i':
        case 's':
            if (time == nullptr) {
                out.append(p, width);
                break;
            }
            if (c == 'h')
                append_number(out, time->hour12(), width);
            else if (c == 'H')
                append_number(out, time->hour(), width);
            else if (c == 'i')
                append_number(out, time->minute(), width);
            else
                append_number(out, time->second(), width);
            break;
        case 'a':
        case 'A':
            width = 1;
            if (time != nullptr && p[1] == (c == 'a' ? 'p' : 'P')) {
                if (c == 'a')
                    out.append(time->is_am() ? "a" : "p");
                else
                    out.append(time->is_am() ? "a.m." : "p.m.");
                width = 2;
            } else {
                out.append(c);
            }
            break;
        default:
            out.append(c);
            width = 1;
            break;
        }
        p += width;
    }
    return out;
}

} // namespace

const char* month_name(int32_t month) {
    return month >= 1 && month <= 12 ? month_names[month - 1] : "";
}

const char* weekday_name(int32_t weekday) {
    return weekday >= 1 && weekday <= 7 ? weekday_names[weekday - 1] : "";
}

bool is_leap_year(int32_t year) {
    if (year < 1582)
        return year % 4 == 0;
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int32_t days_in_month(int32_t month, int32_t year) {
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && is_leap_year(year))
        return 29;
    return month_days[month - 1];
}

int32_t expand_year(int32_t year) {
    if (year < 0 || year > 100)
        return year;
    return expand_year(year, current_year());
}

int32_t expand_year(int32_t year, int32_t current) {
    if (year < 0 || year > 100)
        return year;
    int64_t y = current;
    int64_t century = y % 100;
    if (century < 0)
        century += 100;
    int64_t k = y - century;
    int64_t best = year + k - 100;
    for (int64_t candidate = year + k; candidate <= year + k + 100; candidate += 100) {
        int64_t best_distance = best > y ? best - y : y - best;
        int64_t distance = candidate > y ? candidate - y : y - candidate;
        if (distance <= best_distance) // the later one on equal distance
            best = candidate;
    }
    if (best > INT32_MAX)
        return INT32_MAX;
    if (best < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(best);
}

String& default_date_pattern() {
    static String pattern("m/d/y");
    return pattern;
}

String& default_date_time_pattern() {
    static String pattern("m/d/y h:ii:ssap");
    return pattern;
}

// ---------------------------------------------------------------------------
// Date

void Date::clear() {
    day_number_ = 0;
    month_ = 0;
    day_ = 0;
    year_ = 0;
    weekday_ = 0;
}

void Date::today() {
    TimeStamp now = local_time_stamp();
    set(now.month, now.day, now.year);
}

void Date::set(int32_t month, int32_t day, int32_t year) {
    month_ = month;
    day_ = day;
    year_ = year;
    // 64 bits throughout: any three 32-bit fields give a sum that fits, and only
    // the final day number has to fit 32 bits.
    int64_t m = month;
    int64_t y = year;
    if (y < 0)
        ++y; // there is no year 0: 1 BC counts as year 0 here
    if (m == 1 || m == 2) {
        --y;
        m += 12;
    }
    int64_t n = day + trunc_product(365.25, y) + trunc_product(30.6001, m + 1) + 1720994;
    if (day + y * 10000 + m * 100 >= gregorian_start_key)
        n += 2 - y / 100 + y / 400;
    if (n == 0 || n < INT32_MIN || n > INT32_MAX) {
        // Not representable (day number 0 stands for "no date").
        day_number_ = 0;
        weekday_ = 0;
        return;
    }
    day_number_ = static_cast<int32_t>(n);
    compute_weekday();
}

void Date::set_expanding(int32_t month, int32_t day, int32_t year) {
    set(month, day, expand_year(year));
}

void Date::from_day_number(int32_t n) {
    if (n == 0) {
        clear();
        return;
    }
    day_number_ = n;
    int64_t number = n;
    // The arithmetic below goes wrong for day numbers below about -1037 (4716 BC),
    // where its truncations meet negative values. Far back the calendar is purely
    // Julian and repeats every four years, so such a date is found four years times
    // `cycles` later and moved back.
    int64_t cycles = 0;
    if (number < 0) {
        cycles = (-number + days_per_julian_cycle - 1) / days_per_julian_cycle;
        number += cycles * days_per_julian_cycle;
    }
    int64_t z = number + 1;
    if (number >= gregorian_start_day_number) {
        int64_t a = static_cast<int64_t>((static_cast<double>(z) - 1867216.25) / 36524.25);
        z = number + a - a / 4 + 2;
    }
    int64_t b = z < first_day_number_ad ? z + 1158 : z + 1524;
    int64_t c = static_cast<int64_t>((static_cast<double>(b) - 122.1) / 365.25);
    b -= trunc_product(365.25, c);
    int64_t e = static_cast<int64_t>(static_cast<double>(b) / 30.6001);
    int64_t month = e > 13 ? e - 13 : e - 1;
    day_ = static_cast<int32_t>(b - trunc_product(30.6001, e));
    month_ = static_cast<int32_t>(month);
    year_ = static_cast<int32_t>(c - 4716 + (month <= 2 ? 1 : 0) - 4 * cycles);
    compute_weekday();
}

void Date::compute_weekday() {
    weekday_ = day_number_ == 0 ? 0 : weekday_of(day_number_);
}

const char* Date::parse(const char* text) {
    clear();
    if (text == nullptr)
        return nullptr;
    const char* p = skip_blanks(text);
    if (*p == '\0')
        return nullptr;
    if (is_letter(*p) && read_name(p, weekday_names, 7) != 0) {
        if (*p == ',')
            ++p;
        p = skip_blanks(p);
    }
    int32_t month = 0;
    int32_t day = 0;
    int32_t year = 0;
    if (is_letter(*p)) {
        // "March 5th, 2002", "March 2002".
        month = read_name(p, month_names, 12);
        if (month == 0)
            return nullptr;
        p = skip_blanks(p);
        day = read_number(p);
        if (day == 0)
            return nullptr;
        static const char* const endings[4] = {"th", "st", "nd", "rd"};
        for (const char* ending : endings) {
            if (begins_with(p, ending, 2)) {
                p += 2;
                break;
            }
        }
        if (*p == ',')
            ++p;
        p = skip_blanks(p);
        const char* year_at = p;
        year = read_number(p);
        // No year, or the hour of a time that follows: the number was the year.
        if (year < 1 || *p == ':') {
            year = day;
            day = 1;
            p = year_at;
        }
    } else {
        int32_t n = read_number(p);
        if (n == 0)
            return nullptr;
        p = skip_blanks(p);
        if (is_letter(*p) || *p == '-') {
            // "5-Mar-02", "5 March 2002".
            if (*p == '-')
                ++p;
            day = n;
            month = read_name(p, month_names, 12);
            if (month == 0)
                return nullptr;
            if (*p == '-')
                ++p;
            else
                p = skip_blanks(p);
            year = read_number(p);
        } else {
            // "3/5/02", "3.5.2002", "3/2002".
            if (*p != '/' && *p != '.')
                return nullptr;
            month = n;
            ++p;
            day = read_number(p);
            if (day == 0)
                return nullptr;
            if (*p != '/' && *p != '.') {
                year = day;
                day = 1;
            } else {
                ++p;
                year = read_number(p);
            }
        }
    }
    set_expanding(month, day, year);
    return p;
}

bool Date::is_valid() const {
    return month_ >= 1 && month_ <= 12 && weekday_ >= 1 && weekday_ <= 7 && day_ >= 1 &&
           day_ <= ::days_in_month(month_, year_);
}

int32_t Date::compare(const Date& other) const {
    bool valid = is_valid();
    bool other_valid = other.is_valid();
    if (!valid || !other_valid)
        return valid == other_valid ? 0 : (valid ? 1 : -1);
    if (day_number_ == other.day_number_)
        return 0;
    return day_number_ < other.day_number_ ? -1 : 1;
}

String Date::format(const char* pattern) const {
    if (pattern == nullptr || *pattern == '\0')
        pattern = default_date_pattern().c_str();
    return format_calendar(*this, nullptr, pattern);
}

// ---------------------------------------------------------------------------
// TimeOfDay

void TimeOfDay::set(int32_t hour, int32_t minute, int32_t second) {
    hour_ = hour;
    minute_ = minute;
    second_ = second;
}

void TimeOfDay::clear() {
    set(-1, -1, -1);
}

bool TimeOfDay::is_valid() const {
    return hour_ >= 0 && hour_ <= 23 && minute_ >= 0 && minute_ <= 59 && second_ >= 0 && second_ <= 59;
}

int32_t TimeOfDay::hour12() const {
    if (hour_ == 0)
        return 12;
    if (hour_ >= 13 && hour_ <= 23)
        return hour_ - 12;
    return hour_;
}

bool TimeOfDay::parse(const char* text) {
    if (text == nullptr) {
        clear();
        return false;
    }
    const char* p = skip_blanks(text);
    if (!is_digit(*p)) {
        clear();
        return false;
    }
    int32_t hour = read_number(p);
    if (*p != ':') {
        clear();
        return false;
    }
    ++p;
    int32_t minute = read_number(p);
    int32_t second = 0;
    p = skip_blanks(p);
    if (*p == ':') {
        ++p;
        second = read_number(p);
        p = skip_blanks(p);
    }
    if ((*p == 'p' || *p == 'P') && hour < 12)
        hour += 12;
    set(hour, minute, second);
    return is_valid();
}

int32_t TimeOfDay::compare(const TimeOfDay& other) const {
    bool valid = is_valid();
    bool other_valid = other.is_valid();
    if (!valid || !other_valid)
        return valid == other_valid ? 0 : (valid ? 1 : -1);
    const int32_t mine[3] = {hour_, minute_, second_};
    const int32_t theirs[3] = {other.hour_, other.minute_, other.second_};
    for (int i = 0; i < 3; ++i) {
        if (mine[i] != theirs[i])
            return mine[i] < theirs[i] ? -1 : 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// DateTime

DateTime::DateTime(const TimeStamp& stamp) {
    set(stamp.month, stamp.day, stamp.year, stamp.hour, stamp.minute, stamp.second);
}

void DateTime::now() {
    TimeStamp stamp = local_time_stamp();
    set(stamp.month, stamp.day, stamp.year, stamp.hour, stamp.minute, stamp.second);
}

void DateTime::set(int32_t month, int32_t day, int32_t year, int32_t hour, int32_t minute, int32_t second) {
    date_.set_expanding(month, day, year);
    time_.set(hour, minute, second);
}

bool DateTime::parse(const char* text) {
    const char* p = date_.parse(text);
    if (p == nullptr) {
        p = text;
    } else if (*p == ',') {
        ++p;
    }
    return time_.parse(p);
}

int32_t DateTime::compare(const DateTime& other) const {
    int32_t by_date = date_.compare(other.date_);
    return by_date != 0 ? by_date : time_.compare(other.time_);
}

String DateTime::format(const char* pattern) const {
    if (pattern == nullptr || *pattern == '\0')
        pattern = default_date_time_pattern().c_str();
    return format_calendar(date_, &time_, pattern);
}

TimeStamp DateTime::to_time_stamp() const {
    TimeStamp stamp;
    stamp.year = date_.year();
    stamp.month = date_.month();
    stamp.day = date_.day();
    stamp.hour = time_.hour();
    stamp.minute = time_.minute();
    stamp.second = time_.second();
    return stamp;
}

// ---------------------------------------------------------------------------
// Clocks

int32_t current_year() {
    if (current_year_override != 0)
        return current_year_override;
    return local_time_stamp().year;
}

void set_current_year_for_tests(int32_t year) {
    current_year_override = year;
}

uint32_t elapsed_ms(uint32_t start) {
    return elapsed_ms(start, tick_count());
}

uint32_t elapsed_ms(uint32_t start, uint32_t now) {
    // The difference modulo 2^32 read as signed; its magnitude is at most 2^31.
    uint32_t forward = now - start;
    return forward <= 0x80000000u ? forward : 0u - forward;
}

#if !defined(_WIN32)
// The host's clocks, for the builder and the native tests; Windows builds take
// theirs from datetime_win32.cpp.

TimeStamp local_time_stamp() {
    TimeStamp stamp;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return stamp;
    stamp.year = local.tm_year + 1900;
    stamp.month = local.tm_mon + 1;
    stamp.day = local.tm_mday;
    stamp.hour = local.tm_hour;
    stamp.minute = local.tm_min;
    stamp.second = local.tm_sec > 59 ? 59 : local.tm_sec; // a leap second
    return stamp;
}

uint32_t tick_count() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void sleep_ms(uint32_t ms) {
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(ms / 1000u);
    wait.tv_nsec = static_cast<long>(ms % 1000u) * 1000000L;
    // Interrupted by a signal: sleep the rest.
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}
#endif
