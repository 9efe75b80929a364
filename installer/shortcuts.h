#pragma once
// Shortcuts: the shell links (.LNK files) the installation puts on the desktop, into
// the product's start-menu folder and into the Startup folder.
//
// The naming rule is portable; making links needs the shell's link object (Windows
// only).

#include "core/string.h"
#include "installer/special_folders.h"

struct InstallRun;

// What a link starts and how.
struct LinkContents {
    String target;            // the file the link starts
    String arguments;         // none when empty
    String working_directory; // none when empty
    String icon;              // empty: the target's own icon (always icon index 0)
};

// Appends ".LNK" unless the path already holds ".LNK" anywhere (ASCII case ignored).
// True when something was appended.
bool add_link_extension(String& path);

// Saves a link at `link_path`, which comes back with its ".LNK" (see
// add_link_extension); the link's folder is created with its parents. True when the
// link was saved; otherwise the thread's last error tells why where the system said.
bool make_link(String& link_path, const LinkContents& link);

// A link named `name` on the desktop (all users' or the user's); `link_path` gets the
// link's full path.
bool make_desktop_link(const FolderSource& folders, bool all_users, const char* name,
                       const LinkContents& link, String& link_path);
// A link at `relative_name` (start-menu folder, backslash, name) below the Start Menu
// Programs folder (all users' or the user's); `link_path` gets the link's full path.
bool make_programs_link(const FolderSource& folders, bool all_users, const char* relative_name,
                        const LinkContents& link, String& link_path);

// Makes every link of the run's shortcut list, with the installation directory as
// working directory, for all users when the script's shortcut mode is 1. What was
// made goes to the uninstall record (unless the entry is permanent) and, with the
// per-file report flag, to the install report; what could not be made to the error
// report. The run goes on whatever fails.
void create_shortcuts(InstallRun& run);
