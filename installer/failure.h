#pragma once
// How the engine reports what goes wrong: the corrupt-installer message with its
// code, the usage message, the payload-version message, and the non-fatal error
// box. The fatal ones end the process through core/fatal.h (in the stub the
// "FATAL ERROR" box and shutdown, in tests a recorded text).

#include "core/compiler.h"
#include "core/string.h"
#include "installer/run_state.h"

// The texts shown by the routines below, exactly as the user sees them.
extern const char* const usage_text;
extern const char* const builtin_corrupt_installer_text;
extern const char* const no_archive_text;
extern const char* const cannot_open_self_text;
extern const char* const payload_version_text;

// The corrupt-installer text (language string 13, or the built-in text while that
// is empty) with `code`.
[[noreturn]] void corrupt_installer(RunState& run, int code);

// `format` with its first "%d" replaced by `code` and "%%" by "%"; any other "%" stays
// as it is, so a damaged text can never read arguments that are not there.
String with_error_code(const String& format, int code);

// The usage text with `message` and the program's own file name.
[[noreturn]] void usage_error(const RunState& run, const char* message);

// The message for a payload written for another installer version (`version` as
// stored, times 100).
[[noreturn]] void payload_version_error(int version);

// Ends the run for a reader's code: the no-archive message, the version message
// (`version` as the payload states it), or the corrupt-installer message. Returns
// for 0.
void check_payload_code(RunState& run, int code, int version = 0);

// Non-fatal error box; shows nothing in automatic mode (unless the script asks for
// it) or when the text is blank. The program goes on.
void error_box(RunState& run, const char* format, ...) VARNOOK_PRINTF(2, 3);

// The line that tells that `path` could not be written (language string 31, the path,
// then `system_error`, the system's text for the failure), for the error report.
String write_failure_line(RunState& run, const char* path, const char* system_error);

// Whether `error_box` shows `text` in the run's mode.
bool error_box_shows(const RunState& run, const String& text);
