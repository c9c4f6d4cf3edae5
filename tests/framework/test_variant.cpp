// Variants: type codes, the parameter typing rule, conversions with their
// errors, comparison and arrays.
#include "framework/variant.h"
#include "fixtures.h"
#include "valuefixture.h"

#include <gtest/gtest.h>

namespace {

class Variants : public InvariantFormats {};

TEST_F(Variants, TypeCodesAndTheTypingRuleOfUntypedParameters) {
    struct Case {
        const char* what;
        Variant value;
        VarType type;
        TFieldType fieldType;
    };
    const Case cases[] = {
        {"UTF-16 string", Variant(QStringLiteral("x")), varUString, ftWideString},
        {"OLE string", Variant::OleStr(QStringLiteral("x")), varOleStr, ftWideString},
        {"8-bit string", Variant(QByteArray("x")), varString, ftString},
        {"16-bit integer", Variant(short(5)), varSmallint, ftSmallint},
        {"32-bit integer", Variant(5), varInteger, ftInteger},
        {"single", Variant(1.5f), varSingle, ftSingle},
        {"double", Variant(1.5), varDouble, ftFloat},
        {"32-bit unsigned", Variant(5u), varLongWord, ftFloat},
        {"currency", Variant(Currency::FromRaw(15000)), varCurrency, ftBCD},
        {"date", Variant::FromDateTime(1.5), varDate, ftDateTime},
        {"boolean", Variant(true), varBoolean, ftBoolean},
        {"8-bit signed", Variant((signed char)-3), varShortInt, ftShortint},
        {"byte", Variant((unsigned char)3), varByte, ftByte},
        {"16-bit unsigned", Variant((unsigned short)3), varWord, ftWord},
        {"64-bit integer", Variant(int64_t(1) << 40), varInt64, ftLargeint},
        {"64-bit integer (long long)", Variant(5LL), varInt64, ftLargeint},
        {"64-bit unsigned", Variant(uint64_t(5)), varUInt64, ftLargeint},
        {"byte array", Variant::Bytes(QByteArray("ab")), VarType(varArray | varByte), ftBlob},
        {"array", Variant::Array({Variant(1)}), VarType(varArray | varVariant), ftUnknown},
        {"empty", Variant(), varEmpty, ftUnknown},
        {"null", Variant::Null(), varNull, ftUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.value.Type(), c.type);
        EXPECT_EQ(FieldTypeForVariant(c.value), c.fieldType);
    }
    EXPECT_EQ(VarTypeName(varInteger), QStringLiteral("Integer"));
    EXPECT_EQ(VarTypeName(VarType(varArray | varByte)), QStringLiteral("Array of Byte"));
}

TEST_F(Variants, ConversionsBetweenKinds) {
    struct Case {
        const char* what;
        Variant value;
        int64_t asInt;
        double asDouble;
        const char* asString;
        bool asBool;
    };
    const Case cases[] = {
        {"integer", Variant(-42), -42, -42, "-42", true},
        {"double half down", Variant(2.5), 2, 2.5, "2.5", true},
        {"double half up", Variant(3.5), 4, 3.5, "3.5", true},
        {"single", Variant(0.1f), 0, double(0.1f), "0.1", true},
        {"true", Variant(true), -1, -1, "True", true},
        {"false", Variant(false), 0, 0, "False", false},
        {"currency", Variant(Currency::FromRaw(25000)), 2, 2.5, "2.5", true},
        {"currency half up", Variant(Currency::FromRaw(35000)), 4, 3.5, "3.5", true},
        {"numeric text", Variant(QStringLiteral(" 17 ")), 17, 17, " 17 ", true},
        {"decimal text", Variant(QStringLiteral("2.5")), 2, 2.5, "2.5", true},
        {"8-bit text", Variant(QByteArray("0")), 0, 0, "0", false},
        {"empty", Variant(), 0, 0, "", false},
        {"unsigned", Variant(4000000000u), 4000000000LL, 4e9, "4000000000", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.value.AsInt64(), c.asInt);
        EXPECT_DOUBLE_EQ(c.value.AsDouble(), c.asDouble);
        EXPECT_EQ(c.value.AsString(), QString::fromLatin1(c.asString));
        EXPECT_EQ(c.value.AsBoolean(), c.asBool);
    }
    EXPECT_TRUE(Variant(QStringLiteral("TRUE")).AsBoolean());
    EXPECT_FALSE(Variant(QStringLiteral("false")).AsBoolean());
    EXPECT_EQ(Variant(2.5).AsCurrency().Raw, 25000);
    EXPECT_EQ(Variant(QStringLiteral("1.23456")).AsCurrency().Raw, 12346);
    EXPECT_EQ(Variant(7).AsCurrency().Raw, 70000);
}

TEST_F(Variants, ImpossibleConversionsNameBothTypes) {
    struct Case {
        Variant value;
        std::function<void(const Variant&)> convert;
        const char* message;
    };
    const Case cases[] = {
        {Variant::Null(), [](const Variant& v) { v.AsInteger(); }, "Could not convert variant of type (Null) into type (Int64)"},
        {Variant::Null(), [](const Variant& v) { v.AsString(); }, "Could not convert variant of type (Null) into type (UnicodeString)"},
        {Variant::Null(), [](const Variant& v) { v.AsBoolean(); }, "Could not convert variant of type (Null) into type (Boolean)"},
        {Variant(QStringLiteral("abc")), [](const Variant& v) { v.AsDouble(); }, "Could not convert variant of type (UnicodeString) into type (Double)"},
        {Variant(QStringLiteral("abc")), [](const Variant& v) { v.AsBoolean(); }, "Could not convert variant of type (UnicodeString) into type (Boolean)"},
        {Variant(QStringLiteral("abc")), [](const Variant& v) { v.AsDateTime(); }, "Could not convert variant of type (UnicodeString) into type (Date)"},
        {Variant::Array({Variant(1)}), [](const Variant& v) { v.AsString(); }, "Could not convert variant of type (Array of Variant) into type (UnicodeString)"},
        {Variant(5), [](const Variant& v) { v.AsBytes(); }, "Could not convert variant of type (Integer) into type (Array of Byte)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        try {
            c.convert(c.value);
            ADD_FAILURE() << "no error";
        } catch (const EVariantOverflowError&) {
            ADD_FAILURE() << "overflow instead of a conversion error";
        } catch (const EVariantError& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.message));
        }
    }
    EXPECT_EQ(VarToStr(Variant::Null()), QString());
}

TEST_F(Variants, OutOfRangeValuesOverflow) {
    EXPECT_THROW(Variant(3e9).AsInteger(), EVariantOverflowError);
    EXPECT_THROW(Variant(int64_t(1) << 40).AsInteger(), EVariantOverflowError);
    EXPECT_THROW(Variant(UINT64_MAX).AsInt64(), EVariantOverflowError);
    EXPECT_THROW(Variant(-1).AsUInt64(), EVariantOverflowError);
    EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
    EXPECT_THROW(Variant(1e300).AsSingle(), EVariantOverflowError);
    EXPECT_THROW(Variant(300).ConvertTo(varByte), EVariantOverflowError);
    EXPECT_THROW(Variant(-129).ConvertTo(varShortInt), EVariantOverflowError);
    EXPECT_EQ(Variant(INT32_MIN).AsInteger(), INT32_MIN);
    EXPECT_EQ(Variant(UINT64_MAX).AsUInt64(), UINT64_MAX);
    EXPECT_EQ(Variant(127).ConvertTo(varShortInt).Type(), varShortInt);
}

TEST_F(Variants, TextsFollowTheFormatSettingsAndTheSystemCodePage) {
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_DOUBLE_EQ(Variant(QStringLiteral("3,5")).AsDouble(), 3.5);
    EXPECT_EQ(Variant(3.5).AsString(), QStringLiteral("3,5"));
    EXPECT_THROW(Variant(QStringLiteral("3.5")).AsDouble(), EVariantError);
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    EXPECT_EQ(Variant(QByteArray("caf\xe9")).AsString(), QStringLiteral("café"));
    EXPECT_EQ(Variant(QStringLiteral("café")).AnsiString(), QByteArray("caf\xe9"));
    EXPECT_EQ(Variant(QStringLiteral("café")).ConvertTo(varString).AnsiString(), QByteArray("caf\xe9"));
    EXPECT_EQ(Variant(QStringLiteral("€")).AnsiString(), QByteArray("\x80"));
    const TDateTime when = EncodeDate(2026, 12, 10) + EncodeTime(8, 30, 0, 0);
    EXPECT_EQ(Variant::FromDateTime(when).AsString(), QStringLiteral("2026-12-10 08:30:00"));
    EXPECT_DOUBLE_EQ(Variant(QStringLiteral("2026-12-10 08:30:00")).AsDateTime(), when);
    EXPECT_DOUBLE_EQ(Variant::FromDateTime(when).AsDouble(), when);
}

TEST_F(Variants, Comparison) {
    struct Case {
        const char* what;
        Variant a, b;
        TVariantRelationship expected;
    };
    const Case cases[] = {
        {"null and null", Variant::Null(), Variant::Null(), vrEqual},
        {"empty and empty", Variant(), Variant(), vrEqual},
        {"null and empty", Variant::Null(), Variant(), vrNotEqual},
        {"null and zero", Variant::Null(), Variant(0), vrNotEqual},
        {"empty and empty text", Variant(), Variant(QString()), vrNotEqual},
        {"integer and double", Variant(2), Variant(2.0), vrEqual},
        {"smaller", Variant(1), Variant(1.5), vrLessThan},
        {"bigger", Variant(int64_t(1) << 60), Variant(-1), vrGreaterThan},
        {"unsigned above signed", Variant(UINT64_MAX), Variant(INT64_MAX), vrGreaterThan},
        {"signed below unsigned", Variant(-1), Variant(0u), vrLessThan},
        {"currency", Variant(Currency::FromRaw(1)), Variant(Currency::FromRaw(2)), vrLessThan},
        {"currency and double", Variant(Currency::FromRaw(25000)), Variant(2.5), vrEqual},
        {"texts", Variant(QStringLiteral("abc")), Variant(QStringLiteral("abd")), vrLessThan},
        {"texts by case", Variant(QStringLiteral("a")), Variant(QStringLiteral("A")), vrGreaterThan},
        {"8-bit and UTF-16 text", Variant(QByteArray("caf\xe9")), Variant(QStringLiteral("café")), vrEqual},
        {"numeric text and number", Variant(QStringLiteral("10")), Variant(9), vrGreaterThan},
        {"other text and number", Variant(QStringLiteral("x")), Variant(9), vrGreaterThan},
        {"boolean and integer", Variant(true), Variant(-1), vrEqual},
        {"equal arrays", Variant::Array({Variant(1), Variant(QStringLiteral("a"))}),
         Variant::Array({Variant(1.0), Variant(QStringLiteral("a"))}), vrEqual},
        {"different arrays", Variant::Array({Variant(1)}), Variant::Array({Variant(2)}), vrNotEqual},
        {"array and scalar", Variant::Array({Variant(1)}), Variant(1), vrNotEqual},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.a.Compare(c.b), c.expected);
    }
    EXPECT_TRUE(Variant(2) == Variant(2.0));
    EXPECT_TRUE(Variant::Null() != Variant(0));
}

TEST_F(Variants, ArraysAndByteArrays) {
    Variant array = Variant::Array({Variant(1), Variant(QStringLiteral("two")), Variant::Null()});
    ASSERT_TRUE(array.IsArray());
    EXPECT_EQ(array.ArrayCount(), 3);
    EXPECT_EQ(array.Element(1).AsString(), QStringLiteral("two"));
    EXPECT_TRUE(array.Element(2).IsNull());
    EXPECT_THROW(array.Element(3), EVariantError);
    EXPECT_THROW(array.Element(-1), EVariantError);
    Variant copy = array;
    copy.SetElement(0, Variant(10));
    EXPECT_EQ(copy.Element(0).AsInteger(), 10);
    EXPECT_EQ(array.Element(0).AsInteger(), 1);  // copies do not share elements
    EXPECT_THROW(Variant(5).ArrayCount(), EVariantError);

    Variant bytes = Variant::Bytes(QByteArray("\x01\xff", 2));
    EXPECT_EQ(bytes.ArrayCount(), 2);
    EXPECT_EQ(bytes.Element(1).Type(), varByte);
    EXPECT_EQ(bytes.Element(1).AsInteger(), 255);
    bytes.SetElement(0, Variant(7));
    EXPECT_EQ(bytes.AsBytes(), QByteArray("\x07\xff", 2));
    EXPECT_THROW(bytes.SetElement(0, Variant(256)), EVariantOverflowError);
    EXPECT_EQ(Variant::Array({Variant(65), Variant(66)}).AsBytes(), QByteArray("AB"));
    EXPECT_EQ(bytes.AsArray().size(), 2u);
}

}  // namespace
