#include "installer/autoexec_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const String acme = path_line(String("C:\\PROGRA~1\\ACME"));

std::string added(const char* text) {
    String result(text);
    result.append(path_line_addition(result, acme));
    return text_of(result);
}

std::string removed(const char* text) {
    String result(text);
    bool changed = remove_path_line(result, acme);
    EXPECT_EQ(changed, text_of(result) != text) << text;
    return text_of(result);
}

TEST(AutoexecPath, TheLineNamesTheDirectoryAfterThePath) {
    EXPECT_EQ(text_of(acme), "PATH=%PATH%;C:\\PROGRA~1\\ACME\r\n");
}

TEST(AutoexecPath, AddingAppendsTheLineOnItsOwnLineOnce) {
    const std::string line = "PATH=%PATH%;C:\\PROGRA~1\\ACME\r\n";
    EXPECT_EQ(added("@echo off\r\n"), "@echo off\r\n" + line);
    EXPECT_EQ(added("@echo off\n"), "@echo off\n" + line);
    EXPECT_EQ(added("@echo off"), "@echo off\r\n" + line);
    // Not even an empty file ends with a line feed.
    EXPECT_EQ(added(""), "\r\n" + line);
    EXPECT_EQ(added(added("@echo off\r\n").c_str()), "@echo off\r\n" + line);
    EXPECT_EQ(added("path=%path%;c:\\progra~1\\acme\r\nrem\r\n"),
              "path=%path%;c:\\progra~1\\acme\r\nrem\r\n");
}

TEST(AutoexecPath, RemovingTakesOutTheFirstLineThatIsOurs) {
    struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"A\r\nPATH=%PATH%;C:\\PROGRA~1\\ACME\r\nB\r\n", "A\r\nB\r\n"},
        {"A\r\npath=%path%;c:\\Progra~1\\Acme\r\n", "A\r\n"},
        {"A\r\nPATH=%PATH%;C:\\PROGRA~1\\ACME", "A\r\n"},
        {"PATH=%PATH%;C:\\PROGRA~1\\ACME\r\nPATH=%PATH%;C:\\PROGRA~1\\ACME\r\n",
         "PATH=%PATH%;C:\\PROGRA~1\\ACME\r\n"},
        {"A\r\nB\r\n", "A\r\nB\r\n"},
        {"", ""},
        // Another directory whose name starts with ours keeps its line.
        {"PATH=%PATH%;C:\\PROGRA~1\\ACMETO~1\r\n", "PATH=%PATH%;C:\\PROGRA~1\\ACMETO~1\r\n"},
        {"PATH=%PATH%;C:\\PROGRA~1\\ACMETO~1\r\nPATH=%PATH%;C:\\PROGRA~1\\ACME",
         "PATH=%PATH%;C:\\PROGRA~1\\ACMETO~1\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(removed(c.text), c.result) << c.text;
}

TEST(AutoexecPath, FailureTellsWhatToChangeByHand) {
    String file("C:\\autoexec.bat");
    String directory("C:\\Program Files\\Acme");
    EXPECT_EQ(
        text_of(path_edit_failure(file, true, directory)),
        "Unable to modify C:\\autoexec.bat.  You will need to manually add C:\\Program Files\\Acme to the "
        "PATH environment variable.\r\n\r\n");
    EXPECT_EQ(
        text_of(path_edit_failure(file, false, directory)),
        "Unable to modify C:\\autoexec.bat.  You will need to manually remove C:\\Program Files\\Acme from "
        "the PATH environment variable.\r\n\r\n");
}

} // namespace
