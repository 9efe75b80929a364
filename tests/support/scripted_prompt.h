#pragma once
// A prompt that answers from a script, for native tests of what the engine asks:
// each question takes the next answer (or `fallback` when the script is used up) and
// is recorded with its caption, text and buttons. The dialogs answer as their fields
// say and are recorded in `dialogs`, one line each ("licence: <page>").

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

    int language = 0; // the language chosen; -1: the dialog is cancelled
    bool accept_licence = true;
    bool accept_readme = true;
    bool confirm_directory = true;
    std::string directory_typed; // replaces the folder when confirmed; empty: kept
    bool quit_requested = false; // what the progress updates report
    std::vector<std::string> dialogs;

    Answer ask(const String& text, const String& caption, Buttons buttons, Icon icon) override {
        asked.push_back({caption.c_str(), text.c_str(), buttons, icon});
        if (answers.empty())
            return fallback;
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int choose_language() override {
        dialogs.push_back("language");
        return language;
    }
    bool show_licence(const String& page) override {
        dialogs.push_back(std::string("licence: ") + page.c_str());
        return accept_licence;
    }
    bool show_readme(const String& page) override {
        dialogs.push_back(std::string("readme: ") + page.c_str());
        return accept_readme;
    }
    bool choose_directory(String& directory) override {
        dialogs.push_back(std::string("directory: ") + directory.c_str());
        if (confirm_directory && !directory_typed.empty())
            directory = String(directory_typed.c_str());
        return confirm_directory;
    }
    void open_progress(bool cancel_disabled) override {
        dialogs.push_back(cancel_disabled ? "progress open, cancel disabled" : "progress open");
    }
    void close_progress() override { dialogs.push_back("progress closed"); }
    bool set_progress_text(const String& text) override {
        dialogs.push_back(std::string("status: ") + text.c_str());
        return quit_requested;
    }
    bool set_progress(int position) override {
        progress.push_back(position);
        return quit_requested;
    }
};
