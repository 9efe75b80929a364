#include "installer/uninstall.h"

#include "core/file.h"
#include "core/filesystem.h"
#include "core/path.h"
#include "core/registry.h"
#include "core/win32.h"
#include "format/language_strings.h"
#include "format/product_flags.h"
#include "format/uninstall_data.h"
#include "installer/associations.h"
#include "installer/autoexec_path.h"
#include "installer/batch.h"
#include "installer/failure.h"
#include "installer/shared_counts.h"
#include "installer/special_folders.h"
#include "installer/uninstall_entry.h"
#include "installer/uninstall_safety.h"
#include "ui/background_window.h"
#include "ui/services.h"

namespace {

// The ProductFlags bits the uninstaller reads from the entry.
constexpr std::uint64_t ask_each_font = flag_mask(flag_ask_before_removing_fonts);
constexpr std::uint64_t automatic_uninstall = flag_mask(flag_automatic_uninstall);
constexpr std::uint64_t delete_whole_directory = flag_mask(flag_remove_whole_directory);
constexpr std::uint64_t take_out_of_path = flag_mask(flag_add_to_path);
constexpr std::uint64_t keep_background_picture = flag_mask(flag_keep_background_picture);
constexpr std::uint64_t ask_each_shared_file = flag_mask(flag_ask_before_removing_shared_files);
constexpr std::uint64_t quiet_uninstall_batch1 = flag_mask(flag_quiet_uninstall_batch_1);
constexpr std::uint64_t quiet_uninstall_batch2 = flag_mask(flag_quiet_uninstall_batch_2);
constexpr std::uint64_t no_background_window = flag_mask(flag_no_background_window);

// A folder the uninstall folder names: the installation directory joined with
// UninstallSubdir, joined with `name`.
String uninstall_folder_file(const UninstallRun& run, const char* name) {
    return join(join(run.install_directory.c_str(), run.uninstall_subdir.c_str()).c_str(), name);
}

bool ask_yes(UninstallRun& run, const String& text, std::int32_t caption) {
    return run.prompt->ask(text, language_string(run, caption), Buttons::yes_no, Icon::question) ==
           Answer::yes;
}

// Writes the backup value back as the default value of the key open in `key` and
// deletes it. True when there was a backup to restore.
bool restore_default(RegistryKey& key, const String& backup_name) {
    String backup = key.read_text(backup_name.c_str(), "", 0);
    if (is_blank(backup))
        return false;
    key.write_text(nullptr, backup, 0);
    key.delete_value(backup_name.c_str());
    return true;
}

// Undoes one association: what it replaced comes back from the backup values, what it
// made alone goes. Keys the system owns are never deleted.
void remove_association(UninstallRun& run, const UninstallAssociation& association) {
    void* classes = RegistryKey::hkey_classes_root();
    const String backup = backup_value_name(run.product_name);
    bool delete_extension = is_removable_class_key(association.extension);
    {
        RegistryKey key;
        if (key.open(classes, association.extension.c_str(), RegistryKey::open_existing) !=
                RegistryKey::open_failed &&
            restore_default(key, backup))
            delete_extension = false;
    }
    RegistryKey key;
    if (key.open(classes, association.file_type.c_str(), RegistryKey::open_existing) ==
        RegistryKey::open_failed)
        return;
    restore_default(key, backup);
    if (key.open_child("DefaultIcon", RegistryKey::open_existing) != RegistryKey::open_failed) {
        restore_default(key, backup);
        key.close();
    }
    if (key.open_child("shell", RegistryKey::open_existing) != RegistryKey::open_failed) {
        restore_default(key, backup);
        if (key.open_child(association.verb.c_str(), 0) != RegistryKey::open_failed) {
            bool delete_verb = true;
            if (key.open_child("command", RegistryKey::open_existing) != RegistryKey::open_failed) {
                if (restore_default(key, backup))
                    delete_verb = false;
                key.close();
            }
            key.close();
            if (delete_verb)
                key.delete_child(association.verb.c_str(), 0);
        }
        bool shell_empty = key.subkey_count() <= 0;
        key.close();
        if (shell_empty)
            key.delete_child("shell", 0);
    }
    bool type_empty = key.subkey_count() <= 0;
    key.close();
    if (!type_empty)
        return;
    if (is_removable_class_key(association.file_type))
        key.delete_key_path(classes, association.file_type.c_str(), 0);
    if (delete_extension)
        key.delete_key_path(classes, association.extension.c_str(), 0);
}

// The fonts of ProductFonts, each removed unless the person keeps it; those whose
// removal fails are written back and reported.
void remove_fonts(UninstallRun& run, RegistryKey& entry, std::uint64_t flags) {
    String list = entry.read_text("ProductFonts", "", 0);
    if (list.is_empty())
        return;
    String kept;
    bool removed_any = false;
    String title, file;
    while (!list.is_empty() && take_font_pair(list, title, file)) {
        if (!run.automatic && (flags & ask_each_font) != 0 &&
            !ask_yes(run, format_with_text(language_string(run, string_font_question), title.c_str()),
                     string_font_caption))
            continue;
        if (RemoveFontResourceA(file.c_str())) {
            String path = join(special_folder(*run.folders, SpecialFolder::fonts).c_str(), file.c_str());
            if (is_plain_absolute_path(path))
                delete_file(path.c_str(), 0);
            removed_any = true;
        } else {
            run.error_report.append(removal_failure_line(run, file.c_str()));
            kept.append(font_pair_text(title, file));
        }
    }
    entry.write_text("ProductFonts", kept, 0);
    if (removed_any)
        broadcast_font_change();
}

// Folders are removed only when empty, from the longest path up, each with its empty
// parents but never the installation directory itself.
void remove_folders(Vector<String>& folders, const String& install_directory) {
    folders.sort([](const void* a, const void* b) {
        return (*static_cast<String* const*>(b))->length() - (*static_cast<String* const*>(a))->length();
    });
    for (int32_t i = 0; i < folders.count(); ++i) {
        String folder = folders.at(i);
        while (folder.compare(install_directory, false) != 0 && remove_folder(folder.c_str())) {
            if (folder.last_char() == '\\')
                folder.truncate(folder.length() - 1);
            folder = folder_of(folder.c_str());
            if (folder.length() <= 3)
                break;
        }
    }
}

// The record's lines: files deleted (those that stay are written back), keys below
// HKEY_CLASSES_ROOT deleted, folders gathered. Lines that name no plain path of their
// own, or a key the system owns, are refused and reported.
void remove_entries(UninstallRun& run, const String& entries, String& kept, Vector<String>& folders) {
    TextLines lines(entries);
    UninstallEntryKind kind;
    String path;
    while (take_uninstall_entry(lines, kind, path)) {
        switch (kind) {
        case UninstallEntryKind::folder:
            if (is_plain_absolute_path(path))
                folders.add(path);
            else
                run.error_report.append(refused_path_line(path.c_str()));
            break;
        case UninstallEntryKind::key:
            if (is_removable_class_key(path)) {
                RegistryKey key;
                key.delete_key_path(RegistryKey::hkey_classes_root(), path.c_str(), 0);
            } else {
                run.error_report.append(refused_key_line(path.c_str()));
            }
            break;
        case UninstallEntryKind::file:
            if (!is_plain_absolute_path(path)) {
                run.error_report.append(refused_path_line(path.c_str()));
            } else if (file_exists(path.c_str()) && !delete_file(path.c_str(), 0)) {
                run.error_report.append(removal_failure_line(run, path.c_str()));
                kept.append(path);
                kept.append("\r\n");
            }
            break;
        }
    }
}

// The start-menu folder and its parents, as far as they are empty (at most 20).
void remove_start_menu_folder(UninstallRun& run, RegistryKey& entry) {
    String relative = entry.read_text("ProductStartMenu", "", 0);
    if (is_blank(relative))
        return;
    bool all_users = entry.read_int("ShortcutMode", 0, 0) == 1;
    String programs =
        special_folder(*run.folders, all_users ? SpecialFolder::programs_all : SpecialFolder::programs);
    String folder = join(programs.c_str(), relative.c_str());
    if (!is_plain_absolute_path(folder))
        return;
    for (int removed = 0; removed < 20 && folder.length() > 3 && remove_folder(folder.c_str()); ++removed)
        folder = folder_of(folder.c_str());
}

// Each shared file's count goes down by one; at zero the file goes (unless it must
// stay, or the person keeps it).
void release_shared_files(UninstallRun& run, RegistryKey& entry, std::uint64_t flags) {
    String list = entry.read_text("SharedFiles", "", 0);
    if (list.is_empty())
        return;
    if (entry.open_software(shared_dlls_key, false, 0) == RegistryKey::open_failed) {
        run.error_report.append("REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n");
        return;
    }
    String path;
    bool keep = false;
    while (take_shared_file(list, path, keep)) {
        if (count_down_shared_file(entry, path.c_str()) >= 1)
            continue;
        if (keep || !is_plain_absolute_path(path) || !file_exists(path.c_str()))
            continue;
        if (!run.automatic && (flags & ask_each_shared_file) != 0 &&
            !ask_yes(run, format_with_text(language_string(run, string_shared_file_question), path.c_str()),
                     string_shared_file_caption))
            continue;
        delete_file(path.c_str(), 0);
    }
    entry.close();
}

// Software\<key> below both roots with everything in it, then its parents while they
// are empty (at most 20 keys in all), never Software itself.
void remove_product_registry(RegistryKey& entry) {
    String product_key = entry.read_text("ProductRegistry", "", 0);
    if (is_blank(product_key))
        return;
    for (void* root : {RegistryKey::hkey_local_machine(), RegistryKey::hkey_current_user()}) {
        String path = join("Software", product_key.c_str());
        RegistryKey key;
        if (key.delete_key_path(root, path.c_str(), 0) != RegistryKey::deleted)
            continue;
        for (int deleted = 1; deleted < 20; ++deleted) {
            path = folder_of(path.c_str());
            if (path.compare("Software", false) == 0 || path.find_char('\\') < 0)
                break;
            if (key.delete_key_path(root, path.c_str(), RegistryKey::only_if_empty) != RegistryKey::deleted)
                break;
        }
    }
    entry.delete_value("ProductRegistry");
}

// The Uninstall.DAT text: what could not be removed, and the strings.
String rewritten_record(const String& kept, const UninstallDataContents& contents) {
    String strings[uninstall_string_count];
    for (int32_t i = 0; i < uninstall_string_count; ++i) {
        const String* text = contents.strings.element(uninstall_string_numbers[i]);
        if (text != nullptr)
            strings[i] = *text;
    }
    return uninstall_data_text(kept, strings, contents.associations_left);
}

} // namespace

bool uninstall_product(UninstallRun& run) {
    String entry_path = join(uninstall_key_path, run.uninstall_name.c_str());
    if (!RegistryKey::software_key_exists(entry_path.c_str(), false)) {
        error_box(run, "No product named '%s' is installed.", run.uninstall_name.c_str());
        return false;
    }
    RegistryKey entry;
    if (entry.open_software(entry_path.c_str(), false, 0) == RegistryKey::open_failed) {
        error_box(run,
                  "Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation cannot be "
                  "performed.",
                  run.uninstall_name.c_str());
        return false;
    }
    run.product_name = entry.read_text("DisplayName", "", 0);
    if (is_blank(run.product_name))
        run.product_name = run.uninstall_name;
    run.install_directory = entry.read_text("InstallLocation", "", 0);
    if (is_blank(run.install_directory)) {
        error_box(
            run,
            "The uninstall information for %s is corrupt.\r\n\r\nThe uninstallation cannot be performed.",
            run.product_name.c_str());
        return false;
    }

    const std::uint64_t flags = static_cast<std::uint64_t>(entry.read_text("ProductFlags", "", 0).to_int64());
    run.flags.bits = flags;
    if ((flags & automatic_uninstall) != 0)
        run.automatic = true;
    BackgroundSettings& background = run.background;
    background.display_title = entry.read_text("DisplayTitle", "", 0);
    background.title_colour = static_cast<std::uint32_t>(
        entry.read_int("TitleColor", static_cast<std::int32_t>(background.title_colour), 0));
    background.top_colour = static_cast<std::uint32_t>(
        entry.read_int("TopColor", static_cast<std::int32_t>(background.top_colour), 0));
    background.bottom_colour = static_cast<std::uint32_t>(entry.read_int("BottomColor", 0, 0));
    background.single_colour = entry.read_bool("MonoColor", true, 0);
    run.uninstall_subdir = entry.read_text("UninstallSubdir", "", 0);
    if ((flags & keep_background_picture) != 0)
        background.picture.load_file(uninstall_folder_file(run, "Installer Background.BMP").c_str());
    if ((flags & no_background_window) == 0)
        run.windows.background = create_background_window(run.windows.instance, nullptr, background);

    String record_text;
    read_file(uninstall_folder_file(run, "Uninstall.DAT").c_str(), record_text);
    UninstallDataContents contents;
    read_uninstall_data(record_text, contents);
    use_uninstall_strings(run.languages, contents.strings);

    if (!run.automatic &&
        !ask_yes(run, language_string(run, string_uninstall_confirm), string_uninstall_confirm_caption))
        shutdown(run.windows);

    run.shared_path = entry.read_text("SharedPath", "", 0);
    String batch1 = entry.read_text("UninstallBatch1", "", 0);
    if (!batch1.is_empty()) {
        run_batch(run, directory_values(run), (flags & quiet_uninstall_batch1) != 0, batch1);
        entry.delete_value("UninstallBatch1");
    }
    for (int32_t i = 0; i < contents.associations.count(); ++i)
        remove_association(run, contents.associations.at(i));
    remove_fonts(run, entry, flags);

    String kept;
    Vector<String> folders;
    remove_entries(run, contents.entries, kept, folders);
    remove_folders(folders, run.install_directory);
    delete_file(uninstall_folder_file(run, "Install.LOG").c_str(), 0);
    String record = rewritten_record(kept, contents);
    write_file(uninstall_folder_file(run, "Uninstall.DAT").c_str(), record.c_str(), record.length());

    remove_start_menu_folder(run, entry);
    release_shared_files(run, entry, flags);
    if (run.shared_path.length() > 3 && is_plain_absolute_path(run.shared_path))
        remove_folder(run.shared_path.c_str());
    remove_product_registry(entry);

    if ((flags & delete_whole_directory) != 0) {
        if (may_delete_tree(run.install_directory, protected_folders(*run.folders)))
            delete_tree(run.install_directory.c_str());
        else
            run.error_report.append(refused_tree_line(run.install_directory.c_str()));
    }

    if (run.error_report.is_empty()) {
        delete_file(uninstall_folder_file(run, "Uninstall.DAT").c_str(), 0);
        if ((flags & take_out_of_path) != 0) {
            String problem = add_to_path(directory_values(run), false);
            if (!run.automatic && !problem.is_empty())
                error_box(run, "%s", problem.c_str());
        }
        String batch2 = entry.read_text("UninstallBatch2", "", 0);
        String root = drive_root(run.install_directory.c_str());
        run_batch(run, directory_values(run), (flags & quiet_uninstall_batch2) != 0, batch2, root.c_str());
        entry.delete_value("UninstallBatch2");
        entry.close_all();
        RegistryKey parent;
        parent.delete_software_subkey(uninstall_key_path, run.uninstall_name.c_str(), false, 0);
    }
    entry.close_all();

    if (run.error_report.is_empty()) {
        if (!run.automatic)
            run.prompt->ask(language_string(run, string_uninstall_done),
                            language_string(run, string_uninstall_done_caption), Buttons::ok,
                            Icon::information);
        return true;
    }
    if (!run.automatic)
        run.prompt->ask(
            format_with_text(language_string(run, string_uninstall_failed), run.error_report.c_str()),
            language_string(run, string_question_caption), Buttons::ok, Icon::warning);
    return false;
}

int remove_uninstaller(UninstallRun& run) {
    char program[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    String batch = uninstaller_removal_batch(String(program), run.install_directory, run.uninstall_subdir);
    if (!write_string(uninstaller_removal_batch_path, batch))
        return 1;
    String command;
    command.format("\"%s\" /c %s", program_paths().command_interpreter.c_str(),
                   uninstaller_removal_batch_path);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_MINIMIZE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, &startup, &process))
        return 2;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
