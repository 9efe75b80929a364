#include "installer/own_payload.h"

#include "core/fatal.h"
#include "core/win32.h"
#include "format/pe_view.h"
#include "installer/failure.h"

namespace {

// The drive the volume files are asked for on: the installer's own, as the system
// resolves its path (a relative path lies on the current drive).
char drive_of(const String& path) {
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n > MAX_PATH)
        return path.char_at(0);
    return full[0];
}

} // namespace

std::int64_t OwnImage::image_size() {
    return image.size();
}

bool OwnImage::read_image(std::int64_t offset, void* buffer, std::int32_t count) {
    return offset >= 0 && offset <= INT32_MAX &&
           image.read_at(static_cast<std::int32_t>(offset), buffer, count);
}

std::int64_t OwnImage::open_volume(const String& path) {
    volume.close();
    if (volume.open(path, File::open_for_reading) != open_success)
        return -1;
    return volume.size();
}

bool OwnImage::read_volume(std::int64_t offset, void* buffer, std::int32_t count) {
    return offset >= 0 && offset <= INT32_MAX &&
           volume.read_at(static_cast<std::int32_t>(offset), buffer, count);
}

void OwnImage::close_volume() {
    volume.close();
}

bool OwnImage::read_head(String& head) {
    std::int32_t size = image.size();
    std::int32_t wanted = size < image_head_limit ? size : image_head_limit;
    return wanted > 0 && image.read_range(head, 0, wanted);
}

// The file named on the command line need not be the running image: the bytes are
// taken from the loaded module as its own headers describe it, never beyond the
// section nor the image the loader mapped.
const char* OwnImage::section_bytes(const PayloadSection& section, std::int32_t& size) {
    size = 0;
    const char* base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    // The loader mapped at least the headers (SizeOfHeaders) and checked them.
    PeView own(base, nt->OptionalHeader.SizeOfHeaders);
    own.set_pe_header(dos->e_lfanew);
    PeSection mapped;
    if (own.find_section(payload_section_name, nt->FileHeader.NumberOfSections, mapped) < 0)
        return nullptr;
    PayloadSection loaded = section;
    loaded.virtual_address = static_cast<std::int32_t>(mapped.virtual_address);
    loaded.virtual_size = static_cast<std::int32_t>(mapped.virtual_size);
    loaded.image_size = static_cast<std::int32_t>(nt->OptionalHeader.SizeOfImage);
    if (static_cast<std::int64_t>(mapped.raw_size) < loaded.raw_size)
        loaded.raw_size = static_cast<std::int32_t>(mapped.raw_size);
    std::int32_t n = mapped_section_size(loaded);
    if (n < 0 || loaded.virtual_address != section.virtual_address)
        return nullptr;
    size = n;
    return base + loaded.virtual_address;
}

String open_own_payload(InstallRun& run, OwnImage& image) {
    run.image_path = image_path_from_command_line(String(GetCommandLineA()));
    run.installer_folder = folder_of_image(run.image_path);
    run.installer_drive = drive_of(run.image_path);
    if (image.image.open_required(run.image_path, File::open_for_reading) != open_success)
        fatal_format(cannot_open_self_text, run.image_path.c_str());
    String script;
    int code = open_payload(image, run.payload, script);
    check_payload_code(run, code, run.payload.header.version);
    return script;
}
