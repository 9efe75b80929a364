#include "installer/directory_variables.h"

#include "core/path.h"

namespace {

struct VariableName {
    DirectoryVariable variable;
    const char* text;
};

constexpr VariableName variable_names[] = {
#define VARNOOK_DIRECTORY_VARIABLE_NAME(name, text) {DirectoryVariable::name, text},
    VARNOOK_DIRECTORY_VARIABLES(VARNOOK_DIRECTORY_VARIABLE_NAME)
#undef VARNOOK_DIRECTORY_VARIABLE_NAME
};

String letter_and_colon(char letter) {
    if (letter == 0)
        return String();
    char text[3] = {letter, ':', '\0'};
    return String(text);
}

String folder(const DirectoryValues& values, SpecialFolder which) {
    return special_folder(values.machine, which);
}

} // namespace

String installer_folder_of(const String& installer_path) {
    int32_t last = installer_path.rfind_char('\\');
    if (last < 0)
        return String();
    if (last == 2 && installer_path.char_at(1) == ':')
        return installer_path.substring(0, 3);
    return installer_path.substring(0, last);
}

String directory_variable_value(const DirectoryValues& values, DirectoryVariable variable) {
    switch (variable) {
    case DirectoryVariable::boot_drive:
        return letter_and_colon(boot_drive(values.machine));
    case DirectoryVariable::common_dir:
        return folder(values, SpecialFolder::common_files);
    case DirectoryVariable::install_dir:
        return values.install_directory;
    case DirectoryVariable::install_drive:
        return letter_and_colon(drive_letter(values.install_directory.c_str()));
    case DirectoryVariable::programs_dir:
        return folder(values, SpecialFolder::program_files);
    case DirectoryVariable::shared_dir:
        return values.shared_folder;
    case DirectoryVariable::system_dir:
        return folder(values, SpecialFolder::system);
    case DirectoryVariable::installer_dir:
        return installer_folder_of(values.machine.installer_path());
    case DirectoryVariable::installer_drive: {
        char letter = drive_letter(values.machine.installer_path().c_str());
        return letter != 0 ? String(&letter, 1) : String();
    }
    case DirectoryVariable::installer_filename:
        return name_of(values.machine.installer_path().c_str());
    case DirectoryVariable::installer_filepath:
        return values.machine.installer_path();
    case DirectoryVariable::device_dir:
        return folder(values, SpecialFolder::device_information);
    case DirectoryVariable::media_dir:
        return folder(values, SpecialFolder::media);
    case DirectoryVariable::favorites_dir:
        return folder(values, SpecialFolder::favorites);
    case DirectoryVariable::favorites_all_dir:
        return folder(values, SpecialFolder::favorites_all);
    case DirectoryVariable::font_dir:
        return folder(values, SpecialFolder::fonts);
    case DirectoryVariable::desktop_dir:
        return folder(values, SpecialFolder::desktop);
    case DirectoryVariable::desktop_all_dir:
        return folder(values, SpecialFolder::desktop_all);
    case DirectoryVariable::document_dir:
        return folder(values, SpecialFolder::documents);
    case DirectoryVariable::document_all_dir:
        return folder(values, SpecialFolder::documents_all);
    case DirectoryVariable::start_menu_dir:
        return folder(values, SpecialFolder::start_menu);
    case DirectoryVariable::start_menu_all_dir:
        return folder(values, SpecialFolder::start_menu_all);
    case DirectoryVariable::sm_programs_dir:
        return folder(values, SpecialFolder::programs);
    case DirectoryVariable::sm_programs_all_dir:
        return folder(values, SpecialFolder::programs_all);
    case DirectoryVariable::startup_dir:
        return folder(values, SpecialFolder::startup);
    case DirectoryVariable::startup_all_dir:
        return folder(values, SpecialFolder::startup_all);
    case DirectoryVariable::temp:
        return folder(values, SpecialFolder::temp);
    case DirectoryVariable::win_dir:
        return folder(values, SpecialFolder::windows);
    }
    return String();
}

void expand_directory_variables(String& text, const DirectoryValues& values) {
    for (const VariableName& name : variable_names) {
        // Only a variable that is there is looked up: each lookup reads the registry.
        if (text.find(name.text, 0, String::match_ignore_case) < 0)
            continue;
        String value = directory_variable_value(values, name.variable);
        text.replace(name.text, value.c_str(), String::match_ignore_case);
    }
}
