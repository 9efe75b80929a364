#pragma once
// The product file: a TOML description of one product (names, folders, options,
// pages, batch actions, files, deletions, associations, languages) that the builder
// turns into an install script and file records. docs/product-file.md describes
// every key.
//
// Reading checks everything a later stage would refuse, and names the place: every
// error is "FILE:LINE:COLUMN: what is wrong; what to write instead". Nothing is
// written while reading.

#include <cstdint>
#include <string>
#include <vector>

#include "builder/payload_writer.h"
#include "format/payload.h"
#include "format/script.h"

// What the command line and the environment add to the product file.
struct ProductContext {
    // The installer's path as given with -o; empty: the product file's own choice.
    std::string output;
    // --volume-size, when given (it overrides the product file's); -1: not given.
    std::int64_t volume_size = -1;
    // --level, when given; 0: not given.
    int level = 0;
    // --stub, when given.
    std::string stub;
    // SOURCE_DATE_EPOCH, when set: the uninstaller's date, and the latest time any
    // file may carry. -1: not set.
    std::int64_t source_date_epoch = -1;
    // The time of the build (seconds since 1970), used when SOURCE_DATE_EPOCH is not
    // set.
    std::int64_t now = 0;
};

struct Product {
    std::string product_file;
    std::string output; // the installer to write
    std::string stub;   // the stub to build from; empty: look for one
    InstallScript script;
    std::vector<FileRecord> files;    // data read, checksums computed by the writer
    std::vector<std::string> sources; // the source path of each file, for reports
    PayloadOptions payload;
};

// Reads and checks the product file at path, gathers its files and fills product.
// False, with every problem found in errors, when anything is wrong.
bool read_product_file(const std::string& path, const ProductContext& context, Product& product,
                       std::vector<std::string>& errors);

// Reads a product file given as text (path names it in messages and is the base of
// relative source paths).
bool read_product_text(const std::string& text, const std::string& path, const ProductContext& context,
                       Product& product, std::vector<std::string>& errors);

// Seconds since 1970 as a TimeStamp in UTC.
TimeStamp utc_timestamp(std::int64_t seconds);

// "1.44M", "700K", "650000": a volume size in bytes; -1 when the text is not one.
std::int64_t parse_size(const std::string& text);
