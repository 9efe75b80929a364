#include "builder/strip.h"

#include <cstdio>
#include <cstring>

#include "core/stream.h"
#include "installer/payload.h"
#include "installer/script.h"

namespace {

// The installer's image file, held in memory; it has no volumes beside it.
class ImageBytes : public PayloadFiles {
  public:
    explicit ImageBytes(const String& image) : image_(image) {}

    std::int64_t image_size() override { return image_.length(); }
    bool read_image(std::int64_t offset, void* buffer, std::int32_t count) override {
        if (offset < 0 || count < 0 || offset + count > image_.length())
            return false;
        std::memcpy(buffer, image_.c_str() + offset, static_cast<size_t>(count));
        return true;
    }
    std::int64_t open_volume(const String&) override { return -1; }
    bool read_volume(std::int64_t, void*, std::int32_t) override { return false; }
    void close_volume() override {}

  private:
    const String& image_;
};

bool damaged(std::string& error, int code) {
    error = "damaged payload: error code " + std::to_string(code);
    return false;
}

bool has_pe_signatures(const String& image) {
    if (image.length() < 64 || image.char_at(0) != 'M' || image.char_at(1) != 'Z')
        return false;
    std::int32_t pe = image.get_int32(0x3C);
    return pe >= 0 && pe <= image.length() - 4 && std::memcmp(image.c_str() + pe, "PE\0\0", 4) == 0;
}

} // namespace

bool strip_installer(const String& installer, String& bare, std::string& error) {
    bare.clear();
    if (!has_pe_signatures(installer)) {
        error = "not a PE image";
        return false;
    }
    PayloadSection section;
    int found = find_payload_section(installer, section);
    if (found == payload_section_missing) {
        error = "no payload section: already stripped?";
        return false;
    }
    if (found != payload_section_found) {
        error = "not a PE image";
        return false;
    }
    if (section.raw_offset == 0)
        return damaged(error, 9);
    if (section.raw_offset < 0 || section.raw_offset > installer.length())
        return damaged(error, 10);

    // The stub reads the section as the loader mapped it; the file holds the same
    // bytes, and the loader's zeros behind a short file are not payload anyway.
    std::int32_t mapped = mapped_section_size(section);
    if (mapped < 0)
        return damaged(error, payload_overrun_code);
    std::int32_t in_file = installer.length() - section.raw_offset;
    PayloadCursor cursor;
    cursor.set_fatal_on_overrun(false);
    cursor.view(installer.c_str() + section.raw_offset, mapped < in_file ? mapped : in_file);

    PayloadHeader header;
    int code = check_payload_header(cursor, header);
    if (code == payload_version_mismatch) {
        char version[32];
        std::snprintf(version, sizeof version, "%.1f", header.version / 100.0);
        error = std::string("the payload was written for installer version ") + version + ", not 10.0";
        return false;
    }
    if (code != 0)
        return damaged(error, code);
    MemoryStream script_stream;
    code = unpack_script_block(cursor, header, script_stream.string());
    if (code != 0)
        return damaged(error, code);
    InstallScript script;
    code = parse_script(script_stream, header.script_key, script);
    if (code != 0)
        return damaged(error, code);

    ImageBytes files(installer);
    code = make_uninstaller_image(files, section, header, script.flags, script.uninstaller_patch_offset,
                                  script.uninstaller_patch, bare);
    if (code != 0) {
        bare.clear();
        return damaged(error, code);
    }
    return true;
}
