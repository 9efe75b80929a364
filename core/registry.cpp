#include "core/registry.h"

#include "core/fatal.h"
#include "core/program.h"

bool ValueStore::enter(const String&) {
    return false;
}

bool ValueStore::go_to(const char* path) {
    if (path == nullptr)
        return false;
    if (*path == '\0')
        return go_to_top();
    if (*path == separator_) {
        if (!go_to_top())
            return false;
        ++path;
    }
    const char* part = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p != separator_)
            continue;
        if (!enter(String(part, static_cast<int32_t>(p - part))))
            return false;
        part = p + 1;
    }
    return true;
}

const char* RegistryKey::root_prefix(void* root) {
    if (root == hkey_classes_root())
        return "HKEY_CLASSES_ROOT\\";
    if (root == hkey_current_user())
        return "HKEY_CURRENT_USER\\";
    if (root == hkey_local_machine())
        return "HKEY_LOCAL_MACHINE\\";
    if (root == hkey_users())
        return "HKEY_USERS\\";
    if (root == hkey_current_config())
        return "HKEY_CURRENT_CONFIG\\";
    return nullptr;
}

String RegistryKey::key_path_text(void* root, const String& parent_text, const char* subkey) {
    const char* prefix = root_prefix(root);
    if (prefix != nullptr)
        return String(prefix) + subkey;
    String text = parent_text;
    if (subkey == nullptr || *subkey == '\0')
        return text;
    // A relative open names one more level: one backslash between the parts.
    if (!text.is_empty() && !text.ends_with_char('\\'))
        text.append('\\');
    text.append(subkey);
    return text;
}

void RegistryKey::split_path(const char* path, String& key_path, String& name) {
    String whole(path);
    int32_t last = whole.rfind_char('\\');
    if (last < 0) {
        key_path.clear();
        name = whole;
        return;
    }
    key_path = whole.substring(0, last);
    name = whole.substring(last + 1);
}

void RegistryKey::required_value_missing(const char* name) const {
    // The value name follows its key's path with one backslash between them.
    String key = path_;
    if (!key.is_empty() && !key.ends_with_char('\\'))
        key.append('\\');
    fatal_format("The following registry key is required by %s, but is invalid or does not exist:\n\n%s%s\n\n"
                 "If you have tried moving this program to a different computer by copying files, this will "
                 "not work.  This program must be reinstalled.",
                 program_name(), key.c_str(), name != nullptr ? name : "");
}
