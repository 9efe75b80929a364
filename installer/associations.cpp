#include "installer/associations.h"

#include "format/script.h"

String with_leading_dot(const String& extension) {
    if (extension.starts_with_char('.'))
        return extension;
    return "." + extension;
}

String backup_value_name(const String& product_name) {
    return product_name + " Backup";
}

bool keeps_backup(const String& old_text, const String& new_text) {
    return !is_blank(old_text) && old_text.compare(new_text, false) != 0;
}

bool applies_to_language(const FileAssociation& association, const String& language) {
    return association.language.is_empty() || association.language == language;
}

String association_line(const String& extension, const String& file_type, const String& verb) {
    String line;
    line.format("%s~!~%s~!~%s\r\n", extension.c_str(), file_type.c_str(), verb.c_str());
    return line;
}
