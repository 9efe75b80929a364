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
    // The language dialog: the index of the language chosen, or -1 when cancelled.
    virtual int choose_language() = 0;
    // The licence and the read-me dialogs showing `page`: true when the user goes on.
    virtual bool show_licence(const String& page) = 0;
    virtual bool show_readme(const String& page) = 0;
    // The installation folder dialog starting at `directory`; true when confirmed,
    // `directory` then holding the folder chosen.
    virtual bool choose_directory(String& directory) = 0;

    // The progress dialog, shown from `open_progress` to `close_progress`; with
    // `cancel_disabled` its button cannot stop the installation.
    virtual void open_progress(bool cancel_disabled) = 0;
    virtual void close_progress() = 0;
    // The status line and the bar's position (0 to 100; nothing while no progress is
    // shown). Both let waiting messages run: true when one of them asked to quit.
    virtual bool set_progress_text(const String& text) = 0;
    virtual bool set_progress(int position) = 0;

  protected:
    Prompt() = default;
    Prompt(const Prompt&) = default;
    Prompt& operator=(const Prompt&) = default;
};
