#include "installer/placement.h"

#include "core/file.h"
#include "core/filesystem.h"
#include "core/win32.h"
#include "format/codes.h"
#include "format/script.h"
#include "installer/failure.h"
#include "installer/file_version.h"
#include "installer/language.h"
#include "installer/system_calls.h"
#include "ui/services.h"

namespace {

constexpr std::uint32_t protecting_attributes = 0x7; // read-only, hidden, system
constexpr int write_tries = 3;

bool time_is_set(const TimeStamp& time) {
    return time.year != 0;
}

bool is_program(std::int32_t kind) {
    return kind == destination_program || kind == destination_startup;
}

// Whether the existing file at `path` is at least as new as `time`; an unset time or
// a date that cannot be read counts as older.
bool existing_is_up_to_date(const char* path, const TimeStamp& time) {
    TimeStamp existing;
    if (!time_is_set(time) || !file_time(path, existing))
        return false;
    return compare_time_stamps(existing, time) >= 0;
}

// The rules for replacing an existing shared, font or system file; false when the
// file stays as it is.
bool replaces_existing(InstallRun& run, const FileRecord& record, const String& path) {
    String& report = run.install_report;
    if (record.destination == destination_shared || record.destination == destination_font) {
        if (existing_is_up_to_date(path.c_str(), record.time)) {
            report.append_format("%s is up to date.\r\n", path.c_str());
            return false;
        }
        report.append_format("%s is out of date and will be replaced.\r\n", path.c_str());
        return true;
    }
    if (record.destination != destination_system)
        return true;
    if (!is_blank(record.version)) {
        String existing = file_version(path.c_str(), true);
        if (!is_blank(existing) && compare_versions(record.version.c_str(), existing.c_str()) <= 0) {
            report.append_format("%s was not installed because its version is not newer.\r\n", path.c_str());
            return false;
        }
    }
    TimeStamp existing_time;
    if (!file_time(path.c_str(), existing_time))
        return false;
    if (time_is_set(record.time) && compare_time_stamps(existing_time, record.time) >= 0) {
        report.append_format("%s was not installed because its date is not newer.\r\n", path.c_str());
        return false;
    }
    report.append_format("%s is out of date and will be replaced.\r\n", path.c_str());
    return true;
}

void add_shortcut_entry(InstallRun& run, const FileRecord& record, const String& path) {
    ShortcutEntry entry;
    entry.desktop = (record.options & option_desktop_shortcut) != 0;
    entry.start_menu = (record.options & option_start_menu_shortcut) != 0;
    entry.startup = record.destination == destination_startup;
    entry.permanent = (record.options & option_permanent) != 0;
    entry.target = path;
    entry.arguments = record.arguments;
    entry.name = record.version;
    if (entry.name.is_empty())
        entry.name =
            format_with_text(language_string(run, string_shortcut_name), name_of(path.c_str()).c_str());
    if (!is_blank(record.icon_file))
        entry.icon = join(run.uninstall_folder.c_str(), record.icon_file.c_str());
    run.shortcuts.add(entry);
}

// Makes the destination's folder unless it is the installation directory; false (and
// the file not installed) when that fails.
bool prepare_folder(InstallRun& run, const FileRecord& record, const String& path, bool recorded) {
    String folder = folder_of(path.c_str());
    if (same_folder(folder.c_str(), run.install_directory.c_str()))
        return true;
    if (!run.system->create_folder(folder.c_str())) {
        run.error_report.append_format("%s %s\r\n%s\r\nNot installed: %s\r\n\r\n",
                                       language_string(run, string_directory_create_failed).c_str(),
                                       folder.c_str(), system_error_text(), path.c_str());
        return false;
    }
    if (recorded && is_program(record.destination))
        run.record.record(folder.c_str(), RecordKind::folder);
    return true;
}

// The write failed for good: the file may still take its place at the next restart,
// written to a temporary file now.
void replace_at_restart(InstallRun& run, const char* path, const char* data, std::int32_t size,
                        String& text) {
    String temp = temp_file_name(temp_directory().c_str());
    String short_temp = temp.is_empty() ? temp : short_path(temp.c_str());
    if (!short_temp.is_empty() && run.system->write_file(short_temp.c_str(), data, size) &&
        run.system->replace_at_restart(short_temp.c_str(), path)) {
        run.flags.set(flag_restart);
        text.append_format("%s has been successfully registered for replacement.\r\nTemporary file is "
                           "%s\r\nReboot will be required.\r\n\r\n",
                           path, short_temp.c_str());
        run.install_report.append(text);
        return;
    }
    text.append_format("Failed to register '%s' for replacement: %s\r\n", path, system_error_text());
    if (!short_temp.is_empty())
        delete_file(short_temp.c_str(), 0);
    run.error_report.append(text);
}

void set_file_time(const char* path, const TimeStamp& time) {
    File file;
    if (file.open(path, File::open_existing) == 0)
        file.set_modified_time(time);
}

} // namespace

bool write_installed_file(InstallRun& run, const char* path, const char* data, std::int32_t size,
                          const TimeStamp& time, std::uint32_t attributes, bool allow_restart_replacement) {
    if (size < 0)
        corrupt_installer(run, corrupt_negative_data_length);
    bool verify = run.flags.has(flag_verify_written_files);
    bool written = false;
    bool verified = false;
    for (int attempt = 0; attempt < write_tries && !verified; ++attempt) {
        written = run.system->write_file(path, data, size);
        if (written) {
            verified = !verify || file_equals_memory(data, size, path);
            continue;
        }
        if (attempt == 0 && run.flags.has(flag_clear_protecting_attributes)) {
            std::uint32_t current = run.system->get_attributes(path);
            if (current != no_attributes)
                run.system->set_attributes(path, current & ~protecting_attributes);
        }
    }
    if (!verified && written) {
        clear_system_error();
        run.error_report.append(write_failure_line(run, path, system_error_text()));
        return false;
    }
    if (!verified) {
        String text;
        text.format("%s %s\r\n", language_string(run, string_write_failed).c_str(), path);
        const char* error = system_error_text();
        if (error[0] != '\0')
            text.append_format("%s\r\n", error);
        if (allow_restart_replacement)
            replace_at_restart(run, path, data, size, text);
        else
            run.error_report.append(text);
        return false;
    }
    if (time_is_set(time))
        set_file_time(path, time);
    std::uint32_t current = run.system->get_attributes(path);
    if (current != no_attributes)
        run.system->set_attributes(path,
                                   (current & ~placed_attribute_mask) | (attributes & placed_attribute_mask));
    return true;
}

void place_file(InstallRun& run, FileRecord& record) {
    pump_messages();
    FileDestination destination = file_destination(run, record);
    const String& path = destination.path;
    std::int32_t kind = record.destination;
    bool permanent = (record.options & option_permanent) != 0;
    bool recorded = !permanent && !run.flags.has(flag_remove_whole_directory);

    if (kind == destination_shared || kind == destination_system) {
        String entry(path);
        if (kind == destination_system || permanent)
            entry.append(' ');
        run.shared_files.add(entry);
    }

    bool exists = file_exists(path.c_str());
    std::int32_t mode = record.options & option_existence_mask;
    if (mode == existence_never || (mode == existence_if_present && !exists))
        return;
    if (mode == existence_if_absent && exists) {
        if (is_program(kind) && !permanent)
            run.record.record(path.c_str(), RecordKind::file);
        return;
    }
    if (exists && !replaces_existing(run, record, path))
        return;

    if ((kind == destination_program &&
         (record.options & (option_desktop_shortcut | option_start_menu_shortcut))) ||
        kind == destination_startup)
        add_shortcut_entry(run, record, path);

    if (destination.prepare_folder && !prepare_folder(run, record, path, recorded))
        return;
    // Recorded before it is written: a file that then fails is still removed later.
    if (is_program(kind) && recorded)
        run.record.record(path.c_str(), RecordKind::file);

    bool replaceable =
        (exists && (kind == destination_shared || kind == destination_font || kind == destination_system)) ||
        run.flags.has(flag_replace_at_restart);
    if (!write_installed_file(run, path.c_str(), record.data.c_str(), record.data.length(), record.time,
                              static_cast<std::uint32_t>(record.attributes), replaceable))
        return;

    if (kind == destination_font) {
        if (AddFontResourceA(name_of(path.c_str()).c_str()) == 0) {
            run.error_report.append(write_failure_line(run, path.c_str(), system_error_text()));
            return;
        }
        if (!permanent) {
            run.product_fonts.append_format("\"%s\" \"%s\" ", record.version.c_str(), record.name.c_str());
            run.fonts_changed = true;
        }
    }
    String status;
    status.format("%s -> %s", record.name.c_str(), path.c_str());
    run.prompt->set_progress_text(status);
    if (run.flags.has(flag_report_every_file))
        run.install_report.append_format("%s\r\n", status.c_str());
}

void place_next_file(InstallRun& run, std::int32_t index) {
    const std::int32_t* size = run.payload.header.file_sizes.element(index);
    FileRecord record;
    int code = read_file_record(run.payload.cursor, size != nullptr ? *size : 0, record);
    if (size == nullptr)
        code = corrupt_payload_overrun;
    if (code != 0)
        corrupt_installer(run, code);
    place_file(run, record);
}
