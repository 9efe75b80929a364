#include "installer/payload.h"

#include "core/fatal.h"
#include "core/win32.h"
#include "installer/startup.h"

namespace {

// Enough for the largest header the checks allow: a new header at 4096, an optional
// header of up to 65535 bytes and 99 section headers.
constexpr DWORD image_head_limit = 4096 + 24 + 65535 + 99 * 40;

struct ScopedFile {
    HANDLE handle;
    ~ScopedFile() {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

} // namespace

void open_payload() {
    String path = image_path_from_command_line(String(GetCommandLineA()));
    ScopedFile image{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (image.handle == INVALID_HANDLE_VALUE)
        fatal_format(cannot_open_self_text, path.c_str());

    String head;
    head.set_length(static_cast<int32_t>(image_head_limit));
    DWORD got = 0;
    if (!ReadFile(image.handle, head.data(), image_head_limit, &got, nullptr))
        got = 0;
    head.set_length(static_cast<int32_t>(got));

    PayloadSection section;
    int found = find_payload_section(head, section);
    if (found == payload_section_missing)
        fatal(no_archive_text);
    if (found != payload_section_found)
        corrupt_installer(found);
    if (section.raw_offset == 0)
        corrupt_installer(9);
    if (SetFilePointer(image.handle, section.raw_offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        corrupt_installer(10);
    // Reading and checking the payload header follows here once the payload format
    // is in place.
}
