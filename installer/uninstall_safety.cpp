#include "installer/uninstall_safety.h"

const char* const system_class_keys[] = {
    "*",         "AllFilesystemObjects",
    "AppID",     "Applications",
    "batfile",   "CLSID",
    "cmdfile",   "comfile",
    "Directory", "dllfile",
    "Drive",     "exefile",
    "Folder",    "htmlfile",
    "inifile",   "Installer",
    "Interface", "lnkfile",
    "MIME",      "piffile",
    "Protocols", "regfile",
    "scrfile",   "SystemFileAssociations",
    "txtfile",   "TypeLib",
    "Unknown",   ".bat",
    ".cmd",      ".com",
    ".dll",      ".exe",
    ".htm",      ".html",
    ".ini",      ".lnk",
    ".pif",      ".reg",
    ".scr",      ".sys",
    ".txt",
};
const int system_class_key_count = static_cast<int>(sizeof system_class_keys / sizeof system_class_keys[0]);

namespace {

// The registries of COM classes, interfaces and type libraries: their children are
// each one product's own.
const char* const com_registries[] = {"AppID", "CLSID", "Interface", "TypeLib"};

bool same_text(const String& a, const char* b) {
    return a.compare(b, false) == 0;
}

// Whether every backslash-separated component of `path` from `start` on is a name:
// not empty, not "." or "..".
bool components_are_names(const String& path, int32_t start) {
    int32_t position = start;
    while (position <= path.length()) {
        int32_t end = path.find_char('\\', position);
        if (end < 0)
            end = path.length();
        String component = path.substring(position, end - position);
        if (component.is_empty() || same_text(component, ".") || same_text(component, ".."))
            return false;
        position = end + 1;
    }
    return true;
}

String without_trailing_backslashes(const String& path) {
    String result(path);
    while (result.length() > 3 && result.last_char() == '\\')
        result.truncate(result.length() - 1);
    return result;
}

// Whether `folder` is `inner` or holds it.
bool is_or_holds(const String& folder, const String& inner) {
    if (inner.compare(folder, false) == 0)
        return true;
    return inner.length() > folder.length() && inner.compare(folder, false, folder.length()) == 0 &&
           (inner.char_at(folder.length()) == '\\' || folder.last_char() == '\\');
}

} // namespace

bool is_plain_absolute_path(const String& path) {
    if (path.find_any("/\"<>|*?\t\r\n") >= 0)
        return false;
    int32_t colon = path.find_char(':');
    if (colon >= 0 && colon != 1)
        return false;
    if (colon == 1) {
        char letter = path.char_at(0);
        bool is_letter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
        if (!is_letter || path.length() <= 3 || path.char_at(2) != '\\' || path.find_char(':', 2) >= 0)
            return false;
        return components_are_names(path, 3);
    }
    // "\\server\share" and at least that.
    if (!path.starts_with("\\\\") || !components_are_names(path, 2))
        return false;
    return path.find_char('\\', 2) > 2;
}

bool is_removable_class_key(const String& name) {
    if (name.is_empty() || name.first_char() == '\\' || name.last_char() == '\\' ||
        !components_are_names(name, 0))
        return false;
    int32_t slash = name.find_char('\\');
    String first = slash < 0 ? name : name.substring(0, slash);
    for (const char* registry : com_registries)
        if (same_text(first, registry))
            return slash >= 0;
    for (int i = 0; i < system_class_key_count; ++i)
        if (same_text(first, system_class_keys[i]))
            return false;
    return true;
}

Vector<String> protected_folders(const FolderSource& source) {
    Vector<String> folders;
#define VARNOOK_PROTECTED_FOLDER(name, what) folders.add(special_folder(source, SpecialFolder::name));
    VARNOOK_SPECIAL_FOLDERS(VARNOOK_PROTECTED_FOLDER)
#undef VARNOOK_PROTECTED_FOLDER
    return folders;
}

bool may_delete_tree(const String& directory, const Vector<String>& protected_list) {
    String folder = without_trailing_backslashes(directory);
    if (!is_plain_absolute_path(folder))
        return false;
    for (int32_t i = 0; i < protected_list.count(); ++i) {
        String inner = without_trailing_backslashes(protected_list.at_const(i));
        if (!inner.is_empty() && is_or_holds(folder, inner))
            return false;
    }
    return true;
}
