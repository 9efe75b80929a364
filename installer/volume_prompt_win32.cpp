#include "installer/volume_prompt.h"

#include "core/win32.h"
#include "installer/confirm_cancel.h"
#include "installer/language.h"
#include "installer/startup.h"

namespace {

// The progress dialog's bar while the volumes are gathered. The installer has no
// progress dialog yet, so there is no bar to move: this is where it will be set.
void set_gathering_progress(int position) {
    (void)position;
}

// The drive letter of `path` as the system resolves it (a relative path lies on the
// current drive).
char drive_letter(const String& path) {
    char full[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n > MAX_PATH)
        return path.char_at(0);
    return full[0];
}

} // namespace

void VolumePrompt::before_volume(std::int32_t number, std::int32_t missing) {
    (void)number;
    failed_opens_ = 0;
    wrong_volumes_ = 0;
    set_gathering_progress(volume_progress_position(total_, missing));
}

bool VolumePrompt::retry_volume(std::int32_t number, const String& path, VolumeProblem problem) {
    if (problem == VolumeProblem::cannot_open)
        ++failed_opens_;
    else
        ++wrong_volumes_;
    // Two failed opens or one wrong volume: the user is told so first.
    const bool user_was_wrong = failed_opens_ >= 2 || wrong_volumes_ >= 1;
    String prefix = user_was_wrong ? language_string(wrong_volume_string) : String();
    String text = volume_request_text(user_was_wrong ? prefix.c_str() : nullptr,
                                      language_string(volume_request_string), number, drive_letter(path));
    String caption = language_string(volume_request_caption_string);
    int answer = MessageBoxA(static_cast<HWND>(owner_window()), text.c_str(), caption.c_str(),
                             MB_OKCANCEL | MB_ICONQUESTION);
    if (answer != IDOK)
        confirm_cancel(); // returns only when the user goes on
    return true;
}
