#include "installer/deletions.h"

#include "core/file.h"
#include "core/filesystem.h"
#include "format/codes.h"
#include "installer/directory_variables.h"
#include "installer/failure.h"
#include "ui/services.h"

namespace {

constexpr std::int32_t delete_at_restart_allowed = 0x2;
constexpr std::uint32_t protecting_attributes = 0x7; // read-only, hidden, system

void delete_one(InstallRun& run, const FileDeletion& deletion) {
    String path(deletion.path);
    expand_directory_variables(path, directory_values(run));
    make_absolute(path, run.install_directory.c_str());
    FileInfo info;
    if (!find_file(path.c_str(), info))
        return;
    bool date_is_bad = false;
    if (!deletion_condition_holds(deletion, info.last_write_time, info.size, date_is_bad)) {
        if (date_is_bad)
            corrupt_installer(run, corrupt_deletion_date);
        return;
    }
    clear_attributes(path.c_str(), protecting_attributes);
    if (delete_file(path.c_str(), delete_keep_read_only)) {
        run.install_report.append_format("Deleted file: %s\r\n", path.c_str());
        return;
    }
    if ((deletion.options & delete_at_restart_allowed) == 0) {
        run.install_report.append_format("Failed to delete file '%s': %s\r\n", path.c_str(),
                                         system_error_text());
        return;
    }
    run.install_report.append_format("File '%s' will be deleted after rebooting: %s\r\n", path.c_str(),
                                     system_error_text());
    if (delete_file(path.c_str(), delete_keep_read_only | delete_at_restart))
        run.flags.set(flag_restart);
    else
        run.error_report.append_format("Failed to register '%s' for deletion: %s\r\n", path.c_str(),
                                       system_error_text());
}

} // namespace

void process_deletions(InstallRun& run) {
    for (int32_t i = 0; i < run.script.deletions.count(); ++i) {
        delete_one(run, run.script.deletions.at(i));
        pump_messages();
    }
}
