#include "installer/associations.h"

#include "core/registry.h"
#include "installer/run_state.h"

namespace {

// Makes `text` the default value of the key open in `key`; a different default it had
// before is kept under the backup value. True when the new text was written.
bool replace_default(RegistryKey& key, const String& text, const String& backup_name) {
    String old_text = key.read_text(nullptr, "", 0);
    if (keeps_backup(old_text, text))
        key.write_text(backup_name.c_str(), old_text, 0);
    return key.write_text(nullptr, text, 0);
}

enum class Outcome { skipped, made, failed };

// One association for `extension` (with its dot). `file_type` comes in as the entry
// names it and goes out as the one used. A key that does not open ends the work there:
// the cursor would otherwise write into its parent.
Outcome associate(InstallRun& run, const FileAssociation& entry, const String& extension, String& file_type) {
    void* classes = RegistryKey::hkey_classes_root();
    const String backup = backup_value_name(run.product_name);
    const bool type_given = !file_type.is_empty();
    {
        RegistryKey extension_key;
        if (!type_given) {
            // The extension names its type already; nothing to associate without one.
            if (extension_key.open(classes, extension.c_str(), RegistryKey::open_existing) ==
                RegistryKey::open_failed)
                return Outcome::skipped;
            file_type = extension_key.read_text(nullptr, "", 0);
            // Blank, the type's key would be HKEY_CLASSES_ROOT itself.
            if (is_blank(file_type))
                return Outcome::skipped;
        } else {
            if (extension_key.open(classes, extension.c_str(), 0) == RegistryKey::open_failed)
                return Outcome::failed;
            replace_default(extension_key, file_type, backup);
        }
    }

    RegistryKey key;
    if (key.open(classes, file_type.c_str(), 0) == RegistryKey::open_failed)
        return Outcome::failed;
    if (type_given && !is_blank(entry.description))
        replace_default(key, entry.description, backup);

    if (!is_blank(entry.default_icon)) {
        String icon = entry.default_icon;
        expand_directory_variables(icon, directory_values(run));
        if (key.open_child("DefaultIcon", 0) == RegistryKey::open_failed)
            return Outcome::failed;
        replace_default(key, icon, backup);
        key.close();
    }

    if (key.open_child("shell", 0) == RegistryKey::open_failed)
        return Outcome::failed;
    if ((entry.flags & 1) != 0)
        replace_default(key, entry.verb, backup);
    if (key.open_child(entry.verb.c_str(), 0) == RegistryKey::open_failed)
        return Outcome::failed;
    key.write_text(nullptr, entry.verb_caption, 0);
    if (key.open_child("command", 0) == RegistryKey::open_failed)
        return Outcome::failed;
    String command = entry.command;
    expand_directory_variables(command, directory_values(run));
    return replace_default(key, command, backup) ? Outcome::made : Outcome::failed;
}

} // namespace

void create_associations(InstallRun& run) {
    const String* chosen = run.languages.names.element(run.languages.current);
    const String language = chosen != nullptr ? *chosen : String();
    for (int32_t i = 0; i < run.script.associations.count(); ++i) {
        const FileAssociation& entry = run.script.associations.at(i);
        if (entry.extension.is_empty() || !applies_to_language(entry, language))
            continue;
        const String extension = with_leading_dot(entry.extension);
        String file_type = entry.file_type;
        Outcome outcome = associate(run, entry, extension, file_type);
        if (outcome == Outcome::skipped)
            continue;
        run.association_record.append(association_line(extension, file_type, entry.verb));
        if (outcome == Outcome::failed)
            run.error_report.append_format("Failed to associate file type:  \"%s\".\r\n\r\n",
                                           extension.c_str());
    }
}
