// A small program for the tests of what the engine learns from and asks of the system
// as a whole, which a test cannot do in its own process: Wine fixes the Windows
// version a program sees when it starts, and ending the session ends the programs.
//
//   system_probe system                  prints "bit|name|is_nt" of the running system
//   system_probe restart SOURCE TARGET   registers SOURCE to become TARGET at the next
//                                        start, then restarts Windows; prints
//                                        "registered=0|1 accepted=0|1"
//   system_probe write-shared PATH TEXT  installs TEXT over PATH as a shared file, which
//                                        may be replaced at the next restart
//   system_probe delete PATH             deletes PATH as a deletion entry that may wait
//                                        for the restart
// The last two print "restart=0|1", then the install report and the error report.
//   system_probe finish-log FOLDER ok|problems
//                                        ends an installation into FOLDER with real
//                                        message boxes, without or with a problem

#include <cstdio>
#include <cstring>

#include "core/filesystem.h"
#include "core/win32.h"
#include "installer/deletions.h"
#include "installer/install_log.h"
#include "installer/placement.h"
#include "installer/restart.h"
#include "installer/system_calls.h"
#include "installer/system_identity.h"
#include "tests/support/scripted_prompt.h"
#include "ui/window_prompt.h"

namespace {

void prepare(InstallRun& run, Prompt& prompt) {
    run.folders = &machine_folders();
    run.system = &windows_system_calls();
    run.prompt = &prompt;
    run.languages.names.add(String("English"));
    const char* texts[44] = {};
    texts[31] = "Could not write";
    texts[40] = "There were problems. Read the log %s now?";
    texts[41] = "Installation Finished with Problems";
    texts[42] = "<product> has been installed.";
    texts[43] = "Installation Complete";
    for (const char* text : texts) {
        Vector<String> language;
        language.add(String(text != nullptr ? text : ""));
        run.languages.strings.add(language);
    }
}

int report(const InstallRun& run) {
    std::printf("restart=%d\n%s\n%s", run.flags.has(flag_restart) ? 1 : 0, run.install_report.c_str(),
                run.error_report.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "system") == 0) {
        SystemVersion version = running_system();
        std::printf("%u|%s|%d\n", system_bit(version), system_name(version).c_str(), is_nt(version) ? 1 : 0);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "restart") == 0) {
        bool registered = move_file(argv[2], argv[3], move_at_restart);
        bool accepted = restart_windows();
        std::printf("registered=%d accepted=%d\n", registered ? 1 : 0, accepted ? 1 : 0);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "write-shared") == 0) {
        ScriptedPrompt prompt;
        InstallRun run;
        prepare(run, prompt);
        write_installed_file(run, argv[2], argv[3], static_cast<std::int32_t>(std::strlen(argv[3])),
                             TimeStamp{}, 0, true);
        return report(run);
    }
    if (argc == 3 && std::strcmp(argv[1], "delete") == 0) {
        ScriptedPrompt prompt;
        InstallRun run;
        prepare(run, prompt);
        FileDeletion deletion;
        deletion.path = argv[2];
        deletion.options = 2;
        run.script.deletions.add(deletion);
        process_deletions(run);
        return report(run);
    }
    if (argc == 4 && std::strcmp(argv[1], "finish-log") == 0) {
        InstallRun run;
        WindowPrompt prompt(run.windows);
        prepare(run, prompt);
        run.product_name = "Probe Tool";
        run.install_directory = argv[2];
        run.uninstall_folder = argv[2];
        if (std::strcmp(argv[3], "problems") == 0)
            run.error_report = "Could not write C:\\x.dll\r\n";
        finish_log(run, false);
        return 0;
    }
    std::fprintf(stderr, "usage: system_probe system | restart SOURCE TARGET | write-shared PATH TEXT | "
                         "delete PATH | finish-log FOLDER ok|problems\n");
    return 2;
}
