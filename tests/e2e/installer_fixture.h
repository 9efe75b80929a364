#pragma once
// Installers built from the real stub for end-to-end tests: the script and files
// of a small product, the installer and its volume files written into a folder of
// their own, and the installer started and its boxes answered through the UI
// driver as a person would.

#include <string>
#include <utility>
#include <vector>

#include "builder/payload_writer.h"
#include "core/string.h"
#include "format/payload.h"
#include "format/script.h"
#include "tests/e2e/stub_under_test.h"
#include "tests/support/process_win32.h"

// A program built beside the test (ui_driver.exe, varnook-build.exe). The stub comes
// from stub_under_test().
std::string program(const char* name);

String read_file(const std::string& path);
bool write_file(const std::string& path, const String& bytes);

// A new folder in the temp folder, removed with everything in it when the test ends.
class TempFolder {
  public:
    explicit TempFolder(const char* name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing backslash, and a file in it.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// The switches that install without questions into `folder`'s "installed" folder.
std::string automatic_into(const TempFolder& folder);

// A product with one language whose strings 0 to 30 are "Text n" unless `texts`
// gives them ({number, text} pairs); the volume base name is "BASE".
InstallScript demo_script(const std::vector<std::pair<int, const char*>>& texts = {});

// As demo_script, with all 66 strings: 31 to 65 are empty unless `texts` gives them.
InstallScript full_demo_script(const std::vector<std::pair<int, const char*>>& texts = {});

// Two small files, the second larger than a volume of the spanned tests.
std::vector<FileRecord> demo_files();

// The payload of `script` and `files` put into the real stub; `payload` receives the
// volumes. Empty on failure (the test has already failed then).
String build_installer(const InstallScript& script, const std::vector<FileRecord>& files,
                       const PayloadOptions& options, BuiltPayload* payload = nullptr);

// The payload's section and header as the stub reads them.
bool read_payload_header(const String& image, PayloadSection& section, PayloadHeader& header);

// A started installer and the driver that answers its boxes.
class RunningInstaller {
  public:
    // `switches` follow the path on the command line as they stand.
    explicit RunningInstaller(const std::string& path, const std::string& switches = "");

    bool started() const { return process_.started(); }
    // Runs the UI driver on the installer's boxes with `commands` ("show", "press",
    // "OK", ...); its output, and its exit code in `exit_code` when given.
    std::string drive(const std::vector<std::string>& commands, unsigned long* exit_code = nullptr);
    // Waits for the installer to end: its exit code, or -1 when it is still running
    // after `timeout_ms` (the box it shows is then printed into `box` and the
    // installer ended).
    long wait_for_exit(unsigned long timeout_ms, std::string* box = nullptr);

  private:
    Process process_;
};

// The registry as the stub under test sees it (its view of the machine's software key),
// through Wine's reg.exe.
// "HKLM\...\Uninstall\<name>": the list of installed programs' entry of `name`.
std::string uninstall_entry_key(const std::string& name);
// `reg query` of `key` (one value when `value` is given): its output, or "<missing>".
std::string reg_query(const std::string& key, const std::string& value = "");
// Deletes `key` with everything below it; nothing when it is not there.
void remove_key(const std::string& key);

// The line `show` prints for a message box's text.
std::string box_text_line(const std::string& text);
// The line `show` starts with for a box with this caption.
std::string box_caption_prefix(const std::string& caption);
