#include "installer/volume_prompt.h"

#include "installer/confirm_cancel.h"
#include "installer/language.h"

bool is_volume_request_format(const String& format) {
    return takes_conversions(format, "dc");
}

String volume_request_text(const char* prefix, const String& format, std::int32_t number, char drive) {
    String text;
    if (prefix != nullptr) {
        text.append(prefix);
        text.append("\r\n\r\n");
    }
    if (is_volume_request_format(format))
        text.append_format(format.c_str(), static_cast<int>(number), drive);
    else
        text.append(format);
    return text;
}

int volume_progress_position(std::int32_t total, std::int32_t missing) {
    if (total <= 0)
        return 5;
    return static_cast<int>((static_cast<std::int64_t>(total) - missing) * 30 / total + 5);
}

void VolumePrompt::before_volume(std::int32_t number, std::int32_t missing) {
    (void)number;
    failed_opens_ = 0;
    wrong_volumes_ = 0;
    run_.prompt->set_progress(volume_progress_position(total_, missing));
}

bool VolumePrompt::retry_volume(std::int32_t number, const String& path, VolumeProblem problem) {
    (void)path;
    if (problem == VolumeProblem::cannot_open)
        ++failed_opens_;
    else
        ++wrong_volumes_;
    // Two failed opens or one wrong volume: the user is told so first.
    const bool user_was_wrong = failed_opens_ >= 2 || wrong_volumes_ >= 1;
    String prefix = user_was_wrong ? language_string(run_, string_volume_wrong) : String();
    String text = volume_request_text(user_was_wrong ? prefix.c_str() : nullptr,
                                      language_string(run_, string_volume_request), number, drive_);
    String caption = language_string(run_, string_volume_caption);
    if (run_.prompt->ask(text, caption, Buttons::ok_cancel, Icon::question) == Answer::ok)
        return true;
    return !confirm_cancel(run_);
}
