#include "installer/install_sequence.h"

#include "core/bitmap.h"
#include "core/datetime.h"
#include "core/dynlib.h"
#include "core/filesystem.h"
#include "core/numbers.h"
#include "core/registry.h"
#include "core/win32.h"
#include "format/codes.h"
#include "format/script.h"
#include "installer/associations.h"
#include "installer/autoexec_path.h"
#include "installer/batch.h"
#include "installer/deletions.h"
#include "installer/failure.h"
#include "installer/install_log.h"
#include "installer/language.h"
#include "installer/placement.h"
#include "installer/restart.h"
#include "installer/shared_counts.h"
#include "installer/shortcuts.h"
#include "installer/special_folders.h"
#include "installer/system_calls.h"
#include "installer/system_identity.h"
#include "installer/uninstall_data_file.h"
#include "installer/uninstall_entry.h"
#include "installer/volume_prompt.h"
#include "ui/services.h"

namespace {

[[noreturn]] void leave(InstallRun& run) {
    shutdown(run.windows);
}

void show_error(InstallRun& run, const String& text) {
    error_box(run, "%s", text.c_str());
}

// A status text with the stage timer restarted, and the bar where it is given.
void status(InstallRun& run, std::int32_t text, int bar = -1) {
    run.stage_started = tick_count();
    if (run.prompt->set_progress_text(language_string(run, text)))
        leave(run);
    if (bar >= 0 && run.prompt->set_progress(bar))
        leave(run);
}

void set_bar(InstallRun& run, int bar) {
    if (run.prompt->set_progress(bar))
        leave(run);
}

// Leaves a status text up for at least the product's minimum stage time, serving the
// windows meanwhile; never in automatic mode.
void stage_wait(InstallRun& run) {
    if (run.automatic)
        return;
    std::uint32_t minimum = run.script.minimum_stage_time;
    for (std::uint32_t pass = 0; pass < minimum; ++pass) {
        if (elapsed_ms(run.stage_started) >= minimum)
            return;
        if (pump_messages())
            return;
        sleep_ms(50);
    }
}

void check_system(InstallRun& run) {
    SystemVersion version = running_system();
    if ((static_cast<std::uint32_t>(run.script.excluded_systems) & system_bit(version)) == 0)
        return;
    show_error(run,
               format_with_text(language_string(run, string_system_excluded), system_name(version).c_str()));
    leave(run);
}

// The product this one needs must be installed; "<master>" becomes its folder.
void find_master_product(InstallRun& run) {
    if (!run.flags.has(flag_master_product))
        return;
    const String& key =
        is_blank(run.script.master_product_key) ? run.product_name : run.script.master_product_key;
    String location;
    if (!installed_location(key.c_str(), &location)) {
        show_error(run, format_with_text(language_string(run, string_master_missing), key.c_str()));
        leave(run);
    }
    if (run.script.default_directory.compare("<master>", false) == 0)
        run.script.default_directory = location;
}

struct ExistingInstallation {
    bool present = false;
    String location;
    String version;
};

// What the list of installed programs knows of this product; its shared files are
// counted down when it is installed over.
ExistingInstallation existing_installation(InstallRun& run) {
    ExistingInstallation existing;
    if (!run.flags.has(flag_uninstall_support))
        return existing;
    RegistryKey key;
    String path = join(uninstall_key_path, run.script.uninstall_key_name.c_str());
    if (key.open_software(path.c_str(), false, RegistryKey::open_existing) == RegistryKey::open_failed)
        return existing;
    existing.location = key.read_text("InstallLocation", "", 0);
    existing.version = key.read_text("DisplayVersion", "", 0);
    run.shared_file_value = key.read_text("SharedFiles", "", 0);
    key.close();
    existing.present = !existing.location.is_empty() && folder_exists(existing.location.c_str());
    return existing;
}

void ask_welcome(InstallRun& run) {
    if (run.automatic)
        return;
    if (run.prompt->ask(language_string(run, string_welcome_text),
                        language_string(run, string_welcome_caption), Buttons::yes_no,
                        Icon::information) != Answer::yes)
        leave(run);
}

// The licence or read-me pages, the product's introduction first; blank pages are
// not shown.
void show_pages(InstallRun& run, std::int32_t introduction, const Vector<String>& pages, bool licence) {
    if (run.automatic)
        return;
    Vector<String> all;
    all.add(language_string(run, introduction));
    for (int32_t i = 0; i < pages.count(); ++i)
        all.add(*pages.element(i));
    for (int32_t i = 0; i < all.count(); ++i) {
        String page(all.at(i));
        if (is_blank(page))
            continue;
        page.replace("<product>", run.product_name.c_str(), String::match_ignore_case);
        page.replace("<os>", run.languages.windows_folder.c_str(), String::match_ignore_case);
        bool go_on = licence ? run.prompt->show_licence(page) : run.prompt->show_readme(page);
        if (!go_on)
            leave(run);
    }
}

// Installing over an existing installation: refused, or asked, and then into its
// folder. True when this is a reinstall.
bool ask_reinstall(InstallRun& run, const ExistingInstallation& existing) {
    if (!run.flags.has(flag_uninstall_support) || !existing.present)
        return false;
    if (run.flags.has(flag_refuse_reinstall)) {
        run.automatic = false;
        show_error(run, language_string(run, string_existing_refused));
        leave(run);
    }
    if (!run.automatic && !run.flags.has(flag_no_reinstall_question)) {
        std::int32_t text = existing_installation_text(run.flags.has(flag_compare_versions_on_reinstall),
                                                       existing.version, run.script.display_version);
        String question = language_string(run, text);
        question.append("\r\n");
        question.append(existing.location);
        question.append("\r\n\r\n");
        question.append(language_string(run, string_existing_question));
        if (run.prompt->ask(question, language_string(run, string_existing_caption), Buttons::yes_no,
                            Icon::question) != Answer::yes)
            leave(run);
    }
    run.install_directory = existing.location;
    return true;
}

bool is_valid_install_path(const String& directory) {
    return valid_path_chars(directory.c_str(), 0) && is_rooted(directory.c_str());
}

// The checks of a directory the user chose, each explained when it fails. True when
// the directory is accepted and exists.
bool accept_directory(InstallRun& run, const String& directory) {
    if (directory.is_empty())
        return false;
    if (!is_valid_install_path(directory)) {
        error_box(run, "%s\r\n%s", language_string(run, string_directory_invalid).c_str(), directory.c_str());
        return false;
    }
    char letter = drive_letter(directory.c_str());
    if (letter != 0 && !drive_present(letter)) {
        show_error(run, format_language_text(language_string(run, string_drive_missing), "c", letter));
        return false;
    }
    if (directory.length() <= 3) {
        show_error(run, language_string(run, string_directory_is_root));
        return false;
    }
    String program_files = special_folder(*run.folders, SpecialFolder::program_files);
    if (same_folder(directory.c_str(), program_files.c_str())) {
        show_error(run, format_with_text(language_string(run, string_directory_is_program_files),
                                         program_files.c_str()));
        return false;
    }
    std::int32_t cluster = cluster_size(directory.c_str());
    std::int64_t free = free_bytes(directory.c_str());
    if (cluster > 0 && free >= 0) {
        std::int64_t required = required_space(run.payload.header.file_sizes, cluster);
        if (required >= free) {
            String text =
                format_language_text(language_string(run, string_disk_space_low), "scs",
                                     byte_size_text(required).c_str(), letter, byte_size_text(free).c_str());
            if (run.prompt->ask(text, language_string(run, string_question_caption), Buttons::yes_no,
                                Icon::error) != Answer::yes)
                return false;
        }
    }
    bool exists = folder_exists(directory.c_str());
    if (run.flags.has(flag_confirm_directory)) {
        String text = format_with_text(
            language_string(run, exists ? string_directory_exists_confirm : string_directory_create_confirm),
            directory.c_str());
        if (run.prompt->ask(text, language_string(run, string_directory_caption), Buttons::yes_no,
                            Icon::question) != Answer::yes)
            return false;
    }
    if (!exists && !run.system->create_folder(directory.c_str())) {
        String error(system_error_text());
        error.trim();
        error_box(run, "%s\r\n%s\r\n\r\n%s", language_string(run, string_directory_create_failed).c_str(),
                  directory.c_str(), error.c_str());
        return false;
    }
    return true;
}

void choose_install_directory(InstallRun& run) {
    String directory = run.options.install_directory.is_empty() ? run.script.default_directory
                                                                : run.options.install_directory;
    if (run.automatic || !run.flags.has(flag_directory_dialog)) {
        run.system->create_folder(directory.c_str());
        run.install_directory = directory;
        return;
    }
    for (;;) {
        if (!run.prompt->choose_directory(directory))
            leave(run);
        directory.trim();
        if (accept_directory(run, directory))
            break;
    }
    run.install_directory = directory;
}

void run_script_batch(InstallRun& run, const String& batch, int quiet_flag) {
    run_batch(run, directory_values(run), run.flags.has(quiet_flag), batch);
}

// The file data from the section and the volumes, verified and unpacked, each stage
// shown.
void gather_file_data(InstallRun& run) {
    Payload& payload = run.payload;
    VolumeSet volumes;
    volumes.folder = run.installer_folder;
    volumes.base_name = run.script.volume_base_name;
    volumes.first_tag = run.script.first_volume_number;
    VolumePrompt volume_prompt(run, payload.header.file_data_size, run.installer_drive);
    int code = assemble_file_data(payload.cursor, payload.header, volumes, *payload.files, volume_prompt);
    if (code == volume_request_refused)
        leave(run);
    check_payload_code(run, code);
    stage_wait(run);
    status(run, string_status_checking, 36);
    check_payload_code(run, check_file_data(payload.cursor, payload.header));
    stage_wait(run);
    if (run.flags.has(flag_packed_file_data) && payload.header.file_data_size != 0) {
        status(run, string_status_unpacking, 40);
        check_payload_code(run, unpack_file_data(payload.cursor, payload.header, run.flags));
        stage_wait(run);
    }
}

void place_files(InstallRun& run) {
    std::int32_t count = run.payload.header.file_sizes.count();
    for (std::int32_t i = 0; i < count; ++i) {
        set_bar(run, file_bar_position(i, count));
        place_next_file(run, i);
    }
    if (run.fonts_changed)
        broadcast_font_change();
    set_bar(run, 87);
}

String uninstaller_arguments(const InstallRun& run) {
    String arguments;
    arguments.format("/u:\"%s\"", run.script.uninstall_key_name.c_str());
    return arguments;
}

bool all_users(const InstallRun& run) {
    return run.script.shortcut_mode == 1;
}

void note_uninstaller_link(InstallRun& run, bool made, const String& link) {
    if (!made) {
        run.error_report.append(write_failure_line(run, link.c_str(), system_error_text()));
        return;
    }
    if (run.flags.has(flag_report_every_file))
        run.install_report.append_format("Uninstaller Shortcut -> %s\r\n", link.c_str());
    run.record.record(link.c_str(), RecordKind::file);
}

void make_uninstaller_shortcuts(InstallRun& run) {
    LinkContents link;
    link.target = uninstaller_path(run);
    link.arguments = uninstaller_arguments(run);
    link.working_directory = run.install_directory;
    String name = language_string(run, string_uninstall_shortcut);
    String made;
    if (run.flags.has(flag_uninstaller_start_menu_shortcut)) {
        String relative = join(run.script.start_menu.c_str(), name.c_str());
        bool ok = make_programs_link(*run.folders, all_users(run), relative.c_str(), link, made);
        note_uninstaller_link(run, ok, made);
    }
    made = join(run.uninstall_folder.c_str(), name.c_str());
    bool ok = make_link(made, link);
    note_uninstaller_link(run, ok, made);
}

void create_product_key(InstallRun& run) {
    const String& key = run.script.product_registry;
    if (key.is_empty())
        return;
    bool made = true;
    for (bool current_user : {false, true}) {
        RegistryKey registry;
        if (registry.open_software(key.c_str(), current_user, 0) == RegistryKey::open_failed)
            made = false;
        registry.close_all();
    }
    if (!made)
        run.error_report.append_format("Error creating registry keys:\r\n%s\r\n\r\n", key.c_str());
}

// Tells the shell that the desktop changed, where the shell can be told.
void notify_desktop_changed(InstallRun& run) {
    using ChangeNotify = void(WINAPI*)(LONG, UINT, const void*, const void*);
    constexpr LONG update_folder = 0x00001000; // SHCNE_UPDATEDIR
    constexpr UINT path_given = 0x0001;        // SHCNF_PATHA
    ChangeNotify change_notify = nullptr;
    if (!load_function("shell32.dll", "SHChangeNotify", change_notify))
        return;
    String desktop =
        special_folder(*run.folders, all_users(run) ? SpecialFolder::desktop_all : SpecialFolder::desktop);
    change_notify(update_folder, path_given, desktop.c_str(), nullptr);
}

void remove_if_empty(const String& folder) {
    String path(folder);
    path.remove_trailing_char('\\');
    if (path.length() > 3)
        remove_folder(path.c_str());
}

} // namespace

void run_install_sequence(InstallRun& run) {
    // Choosing: nothing is written but the folders made on the way.
    check_system(run);
    find_master_product(run);
    ExistingInstallation existing = existing_installation(run);
    ask_welcome(run);
    show_pages(run, string_licence_intro, run.script.licence_pages, true);
    show_pages(run, string_readme_intro, run.script.readme_pages, false);
    bool reinstall = ask_reinstall(run, existing);
    if (!reinstall)
        choose_install_directory(run);

    // Preparing.
    run_script_batch(run, run.script.batch_before_files, flag_quiet_batch_before_files);
    run.prompt->open_progress(run.flags.has(flag_no_cancel));
    status(run, string_status_preparing);
    gather_file_data(run);
    run.stage_started = tick_count();
    run.uninstall_folder = run.script.uninstall_subdir.is_empty()
                               ? run.install_directory
                               : join(run.install_directory.c_str(), run.script.uninstall_subdir.c_str());
    if (!run.script.uninstall_subdir.is_empty())
        run.system->create_folder(run.uninstall_folder.c_str());

    // Placing: from here on, what is placed stays.
    process_deletions(run);
    run.record.reset();
    place_files(run);
    bool uninstall_support = run.flags.has(flag_uninstall_support);
    if (uninstall_support)
        update_shared_counts(run, reinstall);
    stage_wait(run);
    status(run, string_status_shortcuts, 90);
    if (uninstall_support && run.flags.has(flag_uninstaller_desktop_shortcut)) {
        ShortcutEntry entry;
        entry.desktop = true;
        entry.target = uninstaller_path(run);
        entry.arguments = uninstaller_arguments(run);
        entry.name = language_string(run, string_uninstall_shortcut);
        run.shortcuts.add(entry);
    }
    create_shortcuts(run);
    if (uninstall_support)
        make_uninstaller_shortcuts(run);

    // Registering.
    set_bar(run, 95);
    stage_wait(run);
    if (run.flags.has(flag_keep_background_picture) && !run.script.background_picture.is_empty()) {
        String picture = join(run.uninstall_folder.c_str(), "Installer Background.BMP");
        if (run.background.picture.save_file(picture.c_str()))
            run.record.record(picture.c_str(), RecordKind::file);
    }
    create_product_key(run);
    create_associations(run);
    if (run.flags.has(flag_add_to_path))
        run.error_report.append(add_to_path(directory_values(run), true));
    if (uninstall_support) {
        write_installed_file(run, uninstaller_path(run).c_str(), run.uninstaller_image.c_str(),
                             run.uninstaller_image.length(), run.script.uninstaller_date, 0, true);
        write_uninstall_entry(run);
    }
    stage_wait(run);
    status(run, string_status_finishing, 100);
    if (uninstall_support)
        write_uninstall_data(run);
    run_script_batch(run, run.script.batch_after_files, flag_quiet_batch_after_files);
    if (run.shortcuts_changed)
        notify_desktop_changed(run);
    stage_wait(run);
    run.prompt->close_progress();

    // Finishing.
    finish_log(run, reinstall);
    bool restart = false;
    if (run.flags.has(flag_restart))
        restart = run.automatic || run.prompt->ask(language_string(run, string_restart_question),
                                                   language_string(run, string_question_caption),
                                                   Buttons::yes_no, Icon::question) == Answer::yes;
    run_script_batch(run, run.script.final_batch, flag_quiet_final_batch);
    remove_if_empty(run.script.shared_path);
    remove_if_empty(run.uninstall_folder);
    remove_if_empty(run.install_directory);
    if (restart)
        restart_windows();
    else if (run.error_report.is_empty() && !run.options.run_after.is_empty())
        start_process(run.options.run_after.c_str(), 0, nullptr);
    leave(run);
}
