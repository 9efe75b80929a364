#include "installer/file_version.h"

String normalised_version(const String& version) {
    constexpr int32_t part_width = 10;
    // No version stays no version: padding would invent one ("0000000000").
    if (version.is_empty())
        return String();
    String upper(version);
    upper.to_upper();
    String result;
    int32_t start = 0;
    for (;;) {
        int32_t dot = upper.find_char('.', start);
        int32_t end = dot < 0 ? upper.length() : dot;
        for (int32_t n = end - start; n < part_width; ++n)
            result.append('0');
        result.append(upper.c_str() + start, end - start);
        if (dot < 0)
            return result;
        result.append('.');
        start = dot + 1;
    }
}
