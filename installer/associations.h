#pragma once
// File associations: the product's file types under HKEY_CLASSES_ROOT, each an
// extension key naming a file type whose key holds the icon and the verbs.
//
// The rules are portable; the registry work is Windows only.

#include "core/string.h"

struct FileAssociation;
struct InstallRun;

// The extension as its key is named: with one leading dot.
String with_leading_dot(const String& extension);

// The value of a replaced key that keeps the default value it had before: the product
// name followed by " Backup".
String backup_value_name(const String& product_name);

// Whether the default value `old_text`, about to be replaced by `new_text`, is kept
// under the backup value: when it is not blank and not the same text (ASCII case
// ignored).
bool keeps_backup(const String& old_text, const String& new_text);

// Whether the entry is made for the chosen language: entries without a language are
// made for every one, others only for the language of exactly that name.
bool applies_to_language(const FileAssociation& association, const String& language);

// The line of Uninstall.DAT's [Associations] section for one association.
String association_line(const String& extension, const String& file_type, const String& verb);

// Makes every association of the script that has an extension and applies to the
// chosen language. Each one tried adds its line to the association record; each
// failure adds a line to the error report. The run goes on whatever fails.
void create_associations(InstallRun& run);
