#pragma once
// The machine's special folders: where the desktop, the Start Menu, Program Files and
// the rest are. Each lookup reads the machine at the moment it is asked (nothing is
// kept, so a folder moved during the run is found where it now is) and falls back to
// a folder built from the Windows directory when the value is missing or empty.
//
// The rules are portable and read the machine through `FolderSource`; the Windows
// side gives the real one, tests give their own.

#include "core/string.h"

// X(name, what): every folder a lookup gives.
#define VARNOOK_SPECIAL_FOLDERS(X)                                                                           \
    X(desktop, "the user's desktop")                                                                         \
    X(desktop_all, "all users' desktop")                                                                     \
    X(documents, "the user's documents")                                                                     \
    X(documents_all, "all users' documents")                                                                 \
    X(favorites, "the user's Favorites")                                                                     \
    X(favorites_all, "all users' Favorites")                                                                 \
    X(fonts, "the Fonts folder")                                                                             \
    X(start_menu, "the user's Start Menu")                                                                   \
    X(start_menu_all, "all users' Start Menu")                                                               \
    X(programs, "the user's Start Menu Programs")                                                            \
    X(programs_all, "all users' Start Menu Programs")                                                        \
    X(startup, "the user's Startup")                                                                         \
    X(startup_all, "all users' Startup")                                                                     \
    X(program_files, "Program Files")                                                                        \
    X(common_files, "Common Files")                                                                          \
    X(device_information, "the device information (INF) folder")                                             \
    X(media, "the media folder")                                                                             \
    X(system, "the Windows system directory")                                                                \
    X(windows, "the Windows directory")                                                                      \
    X(temp, "the temporary directory")

enum class SpecialFolder {
#define VARNOOK_SPECIAL_FOLDER_ENUM(name, what) name,
    VARNOOK_SPECIAL_FOLDERS(VARNOOK_SPECIAL_FOLDER_ENUM)
#undef VARNOOK_SPECIAL_FOLDER_ENUM
};

// What the lookups read from the machine. Every read happens when a lookup asks.
class FolderSource {
  public:
    virtual ~FolderSource() = default;
    // Value `name` of the Explorer "Shell Folders" key, the user's (HKEY_CURRENT_USER)
    // or the machine's (HKEY_LOCAL_MACHINE); empty when it is missing.
    virtual String shell_folder_value(bool machine, const char* name) const = 0;
    // Value `name` of HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion, or
    // of its subkey `subkey` when that is not empty; empty when it is missing.
    virtual String setup_value(const char* subkey, const char* name) const = 0;
    // The expansion of the environment variable `name`; empty when it has none.
    virtual String environment_value(const char* name) const = 0;
    virtual String windows_directory() const = 0;
    virtual String system_directory() const = 0;
    virtual String temp_directory() const = 0;
    // The running installer's own file.
    virtual String installer_path() const = 0;
};

// The folder, without a trailing backslash unless it is a drive root.
String special_folder(const FolderSource& source, SpecialFolder folder);
// The boot drive's upper-case letter: from the setup value BootDir when that starts
// with a letter and a colon, else 'C'.
char boot_drive(const FolderSource& source);

// A registry value made a folder: one trailing backslash goes from values longer than
// 3 characters, so that "C:\" stays a root.
void drop_trailing_backslash(String& value);

// The machine this program runs on (Windows only).
const FolderSource& machine_folders();
