#pragma once
// Everything the installation and the uninstall show the user and wait for goes
// through one interface: the stub's side shows real boxes and dialogs over the
// background window (ui/window_prompt.h); native tests script the answers.

#include "core/string.h"

enum class Buttons { ok, ok_cancel, yes_no };
enum class Icon { none, error, question, warning, information };
// The answers carry the system's button ids.
enum class Answer { ok = 1, cancel = 2, yes = 6, no = 7 };

class Prompt {
  public:
    virtual ~Prompt() = default;

    // A message box over the owner window; the button pressed.
    virtual Answer ask(const String& text, const String& caption, Buttons buttons, Icon icon) = 0;
    // The progress bar's position, 0 to 100; nothing while no progress is shown.
    virtual void set_progress(int position) = 0;

  protected:
    Prompt() = default;
    Prompt(const Prompt&) = default;
    Prompt& operator=(const Prompt&) = default;
};
