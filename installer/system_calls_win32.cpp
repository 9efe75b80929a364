#include "installer/system_calls.h"

#include "core/filesystem.h"
#include "ui/services.h"

namespace {

bool replace_at_restart(const char* source, const char* destination) {
    return move_file(source, destination, move_at_restart);
}

} // namespace

const SystemCalls& windows_system_calls() {
    static const SystemCalls calls = {
        write_file, replace_at_restart, get_attributes, set_attributes, create_folder, disk_space, system_error_text,
    };
    return calls;
}
