#include "builder/strip.h"

#include "builder/installer_reader.h"

bool strip_installer(const String& installer, String& bare, std::string& error) {
    bare.clear();
    OpenedInstaller opened;
    if (!open_installer(installer, opened, error))
        return false;
    int code = uninstaller_image_of(opened, bare);
    if (code != 0) {
        bare.clear();
        error = damaged_payload_text(code);
        return false;
    }
    return true;
}
