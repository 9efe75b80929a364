#include "installer/volume_prompt.h"

bool is_volume_request_format(const String& format) {
    const char expected[] = {'d', 'c'};
    int conversions = 0;
    for (std::int32_t i = 0; i < format.length(); ++i) {
        if (format.char_at(i) != '%')
            continue;
        char next = format.char_at(i + 1);
        ++i;
        if (next == '%')
            continue;
        if (conversions == 2 || next != expected[conversions])
            return false;
        ++conversions;
    }
    return conversions == 2;
}

String volume_request_text(const char* prefix, const String& format, std::int32_t number, char drive) {
    String text;
    if (prefix != nullptr) {
        text.append(prefix);
        text.append("\r\n\r\n");
    }
    if (is_volume_request_format(format))
        text.append_format(format.c_str(), static_cast<int>(number), drive);
    else
        text.append(format);
    return text;
}

int volume_progress_position(std::int32_t total, std::int32_t missing) {
    if (total <= 0)
        return 5;
    return static_cast<int>((static_cast<std::int64_t>(total) - missing) * 30 / total + 5);
}
