#pragma once
// Takes the payload out of a built installer: the payload-free image that the stub
// itself writes as its uninstaller, computed by the same code, so that what the
// builder gives back is what an installation would leave behind.

#include <string>

#include "core/string.h"

// Reads `installer` as the stub reads its own image (section table, payload header,
// install script for the uninstaller patch) and writes the image without its
// payload section to `bare`. False, with `bare` empty and `error` saying why, for
// an image that is not PE ("not a PE image"), one without a payload section ("no
// payload section: already stripped?") or a damaged payload (its corrupt-installer
// code, or the version it was written for).
bool strip_installer(const String& installer, String& bare, std::string& error);
