#include "installer/install_log.h"

#include "core/datetime.h"
#include "core/file.h"
#include "core/filesystem.h"
#include "installer/language.h"

namespace {

void show_log(const String& path) {
    if (shell_open(path.c_str()))
        return;
    String command("notepad.exe ");
    command.append(path);
    start_process(command.c_str(), 0, nullptr);
}

} // namespace

void finish_log(InstallRun& run, bool reinstall) {
    String path = install_log_path(run);
    bool problems = !run.error_report.is_empty();
    bool view_log = false;
    if (!problems) {
        if (!run.automatic && !run.flags.has(flag_no_completion_message))
            run.prompt->ask(language_string(run, string_install_done),
                            language_string(run, string_install_done_caption), Buttons::ok,
                            Icon::information);
    } else if (!run.automatic) {
        String question = format_with_text(language_string(run, string_log_offer), path.c_str());
        view_log = run.prompt->ask(question, language_string(run, string_log_offer_caption), Buttons::yes_no,
                                   Icon::information) == Answer::yes;
    }
    if (!run.flags.has(flag_always_write_log) && !problems)
        return;
    DateTime now;
    now.now();
    String block = install_log_block(run, now.format("d-M-yy h:ii:ssap"), reinstall);
    if (!append_to_file(path.c_str(), block.c_str(), 0))
        return;
    if (view_log)
        show_log(path);
}
