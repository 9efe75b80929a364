#include "installer/file_version.h"

#include "core/win32.h"

String file_version(const char* path, bool normalise) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return String();
    String block;
    if (!block.try_set_length(static_cast<int32_t>(size)))
        return String();
    if (!GetFileVersionInfoA(path, 0, size, block.data()))
        return String();
    char* value = nullptr;
    UINT length = 0;
    char query[] = "\\StringFileInfo\\040904E4\\FileVersion";
    if (!VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) || value == nullptr)
        return String();
    // The length counts the terminating NUL, which a damaged block may lack.
    String text(value, static_cast<int32_t>(length));
    text.truncate_at_char('\0');
    return normalise ? normalised_version(text) : text;
}
