#include "core/string.h"

#include <cstdio>
#include <cstring>

#include "core/fatal.h"
#include "core/memory.h"
#include "core/text_format.h"

namespace {

const char blanks[] = " \r\n\t";

// One formatted result, its NUL included, stays below this size.
constexpr int format_scratch_size = 32768;

bool is_blank(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_word_char(char c) {
    return is_letter(c) || is_digit(c) || c == '_';
}

// strlen that reads no further than max bytes.
int32_t bounded_length(const char* text, int32_t max) {
    if (text == nullptr || max <= 0)
        return 0;
    const void* nul = std::memchr(text, 0, static_cast<std::size_t>(max));
    return nul != nullptr ? static_cast<int32_t>(static_cast<const char*>(nul) - text) : max;
}

// strlen of a text argument, limited to what a String can hold.
int32_t text_length(const char* text) {
    return bounded_length(text, String::to_end);
}

// Whether c is one of the bytes of set (never the set's terminating NUL).
bool in_set(const char* set, int32_t set_length, char c) {
    return set_length > 0 && std::memchr(set, c, static_cast<std::size_t>(set_length)) != nullptr;
}

// Case-insensitive comparison of n bytes, letters compared as lower case.
int compare_folded(const char* a, const char* b, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(String::ascii_lower(a[i]));
        unsigned char y = static_cast<unsigned char>(String::ascii_lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

int sign_of(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// Ends through the out-of-memory handler when a length does not fit a String.
int32_t checked_length(int64_t n) {
    if (n > String::max_length)
        out_of_memory(static_cast<std::size_t>(n) + String::spare_bytes);
    return static_cast<int32_t>(n);
}

// A private copy of a text argument that lies inside the buffer being edited.
class TextCopy {
  public:
    TextCopy(const char* text, int32_t n) {
        if (n > 0) {
            copy_ = static_cast<char*>(heap_alloc(static_cast<std::size_t>(n) + 1));
            std::memcpy(copy_, text, static_cast<std::size_t>(n));
            copy_[n] = '\0';
        }
    }
    ~TextCopy() { heap_free(copy_); }
    TextCopy(const TextCopy&) = delete;
    TextCopy& operator=(const TextCopy&) = delete;
    const char* get() const { return copy_ != nullptr ? copy_ : ""; }

  private:
    char* copy_ = nullptr;
};

// The text a replacement writes for one wildcard match: each '?' of the
// replacement takes the byte that the next unconsumed '?' of the pattern matched,
// or stays '?' when the pattern has no further '?'. `matched` has the pattern's
// length, so both are walked together.
void expand_wildcards(const char* replacement, int32_t r, const char* pattern, int32_t p, const char* matched,
                      char* out) {
    int32_t next = 0; // first pattern byte not yet walked
    for (int32_t i = 0; i < r; ++i) {
        char c = replacement[i];
        if (c == '?') {
            while (next < p && pattern[next] != '?')
                ++next;
            if (next < p) {
                c = matched[next];
                ++next;
            }
        }
        out[i] = c;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Construction, assignment, storage

String::String(const char* text) {
    assign(text);
}

String::String(const char* bytes, int32_t n) {
    assign(bytes, n);
}

String::String(char c) {
    assign(c);
}

String::String(const String& other) {
    assign(other);
}

String::String(String&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
    other.data_ = nullptr;
    other.length_ = 0;
    other.capacity_ = 0;
}

String& String::operator=(const String& other) {
    assign(other);
    return *this;
}

String& String::operator=(String&& other) noexcept {
    if (this != &other) {
        heap_free(data_);
        data_ = other.data_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.data_ = nullptr;
        other.length_ = 0;
        other.capacity_ = 0;
    }
    return *this;
}

String& String::operator=(const char* text) {
    assign(text);
    return *this;
}

String::~String() {
    heap_free(data_);
}

bool String::owns(const void* p) const {
    if (data_ == nullptr || p == nullptr)
        return false;
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(p);
    std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data_);
    return address >= begin && address < begin + static_cast<std::uintptr_t>(capacity_);
}

int32_t String::text_span(const char* text, int32_t max) const {
    if (owns(text)) {
        // Never read past our own content.
        int32_t offset = static_cast<int32_t>(text - data_);
        int32_t available = offset <= length_ ? length_ - offset : 0;
        if (max > available)
            max = available;
    }
    return bounded_length(text, max);
}

int32_t String::bytes_span(const char* bytes, int32_t n) const {
    if (bytes == nullptr || n <= 0)
        return 0;
    if (n == to_end)
        return text_span(bytes, to_end);
    if (owns(bytes)) {
        int32_t offset = static_cast<int32_t>(bytes - data_);
        int32_t available = offset <= length_ ? length_ - offset : 0;
        return n < available ? n : available;
    }
    return n;
}

void String::assign(const char* bytes, int32_t n) {
    if (bytes == nullptr || n < 1) {
        clear();
        return;
    }
    if (owns(bytes)) {
        n = bytes_span(bytes, n);
        if (n < 1) {
            clear();
            return;
        }
        if (bytes == data_ && n == length_)
            return;
        char* fresh = static_cast<char*>(heap_alloc(static_cast<std::size_t>(n) + spare_bytes));
        std::memcpy(fresh, bytes, static_cast<std::size_t>(n));
        fresh[n] = '\0';
        heap_free(data_);
        data_ = fresh;
        length_ = n;
        capacity_ = n + spare_bytes;
        return;
    }
    replace_range(0, to_end, bytes, n);
}

void String::assign(const char* text) {
    assign(text, to_end);
}

void String::assign(const String& other) {
    if (&other == this)
        return;
    assign(other.c_str(), other.length_);
}

void String::assign(char c) {
    assign(&c, 1);
}

void String::assign_at_most(const char* text, int32_t n) {
    if (text == nullptr) {
        clear();
        return;
    }
    assign(text, text_span(text, n));
}

bool String::try_assign(const char* bytes, int32_t n) {
    if (bytes == nullptr || n <= 0) {
        clear();
        return true;
    }
    if (owns(bytes)) {
        n = bytes_span(bytes, n);
        if (n < 1) {
            clear();
            return true;
        }
        if (bytes == data_ && n == length_)
            return true;
        // A reallocation could move the source: copy into a fresh buffer first.
        char* fresh = static_cast<char*>(heap_try_alloc(static_cast<std::size_t>(n) + spare_bytes));
        if (fresh == nullptr)
            return false;
        std::memcpy(fresh, bytes, static_cast<std::size_t>(n));
        fresh[n] = '\0';
        heap_free(data_);
        data_ = fresh;
        length_ = n;
        capacity_ = n + spare_bytes;
        return true;
    }
    if (n == to_end)
        n = text_length(bytes);
    if (!try_set_length(n))
        return false;
    std::memcpy(data_, bytes, static_cast<std::size_t>(n));
    return true;
}

void String::clear() {
    heap_free(data_);
    data_ = nullptr;
    length_ = 0;
    capacity_ = 0;
}

void String::adopt(void* buffer, int32_t n) {
    if (buffer != nullptr && buffer == data_) {
        // Adopting our own buffer: let go of it without freeing.
        data_ = nullptr;
        length_ = 0;
        capacity_ = 0;
    } else {
        clear();
    }
    if (buffer == nullptr || n <= 0) {
        heap_free(buffer);
        return;
    }
    // Overflow check: capacity n + 1 must fit in 32 bits.
    if (n == to_end)
        out_of_memory(static_cast<std::size_t>(n) + 1);
    data_ = static_cast<char*>(heap_realloc(buffer, static_cast<std::size_t>(n) + 1));
    length_ = n;
    capacity_ = n + 1;
    data_[n] = '\0';
}

char* String::detach() {
    char* block = data_;
    data_ = nullptr;
    length_ = 0;
    capacity_ = 0;
    return block;
}

void String::reallocate(int32_t n) {
    data_ = static_cast<char*>(heap_realloc(data_, static_cast<std::size_t>(n) + spare_bytes));
    capacity_ = n + spare_bytes;
}

void String::set_length(int32_t n) {
    if (n <= 0) {
        clear();
        return;
    }
    if (n == length_)
        return;
    checked_length(n);
    if (n >= capacity_ || n < capacity_ - shrink_threshold)
        reallocate(n);
    length_ = n;
    data_[n] = '\0';
}

bool String::try_set_length(int32_t n) {
    if (n <= 0) {
        clear();
        return true;
    }
    if (n == length_)
        return true;
    // Overflow check: the capacity n + 21 must fit in 32 bits.
    if (n > max_length)
        return false;
    if (n >= capacity_ || n < capacity_ - shrink_threshold) {
        void* block = heap_try_realloc(data_, static_cast<std::size_t>(n) + spare_bytes);
        if (block == nullptr)
            return false;
        data_ = static_cast<char*>(block);
        capacity_ = n + spare_bytes;
    }
    length_ = n;
    data_[n] = '\0';
    return true;
}

char* String::extend(int32_t n) {
    if (n <= 0)
        return nullptr;
    int32_t old_length = length_;
    // Overflow check: length + n is computed in 64 bits.
    set_length(checked_length(static_cast<int64_t>(length_) + n));
    return data_ + old_length;
}

char* String::try_extend(int32_t n) {
    if (n < 0)
        return nullptr;
    int64_t wanted = static_cast<int64_t>(length_) + n;
    // Overflow check: a length beyond max_length is an allocation that cannot succeed.
    if (wanted > max_length)
        return nullptr;
    int32_t old_length = length_;
    if (!try_set_length(static_cast<int32_t>(wanted)))
        return nullptr;
    return data_ != nullptr ? data_ + old_length : nullptr;
}

void String::shrink_by(int32_t n) {
    // A negative n grows the String like set_length does; the difference is taken
    // in 64 bits so that no n overflows it.
    int64_t wanted = static_cast<int64_t>(length_) - n;
    set_length(wanted <= 0 ? 0 : checked_length(wanted));
}

bool String::ensure_length(int32_t n) {
    if (n < capacity_) {
        if (length_ < n) {
            length_ = n;
            data_[n] = '\0';
        }
        return false;
    }
    set_length(n);
    return true;
}

void String::recompute_length() {
    if (data_ == nullptr) {
        length_ = 0;
        return;
    }
    length_ = bounded_length(data_, capacity_ - 1);
    data_[length_] = '\0';
}

// ---------------------------------------------------------------------------
// Access

char String::char_at(int32_t i) const {
    return (i >= 0 && i < length_) ? data_[i] : 0;
}

char* String::checked_at(int32_t i) {
    if (i < 0 || i >= length_)
        internal_fatal("Core", __LINE__);
    return data_ + i;
}

const char* String::checked_at(int32_t i) const {
    if (i < 0 || i >= length_)
        internal_fatal("Core", __LINE__);
    return data_ + i;
}

char String::first_char() const {
    return length_ > 0 ? data_[0] : 0;
}

char String::last_char() const {
    return length_ > 0 ? data_[length_ - 1] : 0;
}

char String::pop_first() {
    if (length_ <= 0)
        return 0;
    char c = data_[0];
    remove(0, 1);
    return c;
}

// ---------------------------------------------------------------------------
// Editing

bool String::splice(int32_t pos, int32_t remove, int32_t insert) {
    if (pos < 0 || pos > length_)
        return false;
    if (remove > 0) {
        if (insert < 0)
            return false;
        if (remove > length_ - pos)
            remove = length_ - pos;
    } else {
        if (insert < 1)
            return false;
        remove = 0;
    }
    // Overflow check: the new length is computed in 64 bits before anything changes.
    int64_t new_length = static_cast<int64_t>(length_) + insert - remove;
    checked_length(new_length);
    if (pos + remove >= length_) {
        set_length(pos + insert);
        return true;
    }
    // The bytes after the range, the terminating NUL included.
    int32_t tail = length_ + 1 - pos - remove;
    if (insert < remove) {
        std::memmove(data_ + pos + insert, data_ + pos + remove, static_cast<std::size_t>(tail));
        set_length(static_cast<int32_t>(new_length));
    } else if (insert > remove) {
        set_length(static_cast<int32_t>(new_length));
        std::memmove(data_ + pos + insert, data_ + pos + remove, static_cast<std::size_t>(tail));
    }
    return true;
}

bool String::replace_range(int32_t pos, int32_t remove, const char* bytes, int32_t n) {
    if (bytes == nullptr)
        n = 0;
    if (owns(bytes)) {
        // Our own bytes: copy them aside, since the splice may move or overwrite them.
        n = bytes_span(bytes, n);
        if (pos < 0 || pos > length_)
            return false;
        TextCopy copy(bytes, n);
        return replace_range(pos, remove, copy.get(), n);
    }
    if (n == to_end)
        n = text_length(bytes);
    if (!splice(pos, remove, n))
        return false;
    if (n > 0)
        std::memcpy(data_ + pos, bytes, static_cast<std::size_t>(n));
    return true;
}

void String::append(const char* bytes, int32_t n) {
    replace_range(length_, 0, bytes, n);
}

int32_t String::append(const char* text) {
    int32_t n = text_span(text, to_end);
    return replace_range(length_, 0, text, n) ? n : 0;
}

void String::append(const String& other) {
    replace_range(length_, 0, other.c_str(), other.length_);
}

void String::append(char c) {
    replace_range(length_, 0, &c, 1);
}

bool String::prepend(const char* text) {
    return replace_range(0, 0, text, to_end);
}

bool String::insert(int32_t pos, const String& other) {
    return replace_range(pos, 0, other.c_str(), other.length_);
}

bool String::insert(int32_t pos, const String& other, int32_t n) {
    return replace_range(pos, 0, other.c_str(), n < other.length_ ? n : other.length_);
}

bool String::insert(int32_t pos, const char* text, int32_t n) {
    return replace_range(pos, 0, text, text_span(text, n));
}

bool String::insert_chars(char c, int32_t pos, int32_t n) {
    if (!splice(pos, 0, n))
        return false;
    std::memset(data_ + pos, c, static_cast<std::size_t>(n));
    return true;
}

bool String::remove(int32_t pos, int32_t count) {
    return splice(pos, count, 0);
}

bool String::truncate(int32_t pos) {
    return remove(pos, to_end);
}

int32_t String::remove_first(int32_t n) {
    if (n <= 0)
        return 0;
    if (n > length_)
        n = length_;
    remove(0, n);
    return n;
}

int32_t String::remove_last(int32_t n) {
    if (n <= 0)
        return 0;
    int32_t start = n < length_ ? length_ - n : 0;
    int32_t removed = length_ - start;
    truncate(start);
    return removed;
}

bool String::put_bytes(const void* bytes, int32_t index, int32_t n) {
    // Overflow check: index + n is computed in 64 bits.
    if (bytes == nullptr || index < 0 || n < 0 || static_cast<int64_t>(index) + n > length_)
        return false;
    if (n > 0)
        std::memmove(data_ + index, bytes, static_cast<std::size_t>(n));
    return true;
}

bool String::put_int16(int32_t index, int16_t value) {
    uint16_t v = static_cast<uint16_t>(value);
    unsigned char bytes[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    return put_bytes(bytes, index, 2);
}

bool String::put_int32(int32_t index, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return put_bytes(bytes, index, 4);
}

int32_t String::get_int32(int32_t index) const {
    // Overflow check: index + 4 is computed in 64 bits.
    if (index < 0 || static_cast<int64_t>(index) + 4 > length_)
        return -1;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(data_ + index);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

String operator+(const String& a, const String& b) {
    String result(a);
    result.append(b);
    return result;
}

String operator+(const String& a, const char* b) {
    String result(a);
    result.append(b);
    return result;
}

String operator+(const String& a, char b) {
    String result(a);
    result.append(b);
    return result;
}

String operator+(const char* a, const String& b) {
    String result(a);
    result.append(b);
    return result;
}

// ---------------------------------------------------------------------------
// Comparison

bool String::equals(const String& other) const {
    if (length_ != other.length_)
        return false;
    return length_ <= 0 || std::memcmp(data_, other.data_, static_cast<std::size_t>(length_)) == 0;
}

int32_t String::compare(const char* text, bool case_sensitive, int32_t max) const {
    if (text == nullptr || text[0] == '\0')
        return is_empty() ? 0 : 1;
    if (data_ == nullptr)
        return -1;
    // n includes one terminating NUL, so 0 means equal texts; both sides hold n bytes.
    int32_t n = text_span(text, length_) + 1;
    if (n > max)
        n = max;
    if (n <= 0)
        return -1;
    if (case_sensitive)
        return sign_of(std::memcmp(data_, text, static_cast<std::size_t>(n)));
    return compare_folded(data_, text, n);
}

int32_t String::compare(const String& other, bool case_sensitive, int32_t max) const {
    if (data_ == nullptr)
        return -1;
    if (other.is_empty())
        return is_empty() ? 0 : 1;
    int32_t n = (length_ < other.length_ ? length_ : other.length_) + 1;
    if (n > max)
        n = max;
    if (n <= 0)
        return -1;
    if (case_sensitive)
        return sign_of(std::memcmp(data_, other.data_, static_cast<std::size_t>(n)));
    return compare_folded(data_, other.data_, n);
}

bool String::starts_with(const char* text, int32_t n) const {
    if (text == nullptr)
        return false;
    n = text_span(text, n);
    return n >= 1 && length_ >= n && std::memcmp(data_, text, static_cast<std::size_t>(n)) == 0;
}

bool String::strip_prefix(const char* text, int32_t n) {
    n = text_span(text, n);
    if (n < 1 || length_ < n || compare_folded(data_, text, n) != 0)
        return false;
    remove(0, n);
    return true;
}

// ---------------------------------------------------------------------------
// Scans

int32_t String::find(const char* pattern, int32_t start, uint32_t flags, int32_t pattern_length) const {
    if (pattern == nullptr || length_ <= 0 || data_ == nullptr)
        return -1;
    int32_t p = pattern_length == to_end ? text_span(pattern, to_end) : pattern_length;
    if (p <= 0)
        return -1;
    const bool ignore_case = (flags & match_ignore_case) != 0;
    const bool char_set = (flags & match_char_set) != 0;
    const bool wildcards = (flags & match_wildcards) != 0;
    const int32_t width = char_set ? 1 : p;
    const int32_t last = length_ - width;
    if (last < 0)
        return -1;
    const bool backward = (flags & match_backward) != 0;
    const int32_t step = backward ? -1 : 1;
    // 64-bit positions: start - 1 and the quote jumps may leave the 32-bit range.
    int64_t pos = backward ? (static_cast<int64_t>(start) - 1 < last ? static_cast<int64_t>(start) - 1 : last)
                           : (start > 0 ? start : 0);
    while (pos >= 0 && pos <= last) {
        const char* at = data_ + pos;
        if ((flags & match_skip_quoted) != 0 && *at == '"') {
            pos += step;
            while (pos >= 0 && pos < length_ && data_[pos] != '"')
                pos += step;
            pos += step;
            continue;
        }
        bool hit;
        if (char_set) {
            hit = false;
            for (int32_t i = 0; i < p && !hit; ++i)
                hit = ignore_case ? String::ascii_lower(pattern[i]) == String::ascii_lower(*at)
                                  : pattern[i] == *at;
        } else if (wildcards) {
            hit = true;
            for (int32_t i = 0; i < p && hit; ++i)
                hit = pattern[i] == '?' ||
                      (ignore_case ? String::ascii_lower(pattern[i]) == String::ascii_lower(at[i])
                                   : pattern[i] == at[i]);
        } else {
            hit = ignore_case ? compare_folded(at, pattern, p) == 0
                              : std::memcmp(at, pattern, static_cast<std::size_t>(p)) == 0;
        }
        // The byte after the match is at pos + width (for a set, the byte after the one
        // matched), inside the String whenever pos < last.
        if (hit && (flags & match_whole_word) != 0)
            hit = (pos <= 0 || !is_word_char(at[-1])) && (pos >= last || !is_word_char(at[width]));
        if (hit)
            return static_cast<int32_t>((flags & match_return_end) != 0 ? pos + width : pos);
        pos += step;
    }
    return -1;
}

int32_t String::find_char(char c, int32_t start, uint32_t flags) const {
    const bool ignore_case = (flags & match_ignore_case) != 0;
    if (ignore_case)
        c = String::ascii_upper(c);
    for (int32_t pos = start > 0 ? start : 0; pos < length_; ++pos) {
        char at = data_[pos];
        if ((flags & match_skip_quoted) != 0 && at == '"') {
            const void* close =
                std::memchr(data_ + pos + 1, '"', static_cast<std::size_t>(length_ - pos - 1));
            if (close == nullptr)
                return -1;
            pos = static_cast<int32_t>(static_cast<const char*>(close) - data_);
            continue;
        }
        if ((ignore_case ? String::ascii_upper(at) : at) == c)
            return pos;
    }
    return -1;
}

int32_t String::rfind_char(char c, int32_t start, uint32_t flags) const {
    const bool ignore_case = (flags & match_ignore_case) != 0;
    const bool skip_quoted = (flags & match_skip_quoted) != 0;
    if (ignore_case)
        c = String::ascii_upper(c);
    bool inside_quotes = false;
    for (int32_t pos = start < length_ - 1 ? start : length_ - 1; pos >= 0; --pos) {
        char at = data_[pos];
        if (skip_quoted && at == '"') {
            inside_quotes = !inside_quotes;
            continue;
        }
        if (inside_quotes)
            continue;
        if ((ignore_case ? String::ascii_upper(at) : at) == c)
            return pos;
    }
    return -1;
}

int32_t String::find_any(const char* set, int32_t start) const {
    int32_t set_length = text_span(set, to_end);
    if (set_length == 0 || start >= length_)
        return -1;
    for (int32_t pos = start > 0 ? start : 0; pos < length_; ++pos)
        if (in_set(set, set_length, data_[pos]))
            return pos;
    return -1;
}

int32_t String::find_not_any(const char* set, int32_t start) const {
    int32_t set_length = text_span(set, to_end);
    for (int32_t pos = start > 0 ? start : 0; pos < length_; ++pos)
        if (!in_set(set, set_length, data_[pos]))
            return pos;
    return -1;
}

int32_t String::find_line_end(int32_t start, uint32_t flags) const {
    const int32_t none = (flags & match_length_if_none) != 0 ? length_ : -1;
    if (start < 0 || start >= length_)
        return none;
    for (int32_t pos = start; pos < length_; ++pos) {
        char at = data_[pos];
        if ((flags & match_skip_quoted) != 0 && at == '"') {
            int32_t close = find_char('"', pos + 1);
            if (close < 0)
                return none;
            pos = close;
            continue;
        }
        if (at != '\r' && at != '\n')
            continue;
        if ((flags & match_line_terminator) != 0)
            return pos;
        char complement = at == '\r' ? '\n' : '\r';
        return (pos + 1 < length_ && data_[pos + 1] == complement) ? pos + 2 : pos + 1;
    }
    return none;
}

int32_t String::find_number(int32_t start) const {
    for (int32_t pos = start > 0 ? start : 0; pos < length_; ++pos) {
        char at = data_[pos];
        if (is_digit(at) || at == '+' || at == '-' || at == '.')
            return pos;
    }
    return -1;
}

bool String::has_blank() const {
    return find_any(blanks, 0) >= 0;
}

// ---------------------------------------------------------------------------
// Replace

int32_t String::replace(const char* pattern, const char* replacement, uint32_t flags, int32_t start,
                        int32_t max_count) {
    const bool first_only = (flags & match_first_only) != 0;
    const int32_t nothing = first_only ? -1 : 0;
    if (max_count < 1 || pattern == nullptr || pattern[0] == '\0' || length_ <= 0)
        return nothing;
    // Arguments that live in our own buffer would change under our feet.
    if (owns(pattern) || owns(replacement)) {
        TextCopy pattern_copy(pattern, text_span(pattern, to_end));
        TextCopy replacement_copy(replacement, text_span(replacement, to_end));
        return replace(pattern_copy.get(), replacement_copy.get(), flags, start, max_count);
    }
    if (replacement == nullptr)
        replacement = "";
    // Always forward, always the start of the match.
    const uint32_t scan_flags = flags & ~(match_backward | match_return_end);
    const bool wildcards = (flags & match_wildcards) != 0;
    const int32_t pattern_length = text_length(pattern);
    // A set of characters matches one byte, and that byte alone is replaced: the
    // pattern's length would take the bytes after it too, and run past the end for
    // a match near it.
    const int32_t p = (flags & match_char_set) != 0 ? 1 : pattern_length;
    const int32_t r = text_length(replacement);
    const int64_t d = static_cast<int64_t>(r) - p;

    // The text written for a match; with wildcards it depends on the matched bytes,
    // which are read before they are overwritten.
    char* expanded =
        wildcards && r > 0 ? static_cast<char*>(heap_alloc(static_cast<std::size_t>(r))) : nullptr;
    auto write_replacement = [&](int32_t destination, const char* matched) {
        if (expanded != nullptr) {
            expand_wildcards(replacement, r, pattern, p, matched, expanded);
            std::memcpy(data_ + destination, expanded, static_cast<std::size_t>(r));
        } else if (r > 0) {
            std::memcpy(data_ + destination, replacement, static_cast<std::size_t>(r));
        }
    };

    if (d == 0) {
        int32_t count = 0;
        int32_t first = -1;
        for (int32_t pos = start; count < max_count;) {
            int32_t match = find(pattern, pos, scan_flags, pattern_length);
            if (match < 0)
                break;
            write_replacement(match, data_ + match);
            if (first < 0)
                first = match;
            ++count;
            if (first_only)
                break;
            pos = match + r;
        }
        heap_free(expanded);
        return first_only ? first : count;
    }

    // Collect the match positions first.
    int32_t* matches = nullptr;
    int32_t count = 0;
    int32_t slots = 0;
    for (int32_t pos = start; count < max_count;) {
        int32_t match = find(pattern, pos, scan_flags, pattern_length);
        if (match < 0)
            break;
        if (count == slots) {
            // Matches do not overlap, so there are at most length_ of them: no overflow.
            slots = slots == 0 ? 16 : (slots > length_ / 2 ? length_ : slots * 2);
            matches = static_cast<int32_t*>(
                heap_realloc(matches, static_cast<std::size_t>(slots) * sizeof *matches));
        }
        matches[count++] = match;
        if (first_only)
            break;
        pos = match + p;
    }
    if (count == 0) {
        heap_free(expanded);
        return nothing;
    }
    const int32_t first = matches[0];
    const int32_t old_length = length_;
    // Overflow check: the grown length is computed in 64 bits.
    const int64_t new_length = static_cast<int64_t>(old_length) + count * d;
    if (new_length > max_length) {
        heap_free(matches);
        heap_free(expanded);
        checked_length(new_length);
    }

    if (d < 0) {
        // Front to back: the text only moves down.
        int32_t w = first;
        for (int32_t i = 0; i < count; ++i) {
            write_replacement(w, data_ + matches[i]);
            w += r;
            int32_t from = matches[i] + p;
            int32_t to = i + 1 < count ? matches[i + 1] : old_length;
            std::memmove(data_ + w, data_ + from, static_cast<std::size_t>(to - from));
            w += to - from;
        }
        set_length(static_cast<int32_t>(new_length));
    } else {
        // Back to front: the text only moves up, into the room made at the end.
        set_length(static_cast<int32_t>(new_length));
        int32_t region_end = old_length;
        for (int32_t k = count; k > 0; --k) {
            int32_t match = matches[k - 1];
            int32_t from = match + p;
            int32_t destination = static_cast<int32_t>(from + k * d);
            std::memmove(data_ + destination, data_ + from, static_cast<std::size_t>(region_end - from));
            write_replacement(destination - r, data_ + match);
            region_end = match;
        }
    }
    heap_free(matches);
    heap_free(expanded);
    return first_only ? first : count;
}

int32_t String::replace(const char* pattern, char replacement, uint32_t flags, int32_t start,
                        int32_t max_count) {
    char text[2] = {replacement, '\0'};
    return replace(pattern, text, flags, start, max_count);
}

int32_t String::remove_all(const char* pattern, int32_t n, bool case_sensitive) {
    if (pattern == nullptr || pattern[0] == '\0' || n < 1)
        return 0;
    if (owns(pattern)) {
        TextCopy copy(pattern, text_span(pattern, to_end));
        return remove_all(copy.get(), n, case_sensitive);
    }
    const int32_t p = text_length(pattern);
    const uint32_t flags = case_sensitive ? 0 : match_ignore_case;
    int32_t count = 0;
    for (int32_t pos = 0; count < n; ++count) {
        pos = find(pattern, pos, flags, p);
        if (pos < 0)
            break;
        remove(pos, p);
    }
    return count;
}

int32_t String::remove_char(char c, int32_t start, int32_t count) {
    if (start < 0)
        start = 0;
    if (start >= length_)
        return 0;
    int32_t span = count < length_ - start ? count : length_ - start;
    if (span < 1)
        return 0;
    int32_t w = start;
    for (int32_t i = start; i < start + span; ++i)
        if (data_[i] != c)
            data_[w++] = data_[i];
    int32_t removed = start + span - w;
    if (removed > 0) {
        std::memmove(data_ + w, data_ + start + span, static_cast<std::size_t>(length_ - start - span));
        set_length(length_ - removed);
    }
    return removed;
}

// ---------------------------------------------------------------------------
// Trimming

int32_t String::trim_left() {
    return strip_left(blanks);
}

int32_t String::trim_right() {
    return strip_right(blanks);
}

int32_t String::trim() {
    return trim_right() + trim_left();
}

int32_t String::strip_left(const char* set) {
    int32_t set_length = text_span(set, to_end);
    int32_t n = 0;
    while (n < length_ && in_set(set, set_length, data_[n]))
        ++n;
    return remove_first(n);
}

int32_t String::strip_right(const char* set) {
    int32_t set_length = text_span(set, to_end);
    int32_t n = 0;
    while (n < length_ && in_set(set, set_length, data_[length_ - 1 - n]))
        ++n;
    return remove_last(n);
}

int32_t String::strip_right_char(char c) {
    int32_t n = 0;
    while (n < length_ && data_[length_ - 1 - n] == c)
        ++n;
    return remove_last(n);
}

bool String::unquote(char c) {
    if (length_ < 1 || data_[0] != c || data_[length_ - 1] != c)
        return false;
    if (length_ == 1) {
        clear();
        return true;
    }
    truncate(length_ - 1);
    remove(0, 1);
    return true;
}

bool String::remove_leading_char(char c) {
    return length_ > 0 && data_[0] == c && remove(0, 1);
}

bool String::remove_trailing_char(char c) {
    return length_ > 0 && data_[length_ - 1] == c && truncate(length_ - 1);
}

bool String::remove_leading_switch() {
    char c = first_char();
    return (c == '/' || c == '-') && remove(0, 1);
}

void String::quote() {
    replace_range(0, 0, "\"", 1);
    append('"');
}

bool String::prepend_once(char c) {
    if (length_ > 0 && data_[0] == c)
        return false;
    return replace_range(0, 0, &c, 1);
}

bool String::ensure_line_end() {
    char c = last_char();
    if (c == '\r' || c == '\n')
        return false;
    append("\r\n", 2);
    return true;
}

// ---------------------------------------------------------------------------
// Case and line ends

void String::to_upper() {
    for (int32_t i = 0; i < length_; ++i)
        data_[i] = String::ascii_upper(data_[i]);
}

void String::to_lower() {
    for (int32_t i = 0; i < length_; ++i)
        data_[i] = String::ascii_lower(data_[i]);
}

int32_t String::normalize_line_ends() {
    // First pass: how many bytes the lone CRs and LFs need.
    int64_t inserts = 0;
    int32_t changes = 0;
    for (int32_t i = 0; i < length_; ++i) {
        char c = data_[i];
        char next = i + 1 < length_ ? data_[i + 1] : 0;
        if (c == '\r' && next == '\n') {
            ++i;
        } else if (c == '\n' && next == '\r') {
            ++i;
            ++changes;
        } else if (c == '\r' || c == '\n') {
            ++inserts;
            ++changes;
        }
    }
    if (changes == 0)
        return 0;
    String out;
    out.set_length(checked_length(length_ + inserts));
    int32_t w = 0;
    for (int32_t i = 0; i < length_; ++i) {
        char c = data_[i];
        char next = i + 1 < length_ ? data_[i + 1] : 0;
        if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
            out.data_[w++] = '\r';
            out.data_[w++] = '\n';
            ++i;
        } else if (c == '\r' || c == '\n') {
            out.data_[w++] = '\r';
            out.data_[w++] = '\n';
        } else {
            out.data_[w++] = c;
        }
    }
    *this = static_cast<String&&>(out);
    return changes;
}

// ---------------------------------------------------------------------------
// Taking pieces off the front

bool String::take_line_impl(String& out, bool keep_end) {
    if (length_ <= 0) {
        out.clear();
        return false;
    }
    int32_t end = 0;
    while (end < length_ && data_[end] != '\r' && data_[end] != '\n' && data_[end] != '\0')
        ++end;
    if (end == length_) {
        if (&out != this)
            out = static_cast<String&&>(*this);
        return true;
    }
    int32_t terminator = 1;
    if (end + 1 < length_ &&
        ((data_[end] == '\r' && data_[end + 1] == '\n') || (data_[end] == '\n' && data_[end + 1] == '\r')))
        terminator = 2;
    String line(data_, keep_end ? end + terminator : end);
    remove(0, end + terminator);
    out = static_cast<String&&>(line);
    return true;
}

bool String::take_line(String& out) {
    return take_line_impl(out, false);
}

bool String::take_line_with_end(String& out) {
    return take_line_impl(out, true);
}

bool String::take_quoted(String& out, char q, int32_t pos) {
    if (pos < 0 || pos >= length_ || data_[pos] != q) {
        out.clear();
        return false;
    }
    String text;
    int32_t i = pos + 1;
    int32_t run = i; // start of the literal run not yet copied
    for (; i < length_; ++i) {
        if (data_[i] != q)
            continue;
        text.append(data_ + run, i - run);
        if (i + 1 < length_ && data_[i + 1] == q) {
            // A doubled quote is one literal quote.
            text.append(q);
            ++i;
            run = i + 1;
            continue;
        }
        break;
    }
    if (i >= length_) {
        // No closing quote: the rest is the quoted text.
        text.append(data_ + run, length_ - run);
        truncate(pos);
    } else {
        remove(pos, i + 1 - pos);
    }
    out = static_cast<String&&>(text);
    return true;
}

bool String::take_token(String& out) {
    String token;
    trim_left();
    while (length_ > 0) {
        if (data_[0] == '"') {
            String quoted;
            take_quoted(quoted, '"', 0);
            token.append('"');
            token.append(quoted);
            token.append('"');
            continue;
        }
        char c = pop_first();
        if (is_blank(c))
            break;
        token.append(c);
    }
    out = static_cast<String&&>(token);
    return !out.is_empty();
}

String String::cut(int32_t start, int32_t count) {
    String piece = substring(start, count);
    if (!piece.is_empty())
        remove(start > 0 ? start : 0, piece.length_);
    return piece;
}

String String::cut_from(const char* pattern, uint32_t flags) {
    int32_t pos = find(pattern, 0, flags & ~match_backward);
    if (pos < 0)
        return String();
    return cut(pos, to_end);
}

String String::substring(int32_t start, int32_t count) const {
    if (start < 0)
        start = 0;
    if (start >= length_)
        return String();
    if (count > length_ - start)
        count = length_ - start;
    if (count < 1)
        return String();
    return String(data_ + start, count);
}

bool String::copy_range_to(String& out, int32_t count, int32_t start) const {
    out = substring(start, count);
    return !out.is_empty();
}

bool String::truncate_at_char(char c) {
    int32_t pos = find_char(c);
    return pos >= 0 && truncate(pos);
}

// ---------------------------------------------------------------------------
// Numbers

namespace {

// An optional sign and digits, ',' bytes anywhere ignored; the value wraps modulo 2^64.
uint64_t read_grouped_number(const char* text, int32_t n) {
    int32_t i = 0;
    while (i < n && text[i] == ',')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t value = 0;
    for (; i < n; ++i) {
        if (text[i] == ',')
            continue;
        if (!is_digit(text[i]))
            break;
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    return negative ? 0 - value : value;
}

} // namespace

int32_t String::to_int() const {
    return static_cast<int32_t>(static_cast<uint32_t>(to_int64()));
}

int64_t String::to_int64() const {
    int32_t pos = find_number(0);
    if (pos < 0)
        return 0;
    return static_cast<int64_t>(read_grouped_number(data_ + pos, length_ - pos));
}

int32_t String::parse_int_at(int32_t& pos) const {
    if (pos < 0 || pos >= length_)
        return String::missing_number;
    bool negative = false;
    if (data_[pos] == '+' || data_[pos] == '-') {
        negative = data_[pos] == '-';
        ++pos;
    }
    uint32_t value = 0;
    for (; pos < length_ && is_digit(data_[pos]); ++pos)
        value = value * 10 + static_cast<uint32_t>(data_[pos] - '0');
    return static_cast<int32_t>(negative ? 0 - value : value);
}

int32_t parse_int(const char** text, uint32_t flags) {
    if (text == nullptr || *text == nullptr)
        return 0;
    const char* p = *text;
    if ((flags & String::parse_skip_leading_blanks) != 0)
        while (is_blank(*p))
            ++p;
    bool negative = false;
    if ((flags & String::parse_no_sign) == 0 && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (!is_digit(*p))
        return (flags & String::parse_mark_missing) != 0 ? String::missing_number : 0;
    uint32_t value = 0;
    for (; is_digit(*p); ++p)
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    if ((flags & String::parse_skip_trailing_blanks) != 0)
        while (is_blank(*p))
            ++p;
    if ((flags & String::parse_skip_comma) != 0 && *p == ',') {
        ++p;
        if ((flags & String::parse_skip_trailing_blanks) != 0)
            while (is_blank(*p))
                ++p;
    }
    *text = p;
    return static_cast<int32_t>(negative ? 0 - value : value);
}

int32_t parse_int(const char* text, uint32_t flags) {
    return parse_int(&text, flags);
}

int64_t parse_int64(const char* text) {
    if (text == nullptr)
        return 0;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    uint64_t value = 0;
    for (; is_digit(*text); ++text)
        value = value * 10 + static_cast<uint64_t>(*text - '0');
    return static_cast<int64_t>(negative ? 0 - value : value);
}

double parse_double(const char* text) {
    if (text == nullptr)
        return 0;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    double value = 0;
    for (; is_digit(*text); ++text)
        value = value * 10 + (*text - '0');
    if (*text == '.') {
        double divisor = 10;
        for (++text; is_digit(*text); ++text) {
            value += (*text - '0') / divisor;
            divisor *= 10;
        }
    }
    return negative ? -value : value;
}

bool parse_bool(const String& text) {
    String copy(text);
    copy.trim();
    if (copy.is_empty())
        return false;
    static const char* const false_words[] = {"0", "n", "no", "f", "false"};
    for (const char* word : false_words)
        if (copy.compare(word, false) == 0)
            return false;
    return true;
}

// ---------------------------------------------------------------------------
// Formatting

void String::format_v(const char* fmt, va_list args) {
    // The arguments may be our own text: produce the new one before letting go.
    String text;
    text.append_format_v(fmt, args);
    *this = static_cast<String&&>(text);
}

void String::append_format_v(const char* fmt, va_list args) {
    if (fmt == nullptr)
        return;
    // The arguments may point into this String, so the text is produced aside.
    char* scratch = static_cast<char*>(heap_alloc(format_scratch_size));
    // A result of format_scratch_size bytes or more is cut.
    int n = format_text_v(scratch, format_scratch_size, fmt, args);
    append(scratch, n);
    heap_free(scratch);
}

void String::format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    format_v(fmt, args);
    va_end(args);
}

void String::append_format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    append_format_v(fmt, args);
    va_end(args);
}

// ---------------------------------------------------------------------------
// Hash and versions

uint32_t hash(const void* bytes, int32_t n) {
    uint32_t sum = 0x79E2BC9Du;
    if (bytes == nullptr || n <= 0)
        return sum;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    int32_t i = 0;
    for (; n - i >= 4; i += 4)
        sum += static_cast<uint32_t>(b[i]) | static_cast<uint32_t>(b[i + 1]) << 8 |
               static_cast<uint32_t>(b[i + 2]) << 16 | static_cast<uint32_t>(b[i + 3]) << 24;
    for (; i < n; ++i)
        sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(b[i])));
    return sum + static_cast<uint32_t>(n);
}

uint32_t String::hash() const {
    return ::hash(data_, length_);
}

namespace {

// Walks a version text number by number, remembering the last letter seen.
class VersionReader {
  public:
    explicit VersionReader(const char* text) : p_(text != nullptr ? text : "") {}

    // The next number of the list, or false at the end of the text.
    bool next(int64_t& number) {
        for (; *p_ != '\0'; ++p_) {
            char c = *p_;
            if (is_digit(c)) {
                // Saturated: the difference of two numbers must fit the result.
                int64_t value = 0;
                for (; is_digit(*p_); ++p_)
                    value = value < INT32_MAX ? value * 10 + (*p_ - '0') : INT32_MAX;
                number = value < INT32_MAX ? value : INT32_MAX;
                started_ = true;
                return true;
            }
            if (is_letter(c)) {
                suffix_ = c;
            } else if (c == '.' && !started_) {
                // A leading '.' stands for a 0.
                ++p_;
                number = 0;
                started_ = true;
                return true;
            }
        }
        return false;
    }

    char suffix() const { return suffix_; }

  private:
    const char* p_;
    bool started_ = false;
    char suffix_ = 0;
};

} // namespace

int32_t compare_versions(const char* a, const char* b) {
    VersionReader ra(a);
    VersionReader rb(b);
    for (;;) {
        int64_t x = 0;
        int64_t y = 0;
        bool has_a = ra.next(x);
        bool has_b = rb.next(y);
        if (has_a && has_b) {
            // Numbers are saturated at INT32_MAX, so the difference fits.
            if (x != y)
                return static_cast<int32_t>(x - y);
            continue;
        }
        if (!has_a)
            return has_b ? -1 : ra.suffix() - rb.suffix();
        return 1;
    }
}
