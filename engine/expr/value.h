// Values of xBase expressions.
//
// Every value has one of the types below and may be NULL; a NULL still knows
// its type except for the bare NULL literal (ValueType::Null), which fits
// every type. Character and memo values hold 8-bit text in the table's
// character set, blanks of fixed-width fields included. Dates are Julian day
// numbers (0 = the empty date); times are milliseconds since midnight;
// timestamps are both.
#pragma once

#include <cstdint>
#include <string>

namespace expr {

enum class ValueType : uint8_t { Null, Character, Memo, Number, Date, Time, TimeStamp, Logical };

inline bool IsText(ValueType t) { return t == ValueType::Character || t == ValueType::Memo; }
// One letter per type, as the language's documents name them (C M N D T S L; U for Null).
char TypeLetter(ValueType t);

struct Value {
    ValueType type = ValueType::Null;
    bool null = true;
    std::string text;       // Character, Memo
    double number = 0;      // Number
    int32_t julian = 0;     // Date, TimeStamp
    int32_t ms = 0;         // Time, TimeStamp
    bool logical = false;   // Logical

    static Value Null(ValueType type = ValueType::Null)
    {
        Value v;
        v.type = type;
        return v;
    }
    static Value Text(std::string text, ValueType type = ValueType::Character)
    {
        Value v = Known(type);
        v.text = std::move(text);
        return v;
    }
    static Value Number(double number)
    {
        Value v = Known(ValueType::Number);
        v.number = number;
        return v;
    }
    static Value Date(int32_t julian)
    {
        Value v = Known(ValueType::Date);
        v.julian = julian;
        return v;
    }
    static Value Time(int32_t ms)
    {
        Value v = Known(ValueType::Time);
        v.ms = ms;
        return v;
    }
    static Value TimeStamp(int32_t julian, int32_t ms)
    {
        Value v = Known(ValueType::TimeStamp);
        v.julian = julian;
        v.ms = ms;
        return v;
    }
    static Value Logical(bool logical)
    {
        Value v = Known(ValueType::Logical);
        v.logical = logical;
        return v;
    }

    bool IsTrue() const { return !null && type == ValueType::Logical && logical; }

private:
    static Value Known(ValueType type)
    {
        Value v;
        v.type = type;
        v.null = false;
        return v;
    }
};

} // namespace expr
