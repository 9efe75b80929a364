#include "installer/language.h"

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
