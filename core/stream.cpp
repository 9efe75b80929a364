#include "core/stream.h"

#include <cstring>

bool Reader::read_byte(uint8_t& byte) {
    byte = 0;
    return read(&byte, 1);
}

bool Reader::read_append(String* target, int32_t n) {
    if (n < 1)
        return true;
    if (target == nullptr)
        return false;
    int32_t old_length = target->length();
    char* place = target->extend(n);
    if (read(place, n))
        return true;
    target->set_length(old_length);
    return false;
}

bool Writer::write_string(const String& text) {
    return write(text.data(), text.length());
}

bool Writer::write_text(const char* text) {
    if (text == nullptr)
        return true;
    return write(text, static_cast<int32_t>(std::strlen(text)));
}

bool MemoryStream::read(void* buffer, int32_t n) {
    if (n < 1)
        return n == 0;
    // Bytes at indices 0..length-1 are there; everything else of the request reads
    // as zero.
    int64_t start = position_;
    int64_t end = start + n;
    int64_t length = content_.length();
    int64_t from = start < 0 ? 0 : start;
    int64_t to = end > length ? length : end;
    std::memset(buffer, 0, static_cast<size_t>(n));
    if (from < to)
        std::memcpy(static_cast<char*>(buffer) + (from - start), content_.data() + from,
                    static_cast<size_t>(to - from));
    position_ = static_cast<int32_t>(end > INT32_MAX ? INT32_MAX : end);
    return start >= 0 && end <= length;
}

bool MemoryStream::write(const void* bytes, int32_t n) {
    if (n < 1)
        return n == 0;
    char* place = extend(n);
    if (place == nullptr)
        return false;
    std::memcpy(place, bytes, static_cast<size_t>(n));
    return true;
}

char* MemoryStream::extend(int32_t n) {
    if (n < 0 || position_ < 0)
        return nullptr;
    int64_t end = static_cast<int64_t>(position_) + n;
    if (end > String::max_length)
        return nullptr;
    int32_t start = position_;
    int32_t old_length = content_.length();
    if (end > old_length) {
        content_.ensure_length(static_cast<int32_t>(end));
        // A skip past the end leaves a gap; it reads as zeros, not as old heap bytes.
        if (start > old_length)
            std::memset(content_.data() + old_length, 0, static_cast<size_t>(start - old_length));
    }
    position_ = static_cast<int32_t>(end);
    if (content_.data() == nullptr)
        return nullptr; // n = 0 on a stream without a buffer
    return content_.data() + start;
}

bool MemoryStream::write_fill(uint8_t byte, int32_t count) {
    if (count <= 0)
        return false;
    char* place = extend(count);
    if (place == nullptr)
        return false;
    std::memset(place, byte, static_cast<size_t>(count));
    return true;
}

bool MemoryStream::copy_within(int32_t source, int32_t length) {
    if (source < 0 || length < 0 || static_cast<int64_t>(source) + length > position_)
        return false;
    if (length == 0)
        return true;
    char* place = extend(length);
    if (place == nullptr)
        return false;
    // extend may have moved the buffer: take the source address afterwards. The
    // ranges cannot overlap, as the source ends at or before the old position.
    std::memcpy(place, content_.data() + source, static_cast<size_t>(length));
    return true;
}

void MemoryStream::skip(int32_t n) {
    int64_t p = static_cast<int64_t>(position_) + n;
    position_ = static_cast<int32_t>(p > INT32_MAX ? INT32_MAX : p < INT32_MIN ? INT32_MIN : p);
}

bool MemoryStream::seek(int32_t p) {
    if (p < 0 || p > content_.length())
        return false;
    position_ = p;
    return true;
}

void MemoryStream::truncate_here() {
    if (position_ >= 0 && position_ < content_.length())
        content_.set_length(position_);
}

void MemoryStream::clear() {
    content_.clear();
    position_ = 0;
}
