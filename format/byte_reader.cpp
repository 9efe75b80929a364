#include "format/byte_reader.h"

#include <cstring>

namespace {

std::uint32_t little_endian(const unsigned char* b, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | b[i];
    return value;
}

} // namespace

void ByteReader::reset(const void* data, std::int64_t size) {
    data_ = data != nullptr ? static_cast<const char*>(data) : "";
    size_ = data != nullptr && size > 0 ? size : 0;
    position_ = 0;
    failed_ = false;
}

bool ByteReader::take(std::int64_t n) {
    if (!failed_ && n >= 0 && n <= size_ - position_)
        return true;
    failed_ = true;
    return false;
}

void ByteReader::read(void* out, std::int64_t n) {
    if (n < 0) {
        failed_ = true;
        return;
    }
    const std::int64_t there = failed_ ? 0 : (n < remaining() ? n : remaining());
    if (there > 0)
        std::memcpy(out, data_ + position_, static_cast<size_t>(there));
    if (there < n)
        std::memset(static_cast<char*>(out) + there, 0, static_cast<size_t>(n - there));
    if (take(n))
        position_ += n;
    else
        position_ = size_;
}

std::uint8_t ByteReader::u8() {
    unsigned char b[1];
    read(b, 1);
    return b[0];
}

std::uint16_t ByteReader::u16() {
    unsigned char b[2];
    read(b, 2);
    return static_cast<std::uint16_t>(little_endian(b, 2));
}

std::uint32_t ByteReader::u32() {
    unsigned char b[4];
    read(b, 4);
    return little_endian(b, 4);
}

std::uint64_t ByteReader::u64() {
    std::uint64_t low = u32();
    std::uint64_t high = u32();
    return low | high << 32;
}

void ByteReader::read_into(String& target, std::int64_t n) {
    target.clear();
    if (n < 0) {
        failed_ = true;
        return;
    }
    const std::int64_t there = failed_ ? 0 : (n < remaining() ? n : remaining());
    if (there > 0)
        target.assign(data_ + position_, static_cast<std::int32_t>(there));
    if (take(n))
        position_ += n;
    else
        position_ = size_;
}

std::int64_t ByteReader::text_span(const char*& start) {
    start = current();
    if (failed_)
        return 0;
    const void* nul = std::memchr(start, 0, static_cast<size_t>(remaining()));
    if (nul != nullptr) {
        std::int64_t n = static_cast<const char*>(nul) - start;
        position_ += n + 1;
        return n;
    }
    // No NUL before the end: the bytes up to it, and a failure.
    std::int64_t n = remaining();
    failed_ = true;
    position_ = size_;
    return n;
}

const char* ByteReader::text() {
    const char* start = nullptr;
    text_span(start);
    return failed_ ? "" : start;
}

void ByteReader::text(String& target) {
    const char* start = nullptr;
    std::int64_t n = text_span(start);
    target.assign(start, static_cast<std::int32_t>(n));
}

void ByteReader::skip(std::int64_t n) {
    if (take(n))
        position_ += n;
    else
        position_ = size_;
}

void ByteReader::seek(std::int64_t offset) {
    if (!failed_ && offset >= 0 && offset <= size_) {
        position_ = offset;
        return;
    }
    failed_ = true;
    position_ = size_;
}

bool ByteReader::u16_at(std::int64_t offset, std::uint32_t& value) const {
    value = 0;
    if (offset < 0 || offset > size_ - 2)
        return false;
    value = little_endian(reinterpret_cast<const unsigned char*>(data_ + offset), 2);
    return true;
}

bool ByteReader::u32_at(std::int64_t offset, std::uint32_t& value) const {
    value = 0;
    if (offset < 0 || offset > size_ - 4)
        return false;
    value = little_endian(reinterpret_cast<const unsigned char*>(data_ + offset), 4);
    return true;
}

bool ByteReader::sub(std::int64_t offset, std::int64_t n, ByteReader& out) const {
    if (offset < 0 || n < 0 || offset > size_ || n > size_ - offset) {
        out.reset(nullptr, 0);
        return false;
    }
    out.reset(data_ + offset, n);
    return true;
}
