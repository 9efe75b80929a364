#include "installer/uninstall_data_file.h"

#include "core/path.h"
#include "format/uninstall_data.h"
#include "installer/failure.h"
#include "installer/system_calls.h"

String uninstall_data_path(const InstallRun& run) {
    return join(run.uninstall_folder.c_str(), "Uninstall.DAT");
}

String uninstall_data_of(InstallRun& run) {
    String strings[uninstall_string_count];
    for (int32_t i = 0; i < uninstall_string_count; ++i)
        strings[i] = language_string(run, uninstall_string_numbers[i]);
    return uninstall_data_text(run.record.lines(), strings, run.association_record);
}

bool write_uninstall_data(InstallRun& run) {
    String text = uninstall_data_of(run);
    String path = uninstall_data_path(run);
    if (run.system->write_file(path.c_str(), text.c_str(), text.length()))
        return true;
    run.error_report.append(write_failure_line(run, path.c_str(), run.system->last_error_text()));
    return false;
}
