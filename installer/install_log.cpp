#include "installer/install_log.h"

#include "core/path.h"
#include "format/language_strings.h"
#include "format/script.h"

String install_log_path(const InstallRun& run) {
    return join(run.uninstall_folder.c_str(), "Install.LOG");
}

String install_log_block(InstallRun& run, const String& date, bool reinstall) {
    String block;
    block.format("\r\nInstallation log for: %s\r\n", run.product_name.c_str());
    block.append_format("Install date: %s\r\n", date.c_str());
    if (run.flags.has(flag_uninstall_support))
        block.append_format("Install type: %s\r\n", reinstall ? "Reinstall" : "New");
    block.append_format("Install location: %s\r\n", run.install_directory.c_str());
    block.append_format("Installer version: %.1f\r\n", 10.0);
    if (!is_blank(run.script.display_version))
        block.append_format("Product version: %s\r\n", run.script.display_version.c_str());
    block.append("\r\n");
    if (!is_blank(run.install_report)) {
        block.append(run.install_report);
        block.append("\r\n");
    }
    if (run.error_report.is_empty()) {
        block.append(language_string(run, string_install_done_caption));
        block.append("\r\n\r\n");
    } else {
        block.append(run.error_report);
    }
    return block;
}
