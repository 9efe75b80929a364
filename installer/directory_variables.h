#pragma once
// Directory variables: %InstallDir%, %WinDir% and the rest, which script paths,
// shortcut arguments, association commands and uninstall values use to name the
// installation's and the machine's folders.

#include "core/string.h"
#include "installer/special_folders.h"

// X(name, text): every variable in the order of replacement, which matters: a later
// variable is replaced in the result of the earlier ones.
#define VARNOOK_DIRECTORY_VARIABLES(X)                                                                       \
    X(boot_drive, "%BootDrive%")                                                                             \
    X(common_dir, "%CommonDir%")                                                                             \
    X(install_dir, "%InstallDir%")                                                                           \
    X(install_drive, "%InstallDrive%")                                                                       \
    X(programs_dir, "%ProgramsDir%")                                                                         \
    X(shared_dir, "%SharedDir%")                                                                             \
    X(system_dir, "%SystemDir%")                                                                             \
    X(installer_dir, "%InstallerDir%")                                                                       \
    X(installer_drive, "%InstallerDrive%")                                                                   \
    X(installer_filename, "%InstallerFilename%")                                                             \
    X(installer_filepath, "%InstallerFilepath%")                                                             \
    X(device_dir, "%DeviceDir%")                                                                             \
    X(media_dir, "%MediaDir%")                                                                               \
    X(favorites_dir, "%FavoritesDir%")                                                                       \
    X(favorites_all_dir, "%FavoritesAllDir%")                                                                \
    X(font_dir, "%FontDir%")                                                                                 \
    X(desktop_dir, "%DesktopDir%")                                                                           \
    X(desktop_all_dir, "%DesktopAllDir%")                                                                    \
    X(document_dir, "%DocumentDir%")                                                                         \
    X(document_all_dir, "%DocumentAllDir%")                                                                  \
    X(start_menu_dir, "%StartMenuDir%")                                                                      \
    X(start_menu_all_dir, "%StartMenuAllDir%")                                                               \
    X(sm_programs_dir, "%SMProgramsDir%")                                                                    \
    X(sm_programs_all_dir, "%SMProgramsAllDir%")                                                             \
    X(startup_dir, "%StartupDir%")                                                                           \
    X(startup_all_dir, "%StartupAllDir%")                                                                    \
    X(temp, "%Temp%")                                                                                        \
    X(win_dir, "%WinDir%")

enum class DirectoryVariable {
#define VARNOOK_DIRECTORY_VARIABLE_ENUM(name, text) name,
    VARNOOK_DIRECTORY_VARIABLES(VARNOOK_DIRECTORY_VARIABLE_ENUM)
#undef VARNOOK_DIRECTORY_VARIABLE_ENUM
};

// What the variables stand for. The installation's own folders are given; the
// machine's are looked up in `machine` at every replacement.
struct DirectoryValues {
    const FolderSource& machine;
    const String& install_directory; // empty before it is chosen
    const String& shared_folder;
};

// The text a variable stands for now.
String directory_variable_value(const DirectoryValues& values, DirectoryVariable variable);

// Replaces every variable in `text`, in order, each without regard to case.
void expand_directory_variables(String& text, const DirectoryValues& values);

// The installer's own folder: its path up to the last backslash, which a drive root
// keeps ("D:\setup.exe" gives "D:\").
String installer_folder_of(const String& installer_path);
