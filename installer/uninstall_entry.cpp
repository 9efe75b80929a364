#include "installer/uninstall_entry.h"

#include "core/path.h"

const char* const uninstall_key_path = "Microsoft\\Windows\\CurrentVersion\\Uninstall";

String uninstaller_path(const InstallRun& run) {
    return join(run.uninstall_folder.c_str(), run.script.uninstaller_file_name.c_str());
}

String uninstall_command(const InstallRun& run, bool quiet) {
    // Unquoted, a path with a space would make Windows try "C:\Program.exe" and the
    // other prefixes of it first.
    String path = uninstaller_path(run);
    String command;
    if (path.find_char(' ') >= 0)
        command.format("\"%s\"", path.c_str());
    else
        command = path;
    command.append(quiet ? " /a " : " ");
    command.append_format("/u:\"%s\"", run.script.uninstall_key_name.c_str());
    return command;
}

bool version_numbers(const String& version, std::uint32_t& major, std::uint32_t& minor) {
    int32_t point = version.find_char('.');
    if (point < 0)
        return false;
    major = static_cast<std::uint32_t>(version.to_int());
    minor = static_cast<std::uint32_t>(version.substring(point + 1).to_int());
    return true;
}
