#include "installer/language.h"

#include <cstdarg>

namespace {

constexpr int match_ignore_case = 0x0001;

} // namespace

String language_string(LanguageTables& tables, const String& product_name, std::int32_t number) {
    Vector<String>* texts = tables.strings.element(number);
    if (texts == nullptr)
        return String();
    String* text = texts->element(tables.current);
    if (text == nullptr)
        return String();
    text->replace("<product>", product_name.c_str(), match_ignore_case, 0, 0x7FFFFFFF);
    text->replace("<os>", tables.windows_folder.c_str(), match_ignore_case, 0, 0x7FFFFFFF);
    return *text;
}

bool takes_conversions(const String& format, const char* conversions) {
    const char* expected = conversions;
    for (std::int32_t i = 0; i < format.length(); ++i) {
        if (format.char_at(i) != '%')
            continue;
        char next = format.char_at(++i);
        if (next == '%')
            continue;
        if (*expected == '\0' || next != *expected)
            return false;
        ++expected;
    }
    return *expected == '\0';
}

String format_with_text(const String& format, const char* text) {
    if (!takes_conversions(format, "s"))
        return format;
    String result;
    result.format(format.c_str(), text != nullptr ? text : "");
    return result;
}

String format_language_text(const String& format, const char* conversions, ...) {
    if (!takes_conversions(format, conversions))
        return format;
    va_list args;
    va_start(args, conversions);
    String result;
    result.format_v(format.c_str(), args);
    va_end(args);
    return result;
}
