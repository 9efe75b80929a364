#include "core/numbers.h"

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstring>

#include "core/fatal.h"
#include "core/text_format.h"

namespace {

const char* const unit_words[20] = {"Zero",    "One",     "Two",       "Three",    "Four",
                                    "Five",    "Six",     "Seven",     "Eight",    "Nine",
                                    "Ten",     "Eleven",  "Twelve",    "Thirteen", "Fourteen",
                                    "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
const char* const tens_words[10] = {"",      "",      "Twenty",  "Thirty", "Forty",
                                    "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};
const char* const ordinal_unit_words[10] = {"",      "First", "Second",  "Third",  "Fourth",
                                            "Fifth", "Sixth", "Seventh", "Eighth", "Ninth"};
const char* const ordinal_tens_words[10] = {"",         "Tenth",    "Twentieth",  "Thirtieth", "Fortieth",
                                            "Fiftieth", "Sixtieth", "Seventieth", "Eightieth", "Ninetieth"};
const char* const eighth_words[8] = {"",         "One Eighth",   "One Fourth",    "Three Eighths",
                                     "One Half", "Five Eighths", "Three Fourths", "Seven Eighths"};

// How close a fraction must come to k/8 to be spoken as a common fraction.
constexpr double eighth_tolerance = 0.00001;

// Appends the words of a whole number n >= 0 (finite and integral). Each level of
// recursion divides by a million, so even 1e308 recurses about 50 levels deep.
void append_whole_words(String& out, double n) {
    if (n >= 1e6) {
        append_whole_words(out, std::floor(n / 1e6));
        out.append(" Million");
        n = std::fmod(n, 1e6);
        if (n == 0)
            return;
        out.append(' ');
    }
    if (n >= 1000) {
        append_whole_words(out, std::floor(n / 1000));
        out.append(" Thousand");
        n = std::fmod(n, 1000);
        if (n == 0)
            return;
        out.append(' ');
    }
    if (n >= 100) {
        out.append(unit_words[static_cast<int>(n / 100)]);
        out.append(" Hundred");
        n = std::fmod(n, 100);
        if (n == 0)
            return;
        out.append(' ');
    }
    int rest = static_cast<int>(n); // 0..99 here
    if (rest < 20) {
        out.append(unit_words[rest]);
        return;
    }
    out.append(tens_words[rest / 10]);
    if (rest % 10 != 0) {
        out.append(' ');
        out.append(unit_words[rest % 10]);
    }
}

// Years are spoken in pairs of digits: Nineteen Ninety Eight, Nineteen Oh Five,
// Nineteen Hundred. False when the year is not spoken that way (2000 to 2009 and
// the like are plain numbers: Two Thousand Five).
bool append_year_words(String& out, double value) {
    if (!(value > 100 && value < 10000))
        return false;
    double whole = std::floor(value);
    if (std::fmod(whole, 1000) <= 9)
        return false;
    append_whole_words(out, std::floor(whole / 100));
    double last_two = std::fmod(whole, 100);
    if (last_two == 0) {
        // "Nineteen Oh Zero" would be no way to say 1900.
        out.append(" Hundred");
        return true;
    }
    out.append(' ');
    if (last_two < 10)
        out.append("Oh ");
    append_whole_words(out, last_two);
    return true;
}

} // namespace

String number_words(double value, int mode) {
    String out;
    if (!std::isfinite(value))
        return out;
    if (mode == number_words_year && append_year_words(out, value))
        return out;
    if (value < 0) {
        out.append("Negative ");
        value = -value;
    }
    double whole = std::floor(value);
    double fraction = value - whole;

    // The fraction is worded first: when it rounds up to a whole one, the whole
    // part grows by one instead of ending in "100/100".
    String tail;
    char digits[64];
    switch (mode) {
    case number_words_cheque:
        format_text(digits, sizeof digits, "%.0f", fraction * 100);
        if (std::strcmp(digits, "100") == 0) {
            whole += 1;
            fraction = 0;
        }
        if (fraction == 0 || std::strcmp(digits, "0") == 0)
            tail.assign(" and No/100");
        else
            tail.format(" and %s/100", digits);
        break;
    case number_words_fraction: {
        if (fraction == 0)
            break;
        for (int k = 1; k < 8; ++k) {
            if (std::fabs(fraction - k / 8.0) < eighth_tolerance) {
                tail.assign(" and ");
                tail.append(eighth_words[k]);
                break;
            }
        }
        if (!tail.is_empty())
            break;
        format_text(digits, sizeof digits, "%.0f", fraction * 1000);
        if (std::strcmp(digits, "1000") == 0)
            whole += 1;
        else if (std::strcmp(digits, "0") != 0)
            tail.format(" and %s/1000", digits);
        break;
    }
    case number_words_decimal: {
        // "0.125", or "1.000" when the fraction rounds up.
        format_text(digits, sizeof digits, "%.3f", fraction);
        if (digits[0] == '1') {
            whole += 1;
            break;
        }
        int n = static_cast<int>(std::strlen(digits));
        while (n > 2 && digits[n - 1] == '0')
            --n;
        if (n <= 2)
            break; // a whole number: no "Point" with nothing after it
        tail.assign(" Point");
        for (int i = 2; i < n; ++i) {
            tail.append(' ');
            tail.append(unit_words[digits[i] - '0']);
        }
        break;
    }
    default:
        break; // plain words and years ignore the fraction
    }
    append_whole_words(out, whole);
    out.append(tail);
    return out;
}

void ordinal_words(int32_t n, String& buffer) {
    buffer.clear();
    int64_t v = n; // 64 bits: -INT32_MIN does not fit 32
    if (v < 0) {
        buffer.append("Negative ");
        v = -v;
    }
    int64_t last_two = v % 100;
    if (last_two == 0 || (last_two >= 10 && last_two <= 19)) {
        if (last_two == 12) {
            if (v > 12) {
                append_whole_words(buffer, static_cast<double>(v - 12));
                buffer.append(' ');
            }
            buffer.append("Twelfth");
            return;
        }
        append_whole_words(buffer, static_cast<double>(v));
        buffer.append("th");
        return;
    }
    int64_t units = v % 10;
    if (units != 0) {
        if (v != units) {
            append_whole_words(buffer, static_cast<double>(v - units));
            buffer.append(' ');
        }
        buffer.append(ordinal_unit_words[units]);
        return;
    }
    int64_t hundreds = v / 100 * 100;
    if (hundreds != 0) {
        append_whole_words(buffer, static_cast<double>(hundreds));
        buffer.append(' ');
    }
    buffer.append(ordinal_tens_words[last_two / 10]);
}

void ordinal_suffix(int32_t n, String& buffer) {
    buffer.format("%d", static_cast<int>(n));
    int64_t v = n < 0 ? -static_cast<int64_t>(n) : n;
    const char* suffix = "th";
    // 11th, 12th, 13th, also in 111th and 1012th.
    if (v % 100 < 11 || v % 100 > 13) {
        switch (v % 10) {
        case 1:
            suffix = "st";
            break;
        case 2:
            suffix = "nd";
            break;
        case 3:
            suffix = "rd";
            break;
        default:
            break;
        }
    }
    buffer.append(suffix);
}

String byte_size_text(int64_t size) {
    const int64_t kilo = int64_t{1} << 10;
    const int64_t mega = int64_t{1} << 20;
    const int64_t giga = int64_t{1} << 30;
    const int64_t tera = int64_t{1} << 40;
    String out;
    // Below a kilobyte the count is shown as the 32-bit number it fits in; a negative
    // size shows its low 32 bits the same way.
    if (size < kilo)
        out.format("%d bytes", static_cast<int32_t>(static_cast<uint32_t>(size)));
    else if (size < mega)
        out.format("%.2f KB", static_cast<double>(size) / static_cast<double>(kilo));
    else if (size < giga)
        out.format("%.2f MB", static_cast<double>(size) / static_cast<double>(mega));
    else if (size < tera)
        out.format("%.2f GB", static_cast<double>(size) / static_cast<double>(giga));
    else
        out.format("%.2f TB", static_cast<double>(size) / static_cast<double>(tera));
    return out;
}

String decimal_text(double value, int precision) {
    String out;
    // The C library writes "nan", the system's "1.#QNAN0": one text for both.
    if (std::isnan(value)) {
        out.assign("nan");
        return out;
    }
    if (std::isinf(value)) {
        out.assign(value < 0 ? "-inf" : "inf");
        return out;
    }
    if (precision >= 0) {
        // Limited so that no runtime's formatter is asked for more digits than it
        // holds; a double has no meaningful decimals that far out.
        if (precision > decimal_text_max_precision)
            precision = decimal_text_max_precision;
        out.format("%.*f", precision, value);
        return out;
    }
    out.format("%.6f", value);
    if (out.find_char('.') < 0)
        return out;
    out.strip_right_char('0');
    out.remove_trailing_char('.');
    return out;
}

String int64_text(int64_t value) {
    String out;
    out.format("%" PRId64, value);
    return out;
}

String format_string(const char* fmt, ...) {
    String out;
    va_list args;
    va_start(args, fmt);
    out.format_v(fmt, args);
    va_end(args);
    return out;
}

int64_t round_up(int64_t a, int64_t b) {
    if (b <= 1)
        return a;
    int64_t r = a % b;
    if (r == 0)
        return a;
    // A negative a has a negative remainder: -5 rounds up to -4 for b = 4.
    if (r < 0)
        return a - r;
    // Overflow: no multiple of b at or above a fits.
    if (a > INT64_MAX - (b - r))
        return INT64_MAX;
    return a + (b - r);
}

void IntegerStepper::set(int32_t a, int32_t b) {
    if (b == 0)
        internal_fatal("Core", __LINE__);
    int64_t total = a;
    int64_t count = b;
    if (count < 0) {
        total = -total;
        count = -count;
    }
    negative_ = total < 0;
    step_ = total / count;
    remainder_ = total % count;
    if (remainder_ < 0)
        remainder_ = -remainder_;
    accumulator_ = 0;
    divisor_ = count;
}

int64_t IntegerStepper::step() {
    accumulator_ += remainder_;
    if (accumulator_ < divisor_)
        return step_;
    accumulator_ -= divisor_;
    return negative_ ? step_ - 1 : step_ + 1;
}
