#pragma once
// A prompt that answers from a script, for native tests of what the engine asks:
// each question takes the next answer (or `fallback` when the script is used up) and
// is recorded with its caption, text and buttons.

#include <deque>
#include <string>
#include <vector>

#include "ui/prompt.h"

struct AskedQuestion {
    std::string caption;
    std::string text;
    Buttons buttons;
    Icon icon;
};

class ScriptedPrompt : public Prompt {
  public:
    std::deque<Answer> answers;
    Answer fallback = Answer::cancel;
    std::vector<AskedQuestion> asked;
    std::vector<int> progress;

    Answer ask(const String& text, const String& caption, Buttons buttons, Icon icon) override {
        asked.push_back({caption.c_str(), text.c_str(), buttons, icon});
        if (answers.empty())
            return fallback;
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void set_progress(int position) override { progress.push_back(position); }
};
