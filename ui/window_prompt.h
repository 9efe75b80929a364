#pragma once
// The stub's prompt: message boxes and dialogs over the owner window of the run.

#include "ui/dialogs.h"
#include "ui/prompt.h"
#include "ui/services.h"

class WindowPrompt : public Prompt {
  public:
    explicit WindowPrompt(Windows& windows) : windows_(windows) {}

    // The dialogs' texts; to be given before the first dialog opens.
    void set_texts(DialogTexts& texts) { texts_ = &texts; }

    Answer ask(const String& text, const String& caption, Buttons buttons, Icon icon) override;
    int choose_language() override;
    bool show_licence(const String& page) override;
    bool show_readme(const String& page) override;
    bool choose_directory(String& directory) override;
    void open_progress(bool cancel_disabled) override;
    void close_progress() override;
    bool set_progress_text(const String& text) override;
    bool set_progress(int position) override;

  private:
    DialogTexts& texts();

    Windows& windows_;
    DialogTexts* texts_ = nullptr;
};
