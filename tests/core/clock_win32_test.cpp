#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "core/timestamp_win32.h"
#include "core/win32.h"

namespace {

// 100-ns units per day in a FILETIME.
constexpr uint64_t filetime_per_day = 864000000000ull;
constexpr uint64_t filetime_per_second = 10000000ull;

uint64_t filetime_of(const SYSTEMTIME& time) {
    FILETIME file_time;
    EXPECT_TRUE(SystemTimeToFileTime(&time, &file_time));
    return (static_cast<uint64_t>(file_time.dwHighDateTime) << 32) | file_time.dwLowDateTime;
}

// Seconds between two local times, either order.
uint64_t seconds_apart(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    uint64_t x = filetime_of(a);
    uint64_t y = filetime_of(b);
    return (x > y ? x - y : y - x) / filetime_per_second;
}

TEST(ClockWin32, LocalTimeIsTheSystemsLocalTime) {
    SYSTEMTIME system;
    GetLocalTime(&system);
    TimeStamp stamp = local_time_stamp();
    EXPECT_LE(seconds_apart(system, system_time_from_time_stamp(stamp)), 2u);

    DateTime now;
    now.now();
    ASSERT_TRUE(now.date().is_valid());
    ASSERT_TRUE(now.time().is_valid());
    EXPECT_LE(seconds_apart(system, system_time_from_time_stamp(now.to_time_stamp())), 2u);
    EXPECT_EQ(current_year(), system.wYear);

    Date today;
    today.today();
    SYSTEMTIME after;
    GetLocalTime(&after);
    if (after.wDay != system.wDay)
        GTEST_SKIP() << "midnight passed during the test";
    EXPECT_EQ(today.month(), system.wMonth);
    EXPECT_EQ(today.day(), system.wDay);
    EXPECT_EQ(today.year(), system.wYear);
    EXPECT_EQ(today.weekday(), system.wDayOfWeek + 1); // Sunday is 0 there, 1 here
}

// The system's own Gregorian calendar, from 1601 to 30827: every date it makes
// from a day count must have our day number (at a fixed distance) and weekday, and
// our conversion back must give the system's date.
TEST(ClockWin32, CalendarAgreesWithTheSystem) {
    // 1 January 1601, the first day of FILETIME.
    const int32_t day_number_of_1601 = 2305813;
    const uint64_t last_day = 10674700; // in 30827
    int failures = 0;
    for (uint64_t days = 0; days <= last_day && failures < 5; days += 97) {
        uint64_t ticks = days * filetime_per_day;
        FILETIME file_time;
        file_time.dwLowDateTime = static_cast<DWORD>(ticks);
        file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
        SYSTEMTIME system;
        ASSERT_TRUE(FileTimeToSystemTime(&file_time, &system)) << days;

        Date date;
        date.set(system.wMonth, system.wDay, system.wYear);
        Date back;
        back.from_day_number(static_cast<int32_t>(day_number_of_1601 + days));
        bool ok = date.day_number() == static_cast<int32_t>(day_number_of_1601 + days) &&
                  date.weekday() == system.wDayOfWeek + 1 && back.month() == system.wMonth &&
                  back.day() == system.wDay && back.year() == system.wYear;
        if (!ok) {
            ++failures;
            ADD_FAILURE() << "system " << system.wMonth << "/" << system.wDay << "/" << system.wYear
                          << " weekday " << system.wDayOfWeek + 1 << "; ours " << date.day_number()
                          << " weekday " << date.weekday() << ", back " << back.month() << "/" << back.day()
                          << "/" << back.year();
        }
    }
}

TEST(ClockWin32, TickCountAndSleep) {
    DWORD system = GetTickCount();
    uint32_t ours = tick_count();
    EXPECT_LE(elapsed_ms(system, ours), 50u);

    uint32_t start = tick_count();
    sleep_ms(200);
    uint32_t passed = elapsed_ms(start);
    // GetTickCount advances in steps of up to about 16 ms.
    EXPECT_GE(passed, 180u);
    EXPECT_LT(passed, 5000u);
    // A start in the future counts as well.
    uint32_t ahead = elapsed_ms(tick_count() + 1000u);
    EXPECT_GE(ahead, 950u);
    EXPECT_LE(ahead, 1000u);
}

} // namespace
