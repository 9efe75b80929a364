#include "installer/confirm_cancel.h"

#include "core/win32.h"
#include "installer/language.h"
#include "installer/startup.h"

void confirm_cancel() {
    String text = language_string(confirm_cancel_string);
    String caption = language_string(confirm_cancel_caption_string);
    int answer = MessageBoxA(static_cast<HWND>(owner_window()), text.c_str(), caption.c_str(),
                             MB_YESNO | MB_ICONQUESTION);
    if (answer == IDYES)
        shutdown();
}
