#include "builder/installer_reader.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/stream.h"

namespace {

bool damaged(std::string& error, int code) {
    error = damaged_payload_text(code);
    return false;
}

bool has_pe_signatures(const String& image) {
    if (image.length() < 64 || image.char_at(0) != 'M' || image.char_at(1) != 'Z')
        return false;
    std::int32_t pe = image.get_int32(0x3C);
    return pe >= 0 && pe <= image.length() - 4 && std::memcmp(image.c_str() + pe, "PE\0\0", 4) == 0;
}

// The installer's image in memory and its volume files on disk.
class InstallerFiles : public PayloadImage {
  public:
    explicit InstallerFiles(const String& image) : image_(image) {}

    bool read_head(String& head) override {
        std::int32_t n = image_.length() < image_head_limit ? image_.length() : image_head_limit;
        head.assign(image_.c_str(), n);
        return true;
    }
    // The stub reads the section as the loader mapped it; the file holds the same
    // bytes, and the loader's zeros behind a short file are not payload anyway.
    const char* section_bytes(const PayloadSection& section, std::int32_t& size) override {
        size = 0;
        std::int32_t mapped = mapped_section_size(section);
        if (mapped < 0 || section.raw_offset < 0 || section.raw_offset > image_.length())
            return nullptr;
        std::int32_t in_file = image_.length() - section.raw_offset;
        size = mapped < in_file ? mapped : in_file;
        return image_.c_str() + section.raw_offset;
    }

    std::int64_t image_size() override { return image_.length(); }
    bool read_image(std::int64_t offset, void* buffer, std::int32_t count) override {
        if (offset < 0 || count < 0 || offset + count > image_.length())
            return false;
        std::memcpy(buffer, image_.c_str() + offset, static_cast<size_t>(count));
        return true;
    }
    std::int64_t open_volume(const String& path) override {
        volume_.close();
        volume_.clear();
        volume_.open(path.c_str(), std::ios::binary | std::ios::ate);
        if (!volume_)
            return -1;
        return static_cast<std::int64_t>(volume_.tellg());
    }
    bool read_volume(std::int64_t offset, void* buffer, std::int32_t count) override {
        volume_.clear();
        volume_.seekg(offset);
        volume_.read(static_cast<char*>(buffer), count);
        return static_cast<bool>(volume_) && volume_.gcount() == count;
    }
    void close_volume() override { volume_.close(); }

  private:
    const String& image_;
    std::ifstream volume_;
};

// Notes every volume tried; gives up at the first problem.
class VolumeLog : public VolumeRequests {
  public:
    explicit VolumeLog(std::vector<VolumeReport>& volumes) : volumes_(volumes) {}
    void before_volume(std::int32_t number, std::int32_t) override {
        VolumeReport report;
        report.number = number;
        volumes_.push_back(report);
    }
    bool retry_volume(std::int32_t number, const String& path, VolumeProblem problem) override {
        if (volumes_.empty() || volumes_.back().number != number)
            before_volume(number, 0);
        volumes_.back().problem = problem == VolumeProblem::cannot_open
                                      ? "missing or unreadable"
                                      : "wrong volume (another tag or size)";
        volumes_.back().path = path.c_str();
        return false;
    }

  private:
    std::vector<VolumeReport>& volumes_;
};

} // namespace

bool open_installer(String image, OpenedInstaller& out, std::string& error) {
    out.image = std::move(image);
    if (!has_pe_signatures(out.image)) {
        error = "not a PE image";
        return false;
    }
    InstallerFiles files(out.image);
    String script;
    int code = open_payload(files, out.payload, script);
    out.payload.files = nullptr; // `files` ends here; the readers below make their own
    if (code == payload_section_missing) {
        error = "no payload section: already stripped?";
        return false;
    }
    if (code == payload_version_mismatch) {
        char version[32];
        std::snprintf(version, sizeof version, "%.1f", out.payload.header.version / 100.0);
        error = std::string("the payload was written for installer version ") + version + ", not 10.0";
        return false;
    }
    if (code != 0)
        return damaged(error, code);
    code = parse_script(script, out.payload.header.script_key, out.script);
    if (code != 0)
        return damaged(error, code);
    return true;
}

std::string damaged_payload_text(int code) {
    std::string text = "damaged payload: error code " + std::to_string(code);
    if (const char* meaning = corrupt_code_meaning(code))
        text += std::string(" (") + meaning + ")";
    return text;
}

int uninstaller_image_of(const OpenedInstaller& installer, String& image) {
    InstallerFiles files(installer.image);
    return make_uninstaller_image(files, installer.payload.section, installer.payload.header,
                                  installer.script.flags, installer.script.uninstaller_patch_offset,
                                  installer.script.uninstaller_patch, image);
}

bool read_installer_files(OpenedInstaller& installer, const std::string& folder,
                          std::vector<FileRecord>& files, std::vector<VolumeReport>& volumes,
                          std::string& error) {
    files.clear();
    volumes.clear();
    InstallerFiles disk(installer.image);
    VolumeLog log(volumes);
    VolumeSet set;
    // volume_path puts a backslash behind a folder that ends in neither separator.
    std::string with_separator = folder.empty() ? "." : folder;
#ifndef _WIN32
    if (with_separator.back() != '/')
        with_separator += '/';
#endif
    set.folder = String(with_separator.c_str());
    set.base_name = installer.script.volume_base_name;
    set.first_tag = installer.script.first_volume_number;
    PayloadCursor& cursor = installer.payload.cursor;
    cursor.view(installer.image.c_str() + installer.payload.section.raw_offset, cursor.size());
    int code = gather_file_data(cursor, installer.payload.header, installer.script.flags, set, disk, log);
    for (VolumeReport& v : volumes)
        if (v.path.empty())
            v.path = volume_path(set, v.number).c_str();
    if (code == volume_request_refused) {
        error = "volume " + std::to_string(volumes.empty() ? 0 : volumes.back().number) + " (" +
                (volumes.empty() ? std::string() : volumes.back().path) +
                "): " + (volumes.empty() ? std::string() : volumes.back().problem);
        return false;
    }
    if (code != 0)
        return damaged(error, code);
    for (std::int32_t i = 0; i < installer.payload.header.file_count; ++i) {
        FileRecord record;
        code = read_file_record(cursor, installer.payload.header.file_sizes.at(i), record);
        if (code != 0) {
            damaged(error, code);
            error = "file " + std::to_string(i + 1) + ": " + error;
            return false;
        }
        files.push_back(std::move(record));
    }
    return true;
}
