#include "builder/english_strings.h"

#include <cctype>
#include <cstring>

namespace {

// is_format: the stub hands the text to printf (error_box, set_progress_text or a
// formatted message box), also when nothing is formatted into it. The others are
// shown as they are or joined with other texts by the stub.
constexpr bool printf_text = true;
constexpr bool plain_text = false;

const std::vector<LanguageStringInfo> table = {
    {0, "display_title", "<product> Setup", "", plain_text,
     "title drawn on the background window; also the DisplayTitle value of the uninstall entry"},
    {1, "welcome_text",
     "Welcome! This program will install <product> on your computer.\n\n"
     "It is a good idea to close other programs before you go on.\n\nDo you want to continue?",
     "", plain_text, "text of the opening Yes/No question"},
    {2, "existing_caption", "<product> Is Already Installed", "", plain_text,
     "caption of the question asked when an existing installation is found"},
    {3, "existing_installed", "<product> is already installed in this folder:", "", plain_text,
     "existing-installation question when versions are not compared; the folder follows on the next line"},
    {4, "existing_same_version", "This version of <product> is already installed in this folder:", "",
     plain_text, "existing-installation question when the installed version is the same"},
    {5, "existing_older_version", "An older version of <product> is installed in this folder:", "",
     plain_text, "existing-installation question when the installed version is older"},
    {6, "existing_newer_version", "A newer version of <product> is already installed in this folder:", "",
     plain_text, "existing-installation question when the installed version is newer"},
    {7, "existing_question", "Do you want to install <product> over it?", "", plain_text,
     "last line of the existing-installation question, after the folder"},
    {8, "status_preparing", "Preparing to install...", "", printf_text,
     "progress status when the progress dialog opens"},
    {9, "existing_refused",
     "<product> is already installed on this computer. Please uninstall it first, then run this "
     "installer again.",
     "", printf_text, "error when an existing installation may not be installed over"},
    {10, "uninstall_failed",
     "<product> could not be removed completely. These items are left on your computer:\n\n%s", "%s",
     printf_text, "closing message of an uninstall with problems; %s is the list of problems"},
    {11, "directory_label", "Choose the folder to install <product> into:", "", plain_text,
     "label of the installation folder dialog and title of its folder browser"},
    {12, "master_missing",
     "<product> needs %s, which is not installed on this computer. Please install it first.", "%s",
     printf_text, "error when the product that this one needs is not installed; %s is its name"},
    {13, "corrupt_installer",
     "This installer is damaged and cannot go on. Most often the download was interrupted or the "
     "file was changed on the way, sometimes by a virus.\n\n"
     "Please delete this copy and download the installer again. If that does not help, check the "
     "computer for viruses.\n\nError code: %d",
     "%d", printf_text, "fatal message of a damaged installer; %d is the error code"},
    {14, "directory_invalid", "This is not a valid folder name:", "", plain_text,
     "error for an installation folder that is not a valid path; the folder follows on the next line"},
    {15, "uninstall_done_caption", "Uninstall Complete", "", plain_text,
     "caption of the uninstaller's closing success message"},
    {16, "drive_missing", "Drive %c: is not available. Please choose a folder on another drive.", "%c",
     printf_text, "error for an installation folder on a missing drive; %c is the drive letter"},
    {17, "directory_is_root", "Please choose a folder, not the top of a drive.", "", printf_text,
     "error for an installation folder that is a drive root"},
    {18, "directory_is_program_files",
     "%s holds the programs of this computer. Please choose a folder inside it instead.", "%s", printf_text,
     "error for the Program Files folder itself; %s is that folder"},
    {19, "disk_space_low",
     "<product> needs %s of disk space, but drive %c: has only %s free.\n\n"
     "Do you want to install it anyway?",
     "%s%c%s", printf_text,
     "Yes/No warning when the drive is too full; the needed size, the drive letter, the free size"},
    {20, "question_caption", "<product>", "", plain_text,
     "caption of the disk-space, cancel and restart questions and of the uninstaller's failure message"},
    {21, "error_caption", "<product> Setup", "", plain_text, "caption of the installer's error messages"},
    {22, "directory_exists_confirm", "The folder %s already exists.\n\nInstall <product> into it?", "%s",
     printf_text, "confirmation of an existing installation folder (when asked for); %s is the folder"},
    {23, "directory_create_confirm",
     "The folder %s does not exist yet and will be created.\n\nInstall <product> there?", "%s", printf_text,
     "confirmation of a new installation folder (when asked for); %s is the folder"},
    {24, "directory_caption", "Installation Folder", "", plain_text,
     "caption of the installation folder dialog and of its confirmation"},
    {25, "directory_create_failed", "Could not create the folder", "", plain_text,
     "error for a folder that cannot be created; the folder and the reason follow"},
    {26, "volume_request", "Please insert disk %d in drive %c:, then click OK.", "%d%c", printf_text,
     "request for the next disk of a split installer; the disk number and the drive letter"},
    {27, "volume_caption", "Next Disk", "", plain_text, "caption of the request for the next disk"},
    {28, "cancel_question",
     "Do you really want to stop installing <product>?\n\nFiles that were already copied stay where they "
     "are.",
     "", plain_text, "question when the user cancels the installation"},
    {29, "status_unpacking", "Unpacking files...", "", printf_text, "progress status while the files unpack"},
    {30, "volume_wrong", "This is not the right disk, or it cannot be read.", "", plain_text,
     "first line of the next-disk request after a wrong or unreadable disk"},
    {31, "write_failed", "Could not write", "", plain_text,
     "leading words of the report line for a file or shortcut that cannot be written; the path follows"},
    {32, "status_shortcuts", "Creating shortcuts and registry entries...", "", printf_text,
     "progress status after the files are copied"},
    {33, "uninstall_shortcut", "Uninstall <product>", "", plain_text,
     "name of the uninstaller's shortcuts (a file name)"},
    {34, "uninstall_done", "<product> has been removed from your computer.", "", plain_text,
     "the uninstaller's closing success message"},
    {35, "shared_file_caption", "Remove Shared File?", "", plain_text,
     "caption of the uninstaller's question about a shared file"},
    {36, "status_finishing", "Finishing the installation...", "", printf_text,
     "progress status for the last steps"},
    {37, "restart_question",
     "Windows must be restarted to finish the installation of <product>.\n\nDo you want to restart now?", "",
     plain_text, "question at the end when a restart is needed"},
    {38, "shortcut_name", "%s", "%s", printf_text,
     "name of a file's shortcut when the file gives none; %s is the file's name"},
    {39, "progress_label", "Installing <product>, please wait...", "", plain_text,
     "label of the progress dialog"},
    {40, "log_offer",
     "<product> has been installed, but there were some problems. They are listed in this file:\n%s\n\n"
     "Do you want to see it now?",
     "%s", printf_text, "Yes/No question at the end of an installation with problems; %s is the log's path"},
    {41, "log_offer_caption", "Installation Finished with Problems", "", plain_text,
     "caption of the question at the end of an installation with problems"},
    {42, "install_done", "<product> has been installed and is ready to use.", "", plain_text,
     "message at the end of a successful installation"},
    {43, "install_done_caption", "Installation Complete", "", plain_text,
     "caption of the closing message; also the last line of the install log"},
    {44, "licence_caption", "License Agreement", "", plain_text, "caption of the licence dialog"},
    {45, "licence_accept", "I Agree", "", plain_text, "accepting button of the licence dialog"},
    {46, "licence_decline", "I Do Not Agree", "", plain_text, "declining button of the licence dialog"},
    {47, "licence_label", "Please read the license agreement below. Do you accept its terms?", "", plain_text,
     "label above the licence text"},
    {48, "button_continue", "Continue", "", plain_text,
     "confirming button of the language, folder and read-me dialogs"},
    {49, "button_cancel", "Cancel", "", plain_text,
     "cancel button of the language, folder, read-me and progress dialogs"},
    {50, "readme_caption", "Read Me", "", plain_text, "caption of the read-me dialog"},
    {51, "readme_label", "Please read the following information about <product>:", "", plain_text,
     "label above the read-me text"},
    {52, "button_browse", "Browse...", "", plain_text, "browse button of the installation folder dialog"},
    {53, "uninstall_confirm", "Do you want to remove <product> and all of its parts from your computer?", "",
     plain_text, "the uninstaller's opening Yes/No question"},
    {54, "progress_caption", "<product> Setup", "", plain_text, "caption of the progress dialog"},
    {55, "uninstall_confirm_caption", "Uninstall <product>", "", plain_text,
     "caption of the uninstaller's opening question"},
    {56, "font_question", "Do you want to remove the font \"%s\" that came with <product>?", "%s",
     printf_text, "the uninstaller's question before it removes a font; %s is the font's title"},
    {57, "font_caption", "Remove Font?", "", plain_text,
     "caption of the uninstaller's question about a font"},
    {58, "remove_failed", "Could not remove", "", plain_text,
     "leading words of the uninstaller's report line for a file or font it cannot remove; the name follows"},
    {59, "shared_file_question",
     "The shared file\n%s\nis no longer used by any installed program.\n\n"
     "Do you want to delete it? If you are not sure, choose No.",
     "%s", printf_text, "the uninstaller's question before it deletes a shared file; %s is its path"},
    {61, "system_excluded", "<product> cannot be installed on %s.", "%s", printf_text,
     "error when the product is not meant for this Windows; %s is the system's name"},
    {62, "status_checking", "Checking the files...", "", printf_text,
     "progress status while the file data is verified"},
    {63, "licence_intro", "", "", plain_text,
     "page shown before the product's licence pages; empty: no extra page"},
    {64, "readme_intro", "", "", plain_text,
     "page shown before the product's read-me pages; empty: no extra page"},
    {65, "welcome_caption", "Welcome", "", plain_text, "caption of the opening question"},
};

// Kept in Uninstall.DAT, where the uninstaller finds each string's end at the next
// line that begins with "~" and cuts the strings at the first "[Associations]".
constexpr int recorded_strings[] = {10, 15, 20, 30, 34, 35, 53, 55, 56, 57, 58, 59};
constexpr int uninstaller_shortcut_string = 33;

bool is_recorded(int number) {
    for (int n : recorded_strings)
        if (n == number)
            return true;
    return false;
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string describe(const std::string& conversions) {
    return conversions.empty() ? std::string("none") : conversions;
}

} // namespace

const std::vector<LanguageStringInfo>& english_strings() {
    return table;
}

int english_string_count() {
    return table.back().number + 1;
}

const LanguageStringInfo* find_language_string(int number) {
    for (const LanguageStringInfo& info : table)
        if (info.number == number)
            return &info;
    return nullptr;
}

const LanguageStringInfo* find_language_string(const std::string& name) {
    for (const LanguageStringInfo& info : table)
        if (name == info.name)
            return &info;
    return nullptr;
}

bool printf_conversions(const std::string& text, std::string& conversions, std::string& error) {
    conversions.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 == text.size()) {
            error = "a lone \"%\" at the end; write \"%%\" for a percent sign";
            return false;
        }
        char c = text[++i];
        if (c == '%')
            continue;
        // The stub checks some formats itself before it formats them and takes only
        // the bare conversions, so flags, widths and precisions are refused too.
        if (c != 'd' && c != 'c' && c != 's') {
            error = "\"%" + std::string(1, c) + "\" at position " + std::to_string(i - 1) +
                    " is not a conversion the installer formats (only a bare %s, %d or %c); write \"%%\" "
                    "for a percent sign";
            return false;
        }
        conversions += '%';
        conversions += c;
    }
    return true;
}

bool check_language_string(int number, const std::string& text, std::string& error) {
    const LanguageStringInfo* info = find_language_string(number);
    if (info == nullptr) {
        error = "string " + std::to_string(number) + " is not used by the installer or the uninstaller";
        return false;
    }
    if (info->is_format) {
        std::string conversions;
        std::string why;
        if (!printf_conversions(text, conversions, why)) {
            error = why;
            return false;
        }
        if (conversions != info->format) {
            error = std::string("must hold the conversions ") + describe(info->format) +
                    ", in this order, but holds " + describe(conversions) +
                    "; write \"%%\" for a percent sign";
            return false;
        }
    }
    if (is_recorded(number)) {
        for (size_t i = 0; i < text.size(); ++i) {
            bool line_start = i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r';
            if (line_start && text[i] == '~') {
                error = "a line may not begin with \"~\" (the uninstaller would take it as the "
                        "start of another string); put a blank before it";
                return false;
            }
        }
        if (lower(text).find("[associations]") != std::string::npos) {
            error = "the text \"[Associations]\" would end the uninstaller's strings there; "
                    "reword it";
            return false;
        }
    }
    if (number == uninstaller_shortcut_string) {
        // The product name takes the place of its placeholder before the link is made.
        std::string name = text;
        for (size_t at; (at = lower(name).find("<product>")) != std::string::npos;)
            name.erase(at, 9);
        for (char c : name) {
            if (c != '\0' && std::strchr("\\/:*?\"<>|\r\n\t", c) != nullptr) {
                error = "this is the file name of a shortcut, which may not hold \\ / : * ? \" < > | or line "
                        "ends";
                return false;
            }
        }
    }
    return true;
}
