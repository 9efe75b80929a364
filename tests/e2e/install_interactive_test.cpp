// A person's installation through every dialog, in the second of a product's two
// languages: each dialog and box shows that language's texts exactly, and the log, the
// uninstall record's strings and the uninstall entry's title are in it too.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/filesystem.h"
#include "format/uninstall_data.h"
#include "tests/e2e/installer_fixture.h"
#include "tests/support/timeouts.h"
#include "tests/ui_driver/quoted_text.h"

namespace {

const char* const product = "Varnook Bilingual Test";

// The German texts of the strings that the run shows or writes; every other string is
// "D<n>" in German and "E<n>" in English, so that a text from the wrong language or
// the wrong number shows.
const std::pair<int, const char*> german[] = {
    {0, "<product> einrichten"},
    {1, "Willkommen bei <product>. Weiter?"},
    {11, "Zielordner fuer <product>:"},
    {23, "Den Ordner %s anlegen?"},
    {24, "Zielordner"},
    {39, "Bitte warten"},
    {42, "<product> ist eingerichtet."},
    {43, "Fertig"},
    {44, "Lizenz"},
    {45, "Annehmen"},
    {46, "Ablehnen"},
    {47, "Bitte lesen:"},
    {48, "Weiter"},
    {49, "Abbrechen"},
    {50, "Liesmich"},
    {51, "Bitte beachten:"},
    {52, "Suchen..."},
    {54, "Einrichtung"},
    {63, "Vor der Lizenz."},
    {64, ""}, // blank: no page in front of the read-me
    {65, "Willkommen"},
};

std::string english_text(int n) {
    return "E" + std::to_string(n);
}

std::string german_text(int n) {
    for (const auto& given : german)
        if (given.first == n)
            return given.second;
    return "D" + std::to_string(n);
}

InstallScript bilingual_script(const std::string& directory) {
    InstallScript script;
    script.default_product_name = product;
    script.default_directory = directory.c_str();
    script.volume_base_name = "BILINGUAL";
    script.uninstaller_file_name = "Uninstall.exe";
    script.uninstall_subdir = "Uninstall";
    script.minimum_stage_time = 800; // long enough to read the progress dialog
    script.flags.set(flag_uninstall_support);
    script.flags.set(flag_directory_dialog);
    script.flags.set(flag_confirm_directory);
    script.flags.set(flag_always_write_log);
    script.licence_pages.add(String("Die Lizenz von <product>."));
    script.readme_pages.add(String("Lies mich."));
    script.language_names.add(String("English"));
    script.language_names.add(String("Deutsch"));
    for (int n = 0; n <= 65; ++n) {
        Vector<String>& variants = script.language_strings.add(Vector<String>());
        variants.add(String(english_text(n).c_str()));
        variants.add(String(german_text(n).c_str()));
    }
    return script;
}

std::string line(int id, const char* kind, const std::string& text) {
    return "control id=" + std::to_string(id) + " class=" + kind + " text=" + quoted_text(text) + "\n";
}

// `listing` holds every one of `lines`.
void expect_lines(const std::string& listing, const std::vector<std::string>& lines) {
    for (const std::string& expected : lines)
        EXPECT_NE(listing.find(expected), std::string::npos) << expected << "in:\n" << listing;
}

TEST(InstallInteractive, EveryDialogSpeaksTheChosenLanguageAndSoDoesWhatIsWritten) {
    remove_key(uninstall_entry_key(product));
    TempFolder folder("varnook_interactive");
    const std::string installed = folder.file("installed");
    ASSERT_TRUE(write_file(folder.file("setup.exe"),
                           build_installer(bilingual_script(installed), demo_files(), PayloadOptions())));
    RunningInstaller run(folder.file("setup.exe"));
    ASSERT_TRUE(run.started());

    std::string languages = run.drive({"--caption", "Choose Your Language", "show"});
    expect_lines(languages, {"  item 0 \"English\" selected\n", "  item 1 \"Deutsch\"\n",
                             line(1001, "Button", "E48"), line(1003, "Button", "E49")});
    std::string chosen =
        run.drive({"--caption", "Choose Your Language", "select", "1017", "Deutsch", "show"});
    expect_lines(chosen, {line(1001, "Button", "Weiter"), line(1003, "Button", "Abbrechen")});
    run.drive({"--caption", "Choose Your Language", "press", "1001", "wait-gone"});

    std::string welcome = run.drive({"--caption", "Willkommen", "show", "press", "Yes", "wait-gone"});
    expect_lines(welcome, {box_text_line("Willkommen bei Varnook Bilingual Test. Weiter?")});

    // The licence: the text in front, then the product's page.
    for (const char* page : {"Vor der Lizenz.", "Die Lizenz von Varnook Bilingual Test."}) {
        SCOPED_TRACE(page);
        std::string licence = run.drive({"--caption", "Lizenz", "show", "press", "1001", "wait-gone"});
        expect_lines(licence, {line(1009, "Static", "Bitte lesen:"), line(1005, "Edit", page),
                               line(1001, "Button", "Annehmen"), line(1003, "Button", "Ablehnen")});
    }
    // The read-me: its blank text in front shows no page.
    std::string readme = run.drive({"--caption", "Liesmich", "show", "press", "1001", "wait-gone"});
    expect_lines(readme, {line(1009, "Static", "Bitte beachten:"), line(1005, "Edit", "Lies mich."),
                          line(1001, "Button", "Weiter"), line(1003, "Button", "Abbrechen")});

    std::string directory = run.drive({"--caption", "Zielordner", "show", "press", "1001", "wait-gone"});
    expect_lines(directory, {line(1009, "Static", "Zielordner fuer Varnook Bilingual Test:"),
                             line(1015, "Edit", installed), line(1013, "Button", "Suchen..."),
                             line(1001, "Button", "Weiter"), line(1003, "Button", "Abbrechen")});
    std::string confirm = run.drive({"--caption", "Zielordner", "show", "press", "Yes", "wait-gone"});
    expect_lines(confirm, {box_text_line("Den Ordner " + installed + " anlegen?")});

    std::string progress = run.drive({"--caption", "Einrichtung", "show"});
    expect_lines(progress, {line(1009, "Static", "Bitte warten"), line(1003, "Button", "Abbrechen")});

    std::string done = run.drive({"--caption", "Fertig", "show", "press", "OK"});
    expect_lines(done, {box_text_line("Varnook Bilingual Test ist eingerichtet.")});
    EXPECT_EQ(run.wait_for_exit(timeouts::process_end_ms), 1);

    EXPECT_STREQ(read_file(installed + "\\readme.txt").c_str(), "Demo Tool, read me first.\r\n");
    std::string log = read_file(installed + "\\Uninstall\\Install.LOG").c_str();
    EXPECT_NE(log.find("Installation log for: Varnook Bilingual Test\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nFertig\r\n\r\n"), std::string::npos) << log;

    UninstallDataContents record;
    read_uninstall_data(read_file(installed + "\\Uninstall\\Uninstall.DAT"), record);
    for (std::int32_t number : uninstall_string_numbers) {
        SCOPED_TRACE(number);
        ASSERT_LT(number, record.strings.count());
        EXPECT_STREQ(record.strings.element(number)->c_str(), german_text(number).c_str());
    }

    std::string entry = uninstall_entry_key(product);
    EXPECT_NE(reg_query(entry, "DisplayTitle").find("Varnook Bilingual Test einrichten"), std::string::npos);
    remove_key(entry);
}

} // namespace
