#include "core/temp_files.h"

#include "core/win32.h"

namespace {

// The fixed prefix of the temporary files the system makes for us.
constexpr const char* temp_prefix = "VNK";

} // namespace

const String& temp_directory() {
    static String folder;
    static bool computed = false;
    if (!computed) {
        computed = true;
        char system_path[MAX_PATH + 1] = {};
        DWORD n = GetTempPathA(MAX_PATH + 1, system_path);
        folder = temp_directory_path(n > 0 && n <= MAX_PATH ? system_path : nullptr);
    }
    return folder;
}

String temp_file_name(const char* folder) {
    String where(folder != nullptr && folder[0] != '\0' ? folder : temp_directory().c_str());
    // The system writes up to MAX_PATH bytes and needs room for "\VNKxxxx.tmp";
    // not every version checks that itself.
    if (where.length() > MAX_PATH - 14) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return String();
    }
    char buffer[MAX_PATH + 1];
    if (GetTempFileNameA(where.c_str(), temp_prefix, 0, buffer) == 0)
        return String();
    buffer[MAX_PATH] = '\0';
    return String(buffer);
}
