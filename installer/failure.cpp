#include "installer/failure.h"

#include <cstdarg>

#include "core/fatal.h"
#include "format/codes.h"
#include "format/payload.h"

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

const char* const payload_version_text =
    "The installer version (%.1f) does not match the version of VRNK (%.1f).  "
    "Close all applications and reinstall VRNK.";

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

void corrupt_installer(RunState& run, int code) {
    String format = language_string(run, string_corrupt_installer);
    if (format.is_empty())
        format = builtin_corrupt_installer_text;
    fatal(with_error_code(format, code).c_str());
}

void usage_error(const RunState& run, const char* message) {
    fatal_format(usage_text, message != nullptr ? message : "", run.program_file_name.c_str());
}

void payload_version_error(int version) {
    fatal_format(payload_version_text, expected_payload_version, version / 100.0);
}

void check_payload_code(RunState& run, int code, int version) {
    if (code == payload_ok)
        return;
    if (code == payload_section_missing)
        fatal(no_archive_text);
    if (code == payload_version_mismatch)
        payload_version_error(version);
    corrupt_installer(run, code);
}

bool error_box_shows(const RunState& run, const String& text) {
    if (run.automatic && !run.flags.has(flag_errors_in_automatic_mode))
        return false;
    return text.find_not_any(" \r\n\t", 0) >= 0;
}

void error_box(RunState& run, const char* format, ...) {
    String text;
    va_list args;
    va_start(args, format);
    text.format_v(format, args);
    va_end(args);
    if (!error_box_shows(run, text) || run.prompt == nullptr)
        return;
    String caption = language_string(run, string_error_caption);
    if (caption.is_empty())
        caption = "Error";
    run.prompt->ask(text, caption, Buttons::ok, Icon::error);
}

String write_failure_line(RunState& run, const char* path, const char* system_error) {
    String line;
    line.format("%s %s\r\n%s\r\n", language_string(run, string_write_failed).c_str(),
                path != nullptr ? path : "", system_error != nullptr ? system_error : "");
    return line;
}
