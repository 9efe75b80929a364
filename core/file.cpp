#include "core/file.h"

const char* open_result_text(int32_t code) {
    switch (code) {
    case open_success:
        return "The file was successfully opened.";
    case open_invalid_name:
        return "The filename is invalid.";
    case open_not_found:
        return "The file was not found.";
    case open_path_not_found:
        return "The directory does not exist.";
    case open_locked:
        return "The file is locked by another application.";
    case open_memory_failed:
        return "Failed to read the file into memory.";
    case open_too_many_files:
        return "Too many files are already open.";
    case open_invalid_parameter:
        return "An invalid parameter was used.";
    case open_exists:
        return "The file already exists.";
    default:
        return "An unknown error occurred.";
    }
}

int32_t open_result_for_error(uint32_t system_error) {
    // The Windows error numbers, spelled out so that this mapping builds and is
    // tested on any host.
    switch (system_error) {
    case 0:
        return open_success;
    case 2: // ERROR_FILE_NOT_FOUND
        return open_not_found;
    case 3: // ERROR_PATH_NOT_FOUND
        return open_path_not_found;
    case 4: // ERROR_TOO_MANY_OPEN_FILES
        return open_too_many_files;
    case 32: // ERROR_SHARING_VIOLATION
        return open_locked;
    case 80: // ERROR_FILE_EXISTS
        return open_exists;
    case 87: // ERROR_INVALID_PARAMETER
        return open_invalid_parameter;
    case 123: // ERROR_INVALID_NAME
        return open_invalid_name;
    default:
        return open_failed;
    }
}
