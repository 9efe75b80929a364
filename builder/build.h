#pragma once
// `build`: a product file and the stub in, an installer (and its volume files) out.

#include <string>
#include <vector>

#include "builder/product_file.h"

struct BuildResult {
    std::vector<std::string> written; // the installer first, then its volumes
    std::int64_t installer_size = 0;
    std::int64_t file_bytes = 0;    // the files' own bytes
    std::int64_t payload_bytes = 0; // the section's content and the volumes
};

// Where the stub is looked for when neither --stub nor the product file names one:
// VARNOOK_STUB, then varnook.exe beside the builder's own program.
std::string find_stub(const std::string& builder_program);

// Builds the installer that `product` describes from the stub's bytes. Writes every
// output under a temporary name first and renames it into place only when all were
// written, so that a failed build leaves nothing behind (and no half installer in
// place of an old one). False, with `error`.
bool build_installer(const Product& product, const String& stub, BuildResult& result, std::string& error);
