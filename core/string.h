#pragma once
// String: the library's one text type and general byte buffer.
//
// An owned heap run of 8-bit bytes with an explicit length, always followed by a
// NUL byte. NUL bytes inside are allowed: the length, not the first NUL, is
// authoritative. Case rules are plain ASCII; there is no locale.
//
// Contracts shared by every operation:
// - Flags and the other constants live in the class: String::match_ignore_case.
// - Positions are 0-based byte indices; counts may be `String::to_end`
//   (0x7FFFFFFF), meaning "up to the end"; for a text argument with a length,
//   `String::to_end` means the text's strlen.
// - A null text pointer is an empty text.
// - Positions and counts out of range never fault: editing operations then do
//   nothing and report false, reads give 0 or -1. Only `checked_at` treats a bad
//   index as a programming error.
// - Text arguments may point into the String's own buffer.
// - A failed allocation, or a length that would not fit the 32-bit fields, ends
//   the program through the out-of-memory handler; only the try- operations
//   report it (false or null, String unchanged).

#include <cstdarg>
#include <cstdint>

#include "core/compiler.h"

class String {
  public:
    static constexpr int32_t to_end = 0x7FFFFFFF;
    // Spare bytes given to every reallocated buffer, and the idle size above which
    // a shorter length gives memory back.
    static constexpr int32_t spare_bytes = 21;
    static constexpr int32_t shrink_threshold = 512;
    // The longest String: its capacity (length + spare bytes) must fit in 32 bits.
    static constexpr int32_t max_length = 0x7FFFFFFF - spare_bytes;

    // Flags of `find`, `find_char`, `rfind_char`, `find_line_end` and `replace`.
    static constexpr uint32_t match_ignore_case = 0x0001; // ASCII case folding
    static constexpr uint32_t match_whole_word = 0x0002;  // no word character just before or after
    static constexpr uint32_t match_wildcards = 0x0004;   // '?' in the pattern matches any one byte
    static constexpr uint32_t match_first_only = 0x0008;  // `replace`: first occurrence, returns its position
    static constexpr uint32_t match_skip_quoted = 0x0010; // jump over "..." sections of the text
    static constexpr uint32_t match_backward = 0x0020;    // scan towards the start
    static constexpr uint32_t match_line_terminator = 0x0040; // `find_line_end`: position of CR/LF itself
    static constexpr uint32_t match_length_if_none = 0x0080;  // `find_line_end`: length instead of -1
    static constexpr uint32_t match_return_end = 0x2000;      // position just after the match
    static constexpr uint32_t match_char_set = 0x4000;        // the pattern is a set of single bytes

    // Flags of the free function `parse_int`.
    static constexpr uint32_t parse_skip_leading_blanks = 0x01;
    static constexpr uint32_t parse_skip_trailing_blanks = 0x02; // also after the comma of parse_skip_comma
    static constexpr uint32_t parse_no_sign = 0x04;
    static constexpr uint32_t parse_mark_missing = 0x08; // no digits: `missing_number` instead of 0
    static constexpr uint32_t parse_skip_comma = 0x10;   // consume one ',' after the number

    // The value that stands for "no number here" (0x80000000).
    static constexpr int32_t missing_number = INT32_MIN;

    // ASCII-only case folding, the one rule of the whole library.
    static char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
    static char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

    // Construction and assignment.
    String() = default;
    String(const char* text);
    String(const char* bytes, int32_t n);
    explicit String(char c);
    String(const String& other);
    String(String&& other) noexcept;
    String& operator=(const String& other);
    String& operator=(String&& other) noexcept;
    String& operator=(const char* text);
    ~String();

    // n < 1 or bytes null: clear. Bytes may lie inside this String's buffer.
    void assign(const char* bytes, int32_t n);
    void assign(const char* text);
    void assign(const String& other);
    void assign(char c);
    // The first n bytes of text, stopping earlier at a NUL; null text: clear.
    void assign_at_most(const char* text, int32_t n);
    // As assign, but a failed allocation returns false and leaves the String unchanged.
    bool try_assign(const char* bytes, int32_t n);
    // Frees the buffer; data null, length and capacity 0.
    void clear();
    // Takes ownership of a malloc-family buffer holding n bytes (shrunk to n + 1
    // bytes); a null buffer or n <= 0 leaves the String empty and frees the buffer.
    void adopt(void* buffer, int32_t n);
    // Hands the buffer (null when there is none) to the caller, who frees it with
    // heap_free; the String is left empty.
    char* detach();

    // Storage rule: n <= 0 clears; a buffer is reallocated to exactly n + 21 bytes
    // when n >= capacity or n < capacity - 512. Grown bytes are not initialised.
    void set_length(int32_t n);
    bool try_set_length(int32_t n);
    // Grows by n bytes and returns the first new byte; null for n <= 0.
    char* extend(int32_t n);
    // As extend, but null when n < 0 or the allocation fails; n = 0 gives the end
    // (null when there is no buffer).
    char* try_extend(int32_t n);
    // set_length (length - n): an n of at least the length clears (0 frees the buffer
    // of an empty String), a negative n grows, leaving the new bytes uninitialised.
    void shrink_by(int32_t n);
    // n < capacity: raises the length to n in place when shorter, returns false.
    // Otherwise set_length (n) and returns true.
    bool ensure_length(int32_t n);
    // After a caller wrote a NUL-terminated text into data(): length = its strlen
    // (bounded by the buffer; a missing NUL is written at the buffer's last byte).
    void recompute_length();

    // Access.
    int32_t length() const { return length_; }
    int32_t capacity() const { return capacity_; }
    bool is_empty() const { return length_ <= 0; }
    // Never null: without a buffer, a shared empty text.
    const char* c_str() const { return data_ != nullptr ? data_ : ""; }
    // Null when there is no buffer.
    char* data() { return data_; }
    const char* data() const { return data_; }
    // 0 when i is outside the String.
    char char_at(int32_t i) const;
    // Ends the program through internal_fatal ("Core") when i is outside 0..length-1.
    char* checked_at(int32_t i);
    const char* checked_at(int32_t i) const;
    // 0 when the String is empty.
    char first_char() const;
    char last_char() const;
    char pop_first();
    bool starts_with_char(char c) const { return first_char() == c; }
    bool ends_with_char(char c) const { return last_char() == c; }

    // Editing. Unless said otherwise the result tells whether anything was done.
    // Makes room for `insert` bytes at pos after deleting `remove` bytes there; the
    // gap is left unwritten.
    bool splice(int32_t pos, int32_t remove, int32_t insert);
    bool replace_range(int32_t pos, int32_t remove, const char* bytes, int32_t n);
    void append(const char* bytes, int32_t n);
    // Returns the number of bytes appended.
    int32_t append(const char* text);
    void append(const String& other);
    void append(char c);
    bool prepend(const char* text);
    bool insert(int32_t pos, const String& other);
    bool insert(int32_t pos, const String& other, int32_t n);
    bool insert(int32_t pos, const char* text, int32_t n);
    bool insert_chars(char c, int32_t pos, int32_t n);
    bool remove(int32_t pos, int32_t count);
    bool truncate(int32_t pos);
    // Return the number of bytes removed.
    int32_t remove_first(int32_t n);
    int32_t remove_last(int32_t n);
    // Overwrite bytes inside the current length; false when they would not fit.
    bool put_bytes(const void* bytes, int32_t index, int32_t n);
    bool put_int16(int32_t index, int16_t value);
    bool put_int32(int32_t index, int32_t value);
    // Little-endian; -1 when the 4 bytes are not all inside the String.
    int32_t get_int32(int32_t index) const;

    // Comparison.
    bool equals(const String& other) const;
    bool not_equals(const String& other) const { return !equals(other); }
    bool operator==(const String& other) const { return equals(other); }
    bool operator!=(const String& other) const { return !equals(other); }
    // Negative, 0 or positive over at most max bytes, the terminating NUL included.
    // An empty or null text gives 0 for an empty String and 1 otherwise; a String
    // without a buffer gives -1 against any other text.
    int32_t compare(const char* text, bool case_sensitive = true, int32_t max = to_end) const;
    // As above; a String without a buffer gives -1 even against an empty String.
    int32_t compare(const String& other, bool case_sensitive = true, int32_t max = to_end) const;
    bool starts_with(const char* text, int32_t n = to_end) const;
    // Removes the first n bytes of text (ASCII case ignored) when the String starts with them.
    bool strip_prefix(const char* text, int32_t n = to_end);

    // Scans. All return a position or -1.
    int32_t find(const char* pattern, int32_t start = 0, uint32_t flags = 0,
                 int32_t pattern_length = to_end) const;
    int32_t find_char(char c, int32_t start = 0, uint32_t flags = 0) const;
    int32_t rfind_char(char c, int32_t start = to_end, uint32_t flags = 0) const;
    int32_t find_any(const char* set, int32_t start = 0) const;
    int32_t find_not_any(const char* set, int32_t start = 0) const;
    // The position after the next line end (CR, LF, CR LF or LF CR).
    int32_t find_line_end(int32_t start = 0, uint32_t flags = 0) const;
    // The first digit, '+', '-' or '.'.
    int32_t find_number(int32_t start = 0) const;
    // Whether the String holds a space, CR, LF or tab.
    bool has_blank() const;

    // Replaces up to max_count matches of pattern (forward from start). Returns the
    // number of replacements, or with match_first_only the position of the one
    // replacement or -1. With match_wildcards each '?' of the replacement takes the
    // byte matched by the next '?' of the pattern.
    int32_t replace(const char* pattern, const char* replacement, uint32_t flags = 0, int32_t start = 0,
                    int32_t max_count = to_end);
    int32_t replace(const char* pattern, char replacement, uint32_t flags = 0, int32_t start = 0,
                    int32_t max_count = to_end);
    // Return the number of occurrences removed.
    int32_t remove_all(const char* pattern, int32_t n = to_end, bool case_sensitive = true);
    int32_t remove_char(char c, int32_t start = 0, int32_t count = to_end);

    // Trimming. Blanks are space, CR, LF and tab. Return the number of bytes removed.
    int32_t trim_left();
    int32_t trim_right();
    int32_t trim();
    int32_t strip_left(const char* set);
    int32_t strip_right(const char* set);
    int32_t strip_right_char(char c);
    // Removes c at both ends when the String starts and ends with it (a lone c counts for both).
    bool unquote(char c = '"');
    bool remove_leading_char(char c);
    bool remove_trailing_char(char c);
    // Removes a leading '/' or '-'.
    bool remove_leading_switch();
    // Puts the String between double quotes.
    void quote();
    bool prepend_once(char c);
    // Appends CR LF unless the String ends with CR or LF.
    bool ensure_line_end();

    // ASCII case.
    void to_upper();
    void to_lower();
    // Makes every line end CR LF; returns the number of changes.
    int32_t normalize_line_ends();

    // Taking pieces off the front. `out` may be this String itself.
    // out = the text before the first CR, LF or NUL; the line and its terminator
    // (one byte, or a CR LF / LF CR pair) leave this String. False when it was empty.
    bool take_line(String& out);
    // As take_line, but out keeps the terminator.
    bool take_line_with_end(String& out);
    // When the byte at pos is q: out = the text up to the closing q (a doubled q is
    // one literal q, no closing q takes the rest) and the quoted section leaves this
    // String. Otherwise out is empty, nothing changes and the result is false.
    bool take_quoted(String& out, char q = '"', int32_t pos = 0);
    // One command-line token: leading blanks dropped; up to the next blank outside
    // double quotes, quoted sections kept between their quotes. False when nothing was taken.
    bool take_token(String& out);
    // Returns the range (clamped as by substring) and removes it.
    String cut(int32_t start, int32_t count);
    // Cuts from the first match of pattern to the end; empty when there is none.
    String cut_from(const char* pattern, uint32_t flags = 0);
    String substring(int32_t start, int32_t count = to_end) const;
    // out = substring (start, count); false (out empty) when the range is empty.
    bool copy_range_to(String& out, int32_t count, int32_t start) const;
    bool truncate_at_char(char c);

    // Numbers. Digits are '0'..'9' only.
    // From the first digit, sign or '.', with ',' digit groups ignored; none: 0.
    int32_t to_int() const;
    int64_t to_int64() const;
    // Optional sign and digits at pos, pos advanced past them; no digits: 0;
    // pos outside the String: missing_number.
    int32_t parse_int_at(int32_t& pos) const;

    // Formatting: printf conversions of the runtime. One result stays below 32768
    // bytes including its NUL; a longer one is cut there.
    void format(const char* fmt, ...) VARNOOK_PRINTF(2, 3);
    void append_format(const char* fmt, ...) VARNOOK_PRINTF(2, 3);
    void format_v(const char* fmt, va_list args) VARNOOK_PRINTF(2, 0);
    void append_format_v(const char* fmt, va_list args) VARNOOK_PRINTF(2, 0);

    // The library's checksum of the bytes (see ::hash).
    uint32_t hash() const;

  private:
    // Whether p points into this String's buffer.
    bool owns(const void* p) const;
    // min(strlen (text), max), reading no further than our content when text
    // points into our buffer.
    int32_t text_span(const char* text, int32_t max) const;
    // The usable length of a (bytes, n) argument: to_end means strlen, and bytes
    // inside our buffer are limited to our content.
    int32_t bytes_span(const char* bytes, int32_t n) const;
    // Reallocates to exactly n + spare_bytes bytes (n checked by the caller).
    void reallocate(int32_t n);
    // Shared part of take_line and take_line_with_end.
    bool take_line_impl(String& out, bool keep_end);

    char* data_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
};

String operator+(const String& a, const String& b);
String operator+(const String& a, const char* b);
String operator+(const String& a, char b);
String operator+(const char* a, const String& b);

// Checksum of n bytes: 0x79E2BC9D, plus each complete little-endian 32-bit word,
// plus each remaining byte as a signed 8-bit value, plus n (modulo 2^32).
uint32_t hash(const void* bytes, int32_t n);

// Optional sign and digits of a NUL-terminated text (flags String::parse_*); no
// digits: 0, or String::missing_number with parse_mark_missing. The first form advances *text past
// what it consumed (not at all when there were no digits). Null texts give 0.
int32_t parse_int(const char** text, uint32_t flags = 0);
int32_t parse_int(const char* text, uint32_t flags = 0);
int64_t parse_int64(const char* text);
// Optional sign, digits, optional '.' and digits; no exponent, no locale.
double parse_double(const char* text);
// False for an empty text, "0", "n", "no", "f" or "false" (ASCII case and
// surrounding blanks ignored); true otherwise.
bool parse_bool(const String& text);

// Orders version texts such as "1.2", "1.10" and "2.0b": negative, 0 or positive.
int32_t compare_versions(const char* a, const char* b);
