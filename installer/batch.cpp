#include "installer/batch.h"

#include "core/path.h"

namespace {

// The SET lines that every batch has, in their order, before the last one.
struct SetLine {
    const char* name;
    DirectoryVariable variable;
};

constexpr SetLine machine_lines[] = {
    {"SharedDir", DirectoryVariable::shared_dir},
    {"InstallerFilepath", DirectoryVariable::installer_filepath},
    {"InstallerDir", DirectoryVariable::installer_dir},
    {"InstallerFilename", DirectoryVariable::installer_filename},
    {"InstallerDrive", DirectoryVariable::installer_drive},
    {"SystemDir", DirectoryVariable::system_dir},
    {"DeviceDir", DirectoryVariable::device_dir},
    {"MediaDir", DirectoryVariable::media_dir},
    {"FavoritesDir", DirectoryVariable::favorites_dir},
    {"FavoritesAllDir", DirectoryVariable::favorites_all_dir},
    {"FontDir", DirectoryVariable::font_dir},
    {"DesktopDir", DirectoryVariable::desktop_dir},
    {"DesktopAllDir", DirectoryVariable::desktop_all_dir},
    {"DocumentDir", DirectoryVariable::document_dir},
    {"DocumentAllDir", DirectoryVariable::document_all_dir},
    {"ProgramsDir", DirectoryVariable::programs_dir},
    {"StartMenuDir", DirectoryVariable::start_menu_dir},
    {"StartMenuAllDir", DirectoryVariable::start_menu_all_dir},
    {"SMProgramsDir", DirectoryVariable::sm_programs_dir},
    {"SMProgramsAllDir", DirectoryVariable::sm_programs_all_dir},
    {"StartupDir", DirectoryVariable::startup_dir},
    {"StartupAllDir", DirectoryVariable::startup_all_dir},
    {"BootDrive", DirectoryVariable::boot_drive},
};

void append_set_line(String& text, const char* name, const String& value, const char* line_end = "\n") {
    text.append_format("SET %s=%s%s", name, value.c_str(), line_end);
}

// The variable `%InstallerDrive%` is the bare letter; the batch's InstallerDrive
// has the colon, like InstallDrive and BootDrive.
String batch_value(const DirectoryValues& values, DirectoryVariable variable) {
    String value = directory_variable_value(values, variable);
    if (variable == DirectoryVariable::installer_drive && !value.is_empty())
        value.append(':');
    return value;
}

} // namespace

bool is_blank_batch(const String& batch_text) {
    return batch_text.find_not_any(" \r\n\t") < 0;
}

String without_pause_lines(const String& batch_text) {
    String rest(batch_text);
    String line;
    String kept;
    while (rest.take_line(line)) {
        String command(line);
        command.trim();
        command.remove_leading_char('@');
        command.trim_left();
        if (command.compare("PAUSE", false) == 0)
            continue;
        kept.append(line);
        kept.append('\n');
    }
    return kept;
}

String batch_file_text(const DirectoryValues& values, const String& batch_text, bool drop_pauses) {
    String text("@echo off\n");
    if (!values.install_directory.is_empty()) {
        append_set_line(text, "InstallDir", values.install_directory);
        // A directory without a drive letter (a network path) gives an empty value.
        append_set_line(text, "InstallDrive",
                        directory_variable_value(values, DirectoryVariable::install_drive));
    }
    for (const SetLine& line : machine_lines)
        append_set_line(text, line.name, batch_value(values, line.variable));
    append_set_line(text, "CommonDir", directory_variable_value(values, DirectoryVariable::common_dir),
                    "\r\n");
    if (drop_pauses)
        text.append(without_pause_lines(batch_text));
    else
        text.append(batch_text);
    text.normalize_line_ends();
    return text;
}
