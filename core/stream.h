#pragma once
// The two stream interfaces of the library and the in-memory stream that is both.
//
// `Reader::read` and `Writer::write` move exactly n bytes or fail; the helpers on
// top of them are non-virtual, so every stream gets them alike. `MemoryStream` is
// a String with a signed 32-bit position: the output of the unpacker, the stream
// the install script is read from, and the content of a File in in-memory mode.

#include <cstdint>

#include "core/string.h"

class Reader {
  public:
    virtual ~Reader() = default;

    // Reads exactly n bytes into buffer; false when they are not all there.
    virtual bool read(void* buffer, int32_t n) = 0;

    // One byte; false (byte 0) when the stream has none left.
    bool read_byte(uint8_t& byte);
    // Appends n bytes to target: it grows by n first and shrinks back when the read
    // fails. n < 1 succeeds at once; a null target fails.
    bool read_append(String* target, int32_t n);
    bool read_append(String& target, int32_t n) { return read_append(&target, n); }

  protected:
    Reader() = default;
    Reader(const Reader&) = default;
    Reader& operator=(const Reader&) = default;
};

class Writer {
  public:
    virtual ~Writer() = default;

    // Writes exactly n bytes; false when they could not all be written.
    virtual bool write(const void* bytes, int32_t n) = 0;

    // The String's bytes, without a terminator.
    bool write_string(const String& text);
    // A NUL-terminated text without its NUL; a null text writes nothing.
    bool write_text(const char* text);

  protected:
    Writer() = default;
    Writer(const Writer&) = default;
    Writer& operator=(const Writer&) = default;
};

class MemoryStream : public Reader, public Writer {
  public:
    MemoryStream() = default;
    // A stream over a copy of content, positioned at 0.
    explicit MemoryStream(const String& content) : content_(content) {}

    // n = 0 succeeds; n < 0 fails. Otherwise the bytes from the position are copied;
    // when fewer than n are there, the rest of the buffer is zero-filled and the read
    // fails. The position advances by n in every case (also on failure).
    bool read(void* buffer, int32_t n) override;
    // `extend` by n and copy the bytes there; n < 0 fails, n = 0 succeeds.
    bool write(const void* bytes, int32_t n) override;

    // Position += n; the String's length is raised to at least the new position
    // (bytes between the old end and the n new ones are zeroed; the buffer is
    // reallocated only when its capacity is exceeded). Returns the n bytes before
    // the new position, or null (nothing changed) for n < 0, a negative position or
    // a position that would pass String::max_length.
    char* extend(int32_t n);
    // Appends byte count times at the position; false for count <= 0.
    bool write_fill(uint8_t byte, int32_t count);
    // Appends at the position the length bytes that begin at source. False (nothing
    // done) unless source >= 0, length >= 0 and source + length <= position, i.e.
    // the range lies wholly before the position.
    bool copy_within(int32_t source, int32_t length);

    // Position += n, unchecked: a later read past the end fails, a write fills the gap.
    // Saturates at the ends of the 32-bit range.
    void skip(int32_t n);
    // Only 0 <= p <= length is accepted.
    bool seek(int32_t p);
    int32_t position() const { return position_; }
    int32_t length() const { return content_.length(); }
    // Cuts the content at the position (nothing when the position lies beyond it).
    void truncate_here();
    // Empties the content and sets the position to 0.
    void clear();

    // The content. A caller may size or fill it directly (the unpacker sets the
    // final length up front); the position is left to the caller.
    String& string() { return content_; }
    const String& string() const { return content_; }

  private:
    String content_;
    int32_t position_ = 0;
};
