#include "installer/placement.h"

#include "core/path.h"
#include "installer/directory_variables.h"
#include "installer/special_folders.h"

namespace {

// Without uninstall support there is no shared folder: a shared file then goes with
// the program, not into whatever the current directory happens to be.
const String& shared_folder(const InstallRun& run) {
    return run.script.shared_path.is_empty() ? run.install_directory : run.script.shared_path;
}

String default_folder(const InstallRun& run, std::int32_t kind) {
    switch (kind) {
    case destination_shared:
        return shared_folder(run);
    case destination_font:
        return special_folder(*run.folders, SpecialFolder::fonts);
    case destination_system:
        return special_folder(*run.folders, SpecialFolder::system);
    default:
        return run.install_directory;
    }
}

} // namespace

FileDestination file_destination(const InstallRun& run, FileRecord& record) {
    if (!record.target_path.is_empty() && record.target_path.find_char('\\') < 0) {
        record.name = record.target_path;
        record.target_path.clear();
    }
    FileDestination destination;
    if (record.target_path.is_empty()) {
        if ((record.options & option_uninstall_folder) != 0) {
            destination.path = join(run.uninstall_folder.c_str(), record.name.c_str());
            return destination;
        }
        destination.path = join(default_folder(run, record.destination).c_str(), record.name.c_str());
        destination.prepare_folder =
            record.destination == destination_program || record.destination == destination_startup;
        return destination;
    }
    String target(record.target_path);
    expand_directory_variables(target, directory_values(run));
    const String& base =
        record.destination == destination_shared ? run.script.shared_path : run.install_directory;
    make_absolute(target, base.c_str());
    if (target.last_char() == '\\')
        target.append(name_of(record.name.c_str()));
    destination.path = target;
    destination.prepare_folder = true;
    return destination;
}
