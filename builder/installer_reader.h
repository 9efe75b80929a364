#pragma once
// Reads a built installer as the stub reads itself, for `inspect`, `extract` and
// `strip`: the same section lookup, header checks, script reader and file-data
// gathering, but every damage is reported instead of ending the program.

#include <cstdint>
#include <string>
#include <vector>

#include "core/string.h"
#include "format/payload.h"
#include "format/script.h"

struct OpenedInstaller {
    String image;
    Payload payload; // its cursor over the section's bytes in `image`
    InstallScript script;
};

// Finds the payload section of `image` (kept in `out.image`), checks its header and
// reads the install script. False, with `error`, for a file that is not a PE image,
// one without a payload ("no payload section: already stripped?"), or a damaged
// payload ("damaged payload: error code N (meaning)", N being the stub's corrupt-installer
// code, or the version the payload was written for).
bool open_installer(String image, OpenedInstaller& out, std::string& error);

// The payload-free image the stub writes as its uninstaller, made by the stub's own
// code. Returns 0 or the corrupt-installer code (35, 40, 42).
int uninstaller_image_of(const OpenedInstaller& installer, String& image);

// "damaged payload: error code N (what it means)".
std::string damaged_payload_text(int code);

struct VolumeReport {
    std::int32_t number = 0;
    std::string path;
    std::string problem; // empty: read
};

// Reads the file records: the section's part of the file-data area, continued from
// the volume files in `folder` (the installer's folder), checked and unpacked as the
// stub does. False, with `error`, when a volume is missing or wrong (listed in
// volumes with its problem) or the area or a record is damaged.
bool read_installer_files(OpenedInstaller& installer, const std::string& folder,
                          std::vector<FileRecord>& files, std::vector<VolumeReport>& volumes,
                          std::string& error);
