#include "installer/uninstall.h"

#include "core/path.h"
#include "format/language_strings.h"

const char* const uninstaller_removal_batch_path = "c:\\delunins.bat";

String uninstaller_removal_batch(const String& program, const String& install_directory,
                                 const String& uninstall_subdir) {
    String text;
    text.format(":Repeat\r\ndel \"%s\"\r\nif exist \"%s\" goto Repeat\r\n", program.c_str(), program.c_str());
    if (!uninstall_subdir.is_empty())
        text.append_format("rd \"%s\"\r\n",
                           join(install_directory.c_str(), uninstall_subdir.c_str()).c_str());
    text.append_format("rd \"%s\"\r\n", install_directory.c_str());
    text.append_format("del \"%s\"\r\n", uninstaller_removal_batch_path);
    return text;
}

void use_uninstall_strings(LanguageTables& tables, const Vector<String>& strings) {
    tables.strings.clear();
    tables.current = 0;
    for (int32_t n = 0; n < strings.count(); ++n)
        tables.strings.add(Vector<String>()).add(strings.at_const(n));
}

bool take_font_pair(String& list, String& title, String& file) {
    list.trim_left();
    list.take_quoted(title);
    list.trim_left();
    list.take_quoted(file);
    return !title.is_empty() && !file.is_empty();
}

String font_pair_text(const String& title, const String& file) {
    String text;
    text.format("\"%s\" \"%s\" ", title.c_str(), file.c_str());
    return text;
}

String removal_failure_line(UninstallRun& run, const char* name) {
    String line;
    line.format("%s %s\r\n", language_string(run, string_remove_failed).c_str(), name);
    return line;
}

String refused_path_line(const char* path) {
    String line;
    line.format("Not removed, not a full path of its own: %s\r\n", path);
    return line;
}

String refused_key_line(const char* name) {
    String line;
    line.format("Not removed, a key of the system: HKEY_CLASSES_ROOT\\%s\r\n", name);
    return line;
}

String refused_tree_line(const char* directory) {
    String line;
    line.format("Not removed as a whole, it holds folders of the system: %s\r\n", directory);
    return line;
}
