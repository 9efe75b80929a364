#pragma once
// What the uninstaller never removes, whatever its record or the uninstall entry says:
// both are a file and registry values that anyone can edit, so every path and key name
// they give is checked before anything is deleted.

#include "core/containers.h"
#include "core/string.h"
#include "installer/special_folders.h"

// A record line that names a file or a folder: "X:\" followed by a name, or a UNC path
// "\\server\share\...". No "." or ".." component, no empty one, no '/', and none of the
// characters a file name cannot hold. A drive root is not such a path.
bool is_plain_absolute_path(const String& path);

// A key name of a "!" line that may be deleted below HKEY_CLASSES_ROOT: not empty, no
// backslash at either end, no empty, "." or ".." component, and neither a key that the
// system owns nor one below it (system_class_keys). Below the COM registries (CLSID,
// Interface, TypeLib, AppID) a product's own entries, one level down and deeper, may go.
bool is_removable_class_key(const String& name);

// The keys of HKEY_CLASSES_ROOT that the system owns, for the closing note of a run
// and the docs: "*" first.
extern const char* const system_class_keys[];
extern const int system_class_key_count;

// Every special folder of the machine (Windows, system, Program Files, Common Files,
// the desktops, documents, Start Menus, programs, startup, fonts, the temporary folder
// and the rest), each without a trailing backslash.
Vector<String> protected_folders(const FolderSource& source);

// Whether `directory` may be deleted with everything in it: a plain absolute path that
// is none of `protected_folders` and holds none of them (case ignored, trailing
// backslashes ignored).
bool may_delete_tree(const String& directory, const Vector<String>& protected_folders);
