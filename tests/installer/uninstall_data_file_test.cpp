#include "installer/uninstall_data_file.h"

#include <gtest/gtest.h>

#include "format/uninstall_data.h"
#include "tests/support/test_machine.h"

namespace {

// Two languages; the second is chosen. Its texts are "T<number>" except the ones set.
void two_languages(InstallRun& run) {
    run.languages.names.add(String("English"));
    run.languages.names.add(String("Deutsch"));
    for (int i = 0; i < 60; ++i) {
        Vector<String> texts;
        texts.add(String("english"));
        String german;
        german.format("T%d", i);
        if (i == 10)
            german = "Nicht entfernt:\r\n%s";
        if (i == 34)
            german = "<product> ist entfernt.";
        if (i == 58)
            german = "";
        texts.add(german);
        run.languages.strings.add(texts);
    }
    run.languages.current = 1;
}

TEST(UninstallDataFile, TheRecordAsBuiltWithTheChosenLanguage) {
    InstallRun run;
    two_languages(run);
    run.product_name = "Werkzeug";
    run.uninstall_folder = "C:\\Apps\\Tool\\Uninst";
    // As placement records: a folder before the file that caused it, a folder
    // installed twice, a drive root never, the shortcuts after the files.
    run.record.reset();
    run.record.record("C:\\Apps\\Tool", RecordKind::folder);
    run.record.record("C:\\Apps\\Tool\\tool.exe", RecordKind::file);
    run.record.record("C:\\Apps\\Tool", RecordKind::folder);
    run.record.record("C:\\Apps\\Tool\\readme.txt", RecordKind::file);
    run.record.record("C:\\", RecordKind::folder);
    run.record.record("C:\\", RecordKind::file);
    run.record.record("C:\\Users\\Desktop\\Tool.lnk", RecordKind::file);

    String text = uninstall_data_of(run);
    EXPECT_STREQ(text.c_str(), "~C:\\Apps\\Tool\r\n"
                               "C:\\Apps\\Tool\\tool.exe\r\n"
                               "C:\\Apps\\Tool\\readme.txt\r\n"
                               "C:\\Users\\Desktop\\Tool.lnk\r\n"
                               "\r\n\r\n[Strings]\r\n"
                               "~10\r\nNicht entfernt:\r\n%s\r\n"
                               "~15\r\nT15\r\n~20\r\nT20\r\n~30\r\nT30\r\n"
                               "~34\r\nWerkzeug ist entfernt.\r\n"
                               "~35\r\nT35\r\n~53\r\nT53\r\n~55\r\nT55\r\n~56\r\nT56\r\n~57\r\nT57\r\n"
                               "~58\r\n\r\n"
                               "~59\r\nT59\r\n")
        << "no [Associations] without associations";
    EXPECT_STREQ(uninstall_data_path(run).c_str(), "C:\\Apps\\Tool\\Uninst\\Uninstall.DAT");

    run.association_record = ".tl~!~Tool.Doc~!~open\r\n";
    UninstallDataContents contents;
    read_uninstall_data(uninstall_data_of(run), contents);
    EXPECT_STREQ(contents.strings.at(10).c_str(), "Nicht entfernt:\r\n%s");
    EXPECT_STREQ(contents.strings.at(58).c_str(), "");
    ASSERT_EQ(contents.associations.count(), 1);
    EXPECT_STREQ(contents.associations.at(0).file_type.c_str(), "Tool.Doc");
}

TEST(UninstallDataFile, AFileThatCannotBeWrittenIsReported) {
    InstallRun run;
    two_languages(run);
    run.languages.strings.at(31).at(1) = "Schreiben fehlgeschlagen:";
    run.uninstall_folder = "C:\\Apps\\Tool";
    run.system = &test_system_calls(); // refuses every write
    EXPECT_FALSE(write_uninstall_data(run));
    EXPECT_STREQ(run.error_report.c_str(),
                 "Schreiben fehlgeschlagen: C:\\Apps\\Tool\\Uninstall.DAT\r\nThe test's system refuses.\r\n");
}

} // namespace
