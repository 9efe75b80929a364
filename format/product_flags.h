#pragma once
// The install script's 64-bit option word. Bits are numbered 0 to 63 from the least
// significant. One name for each bit, shared by the stub, the builder (a product
// file names the bits it sets under [options] by these names) and the tests.

#include <cstdint>

// X(name, bit, from_content, meaning): from_content bits follow from what a product
// holds and are set by the builder itself; a product file cannot name them.
#define VARNOOK_PRODUCT_FLAGS(X)                                                                             \
    X(refuse_reinstall, 0, false, "an existing installation may not be installed over")                      \
    X(uninstaller_start_menu_shortcut, 1, false, "a shortcut to the uninstaller in the start-menu folder")   \
    X(uninstall_support, 2, false,                                                                           \
      "uninstall support: shared folder, shared-file counts, uninstaller, Uninstall.DAT, entry in the "      \
      "list of installed programs")                                                                          \
    X(ask_before_removing_fonts, 4, false, "the uninstaller asks before removing each font")                 \
    X(packed_file_data, 5, true, "the file data is one packed block")                                        \
    X(always_write_log, 6, false, "always write Install.LOG, not only when something went wrong")            \
    X(directory_dialog, 7, false, "let the user choose the installation directory")                          \
    X(automatic, 8, false, "install without questions (as with /a)")                                         \
    X(automatic_uninstall, 9, false, "uninstall without questions")                                          \
    X(remove_whole_directory, 10, false,                                                                     \
      "do not record each file; the uninstaller removes the whole installation directory")                   \
    X(replace_at_restart, 11, false, "any file in use may be replaced at the next restart")                  \
    X(add_to_path, 12, false, "add the installation directory to the PATH line of autoexec.bat")             \
    X(gradient_colours, 13, true, "the background uses the product's colours")                               \
    X(restart, 14, false, "restart Windows at the end")                                                      \
    X(keep_background_picture, 15, false, "keep the background picture for the uninstaller")                 \
    X(master_product, 16, true, "install into the folder of a master product")                               \
    X(ask_before_removing_shared_files, 17, false,                                                           \
      "the uninstaller asks before deleting a shared file no longer used")                                   \
    X(verify_written_files, 18, false, "read every written file back and compare it")                        \
    X(clear_protecting_attributes, 19, false,                                                                \
      "clear read-only, hidden and system attributes of a destination that cannot be written")               \
    X(report_every_file, 20, false, "a line per placed file and shortcut in Install.LOG")                    \
    X(no_cancel, 21, false, "the progress dialog has no working cancel button")                              \
    X(no_completion_message, 22, false, "no message box at the end")                                         \
    X(quiet_batch_before_files, 23, false, "the batch before the files runs hidden, without PAUSE")          \
    X(quiet_batch_after_files, 24, false, "the batch after the files runs hidden, without PAUSE")            \
    X(quiet_final_batch, 25, false, "the final batch runs hidden, without PAUSE")                            \
    X(quiet_uninstall_batch_1, 26, false, "the uninstaller's first batch runs hidden, without PAUSE")        \
    X(quiet_uninstall_batch_2, 27, false, "the uninstaller's second batch runs hidden, without PAUSE")       \
    X(no_reinstall_question, 28, false, "no question when an existing installation is found")                \
    X(no_background_window, 29, false, "no full-screen background window")                                   \
    X(confirm_directory, 31, false, "the user confirms the chosen directory")                                \
    X(check_stub, 32, false,                                                                                 \
      "the installer checks its own program bytes against the checksum written by the builder")              \
    X(uninstaller_desktop_shortcut, 33, false, "a desktop shortcut to the uninstaller")                      \
    X(errors_in_automatic_mode, 35, false, "error messages are shown even in automatic mode")                \
    X(compare_versions_on_reinstall, 36, false,                                                              \
      "the existing-installation question compares the installed and the new version")

enum ProductFlag : int {
#define VARNOOK_PRODUCT_FLAG_ENUM(name, bit, from_content, meaning) flag_##name = bit,
    VARNOOK_PRODUCT_FLAGS(VARNOOK_PRODUCT_FLAG_ENUM)
#undef VARNOOK_PRODUCT_FLAG_ENUM
};

struct ProductFlags {
    std::uint64_t bits = 0;

    bool has(int bit) const { return bit >= 0 && bit < 64 && ((bits >> bit) & 1u) != 0; }
    void set(int bit) {
        if (bit >= 0 && bit < 64)
            bits |= std::uint64_t{1} << bit;
    }
};

constexpr std::uint64_t flag_mask(int bit) {
    return std::uint64_t{1} << bit;
}
