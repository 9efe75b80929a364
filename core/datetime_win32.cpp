#include "core/datetime.h"

#include "core/win32.h"

TimeStamp local_time_stamp() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    TimeStamp stamp;
    stamp.year = local.wYear;
    stamp.month = local.wMonth;
    stamp.day = local.wDay;
    stamp.hour = local.wHour;
    stamp.minute = local.wMinute;
    stamp.second = local.wSecond;
    return stamp;
}

uint32_t tick_count() {
    return GetTickCount();
}

void sleep_ms(uint32_t ms) {
    Sleep(ms);
}
