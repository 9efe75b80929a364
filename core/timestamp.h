#pragma once
// The 24-byte calendar record of a file time: six signed 32-bit fields, stored in
// this order in the payload's file records and the install script.

#include <cstdint>

struct TimeStamp {
    std::int32_t year = 0;
    std::int32_t month = 0; // 1..12
    std::int32_t day = 0;   // day of the month
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
};

static_assert(sizeof(TimeStamp) == 24, "TimeStamp is stored as 24 bytes");

// Field by field in the order above: the first difference decides (its sign; for
// the seconds the difference itself). 0 when equal.
std::int32_t compare_time_stamps(const TimeStamp& a, const TimeStamp& b);
