#pragma once
// The run state: everything one installation or one uninstall knows and builds up
// while it runs. The stub makes one of them at start-up, for the rest of the
// process, and hands it (or the part needed) to every unit; tests make a fresh one.

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"
#include "format/payload.h"
#include "format/product_flags.h"
#include "format/script.h"
#include "installer/command_line.h"
#include "installer/directory_variables.h"
#include "installer/language.h"
#include "installer/shortcut_entry.h"
#include "installer/special_folders.h"
#include "installer/uninstall_record.h"
#include "ui/background_window.h"
#include "ui/prompt.h"
#include "ui/services.h"

struct SystemCalls;

// What the installer and the uninstaller have alike.
struct RunState {
    bool automatic = false; // no questions; most message boxes suppressed
    ProductFlags flags;
    String product_name; // the name shown and registered
    LanguageTables languages;
    String error_report; // CR LF-terminated lines; empty means success
    // How the background window looks: the start-up's display defaults, which the
    // install script or the uninstall entry may override.
    BackgroundSettings background;
    Windows windows;
    String program_file_name; // the stub's own file name, for the usage message
    Prompt* prompt = nullptr;
    const SystemCalls* system = nullptr;
    // Where the machine's special folders are; read afresh at every lookup.
    const FolderSource* folders = nullptr;
};

// One installation.
struct InstallRun : RunState {
    CommandLine options; // as given on the command line
    InstallScript script;
    Payload payload;
    String image_path;        // the own image file, named first on the command line
    String installer_folder;  // where the volume files are
    char installer_drive = 0; // the drive letter the volumes are asked for on
    String uninstaller_image; // the payload-free copy of the stub
    String install_directory; // absolute; empty until it is chosen
    String uninstall_folder;  // holds the uninstaller, Uninstall.DAT and Install.LOG
    String install_report;
    UninstallRecord record;    // the body of Uninstall.DAT
    String association_record; // the [Associations] lines of Uninstall.DAT
    Vector<ShortcutEntry> shortcuts;
    bool shortcuts_changed = false;  // a desktop shortcut was asked for
    Vector<String> shared_files;     // destinations to count; one trailing space: never removed
    String shared_file_value;        // SharedFiles: the previous installation's, then this one's
    String product_fonts;            // ProductFonts: "title" "file" pairs
    bool fonts_changed = false;      // a font was registered: the other programs are told
    std::uint32_t stage_started = 0; // tick count when the current status text was shown
};

// One uninstall, started as /u:"name".
struct UninstallRun : RunState {
    String uninstall_name;    // the key name under the list of installed programs
    String install_directory; // the entry's InstallLocation
    String uninstall_subdir;  // below it: Uninstall.DAT, Install.LOG and the uninstaller
    String shared_path;       // the shared-files folder
};

// Text `number` of the run's current language, its placeholders replaced.
inline String language_string(RunState& run, std::int32_t number) {
    return language_string(run.languages, run.product_name, number);
}

// The installation's folders as the directory variables name them.
inline DirectoryValues directory_values(const InstallRun& run) {
    return DirectoryValues{*run.folders, run.install_directory, run.script.shared_path};
}
inline DirectoryValues directory_values(const UninstallRun& run) {
    return DirectoryValues{*run.folders, run.install_directory, run.shared_path};
}
