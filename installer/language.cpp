#include "installer/language.h"

#include "installer/startup.h"

namespace {

constexpr int match_ignore_case = 0x0001;

} // namespace

LanguageTables& language_tables() {
    static LanguageTables tables;
    return tables;
}

String language_string(std::int32_t number) {
    LanguageTables& tables = language_tables();
    Vector<String>* texts = tables.strings.element(number);
    if (texts == nullptr)
        return String();
    String* text = texts->element(tables.current);
    if (text == nullptr)
        return String();
    text->replace("<product>", startup_state().product_name.c_str(), match_ignore_case, 0, 0x7FFFFFFF);
    text->replace("<os>", tables.windows_folder.c_str(), match_ignore_case, 0, 0x7FFFFFFF);
    return *text;
}
