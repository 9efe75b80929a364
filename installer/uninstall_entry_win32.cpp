#include "installer/uninstall_entry.h"

#include <cinttypes>

#include "core/datetime.h"
#include "core/path.h"
#include "core/registry.h"
#include "installer/directory_variables.h"

namespace {

constexpr std::uint32_t deleted_when_empty = RegistryKey::delete_if_zero;

String entry_key(const char* name) {
    return join(uninstall_key_path, name);
}

// The script's own values: directory variables filled in, stored as the kind says; an
// empty value (or a number 0) removes one left from before.
void write_script_values(InstallRun& run, RegistryKey& key) {
    for (int32_t i = 0; i < run.script.uninstall_values.count(); ++i) {
        const UninstallData& data = run.script.uninstall_values.at(i);
        String value(data.value);
        expand_directory_variables(value, directory_values(run));
        if (data.kind == 4)
            key.write_int(data.name.c_str(), static_cast<std::uint32_t>(value.to_int()), deleted_when_empty);
        else
            key.write_text(data.name.c_str(), value,
                           deleted_when_empty | (data.kind == 2 ? RegistryKey::store_expandable : 0));
    }
}

bool write_entry_values(InstallRun& run) {
    RegistryKey key;
    if (key.open_software(entry_key(run.script.uninstall_key_name.c_str()).c_str(), false, 0) ==
        RegistryKey::open_failed)
        return false;
    const InstallScript& script = run.script;
    String command = uninstall_command(run, false);
    key.write_text("UninstallString", command, 0);
    key.write_text("QuietUninstallString", uninstall_command(run, true), 0);
    key.write_text("DisplayName", run.product_name, 0);
    key.write_text("InstallSource", run.image_path, 0);
    key.write_text("DisplayVersion", script.display_version, deleted_when_empty);
    key.write_text("Publisher", script.publisher, deleted_when_empty);
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    if (version_numbers(script.display_version, major, minor)) {
        key.write_int("VersionMajor", major, 0);
        key.write_int("VersionMinor", minor, 0);
    }
    key.write_text("ProductRegistry", script.product_registry, deleted_when_empty);
    key.write_text("ProductStartMenu", script.start_menu, deleted_when_empty);
    key.write_text("SharedPath", script.shared_path, deleted_when_empty);
    key.write_text("ProductFonts", run.product_fonts, deleted_when_empty);
    String flags;
    flags.format("%" PRId64, static_cast<std::int64_t>(run.flags.bits));
    key.write_text("ProductFlags", flags, 0);
    key.write_text("UninstallBatch1", script.uninstall_batch1, deleted_when_empty);
    key.write_text("UninstallBatch2", script.uninstall_batch2, deleted_when_empty);
    key.write_text("SharedFiles", run.shared_file_value, deleted_when_empty);
    key.write_text("UninstallSubdir", script.uninstall_subdir, deleted_when_empty);
    key.write_int("ShortcutMode", script.shortcut_mode, deleted_when_empty);
    key.write_text("DisplayTitle", run.background.display_title, 0);
    if (run.flags.has(flag_gradient_colours) || run.flags.has(flag_keep_background_picture))
        key.write_int("TitleColor", run.background.title_colour, 0);
    else
        key.delete_value("TitleColor");
    key.write_int("TopColor", run.background.top_colour, 0);
    key.write_int("BottomColor", run.background.bottom_colour, 0);
    key.write_int("MonoColor", run.background.single_colour ? 1 : 0, 0);
    write_script_values(run, key);
    key.write_text("InstallLocation", run.install_directory, 0);
    DateTime now;
    now.now();
    key.write_text("InstallDate", now.format("m/d/y h:ii:ssap"), 0);
    // Only what reads back counts: a value that failed leaves a different one.
    bool saved = key.read_text("UninstallString", "", 0).equals(command);
    key.close();
    return saved;
}

} // namespace

bool write_uninstall_entry(InstallRun& run) {
    if (write_entry_values(run))
        return true;
    run.error_report.append("Unable to save the uninstall information to the registry.  Uninstall will not "
                            "work properly.\r\n\r\n");
    return false;
}

bool installed_location(const char* name, String* location) {
    RegistryKey key;
    if (key.open_software(entry_key(name).c_str(), false, RegistryKey::open_existing) ==
        RegistryKey::open_failed)
        return false;
    bool installed = key.value_exists("UninstallString") || key.value_exists("QuietUninstallString");
    if (location != nullptr)
        *location = installed ? key.read_text("InstallLocation", "", 0) : String();
    key.close();
    return installed;
}
