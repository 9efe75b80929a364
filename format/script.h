#pragma once
// The install script: the unpacked content of the payload's script block, read
// strictly in order, field by field. It tells the installer everything about the
// product but the files' own data.
//
// Reading is kept apart from what the fields cause: `parse_script` only reads and
// checks, so that a damaged script is refused before anything is created on the
// machine. The builder writes the same struct (builder/script_writer.h).

#include <cstdint>

#include "core/containers.h"
#include "core/string.h"
#include "core/timestamp.h"
#include "format/product_flags.h"

constexpr std::uint32_t script_end_marker = 0xD3E82B97;
extern const char* const deletion_list_end; // "~~THE END~~"

constexpr std::int32_t max_stage_time = 9999;
constexpr std::int32_t max_pages = 20;
constexpr std::int32_t max_patch_offset = 999998;
constexpr std::int32_t max_deletions = 1001;
constexpr std::int32_t max_associations = 10000;
constexpr std::int32_t max_uninstall_values = 10000;
constexpr std::int32_t max_languages = 100;
constexpr std::int32_t max_language_strings = 10000;
constexpr std::int32_t script_reserved_size = 20;

// One file to delete before installing.
struct FileDeletion {
    String path;
    std::uint8_t condition = 0; // 1-3 date tests, 4-6 size tests, else always
    String value;
    std::int32_t options = 0; // bit 1: delete at restart when it cannot be deleted now
};

// One file type to register.
struct FileAssociation {
    std::int32_t flags = 0; // bit 0: the verb is the default action
    String extension;
    String file_type;
    String description;
    String verb;
    String verb_caption;
    String command;
    String language;
    String default_icon;
};

// One extra value of the product's uninstall information.
struct UninstallData {
    String name;
    std::uint8_t kind = 0; // 2: REG_EXPAND_SZ, 4: REG_DWORD, else REG_SZ
    String value;
};

// Every field of the script, as stored (defaults not yet applied).
struct InstallScript {
    ProductFlags flags;
    std::uint16_t minimum_stage_time = 0; // milliseconds
    std::uint8_t shortcut_mode = 0;
    TimeStamp uninstaller_date;
    String publisher;
    String default_product_name;
    String shared_path;
    String start_menu; // ProductStartMenu
    String default_directory;
    String display_version;
    String product_registry;
    Vector<String> licence_pages;
    Vector<String> readme_pages;
    String uninstall_subdir;
    String volume_base_name;
    String uninstaller_file_name;
    String uninstall_key_name;
    std::int32_t title_colour = 0;
    // Stored in every script; used only with flag_gradient_colours.
    std::int32_t top_colour = 0;
    std::int32_t bottom_colour = 0;
    String background_picture; // bitmap file bytes; empty: none
    String master_product_key; // stored only with flag_master_product
    String desktop_folder;
    String batch_before_files;
    String batch_after_files;
    String final_batch;
    String uninstall_batch1;
    String uninstall_batch2;
    unsigned char reserved[script_reserved_size] = {};
    std::int32_t excluded_systems = 0;
    std::int32_t first_volume_number = 0;
    std::int32_t uninstaller_patch_offset = 0;
    String uninstaller_patch; // uninstaller_patch_size bytes when the offset is above 0
    Vector<FileDeletion> deletions;
    Vector<FileAssociation> associations;
    Vector<UninstallData> uninstall_values;
    // The language names and [text number][language] texts, line ends CR LF.
    Vector<String> language_names;
    Vector<Vector<String>> language_strings;
};

// Whether a text is empty or holds only spaces, CR, LF and tabs.
bool is_blank(const String& text);

// Reads the whole unpacked script and checks every field right after its read; the
// checksum of all its bytes must equal script_key. Returns 0 or the corrupt-installer
// code of the first bad field (19, 21, 23, 24, 25, 26, 30, 31, 32, 33, 36, 37, 38).
// A truncated script reads as zeros and empty texts and is caught by those checks.
// The fields read before a bad one are kept (the language tables, for one, before a
// bad end marker). Nothing outside `script` is touched. `read_length`, when given,
// receives how many bytes were read (all of them for a script as the builder writes
// it).
int parse_script(const String& bytes, std::uint32_t script_key, InstallScript& script,
                 std::int32_t* read_length = nullptr);

// The defaults that follow from the fields alone: the product name (unless already
// given on the command line), the shared folder name (publisher or product name;
// emptied without flag_uninstall_support), the start-menu folder (publisher\product),
// the default directory (the product name) and the uninstall key name (the product
// name). Resolving folders against the system's is left to the install sequence.
void apply_script_defaults(InstallScript& script, String& product_name);
