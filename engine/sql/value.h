// Values of the SQL script language and the declared types of variables.
//
// A Value has one storage type and may be NULL; a NULL still knows its type
// except for the bare NULL literal (DataType::Null). Text is 8-bit in the
// system code page; binary values hold raw bytes. Dates are Julian day
// numbers, times milliseconds since midnight (0..86399999), timestamps both.
// Integers are 64-bit; an operation that would overflow is a fault, never a
// wrapped result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sql {

enum class DataType : uint8_t { Null, String, Integer, Double, Logical, Date, Time, TimeStamp, Binary };

const char* TypeName(DataType type);

struct Value {
    DataType type = DataType::Null;
    bool null = true;
    std::string text;   // String, Binary
    int64_t integer = 0;
    double number = 0;
    bool logical = false;
    int32_t julian = 0; // Date, TimeStamp
    int32_t ms = 0;     // Time, TimeStamp

    static Value Null(DataType type = DataType::Null);
    static Value String(std::string text);
    static Value Binary(std::string bytes);
    static Value Integer(int64_t value);
    static Value Double(double value);
    static Value Logical(bool value);
    static Value Date(int32_t julian);
    static Value Time(int32_t ms);
    static Value TimeStamp(int32_t julian, int32_t ms);

    bool IsNumeric() const { return type == DataType::Integer || type == DataType::Double; }
    double AsDouble() const { return type == DataType::Integer ? static_cast<double>(integer) : number; }
};

// A type as a declaration names it: `String`, `Char(20)`, `Numeric(10, 2)`.
// `length` 0 means unlimited; a longer text assigned to a sized variable is
// refused rather than cut.
struct DeclaredType {
    std::string name; // as written
    DataType storage = DataType::String;
    uint32_t length = 0;
    uint32_t decimals = 0;
};

// The storage type of a type name, without regard to case; nothing when the
// name is no type.
std::optional<DataType> StorageOfTypeName(std::string_view name);

// Converts to `target` (CAST semantics); NULL stays NULL with the new type.
// Throws ValueFault when the value does not convert.
Value ConvertTo(const Value& value, DataType target);
// Converts to a declared type and checks its length.
Value ConvertTo(const Value& value, const DeclaredType& target);

// The text form used by CAST to a string: integers in decimal, doubles
// without needless digits, dates as YYYY-MM-DD, times as HH:MM:SS[.mmm],
// logicals as TRUE/FALSE.
std::string TextForm(const Value& value);

// -1, 0 or 1 for two non-NULL values of comparable types; text compares as
// bytes with trailing blanks ignored. Throws ValueFault for types that do not
// compare.
int Compare(const Value& a, const Value& b);

} // namespace sql
