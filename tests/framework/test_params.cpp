// Statement parameters: the marker scanner, lookup by name, typing by
// assignment, null and bound states, native images, value copies and the
// "ParamData" entry of window definitions.
#include "framework/params.h"
#include "framework/streaming.h"
#include "fixtures.h"
#include "valuefixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Params : public InvariantFormats {};

TEST_F(Params, ScannerRules) {
    struct Case {
        const char* what;
        const char* sql;
        QStringList names;
        const char* parsed;
    };
    const Case cases[] = {
        {"plain", "SELECT * FROM t WHERE a = :a", {"a"}, "SELECT * FROM t WHERE a = ?"},
        {"single-quoted literal", "WHERE a = ':a' AND b = :b", {"b"}, "WHERE a = ':a' AND b = ?"},
        {"double-quoted section", "SELECT \":a\" FROM t", {}, "SELECT \":a\" FROM t"},
        {"back-quoted section", "SELECT `x:a` FROM t", {}, "SELECT `x:a` FROM t"},
        {"quote of another kind inside", "'it\"s :no' :yes", {"yes"}, "'it\"s :no' ?"},
        {"unterminated quote", "WHERE a = 'x :a", {}, "WHERE a = 'x :a"},
        {"double colon", "SELECT x::int, :p", {"p"}, "SELECT x::int, ?"},
        {"triple colon", "a:::b", {"b"}, "a::?"},
        {"double-quoted name with a space", "WHERE a = :\"my name\"", {"my name"}, "WHERE a = ?"},
        {"single-quoted name", "WHERE a = :'q n' + 1", {"q n"}, "WHERE a = ? + 1"},
        {"comma and parenthesis", "EXECUTE PROCEDURE p(:Destination,:MotDePasse, :Source)",
         {"Destination", "MotDePasse", "Source"}, "EXECUTE PROCEDURE p(?,?, ?)"},
        {"semicolon", ":a;:b", {"a", "b"}, "?;?"},
        {"line breaks", ":a\r\n:b\n:c\r", {"a", "b", "c"}, "?\r\n?\n?\r"},
        {"repeated name", "WHERE a = :x OR b = :X", {"x", "X"}, "WHERE a = ? OR b = ?"},
        {"line comment is not special", "-- :c\nSELECT 1", {"c"}, "-- ?\nSELECT 1"},
        {"block comment is not special", "/* :d */", {"d"}, "/* ? */"},
        {"other characters belong to the name", "WHERE a = :a+1", {"a+1"}, "WHERE a = ?"},
        {"tab belongs to the name", "WHERE a = :a\tAND", {"a\tAND"}, "WHERE a = ?"},
        {"bare colon at the end", "WHERE a = :", {}, "WHERE a = :"},
        {"colon before a blank", "CASE WHEN x : y", {}, "CASE WHEN x : y"},
        {"empty quoted name", "a = :\"\"", {}, "a = :\"\""},
        {"unterminated quoted name", "a = :\"abc", {"abc"}, "a = ?"},
        {"no markers", "SELECT 1", {}, "SELECT 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString sql = QString::fromLatin1(c.sql);
        EXPECT_EQ(TParams::ScanParamNames(sql), c.names);
        TParams params;
        EXPECT_EQ(params.ParseSQL(sql, true), QString::fromLatin1(c.parsed));
        ASSERT_EQ(params.Count(), c.names.size());
        for (int i = 0; i < params.Count(); ++i) {
            EXPECT_EQ(params[i]->Name(), c.names[i]);
            EXPECT_EQ(params[i]->DataType(), ftUnknown);
            EXPECT_EQ(params[i]->ParamType(), ptUnknown);
            EXPECT_TRUE(params[i]->IsNull());
            EXPECT_FALSE(params[i]->Bound());
        }
    }
}

TEST_F(Params, ParseWithoutCreateLeavesTheCollection) {
    TParams params;
    params.CreateParam(ftInteger, QStringLiteral("kept"), ptInput);
    EXPECT_EQ(params.ParseSQL(QStringLiteral("x = :a"), false), QStringLiteral("x = ?"));
    ASSERT_EQ(params.Count(), 1);
    EXPECT_EQ(params[0]->Name(), QStringLiteral("kept"));
}

TEST_F(Params, LookupIsByFirstNameIgnoringCase) {
    TParams params;
    params.ParseSQL(QStringLiteral("WHERE a = :Source OR b = :SOURCE OR c = :Destination"), true);
    TParam* first = params.ParamByName(QStringLiteral("source"));
    EXPECT_EQ(first, params[0]);
    first->SetAsString(QStringLiteral("C:/data"));
    EXPECT_FALSE(params[0]->IsNull());
    EXPECT_TRUE(params[1]->IsNull());  // the repeat stays null
    EXPECT_FALSE(params[1]->Bound());
    EXPECT_EQ(params.FindParam(QStringLiteral("DESTINATION")), params[2]);
    EXPECT_EQ(params.FindParam(QStringLiteral("MotDePasse")), nullptr);
    try {
        params.ParamByName(QStringLiteral("MotDePasse"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Parameter 'MotDePasse' not found"));
    }
    const std::vector<TParam*> list = params.GetParamList(QStringLiteral("Destination; Source"));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], params[2]);
    EXPECT_EQ(list[1], params[0]);
    EXPECT_THROW(params.GetParamList(QStringLiteral("Source;Nope")), EDatabaseError);
}

TEST_F(Params, TypedSettersGiveTheirTypes) {
    struct Case {
        const char* what;
        std::function<void(TParam&)> set;
        TFieldType type;
    };
    const Case cases[] = {
        {"AsString", [](TParam& p) { p.SetAsString(QStringLiteral("x")); }, ftWideString},
        {"AsAnsiString", [](TParam& p) { p.SetAsAnsiString("x"); }, ftString},
        {"AsInteger", [](TParam& p) { p.SetAsInteger(1); }, ftInteger},
        {"AsSmallInt", [](TParam& p) { p.SetAsSmallInt(1); }, ftSmallint},
        {"AsWord", [](TParam& p) { p.SetAsWord(1); }, ftWord},
        {"AsLargeInt", [](TParam& p) { p.SetAsLargeInt(1); }, ftLargeint},
        {"AsFloat", [](TParam& p) { p.SetAsFloat(1); }, ftFloat},
        {"AsCurrency", [](TParam& p) { p.SetAsCurrency(1); }, ftCurrency},
        {"AsBCD", [](TParam& p) { p.SetAsBCD(Currency::FromInt(1)); }, ftBCD},
        {"AsFMTBCD", [](TParam& p) { p.SetAsFMTBCD(IntegerToBcd(1)); }, ftFMTBcd},
        {"AsBoolean", [](TParam& p) { p.SetAsBoolean(true); }, ftBoolean},
        {"AsDate", [](TParam& p) { p.SetAsDate(1.5); }, ftDate},
        {"AsTime", [](TParam& p) { p.SetAsTime(1.5); }, ftTime},
        {"AsDateTime", [](TParam& p) { p.SetAsDateTime(1.5); }, ftDateTime},
        {"AsMemo", [](TParam& p) { p.SetAsMemo(QStringLiteral("x")); }, ftMemo},
        {"AsBlob", [](TParam& p) { p.SetAsBlob("x"); }, ftBlob},
        {"AsBytes", [](TParam& p) { p.SetAsBytes("x"); }, ftBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (TFieldType before : {ftUnknown, ftInteger, ftWideString}) {
            TParams params;
            TParam* p = params.CreateParam(before, QStringLiteral("p"), ptInput);
            c.set(*p);
            EXPECT_EQ(p->DataType(), c.type);
            EXPECT_TRUE(p->Bound());
            EXPECT_FALSE(p->IsNull());
        }
    }
    TParams params;
    TParam* fixed = params.CreateParam(ftFixedWideChar, QStringLiteral("f"), ptInput);
    fixed->SetAsString(QStringLiteral("x"));
    EXPECT_EQ(fixed->DataType(), ftFixedWideChar);
}

TEST_F(Params, VariantAssignmentTypesOnlyUntypedParameters) {
    struct Case {
        const char* what;
        Variant value;
        TFieldType type;
    };
    const Case cases[] = {
        {"UTF-16 string", Variant(QStringLiteral("C:/x")), ftWideString},
        {"8-bit string", Variant(QByteArray("x")), ftString},
        {"smallint", Variant(short(1)), ftSmallint},
        {"integer", Variant(1), ftInteger},
        {"single", Variant(1.0f), ftSingle},
        {"double", Variant(1.0), ftFloat},
        {"32-bit unsigned", Variant(1u), ftFloat},
        {"currency", Variant(Currency::FromInt(1)), ftBCD},
        {"date", Variant::FromDateTime(1.0), ftDateTime},
        {"boolean", Variant(false), ftBoolean},
        {"shortint", Variant((signed char)1), ftShortint},
        {"byte", Variant((unsigned char)1), ftByte},
        {"word", Variant((unsigned short)1), ftWord},
        {"64-bit", Variant(int64_t(1)), ftLargeint},
        {"null", Variant::Null(), ftUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TParams params;
        TParam* untyped = params.CreateParam(ftUnknown, QStringLiteral("u"), ptUnknown);
        untyped->SetValue(c.value);
        EXPECT_EQ(untyped->DataType(), c.type);
        TParam* typed = params.CreateParam(ftMemo, QStringLiteral("t"), ptUnknown);
        typed->SetValue(c.value);
        EXPECT_EQ(typed->DataType(), ftMemo);
    }
}

TEST_F(Params, NullAndBoundStates) {
    TParams params;
    TParam* p = params.CreateParam(ftUnknown, QStringLiteral("p"), ptInput);
    EXPECT_TRUE(p->IsNull());
    EXPECT_FALSE(p->Bound());
    EXPECT_EQ(p->AsString(), QString());
    EXPECT_EQ(p->AsInteger(), 0);
    EXPECT_EQ(p->AsFloat(), 0.0);
    EXPECT_FALSE(p->AsBoolean());
    EXPECT_EQ(p->AsDateTime(), 0.0);
    EXPECT_TRUE(p->DataImage().isEmpty());

    p->SetValue(Variant());  // empty: still unbound
    EXPECT_FALSE(p->Bound());
    p->SetValue(Variant::Null());
    EXPECT_TRUE(p->Bound());
    EXPECT_TRUE(p->IsNull());
    p->SetAsInteger(7);
    EXPECT_FALSE(p->IsNull());
    p->Clear();
    EXPECT_TRUE(p->IsNull());
    EXPECT_EQ(p->DataType(), ftInteger);
    EXPECT_TRUE(p->Bound());
    p->SetBound(false);
    EXPECT_FALSE(p->Bound());

    p->AssignFieldValue(ftSmallint, Variant(short(3)));
    EXPECT_EQ(p->DataType(), ftSmallint);
    EXPECT_EQ(p->AsInteger(), 3);
    EXPECT_TRUE(p->Bound());
    p->AssignFieldValue(ftString, Variant::Null());
    EXPECT_TRUE(p->IsNull());
    EXPECT_EQ(p->DataType(), ftString);
}

TEST_F(Params, TextFormsFollowTheLocale) {
    TParams params;
    TParam* p = params.CreateParam(ftUnknown, QStringLiteral("p"), ptInput);
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    p->SetAsFloat(3.5);
    EXPECT_EQ(p->AsString(), QStringLiteral("3,5"));
    p->SetAsBCD(Currency::FromRaw(25000));
    EXPECT_EQ(p->AsString(), QStringLiteral("2,5"));
    p->SetAsFMTBCD(StrToBcd(QStringLiteral("12345678901234567890,12")));
    EXPECT_EQ(p->AsString(), QStringLiteral("12345678901234567890,12"));
    EXPECT_EQ(BcdToStr(p->AsFMTBCD()), QStringLiteral("12345678901234567890,12"));
    p->SetAsInteger(-12);
    EXPECT_EQ(p->AsString(), QStringLiteral("-12"));
    p->SetAsBoolean(true);
    EXPECT_EQ(p->AsString(), QStringLiteral("True"));
    p->SetAsString(QStringLiteral("2,25"));
    EXPECT_DOUBLE_EQ(p->AsFloat(), 2.25);
    EXPECT_EQ(p->AsAnsiString(), QByteArray("2,25"));
    p->SetAsString(QStringLiteral("abc"));
    EXPECT_THROW(p->AsInteger(), EVariantError);
}

TEST_F(Params, DataImagesAreNativeFormats) {
    auto image = [](TFieldType type, const Variant& value) {
        TParams params;
        TParam* p = params.CreateParam(type, QStringLiteral("p"), ptInput);
        p->SetValue(value);
        return p->DataImage();
    };
    auto le = [](auto v) { return QByteArray(reinterpret_cast<const char*>(&v), sizeof v); };
    struct Case {
        const char* what;
        QByteArray actual;
        QByteArray expected;
    };
    const TDateTime noonOfEpoch = 0.5;
    const Case cases[] = {
        {"ftString", image(ftString, Variant(QStringLiteral("café"))), QByteArray("caf\xe9\0", 5)},
        {"ftWideString", image(ftWideString, Variant(QStringLiteral("é"))), QByteArray("\xe9\0\0\0", 4)},
        {"ftBoolean true", image(ftBoolean, Variant(true)), QByteArray("\xff\xff", 2)},
        {"ftBoolean false", image(ftBoolean, Variant(false)), QByteArray("\0\0", 2)},
        {"ftSmallint", image(ftSmallint, Variant(-2)), le(int16_t(-2))},
        {"ftWord", image(ftWord, Variant(65535)), le(uint16_t(65535))},
        {"ftInteger", image(ftInteger, Variant(-70000)), le(int32_t(-70000))},
        {"ftLargeint", image(ftLargeint, Variant(int64_t(1) << 40)), le(int64_t(1) << 40)},
        {"ftFloat", image(ftFloat, Variant(2.5)), le(2.5)},
        {"ftCurrency", image(ftCurrency, Variant(Currency::FromRaw(25000))), le(2.5)},
        {"ftBCD", image(ftBCD, Variant(Currency::FromRaw(25000))), le(CurrencyToBcd(Currency::FromRaw(25000)))},
        {"ftDate", image(ftDate, Variant::FromDateTime(noonOfEpoch)), le(int32_t(693594))},
        {"ftTime", image(ftTime, Variant::FromDateTime(noonOfEpoch)), le(int32_t(43200000))},
        {"ftDateTime", image(ftDateTime, Variant::FromDateTime(noonOfEpoch)), le(693594.0 * 86400000 + 43200000)},
        {"ftBytes", image(ftBytes, Variant::Bytes(QByteArray("\0\1", 2))), QByteArray("\0\1", 2)},
        {"ftVarBytes", image(ftVarBytes, Variant::Bytes(QByteArray("ab"))), QByteArray("ab")},
        {"ftBlob", image(ftBlob, Variant(QByteArray("raw"))), QByteArray("raw")},
        {"ftGuid", image(ftGuid, Variant(QStringLiteral("{X}"))), QByteArray("{X}\0", 4)},
        {"ftADT", image(ftADT, Variant(1)), QByteArray()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.actual.toHex(), c.expected.toHex());
    }
    TParams params;
    TParam* p = params.CreateParam(ftInteger, QStringLiteral("p"), ptInput);
    p->SetAsInteger(0x01020304);
    EXPECT_EQ(p->GetDataSize(), 4);
    int32_t buffer = 0;
    p->GetData(&buffer);
    EXPECT_EQ(buffer, 0x01020304);
    p->SetAsWord(1);
    p->SetValue(Variant(70000));  // keeps ftWord: the value does not fit its image
    EXPECT_THROW(p->DataImage(), ERangeError);
}

TEST_F(Params, AssignValuesCopiesSameNamedParameters) {
    TParams old;
    old.ParseSQL(QStringLiteral(":Source :Gone"), true);
    old.ParamByName(QStringLiteral("Source"))->SetAsString(QStringLiteral("/in"));
    old.ParamByName(QStringLiteral("Gone"))->SetAsInteger(5);

    TParams fresh;
    fresh.ParseSQL(QStringLiteral(":SOURCE :New"), true);
    fresh.AssignValues(old);
    ASSERT_EQ(fresh.Count(), 2);
    EXPECT_EQ(fresh[0]->AsString(), QStringLiteral("/in"));
    EXPECT_EQ(fresh[0]->DataType(), ftWideString);
    EXPECT_TRUE(fresh[0]->Bound());
    EXPECT_TRUE(fresh[1]->IsNull());
    EXPECT_EQ(fresh.FindParam(QStringLiteral("Gone")), nullptr);

    TParams copy;
    copy.Assign(&fresh);
    EXPECT_TRUE(copy.IsEqual(fresh));
    copy[0]->SetAsString(QStringLiteral("/other"));
    EXPECT_FALSE(copy.IsEqual(fresh));
    EXPECT_EQ(fresh[0]->AsString(), QStringLiteral("/in"));

    copy.SetParamValues(QStringLiteral("Source;New"), Variant::Array({Variant(1), Variant(QStringLiteral("n"))}));
    EXPECT_EQ(copy.ParamValues(QStringLiteral("New")).AsString(), QStringLiteral("n"));
    EXPECT_EQ(copy.ParamValues(QStringLiteral("Source;New")).ArrayCount(), 2);
    EXPECT_THROW(copy.SetParamValues(QStringLiteral("Source;New"), Variant(1)), EDatabaseError);
}

TEST_F(Params, ARepeatedNameKeepsEachOccurrenceAndTheNameOfTheNewText) {
    TParams old;
    old.ParseSQL(QStringLiteral("WHERE a = :x OR b = :x"), true);
    old[0]->SetAsString(QStringLiteral("first"));  // the second stays null

    TParams fresh;
    fresh.ParseSQL(QStringLiteral("WHERE c = :X OR d = :X"), true);
    fresh.AssignValues(old);
    ASSERT_EQ(fresh.Count(), 2);
    EXPECT_EQ(fresh[0]->AsString(), QStringLiteral("first")) << "not overwritten by the null repeat";
    EXPECT_TRUE(fresh[1]->IsNull());
    EXPECT_EQ(fresh[0]->Name(), QStringLiteral("X")) << "spelled as in the new text";
    EXPECT_EQ(fresh[1]->Name(), QStringLiteral("X"));

    TParams once;
    once.ParseSQL(QStringLiteral(":X"), true);
    once.AssignValues(old);
    EXPECT_EQ(once[0]->AsString(), QStringLiteral("first"));
}

// A component that stores a parameter collection as "ParamData".
class TParamHolder : public TComponent {
    VARNEL_DECLARE_CLASS(TParamHolder, TComponent)

public:
    explicit TParamHolder(TComponent* owner) : TComponent(owner), mParams(this) {}
    TParams& Params() { return mParams; }
    void DefineProperties(TFiler& filer) override {
        TComponent::DefineProperties(filer);
        mParams.DefineParamData(filer);
    }

private:
    TParams mParams;
};
VARNEL_DEFINE_CLASS(TParamHolder)

TEST_F(Params, ParamDataIsStoredWithTypeNameAndKind) {
    TParamHolder holder(nullptr);
    holder.SetName(QStringLiteral("Query1"));
    holder.Params().ParseSQL(QStringLiteral("p(:Destination, :MotDePasse)"), true);
    holder.Params()[0]->SetAsString(QStringLiteral("/out"));
    holder.Params()[1]->SetParamType(ptInput);
    const QString text = WriteComponent(&holder);
    EXPECT_TRUE(text.contains(QStringLiteral("ParamData = <")));
    EXPECT_TRUE(text.contains(QStringLiteral("DataType = ftWideString")));
    EXPECT_TRUE(text.contains(QStringLiteral("Name = 'Destination'")));
    EXPECT_TRUE(text.contains(QStringLiteral("ParamType = ptInput")));
    EXPECT_FALSE(text.contains(QStringLiteral("/out")));  // values are not stored
    EXPECT_LT(text.indexOf(QStringLiteral("DataType = ftWideString")), text.indexOf(QStringLiteral("Name = 'Destination'")));

    TParamHolder copy(nullptr);
    ReadRootComponent(text, &copy);
    ASSERT_EQ(copy.Params().Count(), 2);
    EXPECT_EQ(copy.Params()[0]->Name(), QStringLiteral("Destination"));
    EXPECT_EQ(copy.Params()[0]->DataType(), ftWideString);
    EXPECT_EQ(copy.Params()[0]->ParamType(), ptUnknown);
    EXPECT_TRUE(copy.Params()[0]->IsNull());
    EXPECT_EQ(copy.Params()[1]->Name(), QStringLiteral("MotDePasse"));
    EXPECT_EQ(copy.Params()[1]->DataType(), ftUnknown);
    EXPECT_EQ(copy.Params()[1]->ParamType(), ptInput);

    // An empty collection is written too, and an unknown type name is refused.
    TParamHolder empty(nullptr);
    empty.SetName(QStringLiteral("Q2"));
    EXPECT_TRUE(WriteComponent(&empty).contains(QStringLiteral("ParamData = <")));
    QString bad = text;
    bad.replace(QStringLiteral("ftWideString"), QStringLiteral("ftNoSuchType"));
    TParamHolder refused(nullptr);
    EXPECT_THROW(ReadRootComponent(bad, &refused), EReadError);
}

}  // namespace
