#include "core/variant.h"

#include <cfloat>
#include <cstdint>
#include <limits>

#include "core/numbers.h"

namespace {

constexpr const char* date_pattern = "m/d/yy";
constexpr const char* time_pattern = "HH:ii:ss";
constexpr const char* date_time_pattern = "m/d/yy HH:ii:ss";

// A real truncated towards zero and held to lo..hi, so that no input reaches the
// undefined conversion of an out-of-range double. NaN gives 0.
int64_t truncate_real(double value, int64_t lo, int64_t hi) {
    if (value != value)
        return 0;
    if (value <= static_cast<double>(lo))
        return lo;
    // hi as a double may round up (INT64_MAX becomes 2^63), so >= also catches
    // the values just beyond it.
    if (value >= static_cast<double>(hi))
        return hi;
    return static_cast<int64_t>(value);
}

} // namespace

int32_t Variant::class_of(int32_t type) {
    switch (type) {
    case type_bool:
    case type_int8:
    case type_uint8:
    case type_int16:
    case type_uint16:
    case type_int32:
    case type_uint32:
    case type_int64:
    case type_uint64:
    case type_uint32_alt:
        return class_integer;
    case type_float:
    case type_double:
        return class_real;
    case type_text:
        return class_text;
    case type_date:
    case type_datetime:
    case type_time:
        return class_date_time;
    default:
        return class_none;
    }
}

// ---------------------------------------------------------------------------
// Setters

void Variant::clear() {
    type_ = type_empty;
    class_ = class_none;
    integer_ = 0;
    real_ = 0.0;
    text_.clear();
    date_time_ = DateTime();
}

void Variant::set_integer(int32_t type, uint64_t bits) {
    clear();
    type_ = type;
    class_ = class_integer;
    integer_ = bits;
}

void Variant::set_bool(bool value) {
    set_integer(type_bool, value ? 1 : 0);
}

void Variant::set_int8(int8_t value) {
    set_integer(type_int8, static_cast<uint64_t>(static_cast<int64_t>(value)));
}

void Variant::set_uint8(uint8_t value) {
    set_integer(type_uint8, value);
}

void Variant::set_int16(int16_t value) {
    set_integer(type_int16, static_cast<uint64_t>(static_cast<int64_t>(value)));
}

void Variant::set_uint16(uint16_t value) {
    set_integer(type_uint16, value);
}

void Variant::set_int32(int32_t value) {
    set_integer(type_int32, static_cast<uint64_t>(static_cast<int64_t>(value)));
}

void Variant::set_uint32(uint32_t value) {
    set_integer(type_uint32, value);
}

void Variant::set_uint32_alt(uint32_t value) {
    set_integer(type_uint32_alt, value);
}

void Variant::set_int64(int64_t value) {
    set_integer(type_int64, static_cast<uint64_t>(value));
}

void Variant::set_uint64(uint64_t value) {
    set_integer(type_uint64, value);
}

void Variant::set_float(float value) {
    clear();
    type_ = type_float;
    class_ = class_real;
    real_ = static_cast<double>(value);
}

void Variant::set_double(double value) {
    clear();
    type_ = type_double;
    class_ = class_real;
    real_ = value;
}

void Variant::set_text(const char* text) {
    set_text(text, String::to_end);
}

void Variant::set_text(const String& text) {
    set_text(text.data(), text.length());
}

void Variant::set_text(const char* bytes, int32_t n) {
    // The text is taken before anything else is cleared: it may be our own.
    text_.assign(bytes, n);
    type_ = type_text;
    class_ = class_text;
    integer_ = 0;
    real_ = 0.0;
    date_time_ = DateTime();
}

void Variant::set_date(const Date& date) {
    clear();
    type_ = type_date;
    class_ = class_date_time;
    date_time_.date() = date;
}

void Variant::set_datetime(const DateTime& date_time) {
    clear();
    type_ = type_datetime;
    class_ = class_date_time;
    date_time_ = date_time;
}

void Variant::set_time(const TimeOfDay& time) {
    clear();
    type_ = type_time;
    class_ = class_date_time;
    date_time_.time() = time;
}

// ---------------------------------------------------------------------------
// Getters

bool Variant::date_time_is_valid() const {
    switch (type_) {
    case type_date:
        return date_time_.date().is_valid();
    case type_time:
        return date_time_.time().is_valid();
    default:
        // A date-time with either part valid still has something to show.
        return date_time_.date().is_valid() || date_time_.time().is_valid();
    }
}

bool Variant::to_bool() const {
    switch (class_) {
    case class_integer:
        return integer_ != 0;
    case class_real:
        return real_ != 0.0;
    case class_text:
        return parse_bool(text_);
    case class_date_time:
        return date_time_is_valid();
    default:
        return false;
    }
}

int8_t Variant::to_int8() const {
    switch (class_) {
    case class_integer:
        return static_cast<int8_t>(static_cast<uint8_t>(integer_));
    case class_real:
        return static_cast<int8_t>(truncate_real(real_, INT8_MIN, INT8_MAX));
    case class_text:
        // The signed 8-bit kind is the character kind: a text gives its first byte.
        return static_cast<int8_t>(static_cast<uint8_t>(text_.first_char()));
    default:
        return 0;
    }
}

uint8_t Variant::to_uint8() const {
    switch (class_) {
    case class_integer:
        return static_cast<uint8_t>(integer_);
    case class_real:
        return static_cast<uint8_t>(truncate_real(real_, 0, UINT8_MAX));
    case class_text:
        return static_cast<uint8_t>(static_cast<uint32_t>(parse_int(text_.c_str())));
    default:
        return 0;
    }
}

int16_t Variant::to_int16() const {
    switch (class_) {
    case class_integer:
        return static_cast<int16_t>(static_cast<uint16_t>(integer_));
    case class_real:
        return static_cast<int16_t>(truncate_real(real_, INT16_MIN, INT16_MAX));
    case class_text:
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(parse_int(text_.c_str()))));
    default:
        return 0;
    }
}

uint16_t Variant::to_uint16() const {
    switch (class_) {
    case class_integer:
        return static_cast<uint16_t>(integer_);
    case class_real:
        return static_cast<uint16_t>(truncate_real(real_, 0, UINT16_MAX));
    case class_text:
        return static_cast<uint16_t>(static_cast<uint32_t>(parse_int(text_.c_str())));
    default:
        return 0;
    }
}

int32_t Variant::to_int32() const {
    switch (class_) {
    case class_integer:
        return static_cast<int32_t>(static_cast<uint32_t>(integer_));
    case class_real:
        return static_cast<int32_t>(truncate_real(real_, INT32_MIN, INT32_MAX));
    case class_text:
        return parse_int(text_.c_str());
    case class_date_time:
        return date_time_.date().day_number();
    default:
        return 0;
    }
}

uint32_t Variant::to_uint32() const {
    switch (class_) {
    case class_integer:
        return static_cast<uint32_t>(integer_);
    case class_real:
        return static_cast<uint32_t>(truncate_real(real_, 0, UINT32_MAX));
    case class_text:
        // parse_int wraps modulo 2^32, so "4294967295" reads as 0xFFFFFFFF.
        return static_cast<uint32_t>(parse_int(text_.c_str()));
    case class_date_time:
        return static_cast<uint32_t>(date_time_.date().day_number());
    default:
        return 0;
    }
}

int64_t Variant::to_int64() const {
    switch (class_) {
    case class_integer:
        return static_cast<int64_t>(integer_);
    case class_real:
        return truncate_real(real_, INT64_MIN, INT64_MAX);
    case class_text:
        return parse_int64(text_.c_str());
    case class_date_time:
        return date_time_.date().day_number();
    default:
        return 0;
    }
}

double Variant::to_double() const {
    switch (class_) {
    case class_integer:
        // Every integer kind reads as the signed 64-bit number, the unsigned 64-bit
        // kind too: all 64 bits are one signed value in texts and reals alike.
        return static_cast<double>(static_cast<int64_t>(integer_));
    case class_real:
        return real_;
    case class_text:
        return parse_double(text_.c_str());
    default:
        return 0.0;
    }
}

float Variant::to_float() const {
    double value = to_double();
    // Narrowing a finite double beyond the float range is undefined; IEEE rounding
    // would give the infinity of its sign, so that is what it gives here.
    if (value > static_cast<double>(FLT_MAX))
        return std::numeric_limits<float>::infinity();
    if (value < -static_cast<double>(FLT_MAX))
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

String Variant::to_text() const {
    switch (class_) {
    case class_integer:
        return int64_text(static_cast<int64_t>(integer_));
    case class_real:
        return decimal_text(real_, -1);
    case class_text:
        return text_;
    case class_date_time: {
        bool date_valid = type_ != type_time && date_time_.date().is_valid();
        bool time_valid = type_ != type_date && date_time_.time().is_valid();
        if (date_valid && time_valid)
            return date_time_.format(date_time_pattern);
        if (date_valid)
            return date_time_.date().format(date_pattern);
        if (time_valid)
            return date_time_.format(time_pattern);
        return String();
    }
    default:
        return String();
    }
}

Date Variant::to_date() const {
    Date date;
    switch (class_) {
    case class_text:
        date.parse(text_.c_str());
        break;
    case class_date_time:
        date = date_time_.date();
        break;
    case class_integer:
        if (type_ == type_int32 || type_ == type_uint32 || type_ == type_int64)
            date.from_day_number(static_cast<int32_t>(static_cast<uint32_t>(integer_)));
        break;
    default:
        break;
    }
    return date;
}

DateTime Variant::to_datetime() const {
    DateTime date_time;
    if (class_ == class_text)
        date_time.parse(text_.c_str());
    else if (class_ == class_date_time)
        date_time = date_time_;
    return date_time;
}

TimeOfDay Variant::to_time() const {
    TimeOfDay time;
    if (class_ == class_text)
        time.parse(text_.c_str());
    else if (class_ == class_date_time)
        time = date_time_.time();
    return time;
}

bool Variant::is_zero() const {
    switch (class_) {
    case class_integer:
        return integer_ == 0;
    case class_real:
        return real_ == 0.0;
    case class_text:
        return text_.is_empty();
    case class_date_time:
        return !date_time_is_valid();
    default:
        return true;
    }
}

// ---------------------------------------------------------------------------
// Conversion

void Variant::convert(int32_t type) {
    if (type == type_ || type < type_empty || type > max_type)
        return;
    switch (type) {
    case type_empty:
        clear();
        break;
    case type_bool:
        set_bool(to_bool());
        break;
    case type_int8:
        set_int8(to_int8());
        break;
    case type_uint8:
        set_uint8(to_uint8());
        break;
    case type_int16:
        set_int16(to_int16());
        break;
    case type_uint16:
        // Read with its own getter: a real beyond 32767 keeps its value.
        set_uint16(to_uint16());
        break;
    case type_int32:
        set_int32(to_int32());
        break;
    case type_uint32:
        set_uint32(to_uint32());
        break;
    case type_int64:
        set_int64(to_int64());
        break;
    case type_uint64:
        // No getter reads an unsigned 64-bit value: the value stays as it is.
        break;
    case type_float:
        set_float(to_float());
        break;
    case type_double:
        set_double(to_double());
        break;
    case type_text:
        set_text(to_text());
        break;
    case type_date:
        set_date(to_date());
        break;
    case type_datetime:
        set_datetime(to_datetime());
        break;
    case type_time:
        set_time(to_time());
        break;
    case type_uint32_alt:
        set_uint32_alt(to_uint32());
        break;
    default:
        break;
    }
}
