#pragma once
// `inspect`: what a built installer holds, as text for people.

#include <string>
#include <vector>

#include "builder/installer_reader.h"

// The report of an opened installer: the payload header, the flags by name, the
// script's fields, the languages and the file table. files_error is empty when the
// file records were read (then files holds them), otherwise why they were not; the
// volumes are those tried.
std::string inspect_report(const OpenedInstaller& installer, const std::vector<FileRecord>& files,
                           const std::vector<VolumeReport>& volumes, const std::string& files_error);
