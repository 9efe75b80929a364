#include "installer/confirm_cancel.h"

bool confirm_cancel(RunState& run) {
    String text = language_string(run, string_cancel_question);
    String caption = language_string(run, string_question_caption);
    return run.prompt->ask(text, caption, Buttons::yes_no, Icon::question) == Answer::yes;
}
