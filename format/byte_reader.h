#pragma once
// The one bounded reader of little-endian bytes that both the stub and the builder
// use for what they read from installers: payload headers, file records, install
// scripts and PE headers.
//
// Contract: whatever the bytes, it never reads outside [data, data + size). A read
// that would pass the end copies what is there, yields zeros for the rest (an empty
// or cut text), moves to the end and fails for good: every later read yields zeros
// too, so a reader may read a whole record and look at `failed` once.

#include <cstdint>

#include "core/string.h"

class ByteReader {
  public:
    ByteReader() = default;
    ByteReader(const void* data, std::int64_t size) { reset(data, size); }

    // Over size bytes at data, not owned; position 0, failure cleared.
    void reset(const void* data, std::int64_t size);

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint64_t u64();
    // n bytes into out; what lies past the end is zeroed.
    void read(void* out, std::int64_t n);
    // n bytes into target (replacing its content); only the bytes that are there
    // are copied, so a damaged size never makes the reader allocate more than the
    // input holds.
    void read_into(String& target, std::int64_t n);
    // A NUL-terminated text in place, the position moved behind its NUL; "" and a
    // failure when there is no NUL before the end.
    const char* text();
    // The bytes up to the next NUL, or up to the end (a failure) when there is none,
    // into target (replacing its content).
    void text(String& target);

    void skip(std::int64_t n);
    // To an offset from the start (0..size); anything else fails.
    void seek(std::int64_t offset);

    // Reads at an offset without moving and without touching the failure: false,
    // value 0, when the field does not lie wholly inside.
    bool u16_at(std::int64_t offset, std::uint32_t& value) const;
    bool u32_at(std::int64_t offset, std::uint32_t& value) const;
    // A reader over the n bytes at offset; false, out empty, unless they lie wholly
    // inside.
    bool sub(std::int64_t offset, std::int64_t n, ByteReader& out) const;

    const char* data() const { return data_; }
    const char* current() const { return data_ + position_; }
    std::int64_t position() const { return position_; }
    std::int64_t size() const { return size_; }
    std::int64_t remaining() const { return size_ - position_; }
    bool failed() const { return failed_; }

  private:
    // Whether n more bytes are there; otherwise the failure is recorded.
    bool take(std::int64_t n);
    // The text at the position: its start and length, the position moved past it.
    std::int64_t text_span(const char*& start);

    const char* data_ = "";
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
    bool failed_ = false;
};
