#include "installer/install_log.h"

#include <gtest/gtest.h>

namespace {

// A run with one language whose text 43 (the completion caption) is known.
void one_language(InstallRun& run) {
    run.languages.names.add(String("English"));
    for (int i = 0; i <= 43; ++i) {
        Vector<String> texts;
        texts.add(String(i == 43 ? "<product> is installed" : ""));
        run.languages.strings.add(texts);
    }
}

TEST(InstallLog, TheBlockOfOneInstallation) {
    InstallRun run;
    one_language(run);
    run.product_name = "Demo Tool";
    run.install_directory = "C:\\Program Files\\Demo Tool";
    run.uninstall_folder = "C:\\Program Files\\Demo Tool\\Uninst";
    run.flags.bits = flag_mask(flag_uninstall_support);
    run.script.display_version = "2.1";
    run.install_report = "Deleted file: C:\\old.txt\r\n";
    EXPECT_STREQ(install_log_block(run, String("5-Mar-02 1:02:03pm"), true).c_str(),
                 "\r\nInstallation log for: Demo Tool\r\n"
                 "Install date: 5-Mar-02 1:02:03pm\r\n"
                 "Install type: Reinstall\r\n"
                 "Install location: C:\\Program Files\\Demo Tool\r\n"
                 "Installer version: 10.0\r\n"
                 "Product version: 2.1\r\n"
                 "\r\n"
                 "Deleted file: C:\\old.txt\r\n\r\n"
                 "Demo Tool is installed\r\n\r\n");
    EXPECT_STREQ(install_log_path(run).c_str(), "C:\\Program Files\\Demo Tool\\Uninst\\Install.LOG");

    // Without uninstall support no install type; a blank version and report are left
    // out; problems are the block's end.
    run.flags.bits = 0;
    run.script.display_version = " ";
    run.install_report = "\r\n";
    run.error_report = "Could not write C:\\x\r\nAccess denied.\r\n";
    EXPECT_STREQ(install_log_block(run, String("d"), false).c_str(),
                 "\r\nInstallation log for: Demo Tool\r\n"
                 "Install date: d\r\n"
                 "Install location: C:\\Program Files\\Demo Tool\r\n"
                 "Installer version: 10.0\r\n"
                 "\r\n"
                 "Could not write C:\\x\r\nAccess denied.\r\n");
}

} // namespace
