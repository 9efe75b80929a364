#pragma once
// Payload files held in memory: the image file and the volume files by path, for
// the native tests of the payload reader.

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "format/payload.h"

class MemoryPayloadFiles : public PayloadFiles {
  public:
    String image;
    std::map<std::string, String> volumes;  // by path
    std::vector<std::string> opened;        // every path open_volume was asked for
    int fail_volume_reads_after = -1;       // >= 0: that many volume reads succeed, then all fail
    std::int64_t image_readable_below = -1; // >= 0: image reads reaching this offset fail

    std::int64_t image_size() override { return image.length(); }
    bool read_image(std::int64_t offset, void* buffer, std::int32_t count) override {
        if (image_readable_below >= 0 && offset + count > image_readable_below)
            return false;
        return copy(image, offset, buffer, count);
    }
    std::int64_t open_volume(const String& path) override {
        opened.push_back(path.c_str());
        auto found = volumes.find(path.c_str());
        current_ = found == volumes.end() ? nullptr : &found->second;
        return current_ == nullptr ? -1 : current_->length();
    }
    bool read_volume(std::int64_t offset, void* buffer, std::int32_t count) override {
        if (current_ == nullptr)
            return false;
        if (fail_volume_reads_after >= 0 && fail_volume_reads_after-- == 0) {
            fail_volume_reads_after = 0;
            return false;
        }
        return copy(*current_, offset, buffer, count);
    }

    void close_volume() override { current_ = nullptr; }

  private:
    static bool copy(const String& from, std::int64_t offset, void* buffer, std::int32_t count) {
        if (offset < 0 || count < 0 || offset + count > from.length())
            return false;
        std::memcpy(buffer, from.c_str() + offset, static_cast<size_t>(count));
        return true;
    }
    const String* current_ = nullptr;
};

// Records what the reader asked of the install sequence; gives up after `retries`.
class RecordedRequests : public VolumeRequests {
  public:
    int retries = 0;
    std::vector<std::string> asked; // "number:path:problem"
    std::vector<int> missing_before;

    void before_volume(std::int32_t number, std::int32_t missing) override {
        (void)number;
        missing_before.push_back(missing);
    }
    bool retry_volume(std::int32_t number, const String& path, VolumeProblem problem) override {
        asked.push_back(std::to_string(number) + ":" + path.c_str() + ":" +
                        (problem == VolumeProblem::cannot_open ? "cannot_open" : "wrong_volume"));
        if (on_retry)
            on_retry();
        return retries-- > 0;
    }
    std::function<void()> on_retry; // e.g. the user puts the right disk in
};
