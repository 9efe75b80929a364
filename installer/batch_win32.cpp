#include "installer/batch.h"

#include "core/filesystem.h"
#include "installer/run_state.h"

namespace {

// The environment space the command interpreter is asked for: room for the SET
// lines on systems whose default is a few hundred bytes.
constexpr int environment_size = 5000;

} // namespace

void run_batch(const RunState& run, const DirectoryValues& values, bool quiet, const String& batch_text,
               const char* folder) {
    if (is_blank_batch(batch_text))
        return;
    const String directory(folder != nullptr ? folder : values.install_directory.c_str());
    String file = join(directory.c_str(), batch_file_name);
    if (!write_string(file.c_str(), batch_file_text(values, batch_text, run.automatic || quiet)))
        return;
    String command;
    command.format("%s /e:%d /c \"%s\"", program_paths().command_interpreter.c_str(), environment_size,
                   file.c_str());
    uint32_t flags = launch_wait | launch_pump_messages;
    if (quiet)
        flags |= launch_hidden;
    start_process(command.c_str(), flags, directory.c_str());
    delete_file(file.c_str(), 0);
}
