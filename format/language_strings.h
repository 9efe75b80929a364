#pragma once
// The language strings by number: every text the installer and the uninstaller show
// (but the fixed English fatal messages) is one of them, in each language of the
// product. One list gives each used number its name (a product file rewords a string
// by that name), the builder's English text, the printf conversions the stub formats
// into it and where it is shown; the stub takes only the numbers.
//
// Line ends are written "\n"; the stub turns them into CR LF. In every text the stub
// replaces "<product>" by the product name and "<os>" by the Windows folder (case
// ignored) before it formats it.

// is_format: the stub hands the text to printf (error_box, set_progress_text or a
// formatted message box), also when nothing is formatted into it. The others are
// shown as they are or joined with other texts by the stub.
constexpr bool printf_text = true;
constexpr bool plain_text = false;

// X(name, number, english_text, conversions, is_format, purpose)
#define VARNOOK_LANGUAGE_STRINGS(X)                                                                          \
    X(display_title, 0, "<product> Setup", "", plain_text,                                                   \
      "title drawn on the background window; also the DisplayTitle value of the uninstall entry")            \
    X(welcome_text, 1,                                                                                       \
      "Welcome! This program will install <product> on your computer.\n\n"                                   \
      "It is a good idea to close other programs before you go on.\n\nDo you want to continue?",             \
      "", plain_text, "text of the opening Yes/No question")                                                 \
    X(existing_caption, 2, "<product> Is Already Installed", "", plain_text,                                 \
      "caption of the question asked when an existing installation is found")                                \
    X(existing_installed, 3, "<product> is already installed in this folder:", "", plain_text,               \
      "existing-installation question when versions are not compared; the folder follows on the next line")  \
    X(existing_same_version, 4, "This version of <product> is already installed in this folder:", "",        \
      plain_text, "existing-installation question when the installed version is the same")                   \
    X(existing_older_version, 5, "An older version of <product> is installed in this folder:", "",           \
      plain_text, "existing-installation question when the installed version is older")                      \
    X(existing_newer_version, 6, "A newer version of <product> is already installed in this folder:", "",    \
      plain_text, "existing-installation question when the installed version is newer")                      \
    X(existing_question, 7, "Do you want to install <product> over it?", "", plain_text,                     \
      "last line of the existing-installation question, after the folder")                                   \
    X(status_preparing, 8, "Preparing to install...", "", printf_text,                                       \
      "progress status when the progress dialog opens")                                                      \
    X(existing_refused, 9,                                                                                   \
      "<product> is already installed on this computer. Please uninstall it first, then run this "           \
      "installer again.",                                                                                    \
      "", printf_text, "error when an existing installation may not be installed over")                      \
    X(uninstall_failed, 10,                                                                                  \
      "<product> could not be removed completely. These items are left on your computer:\n\n%s", "%s",       \
      printf_text, "closing message of an uninstall with problems; %s is the list of problems")              \
    X(directory_label, 11, "Choose the folder to install <product> into:", "", plain_text,                   \
      "label of the installation folder dialog and title of its folder browser")                             \
    X(master_missing, 12,                                                                                    \
      "<product> needs %s, which is not installed on this computer. Please install it first.", "%s",         \
      printf_text, "error when the product that this one needs is not installed; %s is its name")            \
    X(corrupt_installer, 13,                                                                                 \
      "This installer is damaged and cannot go on. Most often the download was interrupted or the "          \
      "file was changed on the way, sometimes by a virus.\n\n"                                               \
      "Please delete this copy and download the installer again. If that does not help, check the "          \
      "computer for viruses.\n\nError code: %d",                                                             \
      "%d", printf_text, "fatal message of a damaged installer; %d is the error code")                       \
    X(directory_invalid, 14, "This is not a valid folder name:", "", plain_text,                             \
      "error for an installation folder that is not a valid path; the folder follows on the next line")      \
    X(uninstall_done_caption, 15, "Uninstall Complete", "", plain_text,                                      \
      "caption of the uninstaller's closing success message")                                                \
    X(drive_missing, 16, "Drive %c: is not available. Please choose a folder on another drive.", "%c",       \
      printf_text, "error for an installation folder on a missing drive; %c is the drive letter")            \
    X(directory_is_root, 17, "Please choose a folder, not the top of a drive.", "", printf_text,             \
      "error for an installation folder that is a drive root")                                               \
    X(directory_is_program_files, 18,                                                                        \
      "%s holds the programs of this computer. Please choose a folder inside it instead.", "%s",             \
      printf_text, "error for the Program Files folder itself; %s is that folder")                           \
    X(disk_space_low, 19,                                                                                    \
      "<product> needs %s of disk space, but drive %c: has only %s free.\n\n"                                \
      "Do you want to install it anyway?",                                                                   \
      "%s%c%s", printf_text,                                                                                 \
      "Yes/No warning when the drive is too full; the needed size, the drive letter, the free size")         \
    X(question_caption, 20, "<product>", "", plain_text,                                                     \
      "caption of the disk-space, cancel and restart questions and of the uninstaller's failure message")    \
    X(error_caption, 21, "<product> Setup", "", plain_text, "caption of the installer's error messages")     \
    X(directory_exists_confirm, 22, "The folder %s already exists.\n\nInstall <product> into it?", "%s",     \
      printf_text, "confirmation of an existing installation folder (when asked for); %s is the folder")     \
    X(directory_create_confirm, 23,                                                                          \
      "The folder %s does not exist yet and will be created.\n\nInstall <product> there?", "%s",             \
      printf_text, "confirmation of a new installation folder (when asked for); %s is the folder")           \
    X(directory_caption, 24, "Installation Folder", "", plain_text,                                          \
      "caption of the installation folder dialog and of its confirmation")                                   \
    X(directory_create_failed, 25, "Could not create the folder", "", plain_text,                            \
      "error for a folder that cannot be created; the folder and the reason follow")                         \
    X(volume_request, 26, "Please insert disk %d in drive %c:, then click OK.", "%d%c", printf_text,         \
      "request for the next disk of a split installer; the disk number and the drive letter")                \
    X(volume_caption, 27, "Next Disk", "", plain_text, "caption of the request for the next disk")           \
    X(cancel_question, 28,                                                                                   \
      "Do you really want to stop installing <product>?\n\nFiles that were already copied stay where they "  \
      "are.",                                                                                                \
      "", plain_text, "question when the user cancels the installation")                                     \
    X(status_unpacking, 29, "Unpacking files...", "", printf_text, "progress status while the files unpack") \
    X(volume_wrong, 30, "This is not the right disk, or it cannot be read.", "", plain_text,                 \
      "first line of the next-disk request after a wrong or unreadable disk")                                \
    X(write_failed, 31, "Could not write", "", plain_text,                                                   \
      "leading words of the report line for a file or shortcut that cannot be written; the path follows")    \
    X(status_shortcuts, 32, "Creating shortcuts and registry entries...", "", printf_text,                   \
      "progress status after the files are copied")                                                          \
    X(uninstall_shortcut, 33, "Uninstall <product>", "", plain_text,                                         \
      "name of the uninstaller's shortcuts (a file name)")                                                   \
    X(uninstall_done, 34, "<product> has been removed from your computer.", "", plain_text,                  \
      "the uninstaller's closing success message")                                                           \
    X(shared_file_caption, 35, "Remove Shared File?", "", plain_text,                                        \
      "caption of the uninstaller's question about a shared file")                                           \
    X(status_finishing, 36, "Finishing the installation...", "", printf_text,                                \
      "progress status for the last steps")                                                                  \
    X(restart_question, 37,                                                                                  \
      "Windows must be restarted to finish the installation of <product>.\n\nDo you want to restart now?",   \
      "", plain_text, "question at the end when a restart is needed")                                        \
    X(shortcut_name, 38, "%s", "%s", printf_text,                                                            \
      "name of a file's shortcut when the file gives none; %s is the file's name")                           \
    X(progress_label, 39, "Installing <product>, please wait...", "", plain_text,                            \
      "label of the progress dialog")                                                                        \
    X(log_offer, 40,                                                                                         \
      "<product> has been installed, but there were some problems. They are listed in this file:\n%s\n\n"    \
      "Do you want to see it now?",                                                                          \
      "%s", printf_text,                                                                                     \
      "Yes/No question at the end of an installation with problems; %s is the log's path")                   \
    X(log_offer_caption, 41, "Installation Finished with Problems", "", plain_text,                          \
      "caption of the question at the end of an installation with problems")                                 \
    X(install_done, 42, "<product> has been installed and is ready to use.", "", plain_text,                 \
      "message at the end of a successful installation")                                                     \
    X(install_done_caption, 43, "Installation Complete", "", plain_text,                                     \
      "caption of the closing message; also the last line of the install log")                               \
    X(licence_caption, 44, "License Agreement", "", plain_text, "caption of the licence dialog")             \
    X(licence_accept, 45, "I Agree", "", plain_text, "accepting button of the licence dialog")               \
    X(licence_decline, 46, "I Do Not Agree", "", plain_text, "declining button of the licence dialog")       \
    X(licence_label, 47, "Please read the license agreement below. Do you accept its terms?", "",            \
      plain_text, "label above the licence text")                                                            \
    X(button_continue, 48, "Continue", "", plain_text,                                                       \
      "confirming button of the language, folder and read-me dialogs")                                       \
    X(button_cancel, 49, "Cancel", "", plain_text,                                                           \
      "cancel button of the language, folder, read-me and progress dialogs")                                 \
    X(readme_caption, 50, "Read Me", "", plain_text, "caption of the read-me dialog")                        \
    X(readme_label, 51, "Please read the following information about <product>:", "", plain_text,            \
      "label above the read-me text")                                                                        \
    X(button_browse, 52, "Browse...", "", plain_text, "browse button of the installation folder dialog")     \
    X(uninstall_confirm, 53, "Do you want to remove <product> and all of its parts from your computer?", "", \
      plain_text, "the uninstaller's opening Yes/No question")                                               \
    X(progress_caption, 54, "<product> Setup", "", plain_text, "caption of the progress dialog")             \
    X(uninstall_confirm_caption, 55, "Uninstall <product>", "", plain_text,                                  \
      "caption of the uninstaller's opening question")                                                       \
    X(font_question, 56, "Do you want to remove the font \"%s\" that came with <product>?", "%s",            \
      printf_text, "the uninstaller's question before it removes a font; %s is the font's title")            \
    X(font_caption, 57, "Remove Font?", "", plain_text,                                                      \
      "caption of the uninstaller's question about a font")                                                  \
    X(remove_failed, 58, "Could not remove", "", plain_text,                                                 \
      "leading words of the uninstaller's report line for a file or font it cannot remove; the name "        \
      "follows")                                                                                             \
    X(shared_file_question, 59,                                                                              \
      "The shared file\n%s\nis no longer used by any installed program.\n\n"                                 \
      "Do you want to delete it? If you are not sure, choose No.",                                           \
      "%s", printf_text, "the uninstaller's question before it deletes a shared file; %s is its path")       \
    X(system_excluded, 61, "<product> cannot be installed on %s.", "%s", printf_text,                        \
      "error when the product is not meant for this Windows; %s is the system's name")                       \
    X(status_checking, 62, "Checking the files...", "", printf_text,                                         \
      "progress status while the file data is verified")                                                     \
    X(licence_intro, 63, "", "", plain_text,                                                                 \
      "page shown before the product's licence pages; empty: no extra page")                                 \
    X(readme_intro, 64, "", "", plain_text,                                                                  \
      "page shown before the product's read-me pages; empty: no extra page")                                 \
    X(welcome_caption, 65, "Welcome", "", plain_text, "caption of the opening question")

enum LanguageStringNumber : int {
#define VARNOOK_LANGUAGE_STRING_ENUM(name, number, text, conversions, is_format, purpose)                    \
    string_##name = number,
    VARNOOK_LANGUAGE_STRINGS(VARNOOK_LANGUAGE_STRING_ENUM)
#undef VARNOOK_LANGUAGE_STRING_ENUM
};
