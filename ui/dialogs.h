#pragma once
// The installer's dialogs: language, licence, read-me and installation folder (modal)
// and the modeless progress dialog, all owned by the background window and centred on
// the screen when they open, with the system's folder browser. Their templates are in
// the program's resources (resources/dialogs.rc); every text they show is one of the
// product's language strings, which they take through `DialogTexts`.
//
// Escape and the window's close box do nothing in any of them; Enter presses the
// confirming button.

#include "core/containers.h"
#include "core/string.h"
#include "ui/services.h"

// The texts the dialogs show. Which language string each one is, is the engine's
// business (its adapter maps them to the string numbers).
enum class DialogText {
    confirm, // the confirming button of the language, folder and read-me dialogs
    cancel,  // their cancel button, and the progress dialog's
    directory_caption,
    directory_label, // also the folder browser's title
    browse,          // the folder dialog's browse button
    licence_caption,
    licence_accept,
    licence_decline,
    licence_label,
    readme_caption,
    readme_label,
    progress_caption,
    progress_label,
    cancel_question, // asked when the progress dialog's button is pressed
    question_caption,
};

class DialogTexts {
  public:
    virtual ~DialogTexts() = default;
    // `which` in the current language, ready to show.
    virtual String text(DialogText which) = 0;
    // The names of the product's languages, in table order.
    virtual const Vector<String>& language_names() = 0;
    // Makes language `index` (0 up to the count - 1) the current one.
    virtual void set_language(int index) = 0;

  protected:
    DialogTexts() = default;
    DialogTexts(const DialogTexts&) = default;
    DialogTexts& operator=(const DialogTexts&) = default;
};

struct WindowPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where `centre_window` puts a window of `width` x `height` on a screen of
// `screen_width` x `screen_height`: no larger than the screen, centred, and never
// beyond its top or left edge.
WindowPlace centred_place(int screen_width, int screen_height, int width, int height);

// Moves `window` to the centre of the screen (without repainting it).
void centre_window(void* window);

// The button ids the modal dialogs end with.
constexpr int dialog_confirmed = 1001;
constexpr int dialog_cancelled = 1003;

// The language dialog: the languages listed, the first one selected. Moving the
// selection makes that language current at once, so that the buttons speak it.
// Returns the chosen index (held to the list), or -1 when cancelled.
int choose_language(const Windows& windows, DialogTexts& texts);

// The licence and read-me dialogs showing `page`; true when confirmed.
bool show_licence(const Windows& windows, DialogTexts& texts, const String& page);
bool show_readme(const Windows& windows, DialogTexts& texts, const String& page);

// The installation folder dialog, its edit starting with `directory` (at most 259
// characters); on confirming, `directory` takes the edit's text and the result is true.
bool choose_directory(const Windows& windows, DialogTexts& texts, String& directory);

// The system's folder browser over `owner`, rooted at the computer's drives, titled
// `title`, starting at `path`. True with `path` replaced when a folder was chosen;
// false, `path` unchanged, when cancelled or the folder has no path.
bool browse_for_folder(void* owner, const String& title, String& path);

// Opens the progress dialog (windows.progress) with its bar at 0. Its cancel button
// asks whether to quit and ends the program through `shutdown` on Yes; with
// `cancel_disabled` the button is disabled.
void open_progress(Windows& windows, DialogTexts& texts, bool cancel_disabled);
// Destroys the progress dialog; windows.progress becomes null.
void close_progress(Windows& windows);
// Shows `text` as the progress dialog's status line, then pumps the message queue.
// True when the pump saw a request to quit (see `pump_messages`).
bool set_progress_text(Windows& windows, const String& text);
// Moves the bar to `position` (0 to 100) when it exists, then pumps as
// `set_progress_text` does.
bool set_progress(Windows& windows, int position);
