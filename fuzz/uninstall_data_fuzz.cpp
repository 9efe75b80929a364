// Any bytes taken as an Uninstall.DAT, which anyone may have edited, are split into
// their sections and every record line is walked, without reading or writing outside
// the buffers and without hanging. Whatever was read is written back and read again:
// the uninstaller rewrites the file from what it read.

#include <cstdint>

#include "core/string.h"
#include "format/uninstall_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    String text(reinterpret_cast<const char*>(data), static_cast<int32_t>(size));
    UninstallDataContents contents;
    read_uninstall_data(text, contents);

    String record;
    TextLines lines(contents.entries);
    UninstallEntryKind kind;
    String path;
    while (take_uninstall_entry(lines, kind, path)) {
        record.append(kind == UninstallEntryKind::folder ? "~" : kind == UninstallEntryKind::key ? "!" : "");
        record.append(path);
        record.append("\r\n");
    }
    String strings[uninstall_string_count];
    for (int32_t i = 0; i < uninstall_string_count; ++i)
        if (const String* found = contents.strings.element(uninstall_string_numbers[i]))
            strings[i] = *found;
    UninstallDataContents again;
    read_uninstall_data(uninstall_data_text(record, strings, String()), again);
    return 0;
}
