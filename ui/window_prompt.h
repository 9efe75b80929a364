#pragma once
// The stub's prompt: message boxes and dialogs over the owner window of the run.

#include "ui/prompt.h"
#include "ui/services.h"

class WindowPrompt : public Prompt {
  public:
    explicit WindowPrompt(Windows& windows) : windows_(windows) {}

    Answer ask(const String& text, const String& caption, Buttons buttons, Icon icon) override;
    void set_progress(int position) override;

  private:
    Windows& windows_;
};
