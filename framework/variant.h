// Variant: a value of one of the framework's variant types, as field values,
// parameter values and key values travel.
//
// Types: empty (never assigned), null, boolean, signed and unsigned 8/16/32/
// 64-bit integers, single, double, currency, date (TDateTime), 8-bit string
// (QByteArray in the system code page), UTF-16 string (QString, as varUString
// or varOleStr), byte array (varArray | varByte) and array of variants
// (varArray | varVariant, lower bound 0).
//
// Conversions (As*): numbers convert among each other (integers checked for
// range, doubles to integers rounded halves to even), strings parse with
// the global format settings, booleans are -1/0 as numbers and "True"/
// "False" as text, dates are doubles as numbers. Empty converts to 0, false
// and ""; null converts to nothing (VarToStr gives "" for it). Any
// impossible conversion raises EVariantError naming both types: "Could not
// convert variant of type (Null) into type (Integer)"; a value out of range
// raises EVariantOverflowError.
//
// Comparison: two nulls (or two empties) are equal; null/empty never equal
// anything else; numbers compare numerically across types, strings
// (8-bit and UTF-16 alike) case-sensitively, a string against a number
// after converting the string; arrays element by element.
#pragma once

#include "framework/currency.h"
#include "framework/datetime.h"
#include "framework/fieldtypes.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

class EVariantError : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EVariantError>(*this); }
};

class EVariantOverflowError : public EVariantError {
public:
    using EVariantError::EVariantError;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EVariantOverflowError>(*this); }
};

// Variant type codes. The numbers are fixed: code stores and compares them.
enum VarTypeCode : uint16_t {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,
    varInteger = 0x0003,
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varOleStr = 0x0008,
    varBoolean = 0x000B,
    varVariant = 0x000C,
    varShortInt = 0x0010,
    varByte = 0x0011,
    varWord = 0x0012,
    varLongWord = 0x0013,
    varInt64 = 0x0014,
    varUInt64 = 0x0015,
    varString = 0x0100,   // 8-bit string
    varUString = 0x0102,  // UTF-16 string
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
};
using VarType = uint16_t;

// "Integer", "Null", "String", "Array of Byte", ...
QString VarTypeName(VarType type);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
public:
    Variant() = default;  // empty
    Variant(bool value);
    Variant(signed char value);
    Variant(unsigned char value);
    Variant(short value);
    Variant(unsigned short value);
    Variant(int value);
    Variant(unsigned int value);
    Variant(long value);                // 64-bit
    Variant(unsigned long value);       // 64-bit unsigned
    Variant(long long value);
    Variant(unsigned long long value);
    Variant(float value);
    Variant(double value);
    Variant(Currency value);
    Variant(const QString& value);      // varUString
    Variant(const char* utf8);          // varUString
    Variant(const QByteArray& value);   // varString (8-bit text)

    static Variant Null();
    static Variant FromDateTime(TDateTime value);
    static Variant OleStr(const QString& value);
    static Variant Bytes(const QByteArray& bytes);          // varArray | varByte
    static Variant Array(std::vector<Variant> elements);    // varArray | varVariant

    VarType Type() const { return mType; }
    bool IsEmpty() const { return mType == varEmpty; }
    bool IsNull() const { return mType == varNull; }
    bool IsNullOrEmpty() const { return mType == varEmpty || mType == varNull; }
    bool IsArray() const { return (mType & varArray) != 0; }
    bool IsNumeric() const;   // integers, single, double, currency (not booleans, dates)
    bool IsOrdinal() const;   // integers and booleans
    bool IsFloat() const;     // single, double
    bool IsStr() const;       // varString, varUString, varOleStr

    // Arrays (also byte arrays): bounds 0 .. ArrayCount()-1; EVariantError
    // on a non-array or an index out of bounds.
    int ArrayCount() const;
    Variant Element(int index) const;
    void SetElement(int index, const Variant& value);

    bool AsBoolean() const;
    int32_t AsInteger() const;
    int64_t AsInt64() const;
    uint64_t AsUInt64() const;
    double AsDouble() const;
    float AsSingle() const;
    Currency AsCurrency() const;
    TDateTime AsDateTime() const;
    QString AsString() const;        // UTF-16 text form
    QByteArray AnsiString() const;   // 8-bit text in the system code page
    QByteArray AsBytes() const;      // byte arrays and strings (8-bit: as is)
    std::vector<Variant> AsArray() const;

    // The same value converted to `type` (EVariantError when impossible).
    Variant ConvertTo(VarType type) const;

    TVariantRelationship Compare(const Variant& other) const;
    bool operator==(const Variant& other) const { return Compare(other) == vrEqual; }
    bool operator!=(const Variant& other) const { return !(*this == other); }

private:
    using Storage = std::variant<std::monostate, bool, int64_t, uint64_t, double, Currency, QString, QByteArray,
                                 std::shared_ptr<std::vector<Variant>>>;
    Variant(VarType type, Storage value) : mType(type), mValue(std::move(value)) {}
    [[noreturn]] void CastError(VarType target) const;
    [[noreturn]] void OverflowError(VarType target) const;
    friend struct VariantAccess;

    VarType mType = varEmpty;
    Storage mValue;
};

// The field type a parameter of type ftUnknown takes when `value` is assigned
// to it: UTF-16/OLE string -> ftWideString, 8-bit string -> ftString,
// smallint -> ftSmallint, integer -> ftInteger, single -> ftSingle, double
// and 32-bit unsigned -> ftFloat, currency -> ftBCD, date -> ftDateTime,
// boolean -> ftBoolean, shortint -> ftShortint, byte -> ftByte, word ->
// ftWord, 64-bit -> ftLargeint; byte arrays -> ftBlob; empty, null and
// anything else -> ftUnknown.
TFieldType VarTypeToDataType(VarType type);
inline TFieldType FieldTypeForVariant(const Variant& value) { return VarTypeToDataType(value.Type()); }

// The same tests as free functions.
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsClear(const Variant& v) { return v.IsNullOrEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
// AsString, but "" for null.
inline QString VarToStr(const Variant& v) { return v.IsNull() ? QString() : v.AsString(); }
