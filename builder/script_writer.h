#pragma once
// The builder's side of the install script: every field of an `InstallScript`
// written in the order the stub reads it (format/script.h), so that
// `parse_script` of the bytes gives the same fields back.

#include <string>

#include "core/string.h"
#include "format/script.h"

// Appends little-endian items to a String.
class ByteWriter {
  public:
    explicit ByteWriter(String& out) : out_(out) {}
    void byte(unsigned value) { out_.append(static_cast<char>(value & 0xFF)); }
    void uint16(unsigned value) {
        byte(value);
        byte(value >> 8);
    }
    void int32(std::int32_t value) {
        std::uint32_t v = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            byte(v >> (8 * i));
    }
    void int64(std::uint64_t value) {
        int32(static_cast<std::int32_t>(value & 0xFFFFFFFFu));
        int32(static_cast<std::int32_t>(value >> 32));
    }
    // The text and its NUL.
    void text(const String& value) {
        out_.append(value.c_str(), value.length());
        out_.append('\0');
    }
    void bytes(const void* data, std::int32_t n) {
        if (n > 0)
            out_.append(static_cast<const char*>(data), n);
    }
    void timestamp(const TimeStamp& time) {
        for (std::int32_t field : {time.year, time.month, time.day, time.hour, time.minute, time.second})
            int32(field);
    }

  private:
    String& out_;
};

// The unpacked script bytes of `script`. False, with `error` saying which field and
// why, when the stub would refuse the script or read it back differently: a count
// or value outside its range, a blank volume base name or uninstaller file name, a
// patch block that is not 2216 bytes, a text holding a NUL byte, a deletion path
// that spells the list's end, or a language string table that is not full.
bool write_script(const InstallScript& script, String& out, std::string& error);
