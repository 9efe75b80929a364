#include "installer/special_folders.h"

#include "core/path.h"

namespace {

String shell_folder(const FolderSource& source, bool machine, const char* name) {
    String value = source.shell_folder_value(machine, name);
    drop_trailing_backslash(value);
    return value;
}

String setup_folder(const FolderSource& source, const char* name) {
    String value = source.setup_value("", name);
    drop_trailing_backslash(value);
    return value;
}

String or_else(String value, const String& fallback) {
    return value.is_empty() ? fallback : value;
}

String in_windows(const FolderSource& source, const char* name) {
    return join(source.windows_directory().c_str(), name);
}

// The user's folder from its value, else `fallback`; the all-users folder from its own
// value, else the user's.
String user_folder(const FolderSource& source, const char* name, const String& fallback) {
    return or_else(shell_folder(source, false, name), fallback);
}

String all_users_folder(const FolderSource& source, const char* name, SpecialFolder user) {
    String value = shell_folder(source, true, name);
    return value.is_empty() ? special_folder(source, user) : value;
}

// DevicePath may name %SystemRoot%, which the registry keeps unexpanded on Windows 9x.
String device_folder(const FolderSource& source) {
    String value = setup_folder(source, "DevicePath");
    if (value.is_empty())
        return in_windows(source, "INF");
    String root = source.environment_value("SystemRoot");
    if (!root.is_empty())
        value.replace("%SystemRoot%", root.c_str(), String::match_ignore_case);
    return value;
}

} // namespace

void drop_trailing_backslash(String& value) {
    if (value.length() > 3 && value.last_char() == '\\')
        value.truncate(value.length() - 1);
}

String special_folder(const FolderSource& source, SpecialFolder folder) {
    switch (folder) {
    case SpecialFolder::desktop:
        return user_folder(source, "Desktop", in_windows(source, "Desktop"));
    case SpecialFolder::desktop_all:
        return all_users_folder(source, "Common Desktop", SpecialFolder::desktop);
    case SpecialFolder::documents:
        return user_folder(source, "Personal", String("c:\\My Documents"));
    case SpecialFolder::documents_all:
        return all_users_folder(source, "Common Documents", SpecialFolder::documents);
    case SpecialFolder::favorites:
        return user_folder(source, "Favorites", in_windows(source, "Favorites"));
    case SpecialFolder::favorites_all:
        return all_users_folder(source, "Common Favorites", SpecialFolder::favorites);
    case SpecialFolder::fonts:
        return user_folder(source, "Fonts", in_windows(source, "Fonts"));
    case SpecialFolder::start_menu:
        return user_folder(source, "Start Menu", in_windows(source, "Start Menu"));
    case SpecialFolder::start_menu_all:
        return all_users_folder(source, "Common Start Menu", SpecialFolder::start_menu);
    case SpecialFolder::programs: {
        String value = shell_folder(source, false, "Programs");
        if (!value.is_empty())
            return value;
        return join(special_folder(source, SpecialFolder::start_menu).c_str(), "Programs");
    }
    case SpecialFolder::programs_all:
        return all_users_folder(source, "Common Programs", SpecialFolder::programs);
    case SpecialFolder::startup: {
        String value = shell_folder(source, false, "Startup");
        if (!value.is_empty())
            return value;
        return join(special_folder(source, SpecialFolder::programs).c_str(), "StartUp");
    }
    case SpecialFolder::startup_all:
        return all_users_folder(source, "Common Startup", SpecialFolder::startup);
    case SpecialFolder::program_files:
        return or_else(setup_folder(source, "ProgramFilesDir"), String("c:\\Program Files"));
    case SpecialFolder::common_files: {
        String value = setup_folder(source, "CommonFilesDir");
        if (!value.is_empty())
            return value;
        return join(special_folder(source, SpecialFolder::program_files).c_str(), "Common Files");
    }
    case SpecialFolder::device_information:
        return device_folder(source);
    case SpecialFolder::media:
        return or_else(setup_folder(source, "MediaPath"), in_windows(source, "Media"));
    case SpecialFolder::system:
        return source.system_directory();
    case SpecialFolder::windows:
        return source.windows_directory();
    case SpecialFolder::temp:
        return source.temp_directory();
    }
    return String();
}

char boot_drive(const FolderSource& source) {
    String value = source.setup_value("Setup", "BootDir");
    char letter = value.length() >= 2 ? value.char_at(0) : '\0';
    bool is_letter = (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
    if (is_letter && value.char_at(1) == ':')
        return String::ascii_upper(letter);
    return 'C';
}
