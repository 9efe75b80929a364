#pragma once
// The uninstaller: started as `/u:"name"`, it removes an installed product from what
// the installation left behind, its uninstall entry and Uninstall.DAT, and then
// deletes its own copy.

#include "core/string.h"
#include "installer/run_state.h"

// Removes the product registered under the run's uninstall name (Windows only). True
// when it went without problems; then the uninstaller's own copy should go too. The
// problems are in run.error_report, the uninstall report.
bool uninstall_product(UninstallRun& run);

// Deletes the uninstaller's own executable and the emptied folders through
// "c:\delunins.bat" (Windows only): 0 when the batch was written and started, 1 when it
// cannot be written, 2 when the command interpreter does not start.
int remove_uninstaller(UninstallRun& run);

// The self-removal batch: it waits until `program` has ended and can be deleted, then
// removes the uninstall folder (when `uninstall_subdir` is not empty) and the
// installation directory, each only when empty, and deletes itself.
String uninstaller_removal_batch(const String& program, const String& install_directory,
                                 const String& uninstall_subdir);
extern const char* const uninstaller_removal_batch_path;

// The strings an uninstall record brought back (by number) as the only language.
void use_uninstall_strings(LanguageTables& tables, const Vector<String>& strings);

// The next font of a ProductFonts text: its quoted title and quoted file name, each
// after blanks. False when either is missing or empty; the pair leaves `list`.
bool take_font_pair(String& list, String& title, String& file);
// The pair as ProductFonts keeps it: both quoted, each followed by a blank.
String font_pair_text(const String& title, const String& file);

// The report line of a file or font that cannot be removed: language string 58, a
// blank, the name, CR LF.
String removal_failure_line(UninstallRun& run, const char* name);

// Report lines for what a damaged or hostile record asks and is refused.
String refused_path_line(const char* path);
String refused_key_line(const char* name);
String refused_tree_line(const char* directory);
