#include "installer/startup.h"

#include "core/memory.h"
#include "core/win32.h"
#include "format/payload.h"
#include "installer/dialog_texts.h"
#include "installer/failure.h"
#include "installer/install_script.h"
#include "installer/install_sequence.h"
#include "installer/language_choice.h"
#include "installer/own_payload.h"
#include "installer/special_folders.h"
#include "installer/system_calls.h"
#include "installer/uninstall.h"
#include "installer/volume_prompt.h"
#include "ui/background_window.h"
#include "ui/window_prompt.h"

namespace {

// What both modes start with: the services, the display defaults that the script or
// the uninstall entry may override, and the texts' placeholders.
void start_run(RunState& run, void* instance, Prompt& prompt) {
    run.windows.instance = instance;
    install_fatal_box(run.windows);
    run.prompt = &prompt;
    run.system = &windows_system_calls();
    run.folders = &machine_folders();
    run.program_file_name = program_file_name();
    run.languages.windows_folder = windows_folder();
    run.background.title_colour = GetSysColor(COLOR_WINDOWTEXT);
    run.background.top_colour = GetSysColor(COLOR_WINDOW);
    run.background.single_colour = true;
    run.background.bottom_colour = 0;
}

[[noreturn]] void run_uninstall(void* instance, const CommandLine& options) {
    // The run state for the rest of the process: this frame never returns, the
    // process ends through shutdown.
    UninstallRun run;
    WindowPrompt prompt(run.windows);
    start_run(run, instance, prompt);
    run.automatic = options.automatic;
    run.uninstall_name = options.uninstall_name;
    // Nothing of the payload is touched, so a copy without one can uninstall.
    if (run.uninstall_name.is_empty())
        usage_error(run, "Product name required");
    if (uninstall_product(run))
        remove_uninstaller(run);
    shutdown(run.windows);
}

// The full-screen window behind every later box, painted from the run's settings.
void show_background(InstallRun& run) {
    run.windows.background = create_background_window(run.windows.instance, nullptr, run.background);
}

} // namespace

void run_startup(void* instance, const char* command_line) {
    install_out_of_memory_handler();
    InstallRun run;
    WindowPrompt prompt(run.windows);
    LanguageDialogTexts texts(run.languages, run.product_name);
    prompt.set_texts(texts);
    start_run(run, instance, prompt);

    CommandLine options;
    String complaint;
    if (!parse_command_line(String(command_line), options, complaint))
        usage_error(run, complaint.c_str());
    if (options.uninstall_requested)
        run_uninstall(instance, options);
    apply_command_line(options, run);

    OwnImage image;
    String script = open_own_payload(run, image);
    read_install_script(run, script, show_background);
    script.clear();
    if (!choose_installation_language(run))
        shutdown(run.windows);
    repaint_background_window(run.windows.background);
    Payload& payload = run.payload;
    int code = make_uninstaller_image(*payload.files, payload.section, payload.header, run.flags,
                                      run.script.uninstaller_patch_offset, run.script.uninstaller_patch,
                                      run.uninstaller_image);
    check_payload_code(run, code);
    run_install_sequence(run);
}
