#pragma once
// Numbers as text for people: English number words and ordinals, byte sizes with a
// unit, decimal texts; and two small integer tools. All words are fixed English;
// nothing depends on the locale.

#include <cstdint>

#include "core/compiler.h"
#include "core/string.h"

// Modes of `number_words`.
constexpr int number_words_decimal = -1; // Two Point Five
constexpr int number_words_plain = 0;    // fraction ignored
constexpr int number_words_cheque = 1;   // Twelve and 25/100, Twelve and No/100
constexpr int number_words_fraction = 2; // Twelve and One Half, Twelve and 333/1000
constexpr int number_words_year = 3;     // Nineteen Ninety Eight, Nineteen Oh Five

// English words of value ("One Million Two Hundred Three", "Negative Seven"). A
// fraction that rounds up to a whole one counts as one more whole (12.999 in cheque
// mode is Thirteen and No/100). NaN and infinities give the empty text.
String number_words(double value, int mode);

// The buffer becomes the ordinal words of n ("Twenty First", "One Hundred Twelfth",
// "Zeroth", "Negative Third").
void ordinal_words(int32_t n, String& buffer);
// The buffer becomes the digits of n with "st", "nd", "rd" or "th" ("1st", "12th",
// "22nd", "111th").
void ordinal_suffix(int32_t n, String& buffer);

// "1023 bytes", "1.50 KB", "1.00 MB", "2.00 GB", "3.00 TB" (units of 1024).
String byte_size_text(int64_t size);
// precision >= 0: that many decimals (at most decimal_text_max_precision); negative:
// six decimals with trailing zeros, and then a bare point, removed (2.5, 3). NaN and
// infinities give "nan", "inf" and "-inf" on every platform.
constexpr int decimal_text_max_precision = 340;
String decimal_text(double value, int precision);
String int64_text(int64_t value);
// A new String with printf-style formatted text (String::format).
String format_string(const char* fmt, ...) VARNOOK_PRINTF(1, 2);

// a rounded up to a multiple of b (b <= 1: a itself). Negative a rounds towards
// zero; when the multiple would not fit, the result is INT64_MAX.
int64_t round_up(int64_t a, int64_t b);

// Spreads a over b whole steps that add up to a exactly: set (7, 3) gives 2, 2, 3.
class IntegerStepper {
  public:
    // b = 0 is a programming error (internal_fatal). A negative b negates both.
    void set(int32_t a, int32_t b);
    // The next step. 64 bits wide: set (INT32_MIN, -1) has the one step 2^31.
    int64_t step();

  private:
    bool negative_ = false;
    int64_t step_ = 0;
    int64_t remainder_ = 0;
    int64_t accumulator_ = 0;
    int64_t divisor_ = 1;
};

// The red, green and blue components of a Windows colour value (0x00BBGGRR).
inline uint8_t color_red(uint32_t color) {
    return static_cast<uint8_t>(color & 0xFF);
}
inline uint8_t color_green(uint32_t color) {
    return static_cast<uint8_t>((color >> 8) & 0xFF);
}
inline uint8_t color_blue(uint32_t color) {
    return static_cast<uint8_t>((color >> 16) & 0xFF);
}
