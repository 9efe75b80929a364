#pragma once
// The builder's built-in English language strings: the text of every string number
// the installer and the uninstaller show, used for every language string a product
// file does not give. Each entry also says which printf conversions the stub formats
// into its text, so that a product's own text can be checked before it reaches an
// installer, where a wrong conversion would crash it.
//
// Line ends are written "\n"; the stub turns them into CR LF. In every text the stub
// replaces "<product>" by the product name and "<os>" by the Windows folder (case
// ignored) before it formats it.

#include <string>
#include <vector>

struct LanguageStringInfo {
    int number;
    const char* name;    // key for product files, e.g. "display_title", "volume_request"
    const char* text;    // the English default
    const char* format;  // the printf conversions the stub formats into it, in order ("%d%c");
                         // "" when none
    bool is_format;      // the text is handed to printf as the format (also when `format` is
                         // ""), so a literal percent sign must be written "%%"
    const char* purpose; // one line: where it is shown
};

// The used numbers in ascending order.
const std::vector<LanguageStringInfo>& english_strings();

// The highest used number + 1: the length of a complete table. The numbers between
// that no part of the stub uses are left empty.
int english_string_count();

// Null when no part of the stub uses the number or the name.
const LanguageStringInfo* find_language_string(int number);
const LanguageStringInfo* find_language_string(const std::string& name);

// Whether `text` can stand in for string `number`. For a text handed to printf it
// must carry exactly the declared conversions in the same order, written bare (no
// flags, width, precision or length: the stub checks some texts itself and formats
// only bare conversions), and "%%" for a literal percent sign; a text that is not handed to printf may
// hold any percent signs. Strings kept in the uninstall record for the uninstaller
// must not hold a line that begins with "~" nor the text "[Associations]" (either
// would cut the string short when the uninstaller reads it back), and the name of
// the uninstaller's shortcut must be usable as a file name. False, with `error`
// saying what is wrong and what to write instead; also false for an unused number.
bool check_language_string(int number, const std::string& text, std::string& error);

// The printf conversions of `text` in order, as "%" and the letter each ("%d%c");
// "%%" is a literal percent sign. False, with `error`, for a lone "%" at the end
// and for anything but a bare %s, %d or %c behind a "%".
bool printf_conversions(const std::string& text, std::string& conversions, std::string& error);
