#pragma once
// The install script's language tables: the names of its languages and, for every
// text number, that text in each language. Every text the user sees comes from here,
// except the fixed English fatal messages. The numbers are named in
// format/language_strings.h.

#include <cstdint>

#include "core/compiler.h"
#include "core/containers.h"
#include "core/string.h"
#include "format/language_strings.h"

struct LanguageTables {
    Vector<String> names;           // one per language, in script order
    Vector<Vector<String>> strings; // [text number][language]
    std::int32_t current = 0;       // index of the chosen language
    String windows_folder;          // what "<os>" stands for
};

// Text `number` in the current language with every "<product>" replaced by
// `product_name` and every "<os>" by the Windows folder (case ignored). The
// replacement is made in the stored text. Out of range: an empty text.
String language_string(LanguageTables& tables, const String& product_name, std::int32_t number);

// Whether `format` holds exactly the printf conversions `conversions` names, in that
// order ("dc": one %d, then one %c); "%%" is not a conversion. A product's text is
// only formatted when it does, so that a reworded text can never read arguments that
// are not there.
bool takes_conversions(const String& format, const char* conversions);

// `format` with `text` in its one "%s", or `format` as it is when it does not take
// exactly one "%s".
String format_with_text(const String& format, const char* text);

// `format` with the arguments when it takes exactly `conversions`, else as it is.
String format_language_text(const String& format, const char* conversions, ...);
