#pragma once
// The install sequence's side of gathering a spanned archive: each volume file that
// cannot be opened or is the wrong one is asked for again, until the user supplies
// it or quits.

#include <cstdint>

#include "core/string.h"
#include "format/payload.h"
#include "installer/run_state.h"

// Whether `format` holds exactly two conversions, "%d" and then "%c" ("%%" aside):
// only such a text is safe to format with the volume number and the drive letter.
bool is_volume_request_format(const String& format);

// The request's text: `prefix` and "\r\n\r\n" when it is not null, then `format`
// with `number` and `drive` when it is a volume request format, else `format` as it
// stands (a damaged text is shown, never handed to the formatter).
String volume_request_text(const char* prefix, const String& format, std::int32_t number, char drive);

// Where the progress bar stands before a volume, while `missing` of `total` bytes of
// the file-data area still lack: 5 to 35.
int volume_progress_position(std::int32_t total, std::int32_t missing);

// Asks the user with the request box (language string 26 with the volume number and
// the drive letter, caption 27; string 30 in front once the user was wrong) before
// every attempt at a volume but the first; Cancel leads to the quit question, whose
// No makes the attempt again and whose Yes gives up.
class VolumePrompt : public VolumeRequests {
  public:
    // `drive`: the letter of the drive the volumes are asked for on.
    VolumePrompt(RunState& run, std::int32_t file_data_size, char drive)
        : run_(run), total_(file_data_size), drive_(drive) {}

    void before_volume(std::int32_t number, std::int32_t missing) override;
    bool retry_volume(std::int32_t number, const String& path, VolumeProblem problem) override;

  private:
    RunState& run_;
    std::int32_t total_;
    char drive_;
    // Failed attempts at the current volume.
    int failed_opens_ = 0;
    int wrong_volumes_ = 0;
};
