#pragma once
// Variant: one tagged value that holds nothing, a truth value, an integer of one of
// eight widths and signs, a real, a text, a date, a date-time or a time, and
// converts between them on request. Registry values travel in it.
//
// Every value has a type code (what it is) and a storage class (where it lives):
//
//   code  meaning                  class             stored as
//    0    empty                    none (0)          nothing
//    1    truth value              integer (1)       1 or 0
//    2    signed 8-bit             integer           sign-extended to 64 bits
//    3    unsigned 8-bit           integer           zero-extended
//    4    signed 16-bit            integer           sign-extended
//    5    unsigned 16-bit          integer           zero-extended
//    6    signed 32-bit            integer           sign-extended
//    7    unsigned 32-bit          integer           zero-extended
//    8    signed 64-bit            integer           as it is
//    9    unsigned 64-bit          integer           as it is
//   10    single real              real (2)          widened to double
//   11    double real              real              as it is
//   12    text                     text (3)          a String
//   13    date                     date/time (4)     the date part
//   14    date-time                date/time         date and time parts
//   15    time                     date/time         the time part
//   16    second unsigned 32-bit   integer           zero-extended
//
// A setter stores its value and sets type code and class together; the parts a
// value does not use are left cleared. Getters read from the storage class and
// never fail: what has no sensible reading gives 0, false, the empty text or a
// cleared date or time.
//
// Sound readings where a plain cast would not be: a real read as an integer is
// truncated towards zero and held to the target's range (NaN gives 0); a real too
// large for a single real reads as an infinity. Integers of every kind read as
// their 64 bits taken as a signed number, in texts and reals alike, so an unsigned
// 64-bit value (type 9) with its top bit set reads as negative.

#include <cstdint>

#include "core/datetime.h"
#include "core/string.h"

class Variant {
  public:
    // Type codes.
    static constexpr int32_t type_empty = 0;
    static constexpr int32_t type_bool = 1;
    static constexpr int32_t type_int8 = 2;
    static constexpr int32_t type_uint8 = 3;
    static constexpr int32_t type_int16 = 4;
    static constexpr int32_t type_uint16 = 5;
    static constexpr int32_t type_int32 = 6;
    static constexpr int32_t type_uint32 = 7;
    static constexpr int32_t type_int64 = 8;
    static constexpr int32_t type_uint64 = 9;
    static constexpr int32_t type_float = 10;
    static constexpr int32_t type_double = 11;
    static constexpr int32_t type_text = 12;
    static constexpr int32_t type_date = 13;
    static constexpr int32_t type_datetime = 14;
    static constexpr int32_t type_time = 15;
    static constexpr int32_t type_uint32_alt = 16; // a second unsigned 32-bit kind
    static constexpr int32_t max_type = 16;

    // Storage classes.
    static constexpr int32_t class_none = 0;
    static constexpr int32_t class_integer = 1;
    static constexpr int32_t class_real = 2;
    static constexpr int32_t class_text = 3;
    static constexpr int32_t class_date_time = 4;

    // The storage class of a type code; class_none for codes outside 0..16.
    static int32_t class_of(int32_t type);

    Variant() = default;

    // Type 0, class 0, every part cleared.
    void clear();

    void set_bool(bool value);
    void set_int8(int8_t value);
    void set_uint8(uint8_t value);
    void set_int16(int16_t value);
    void set_uint16(uint16_t value);
    void set_int32(int32_t value);
    void set_uint32(uint32_t value);
    // Type 16, the second unsigned 32-bit kind.
    void set_uint32_alt(uint32_t value);
    void set_int64(int64_t value);
    void set_uint64(uint64_t value);
    void set_float(float value);
    void set_double(double value);
    // A null text is the empty text. The bytes form copies n bytes (NULs included);
    // n may be String::to_end for the text's strlen.
    void set_text(const char* text);
    void set_text(const String& text);
    void set_text(const char* bytes, int32_t n);
    void set_date(const Date& date);
    void set_datetime(const DateTime& date_time);
    void set_time(const TimeOfDay& time);

    int32_t type() const { return type_; }
    int32_t storage_class() const { return class_; }
    // The stored text itself (empty unless the class is text), without a copy.
    const String& text() const { return text_; }

    bool to_bool() const;
    // From a text: the code of its first character (0 for the empty text).
    int8_t to_int8() const;
    uint8_t to_uint8() const;
    int16_t to_int16() const;
    uint16_t to_uint16() const;
    int32_t to_int32() const;
    uint32_t to_uint32() const;
    int64_t to_int64() const;
    float to_float() const;
    double to_double() const;
    // Integers in decimal, reals with `decimal_text` (precision -1), a date as
    // "m/d/yy", a time as "HH:ii:ss", a date-time as "m/d/yy HH:ii:ss" or the one
    // of its parts that is valid; nothing valid gives the empty text.
    String to_text() const;
    // From a text: `Date::parse`; from the signed and unsigned 32-bit and the
    // signed 64-bit types: the day number in the low 32 bits.
    Date to_date() const;
    DateTime to_datetime() const;
    TimeOfDay to_time() const;

    // 0, 0.0, the empty text, an invalid date or time, or no value. A date-time is
    // zero when neither part is valid, so is_zero is true exactly when to_text of a
    // date/time value is empty.
    bool is_zero() const;

    // Reads the value with the getter of the target type and stores it with its
    // setter; 0 clears. Nothing happens when the type already is `type`, when
    // `type` is outside 0..16, and for type 9, which has no getter of its own.
    void convert(int32_t type);

  private:
    void set_integer(int32_t type, uint64_t bits);
    // Whether the date, date-time or time held in class 4 is valid.
    bool date_time_is_valid() const;

    int32_t type_ = type_empty;
    int32_t class_ = class_none;
    uint64_t integer_ = 0; // low word, high word
    double real_ = 0.0;
    String text_;
    DateTime date_time_;
};
