#include "installer/payload.h"

#include "core/fatal.h"
#include "core/file.h"
#include "core/win32.h"
#include "installer/startup.h"

namespace {

// Enough for the largest header the checks allow: a new header at 4096, an optional
// header of up to 65535 bytes and 99 section headers.
constexpr std::int32_t image_head_limit = 4096 + 24 + 65535 + 99 * 40;

// The own image file, open for the rest of the run, and the volume files beside it.
class InstallerFiles : public PayloadFiles {
  public:
    std::int64_t image_size() override { return image.size(); }
    bool read_image(std::int64_t offset, void* buffer, std::int32_t count) override {
        return offset >= 0 && offset <= INT32_MAX &&
               image.read_at(static_cast<std::int32_t>(offset), buffer, count);
    }
    std::int64_t open_volume(const String& path) override {
        volume.close();
        if (volume.open(path, File::open_for_reading) != open_success)
            return -1;
        return volume.size();
    }
    bool read_volume(std::int64_t offset, void* buffer, std::int32_t count) override {
        return offset >= 0 && offset <= INT32_MAX &&
               volume.read_at(static_cast<std::int32_t>(offset), buffer, count);
    }
    void close_volume() override { volume.close(); }

    File image;
    File volume;
};

InstallerFiles& installer_files() {
    static InstallerFiles files;
    return files;
}

String folder_of(const String& path) {
    std::int32_t end = path.length();
    while (end > 0 && path.char_at(end - 1) != '\\' && path.char_at(end - 1) != '/' &&
           path.char_at(end - 1) != ':')
        --end;
    return path.substring(0, end);
}

} // namespace

void open_payload() {
    PayloadState& state = payload_state();
    InstallerFiles& files = installer_files();
    state.image_path = image_path_from_command_line(String(GetCommandLineA()));
    state.folder = folder_of(state.image_path);
    if (files.image.open_required(state.image_path, File::open_for_reading) != open_success)
        fatal_format(cannot_open_self_text, state.image_path.c_str());
    state.files = &files;

    String head;
    std::int32_t size = files.image.size();
    std::int32_t wanted = size < image_head_limit ? size : image_head_limit;
    if (wanted > 0 && !files.image.read_range(head, 0, wanted))
        head.clear();

    PayloadSection& section = state.section;
    int found = find_payload_section(head, section);
    if (found == payload_section_missing)
        fatal(no_archive_text);
    if (found != payload_section_found)
        corrupt_installer(found);
    if (section.raw_offset == 0)
        corrupt_installer(9);
    if (!files.image.seek(section.raw_offset))
        corrupt_installer(10);

    // The payload is read where the loader mapped it, never beyond what it mapped.
    std::int32_t mapped = mapped_section_size(section);
    if (mapped < 0)
        corrupt_installer(payload_overrun_code);
    const char* base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
    state.cursor.view(base + section.virtual_address, mapped);
    validate_payload_header(state.cursor, state.header);
}
