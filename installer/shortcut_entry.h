#pragma once
// One shortcut the installation makes once its files are placed.

#include "core/string.h"

struct ShortcutEntry {
    bool desktop = false;    // on the desktop, or in the script's desktop folder
    bool start_menu = false; // in the product's start-menu folder
    bool startup = false;    // in the Startup folder
    bool permanent = false;  // not recorded for the uninstaller
    String target;           // the file the shortcut starts
    String name;             // the link's name, without ".LNK"
    String icon;             // empty: the target's own icon
    String arguments;        // directory variables replaced when the link is made
};
