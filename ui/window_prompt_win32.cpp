#include "ui/window_prompt.h"

#include "core/fatal.h"
#include "core/win32.h"

namespace {

UINT style_of(Buttons buttons, Icon icon) {
    UINT style = 0;
    switch (buttons) {
    case Buttons::ok:
        style = MB_OK;
        break;
    case Buttons::ok_cancel:
        style = MB_OKCANCEL;
        break;
    case Buttons::yes_no:
        style = MB_YESNO;
        break;
    }
    switch (icon) {
    case Icon::none:
        break;
    case Icon::error:
        style |= MB_ICONERROR;
        break;
    case Icon::question:
        style |= MB_ICONQUESTION;
        break;
    case Icon::warning:
        style |= MB_ICONWARNING;
        break;
    case Icon::information:
        style |= MB_ICONINFORMATION;
        break;
    }
    return style;
}

} // namespace

Answer WindowPrompt::ask(const String& text, const String& caption, Buttons buttons, Icon icon) {
    int pressed = MessageBoxA(static_cast<HWND>(owner_window(windows_)), text.c_str(), caption.c_str(),
                              style_of(buttons, icon));
    switch (pressed) {
    case IDOK:
        return Answer::ok;
    case IDYES:
        return Answer::yes;
    case IDNO:
        return Answer::no;
    default:
        // Closed without a button (or no box could be shown): the way out.
        return buttons == Buttons::yes_no ? Answer::no : Answer::cancel;
    }
}

DialogTexts& WindowPrompt::texts() {
    if (texts_ == nullptr)
        internal_fatal("ui", __LINE__); // a dialog asked for before the texts were given
    return *texts_;
}

int WindowPrompt::choose_language() {
    return ::choose_language(windows_, texts());
}

bool WindowPrompt::show_licence(const String& page) {
    return ::show_licence(windows_, texts(), page);
}

bool WindowPrompt::show_readme(const String& page) {
    return ::show_readme(windows_, texts(), page);
}

bool WindowPrompt::choose_directory(String& directory) {
    return ::choose_directory(windows_, texts(), directory);
}

void WindowPrompt::open_progress(bool cancel_disabled) {
    ::open_progress(windows_, texts(), cancel_disabled);
}

void WindowPrompt::close_progress() {
    ::close_progress(windows_);
}

bool WindowPrompt::set_progress_text(const String& text) {
    return ::set_progress_text(windows_, text);
}

bool WindowPrompt::set_progress(int position) {
    return ::set_progress(windows_, position);
}
