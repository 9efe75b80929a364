#pragma once
// The install script's language tables: the names of its languages and, for every
// text number, that text in each language. Every text the user sees comes from here,
// except the fixed English fatal messages.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"

// Text numbers used by the engine itself.
constexpr int display_title_string = 0;
constexpr int master_product_missing_string = 12;
constexpr int corrupt_installer_string = 13;
constexpr int error_box_caption_string = 21;

struct LanguageTables {
    Vector<String> names;           // one per language, in script order
    Vector<Vector<String>> strings; // [text number][language]
    std::int32_t current = 0;       // index of the chosen language
    String windows_folder;          // what "<os>" stands for
};

LanguageTables& language_tables();

// Text `number` in the current language with every "<product>" replaced by the
// product name and every "<os>" by the Windows folder (case ignored). The
// replacement is made in the stored text. Out of range: an empty text.
String language_string(std::int32_t number);
