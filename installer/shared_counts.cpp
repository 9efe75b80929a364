#include "installer/shared_counts.h"

const char* const shared_dlls_key = "Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool take_shared_file(String& value, String& path, bool& keep) {
    value.take_quoted(path);
    keep = path.last_char() == ' ';
    if (keep)
        path.truncate(path.length() - 1);
    if (path.is_empty())
        return false;
    if (value.first_char() == ';')
        value.remove(0, 1);
    return true;
}

void append_shared_file(String& value, const String& entry) {
    if (!value.is_empty())
        value.append(';');
    value.append('"');
    value.append(entry);
    value.append('"');
}
