#pragma once
// TimeStamp to and from the system's SYSTEMTIME and FILETIME. Included only by
// *_win32.cpp files.

#include "core/timestamp.h"
#include "core/win32.h"

// Same fields; day of week left 0, milliseconds 0.
inline SYSTEMTIME system_time_from_time_stamp(const TimeStamp& stamp) {
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(stamp.year);
    time.wMonth = static_cast<WORD>(stamp.month);
    time.wDay = static_cast<WORD>(stamp.day);
    time.wHour = static_cast<WORD>(stamp.hour);
    time.wMinute = static_cast<WORD>(stamp.minute);
    time.wSecond = static_cast<WORD>(stamp.second);
    return time;
}

inline TimeStamp time_stamp_from_system_time(const SYSTEMTIME& time) {
    TimeStamp stamp;
    stamp.year = time.wYear;
    stamp.month = time.wMonth;
    stamp.day = time.wDay;
    stamp.hour = time.wHour;
    stamp.minute = time.wMinute;
    stamp.second = time.wSecond;
    return stamp;
}

// Through SystemTimeToFileTime, no time-zone change; false for a date the system
// rejects.
inline bool file_time_from_time_stamp(const TimeStamp& stamp, FILETIME& out) {
    SYSTEMTIME time = system_time_from_time_stamp(stamp);
    return SystemTimeToFileTime(&time, &out) != FALSE;
}

// From a UTC FILETIME, as local time.
inline bool time_stamp_from_utc_file_time(const FILETIME& utc, TimeStamp& out) {
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time))
        return false;
    out = time_stamp_from_system_time(time);
    return true;
}
