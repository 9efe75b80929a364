#include "builder/flag_names.h"

#include <algorithm>

#include "installer/product_flags.h"

const std::vector<FlagName>& flag_names() {
    static const std::vector<FlagName> names = {
        {0, "refuse_reinstall", false, "an existing installation may not be installed over"},
        {1, "uninstaller_start_menu_shortcut", false,
         "a shortcut to the uninstaller in the start-menu folder"},
        {flag_shared_folder, "uninstall_support", false,
         "uninstall support: shared folder, shared-file counts, uninstaller, Uninstall.DAT, entry in the "
         "list of installed programs"},
        {4, "ask_before_removing_fonts", false, "the uninstaller asks before removing each font"},
        {flag_packed_file_data, "packed_file_data", true, "the file data is one packed block"},
        {6, "always_write_log", false, "always write Install.LOG, not only when something went wrong"},
        {7, "directory_dialog", false, "let the user choose the installation directory"},
        {flag_automatic_mode, "automatic", false, "install without questions (as with /a)"},
        {9, "automatic_uninstall", false, "uninstall without questions"},
        {10, "remove_whole_directory", false,
         "do not record each file; the uninstaller removes the whole installation directory"},
        {11, "replace_at_restart", false, "any file in use may be replaced at the next restart"},
        {12, "add_to_path", false, "add the installation directory to the PATH line of autoexec.bat"},
        {flag_script_colours, "gradient_colours", true, "the background uses the product's colours"},
        {14, "restart", false, "restart Windows at the end"},
        {15, "keep_background_picture", false, "keep the background picture for the uninstaller"},
        {flag_master_product, "master_product", true, "install into the folder of a master product"},
        {17, "ask_before_removing_shared_files", false,
         "the uninstaller asks before deleting a shared file no longer used"},
        {18, "verify_written_files", false, "read every written file back and compare it"},
        {19, "clear_protecting_attributes", false,
         "clear read-only, hidden and system attributes of a destination that cannot be written"},
        {20, "report_every_file", false, "a line per placed file and shortcut in Install.LOG"},
        {21, "no_cancel", false, "the progress dialog has no working cancel button"},
        {22, "no_completion_message", false, "no message box at the end"},
        {23, "quiet_batch_before_files", false, "the batch before the files runs hidden, without PAUSE"},
        {24, "quiet_batch_after_files", false, "the batch after the files runs hidden, without PAUSE"},
        {25, "quiet_final_batch", false, "the final batch runs hidden, without PAUSE"},
        {26, "quiet_uninstall_batch_1", false, "the uninstaller's first batch runs hidden, without PAUSE"},
        {27, "quiet_uninstall_batch_2", false, "the uninstaller's second batch runs hidden, without PAUSE"},
        {28, "no_reinstall_question", false, "no question when an existing installation is found"},
        {flag_no_early_background, "no_background_window", false, "no full-screen background window"},
        {31, "confirm_directory", false, "the user confirms the chosen directory"},
        {flag_compare_stub_checksum, "check_stub", false,
         "the installer checks its own program bytes against the checksum written by the builder"},
        {33, "uninstaller_desktop_shortcut", false, "a desktop shortcut to the uninstaller"},
        {flag_errors_in_automatic_mode, "errors_in_automatic_mode", false,
         "error messages are shown even in automatic mode"},
        {36, "compare_versions_on_reinstall", false,
         "the existing-installation question compares the installed and the new version"},
    };
    return names;
}

const FlagName* find_flag(const std::string& name) {
    for (const FlagName& f : flag_names())
        if (name == f.name)
            return &f;
    return nullptr;
}

const FlagName* find_flag(int bit) {
    for (const FlagName& f : flag_names())
        if (f.bit == bit)
            return &f;
    return nullptr;
}

namespace {

size_t edit_distance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string nearest_name(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    size_t best_distance = name.size() / 3 + 2;
    for (const std::string& candidate : known) {
        size_t d = edit_distance(name, candidate);
        if (d < best_distance) {
            best_distance = d;
            best = candidate;
        }
    }
    return best;
}

std::string nearest_flag_name(const std::string& name) {
    std::vector<std::string> known;
    for (const FlagName& f : flag_names())
        known.push_back(f.name);
    return nearest_name(name, known);
}

std::vector<std::string> flag_word_names(std::uint64_t bits) {
    std::vector<std::string> out;
    for (int bit = 0; bit < 64; ++bit) {
        if (((bits >> bit) & 1u) == 0)
            continue;
        const FlagName* f = find_flag(bit);
        out.push_back(f ? f->name : "bit " + std::to_string(bit));
    }
    return out;
}
