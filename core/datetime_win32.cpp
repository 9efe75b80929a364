#include "core/datetime.h"

#include "core/timestamp_win32.h"
#include "core/win32.h"

TimeStamp local_time_stamp() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    return time_stamp_from_system_time(local);
}

uint32_t tick_count() {
    return GetTickCount();
}

void sleep_ms(uint32_t ms) {
    Sleep(ms);
}
