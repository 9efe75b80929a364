#include "core/timestamp.h"

std::int32_t compare_time_stamps(const TimeStamp& a, const TimeStamp& b) {
    const std::int32_t fields_a[] = {a.year, a.month, a.day, a.hour, a.minute};
    const std::int32_t fields_b[] = {b.year, b.month, b.day, b.hour, b.minute};
    for (int i = 0; i < 5; ++i) {
        if (fields_a[i] != fields_b[i])
            return fields_a[i] < fields_b[i] ? -1 : 1;
    }
    // Computed in 64 bits: the difference of two arbitrary fields may not fit.
    std::int64_t difference = static_cast<std::int64_t>(a.second) - b.second;
    if (difference > INT32_MAX)
        return INT32_MAX;
    if (difference < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(difference);
}
