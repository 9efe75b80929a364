#include "installer/dialog_texts.h"

LanguageStringNumber language_string_number(DialogText which) {
    switch (which) {
    case DialogText::confirm:
        return string_button_continue;
    case DialogText::cancel:
        return string_button_cancel;
    case DialogText::directory_caption:
        return string_directory_caption;
    case DialogText::directory_label:
        return string_directory_label;
    case DialogText::browse:
        return string_button_browse;
    case DialogText::licence_caption:
        return string_licence_caption;
    case DialogText::licence_accept:
        return string_licence_accept;
    case DialogText::licence_decline:
        return string_licence_decline;
    case DialogText::licence_label:
        return string_licence_label;
    case DialogText::readme_caption:
        return string_readme_caption;
    case DialogText::readme_label:
        return string_readme_label;
    case DialogText::progress_caption:
        return string_progress_caption;
    case DialogText::progress_label:
        return string_progress_label;
    case DialogText::cancel_question:
        return string_cancel_question;
    case DialogText::question_caption:
        return string_question_caption;
    }
    return string_button_continue;
}

String LanguageDialogTexts::text(DialogText which) {
    return language_string(tables_, product_name_, language_string_number(which));
}
