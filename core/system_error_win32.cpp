#include "core/system_error.h"

#include "core/win32.h"

String system_message(std::uint32_t error) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                             buffer, sizeof buffer, nullptr);
    String text(buffer, n <= sizeof buffer ? static_cast<int32_t>(n) : 0);
    text.trim_right();
    return text;
}
