#include "installer/startup.h"

#include "installer/language.h"
#include "installer/product_flags.h"

const char* const usage_text =
    "%s\n\nUsage:\n%s [/a] [/d:\"dir\"] [/n:\"name\"] [/u:\"name\"] [/r:\"program\"]\n\n"
    "/a                  \tAutomatic mode\n/d:\"dir\"        \tOverride installation directory\n"
    "/n:\"name\"\tOverride product name\n/u:\"name\"\tUninstall product by name\r\n"
    "/r:\"program\"\tRun the specified program after a successful installation";

const char* const builtin_corrupt_installer_text =
    "This installation program is corrupt.  This is usually caused by a faulty download, but it can also be "
    "caused by a virus on your computer.  The installation cannot proceed.\r\n\r\n"
    "Delete the corrupted installer (to prevent caching), then re-download it.  If the problem persists, "
    "check "
    "your system for viruses.\r\n\r\nError code: %d";

const char* const no_archive_text = "This program performs installations and uninstallations.\r\n"
                                    "There is no installation archive present.\r\n"
                                    "No Uninstallation parameters were specified.\r\n\r\n"
                                    "You should not delete this program or execute it directly.";

const char* const cannot_open_self_text = "Error code 1: The Varnook could not open itself.  Filename:\n%s";

StartupState& startup_state() {
    static StartupState state;
    return state;
}

ProductFlags& product_flags() {
    static ProductFlags flags;
    return flags;
}

String with_error_code(const String& format, int code) {
    // The text comes from the payload, which may be damaged (that is why it is being
    // shown), so it is never handed to printf: only "%d" and "%%" are conversions.
    String text;
    bool code_written = false;
    for (int32_t i = 0; i < format.length(); ++i) {
        char c = format.char_at(i);
        if (c == '%' && format.char_at(i + 1) == '%') {
            text.append('%');
            ++i;
        } else if (c == '%' && format.char_at(i + 1) == 'd' && !code_written) {
            text.append_format("%d", code);
            code_written = true;
            ++i;
        } else {
            text.append(c);
        }
    }
    return text;
}

void corrupt_installer(int code) {
    String format = language_string(corrupt_installer_string);
    if (format.is_empty())
        format = builtin_corrupt_installer_text;
    fatal(with_error_code(format, code).c_str());
}

bool error_box_shows(const String& text) {
    if (startup_state().automatic && !product_flags().has(flag_errors_in_automatic_mode))
        return false;
    return text.find_not_any(" \r\n\t", 0) >= 0;
}
