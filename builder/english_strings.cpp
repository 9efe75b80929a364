#include "builder/english_strings.h"

#include <cctype>
#include <cstring>

#include "format/language_strings.h"

namespace {

const std::vector<LanguageStringInfo> table = {
#define VARNOOK_ENGLISH_STRING(name, number, text, conversions, is_format, purpose)                          \
    {number, #name, text, conversions, is_format, purpose},
    VARNOOK_LANGUAGE_STRINGS(VARNOOK_ENGLISH_STRING)
#undef VARNOOK_ENGLISH_STRING
};

// Kept in Uninstall.DAT, where the uninstaller finds each string's end at the next
// line that begins with "~" and cuts the strings at the first "[Associations]".
constexpr int recorded_strings[] = {string_uninstall_failed,  string_uninstall_done_caption,
                                    string_question_caption,  string_volume_wrong,
                                    string_uninstall_done,    string_shared_file_caption,
                                    string_uninstall_confirm, string_uninstall_confirm_caption,
                                    string_font_question,     string_font_caption,
                                    string_remove_failed,     string_shared_file_question};

bool is_recorded(int number) {
    for (int n : recorded_strings)
        if (n == number)
            return true;
    return false;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string describe(const std::string& conversions) {
    return conversions.empty() ? std::string("none") : conversions;
}

} // namespace

const std::vector<LanguageStringInfo>& english_strings() {
    return table;
}

int english_string_count() {
    return table.back().number + 1;
}

const LanguageStringInfo* find_language_string(int number) {
    for (const LanguageStringInfo& info : table)
        if (info.number == number)
            return &info;
    return nullptr;
}

const LanguageStringInfo* find_language_string(const std::string& name) {
    for (const LanguageStringInfo& info : table)
        if (name == info.name)
            return &info;
    return nullptr;
}

bool printf_conversions(const std::string& text, std::string& conversions, std::string& error) {
    conversions.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 == text.size()) {
            error = "a lone \"%\" at the end; write \"%%\" for a percent sign";
            return false;
        }
        char c = text[++i];
        if (c == '%')
            continue;
        // The stub checks some formats itself before it formats them and takes only
        // the bare conversions, so flags, widths and precisions are refused too.
        if (c != 'd' && c != 'c' && c != 's') {
            error = "\"%" + std::string(1, c) + "\" at position " + std::to_string(i - 1) +
                    " is not a conversion the installer formats (only a bare %s, %d or %c); write \"%%\" "
                    "for a percent sign";
            return false;
        }
        conversions += '%';
        conversions += c;
    }
    return true;
}

bool check_language_string(int number, const std::string& text, std::string& error) {
    const LanguageStringInfo* info = find_language_string(number);
    if (info == nullptr) {
        error = "string " + std::to_string(number) + " is not used by the installer or the uninstaller";
        return false;
    }
    if (info->is_format) {
        std::string conversions;
        std::string why;
        if (!printf_conversions(text, conversions, why)) {
            error = why;
            return false;
        }
        if (conversions != info->format) {
            error = std::string("must hold the conversions ") + describe(info->format) +
                    ", in this order, but holds " + describe(conversions) +
                    "; write \"%%\" for a percent sign";
            return false;
        }
    }
    if (is_recorded(number)) {
        for (size_t i = 0; i < text.size(); ++i) {
            bool line_start = i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r';
            if (line_start && text[i] == '~') {
                error = "a line may not begin with \"~\" (the uninstaller would take it as the "
                        "start of another string); put a blank before it";
                return false;
            }
        }
        if (lower(text).find("[associations]") != std::string::npos) {
            error = "the text \"[Associations]\" would end the uninstaller's strings there; "
                    "reword it";
            return false;
        }
    }
    if (number == string_uninstall_shortcut) {
        // The product name takes the place of its placeholder before the link is made.
        std::string name = text;
        for (size_t at; (at = lower(name).find("<product>")) != std::string::npos;)
            name.erase(at, 9);
        for (char c : name) {
            if (c != '\0' && std::strchr("\\/:*?\"<>|\r\n\t", c) != nullptr) {
                error = "this is the file name of a shortcut, which may not hold \\ / : * ? \" < > | or line "
                        "ends";
                return false;
            }
        }
    }
    return true;
}
