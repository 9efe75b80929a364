#include "core/temp_files.h"

String temp_directory_path(const char* system_temp_path) {
    if (system_temp_path == nullptr || system_temp_path[0] == '\0')
        return String("c:\\temp");
    String folder(system_temp_path);
    folder.remove_trailing_char('\\');
    return folder;
}
