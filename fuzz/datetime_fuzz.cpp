// Any text given to the date and date-time readers (deletion tests in install
// scripts hold such texts) ends in a date or none, without reading outside the
// text and without hanging. A date read as valid is written back as "m/d/yy" and
// reads back as the same date; its day number gives back its month, day and year;
// a valid time written as "HH:ii:ss" reads back the same. The bytes after the
// first NUL, when there are any, serve as a format pattern, which must not read
// outside itself either.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/datetime.h"

namespace {

// 5 to 14 October 1582, the ten days that neither calendar has: such a date counts
// as valid, but its day number is that of a date ten days later.
bool is_missing_day(const Date& date) {
    return date.year() == 1582 && date.month() == 10 && date.day() >= 5 && date.day() <= 14;
}

bool same_date(const Date& a, const Date& b) {
    return a.day_number() == b.day_number() && a.month() == b.month() && a.day() == b.day() &&
           a.year() == b.year() && a.weekday() == b.weekday();
}

void check_date(const Date& date) {
    if (!date.is_valid())
        return;
    String written = date.format("m/d/yy");
    Date again;
    const char* end = again.parse(written.c_str());
    if (end == nullptr || *end != '\0' || !same_date(date, again))
        __builtin_trap();
    if (is_missing_day(date))
        return;
    Date counted;
    counted.from_day_number(date.day_number());
    if (!same_date(date, counted))
        __builtin_trap();
}

void check_time(const TimeOfDay& time) {
    if (!time.is_valid())
        return;
    char written[16];
    std::snprintf(written, sizeof written, "%02d:%02d:%02d", static_cast<int>(time.hour()),
                  static_cast<int>(time.minute()), static_cast<int>(time.second()));
    TimeOfDay again;
    if (!again.parse(written) || again.compare(time) != 0 || again.hour() != time.hour())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Two-digit years widen towards a fixed year, so that a finding reproduces.
    set_current_year_for_tests(2024);
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(data, 0, size);
    size_t text_length = nul == nullptr ? size : static_cast<size_t>(static_cast<const uint8_t*>(nul) - data);
    // Exact-size copies with their NUL, so that a read past it is caught.
    std::string text(bytes, text_length);
    std::string pattern =
        nul == nullptr ? std::string() : std::string(bytes + text_length + 1, size - text_length - 1);

    Date date;
    const char* end = date.parse(text.c_str());
    if (end != nullptr && (end < text.c_str() || end > text.c_str() + text.size()))
        __builtin_trap();
    if (end == nullptr && date.day_number() != 0)
        __builtin_trap();
    check_date(date);

    DateTime date_time;
    date_time.parse(text.c_str());
    check_date(date_time.date());
    check_time(date_time.time());

    if (!pattern.empty()) {
        date.format(pattern.c_str());
        date_time.format(pattern.c_str());
    }
    return 0;
}
