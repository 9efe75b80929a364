#pragma once
// The stub's own payload: its image file opened, the payload found and checked, the
// install script block unpacked. Every failure ends the run with its message.

#include "core/file.h"
#include "core/string.h"
#include "format/payload.h"
#include "installer/run_state.h"

// The own image file, open for the rest of the run (the uninstaller image is read
// from it), the volume files beside it, and the payload section where the loader
// mapped it.
class OwnImage : public PayloadImage {
  public:
    std::int64_t image_size() override;
    bool read_image(std::int64_t offset, void* buffer, std::int32_t count) override;
    std::int64_t open_volume(const String& path) override;
    bool read_volume(std::int64_t offset, void* buffer, std::int32_t count) override;
    void close_volume() override;
    bool read_head(String& head) override;
    const char* section_bytes(const PayloadSection& section, std::int32_t& size) override;

    File image;
    File volume;
};

// Opens the program's own image (named first on the command line), finds its payload
// section and checks the payload header and file-size table; shows the no-archive
// message when there is none, the version message or the corrupt-installer message
// for a bad one. Returns the unpacked install script; the payload's cursor then
// stands behind the script block and `image` is the run's payload files.
String open_own_payload(InstallRun& run, OwnImage& image);
