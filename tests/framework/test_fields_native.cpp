// Field classes over native value buffers: the bytes each type writes, the
// conversions and text forms, blobs through blob streams, validation.
#include "memory_dataset.h"

#include "framework/formatsettings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

template <class T>
QByteArray Le(T value) {
    QByteArray bytes(int(sizeof value), '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// A dataset with the single column `structure`, in insert mode.
std::unique_ptr<TMemoryDataSet> Inserting(const QString& structure) {
    auto data = std::make_unique<TMemoryDataSet>();
    data->SetStructure(structure);
    data->Open();
    data->Append();
    return data;
}

QByteArray BcdBytes(int precision, int places, bool negative, const QByteArray& digitBytes) {
    QByteArray bytes(34, '\0');
    bytes[0] = char(precision);
    bytes[1] = char(places | (negative ? 0x80 : 0));
    bytes.replace(2, digitBytes.size(), digitBytes);
    return bytes;
}

TEST(FieldsNative, EachTypeWritesItsNativeBytesAndReadsThemBack) {
    TFormatSettingsGuard guard;
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    const double day2000 = 730120.0;  // day number of 1 January 2000
    struct Case {
        const char* structure;
        std::function<void(TField*)> write;
        QByteArray native;
        std::function<QString(TField*)> read;
        QString text;
    };
    auto asString = [](TField* f) { return f->AsString(); };
    auto isoDate = [](TField* f) { return FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz"), f->AsDateTime()); };
    const Case cases[] = {
        {"F Boolean", [](TField* f) { f->SetAsBoolean(true); }, Le<int16_t>(-1), asString, "True"},
        {"F Boolean", [](TField* f) { f->SetAsString(QStringLiteral("f")); }, Le<int16_t>(0), asString, "False"},
        {"F Smallint", [](TField* f) { f->SetAsInteger(-2); }, Le<int16_t>(-2), asString, "-2"},
        {"F Word", [](TField* f) { f->SetAsInteger(65535); }, Le<uint16_t>(65535), asString, "65535"},
        {"F Integer", [](TField* f) { f->SetAsInteger(0x01020304); }, Hex("04030201"), asString, "16909060"},
        {"F AutoInc", [](TField* f) { f->SetAsString(QStringLiteral(" 7 ")); }, Le<int32_t>(7), asString, "7"},
        {"F Largeint", [](TField* f) { f->SetAsLargeInt(-5000000000LL); }, Le<int64_t>(-5000000000LL), asString,
         "-5000000000"},
        {"F Float", [](TField* f) { f->SetAsFloat(1.5); }, Le<double>(1.5), asString, "1.5"},
        {"F Currency", [](TField* f) { f->SetAsCurrency(Currency::FromRaw(22500)); }, Le<double>(2.25), asString, "2.25"},
        {"F Date", [](TField* f) { f->SetAsDateTime(EncodeDate(1, 1, 1)); }, Le<int32_t>(1), isoDate,
         "0001-01-01 00:00:00.000"},
        {"F Date", [](TField* f) { f->SetAsDateTime(0.0); }, Le<int32_t>(693594), isoDate, "1899-12-30 00:00:00.000"},
        {"F Time", [](TField* f) { f->SetAsDateTime(EncodeTime(12, 0, 0, 500)); }, Le<int32_t>(43200500), isoDate,
         "1899-12-30 12:00:00.500"},
        {"F DateTime", [](TField* f) { f->SetAsDateTime(EncodeDate(2000, 1, 1) + 0.25); },
         Le<double>(day2000 * 86400000.0 + 21600000.0), isoDate, "2000-01-01 06:00:00.000"},
        {"F TimeStamp", [](TField* f) { f->SetAsDateTime(EncodeDate(2000, 1, 1) + 0.25); },
         Le<double>(day2000 * 86400000.0 + 21600000.0), isoDate, "2000-01-01 06:00:00.000"},
        {"F String 5", [](TField* f) { f->SetAsString(QStringLiteral("abc")); }, Hex("616263000000"), asString, "abc"},
        {"F String 1", [](TField* f) { f->SetAsString(QStringLiteral("\u00e9")); }, Hex("e900"), asString, "\u00e9"},
        {"F String 3", [](TField* f) { f->SetAsString(QStringLiteral("abcdef")); }, Hex("61626300"), asString, "abc"},
        {"F WideString 3", [](TField* f) { f->SetAsString(QStringLiteral("h\u00e9")); }, Hex("6800e90000000000"),
         asString, "h\u00e9"},
        {"F Bytes 4", [](TField* f) { f->SetAsBytes(Hex("0102")); }, Hex("01020000"),
         [](TField* f) { return QString::fromLatin1(f->AsBytes().toHex()); }, "01020000"},
        {"F VarBytes 4", [](TField* f) { f->SetAsBytes(Hex("010203")); }, Hex("030001020300"),
         [](TField* f) { return QString::fromLatin1(f->AsBytes().toHex()); }, "010203"},
        {"F BCD 2 5", [](TField* f) { f->SetAsString(QStringLiteral("-12.5")); },
         BcdBytes(5, 2, true, Hex("012500")), asString, "-12.5"},
        {"F Guid 38", [](TField* f) { f->SetAsString(QStringLiteral("{00000000-0000-0000-0000-000000000001}")); },
         QByteArray("{00000000-0000-0000-0000-000000000001}", 38) + QByteArray(1, '\0'), asString,
         "{00000000-0000-0000-0000-000000000001}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.structure);
        auto data = Inserting(QString::fromLatin1(c.structure));
        TField* field = data->Fields()->Fields(0);
        EXPECT_TRUE(field->IsNull());
        c.write(field);
        EXPECT_FALSE(field->IsNull());
        EXPECT_EQ(field->DataSize(), c.native.size());
        EXPECT_EQ(data->ActiveImage(1).toHex(), c.native.toHex());
        data->Post();
        EXPECT_EQ(data->StoredValue(0, 1).toHex(), c.native.toHex());
        EXPECT_EQ(c.read(field), c.text);
    }
}

TEST(FieldsNative, DefaultFieldsAreMadeOfTheClassForTheirType) {
    struct Case { const char* type; const char* className; };
    const Case cases[] = {
        {"String 10", "TStringField"}, {"FixedChar 10", "TStringField"}, {"WideString 10", "TWideStringField"},
        {"Smallint", "TSmallintField"}, {"Integer", "TIntegerField"},     {"Word", "TWordField"},
        {"AutoInc", "TAutoIncField"},  {"Largeint", "TLargeintField"},   {"Boolean", "TBooleanField"},
        {"Float", "TFloatField"},      {"Currency", "TCurrencyField"},   {"BCD 4", "TBCDField"},
        {"FMTBcd 6", "TFMTBCDField"},  {"Date", "TDateField"},           {"Time", "TTimeField"},
        {"DateTime", "TDateTimeField"}, {"TimeStamp", "TSQLTimeStampField"}, {"Bytes 4", "TBytesField"},
        {"VarBytes 4", "TVarBytesField"}, {"Blob 1", "TBlobField"},      {"Memo 1", "TMemoField"},
        {"WideMemo 1", "TWideMemoField"}, {"Graphic 1", "TGraphicField"}, {"Guid 38", "TGuidField"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TMemoryDataSet data;
        data.SetStructure(QStringLiteral("F ") + QLatin1String(c.type));
        data.Open();
        ASSERT_EQ(data.FieldCount(), 1);
        TField* field = data.Fields()->Fields(0);
        EXPECT_EQ(field->ClassName(), QLatin1String(c.className));
        EXPECT_EQ(field->DataType(), data.FieldDefs()->Items(0)->DataType());
        EXPECT_EQ(field->FieldNo(), 1);
        EXPECT_EQ(field->Owner(), &data);
        data.Close();
        EXPECT_EQ(data.FieldCount(), 0) << "default fields go at close";
    }
}

TEST(FieldsNative, ConversionsBetweenKindsAndTheirRefusals) {
    TFormatSettingsGuard guard;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    auto data = Inserting(QStringLiteral("S String 20; I Integer; F Float; B Boolean; D Date; M Smallint; C BCD 2 6"));
    auto field = [&](const char* name) { return data->FieldByName(QLatin1String(name)); };

    field("S")->SetAsFloat(3.5);
    EXPECT_EQ(field("S")->AsString(), QStringLiteral("3,5"));
    EXPECT_DOUBLE_EQ(field("S")->AsFloat(), 3.5);
    field("S")->SetAsString(QStringLiteral("yes"));
    EXPECT_TRUE(field("S")->AsBoolean());
    field("S")->SetAsString(QStringLiteral("maybe"));
    EXPECT_THROW(field("S")->AsBoolean(), EConvertError);
    EXPECT_THROW(field("S")->AsInteger(), EConvertError);

    field("I")->SetAsFloat(42.5);
    EXPECT_EQ(field("I")->AsInteger(), 42) << "halves go to the even neighbour";
    field("I")->SetAsString(QStringLiteral("43"));
    EXPECT_DOUBLE_EQ(field("I")->AsFloat(), 43.0);
    EXPECT_THROW(field("I")->SetAsString(QStringLiteral("4x")), EConvertError);
    EXPECT_EQ(field("I")->AsInteger(), 43) << "a refused text leaves the value";

    field("F")->SetAsString(QStringLiteral("2,75"));
    EXPECT_EQ(field("F")->AsInteger(), 3);
    EXPECT_EQ(field("F")->AsVariant().Type(), varDouble);

    field("B")->SetAsString(QStringLiteral("TRUE"));
    EXPECT_EQ(field("B")->AsInteger(), 1);
    EXPECT_THROW(field("B")->SetAsString(QStringLiteral("oui")), EConvertError);
    EXPECT_THROW(field("B")->AsDateTime(), EDatabaseError);

    try {
        field("M")->SetAsInteger(40000);
        ADD_FAILURE() << "40000 does not fit a smallint";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("40000 is not a valid value for field 'M'. The allowed range is -32768 to 32767"));
    }
    try {
        field("D")->SetAsBoolean(true);
        ADD_FAILURE() << "a date is no Boolean";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot access field 'D' as type Boolean"));
    }

    field("C")->SetAsString(QStringLiteral("1234,5"));
    EXPECT_EQ(field("C")->AsString(), QStringLiteral("1234,5"));
    EXPECT_EQ(field("C")->AsCurrency(), Currency::FromRaw(12345000));
    EXPECT_THROW(field("C")->SetAsString(QStringLiteral("12345,5")), ERangeError) << "6 digits, 2 of them decimals";
    field("C")->SetAsVariant(Variant(Currency::FromRaw(-10050)));
    EXPECT_EQ(field("C")->AsString(), QStringLiteral("-1,01")) << "-1.005 rounds to two decimals, away from zero";

    for (const char* name : {"S", "I", "F", "B", "D", "M", "C"}) {
        SCOPED_TRACE(name);
        field(name)->Clear();
        EXPECT_TRUE(field(name)->IsNull());
        EXPECT_EQ(field(name)->AsString(), QString());
        EXPECT_TRUE(field(name)->AsVariant().IsNull());
        EXPECT_EQ(field(name)->DisplayText(), QString());
    }
}

TEST(FieldsNative, DisplayAndEditFormatsShapeTheTexts) {
    TFormatSettingsGuard guard;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    auto data = Inserting(QStringLiteral("F Float; I Integer; D Date"));
    auto* number = static_cast<TFloatField*>(data->FieldByName(QStringLiteral("F")));
    number->SetDisplayFormat(QStringLiteral("###.##"));
    struct Case { double value; const char* display; };
    for (Case c : {Case{3.14159, "3,14"}, Case{42.0, "42"}, Case{-0.5, "-,5"}}) {
        SCOPED_TRACE(c.value);
        number->SetAsFloat(c.value);
        EXPECT_EQ(number->DisplayText(), QString::fromUtf8(c.display));
        EXPECT_EQ(number->Text(), QString::fromUtf8(c.display)) << "without EditFormat editing uses DisplayFormat";
        EXPECT_EQ(number->AsString(), QString::number(c.value).replace(QLatin1Char('.'), QLatin1Char(',')));
    }
    number->SetEditFormat(QStringLiteral("0.000"));
    EXPECT_EQ(number->Text(), QStringLiteral("-0,500"));

    auto* integer = static_cast<TIntegerField*>(data->FieldByName(QStringLiteral("I")));
    integer->SetDisplayFormat(QStringLiteral("#,##0"));
    integer->SetAsInteger(1234567);
    FormatSettings().ThousandSeparator = QLatin1Char('.');
    EXPECT_EQ(integer->DisplayText(), QStringLiteral("1.234.567"));

    auto* date = static_cast<TDateTimeField*>(data->FieldByName(QStringLiteral("D")));
    date->SetDisplayFormat(QStringLiteral("yyyy/mm/dd"));
    date->SetAsDateTime(EncodeDate(2024, 2, 29));
    FormatSettings().DateSeparator = QLatin1Char('-');
    EXPECT_EQ(date->DisplayText(), QStringLiteral("2024-02-29"));

    number->OnGetText = [](TField* f, QString& text, bool display) {
        text = (display ? QStringLiteral("shown ") : QStringLiteral("edited ")) + f->AsString();
    };
    EXPECT_EQ(number->DisplayText(), QStringLiteral("shown -0,5"));
    EXPECT_EQ(number->Text(), QStringLiteral("edited -0,5"));
    number->OnSetText = [](TField* f, const QString& text) { f->SetAsFloat(text.size()); };
    number->SetText(QStringLiteral("four"));
    EXPECT_DOUBLE_EQ(number->AsFloat(), 4.0);
}

TEST(FieldsNative, BlobFieldsReadAndWriteOnlyThroughBlobStreams) {
    auto data = std::make_unique<TMemoryDataSet>();
    data->SetStructure(QStringLiteral("ID Integer; Notes Memo 1; Picture Blob 1; Wide WideMemo 1"));
    data->Open();
    auto* notes = static_cast<TMemoField*>(data->FieldByName(QStringLiteral("Notes")));
    auto* picture = static_cast<TBlobField*>(data->FieldByName(QStringLiteral("Picture")));
    TField* wide = data->FieldByName(QStringLiteral("Wide"));
    EXPECT_EQ(data->BlobFieldCount(), 3);
    EXPECT_EQ(notes->Offset(), 0);
    EXPECT_EQ(picture->Offset(), 1);

    data->Append();
    EXPECT_TRUE(notes->IsNull());
    notes->SetAsString(QStringLiteral("caf\u00e9 line"));
    picture->SetAsBytes(Hex("00ff10"));
    wide->SetAsString(QStringLiteral("\u0416"));
    EXPECT_TRUE(notes->Modified());
    EXPECT_TRUE(data->Modified());
    data->Post();

    data->First();
    EXPECT_EQ(notes->AsString(), QStringLiteral("caf\u00e9 line"));
    EXPECT_EQ(data->StoredValue(0, 2), QByteArray("caf\xe9 line")) << "memo text is 8-bit in the system code page";
    EXPECT_EQ(picture->AsBytes(), Hex("00ff10"));
    EXPECT_EQ(picture->BlobSize(), 3);
    EXPECT_EQ(wide->AsString(), QStringLiteral("\u0416"));
    EXPECT_EQ(data->StoredValue(0, 4), Hex("1604"));
    EXPECT_EQ(notes->DisplayText(), QStringLiteral("(MEMO)"));
    EXPECT_EQ(notes->Text(), QStringLiteral("caf\u00e9 line"));
    EXPECT_TRUE(notes->AsVariant().IsStr());

    EXPECT_THROW(notes->SetAsString(QStringLiteral("x")), EDatabaseError) << "writing needs an edit";
    data->Edit();
    notes->Clear();
    data->Post();
    EXPECT_TRUE(notes->IsNull());
    EXPECT_EQ(notes->AsString(), QString());
    EXPECT_EQ(notes->DisplayText(), QStringLiteral("(memo)"));
}

TEST(FieldsNative, ValidationSeesTheNewValueAndCanRefuseIt) {
    auto data = MakeNumbers(1);
    TField* name = data->FieldByName(QStringLiteral("Name"));
    QStringList seen;
    name->OnValidate = [&](TField* f) {
        seen << f->AsString();
        if (f->AsString().isEmpty()) throw EDatabaseError(QStringLiteral("a name is needed"));
    };
    QStringList changes;
    name->OnChange = [&](TField* f) { changes << f->AsString(); };
    data->Edit();
    name->SetAsString(QStringLiteral("kept"));
    EXPECT_THROW(name->SetAsString(QString()), EDatabaseError);
    EXPECT_EQ(name->AsString(), QStringLiteral("kept"));
    EXPECT_EQ(seen, QStringList({"kept", ""}));
    EXPECT_EQ(changes, QStringList({"kept"})) << "a refused value changes nothing";
    data->Post();
}

TEST(FieldsNative, AssigningAFieldCopiesItsValueAcrossKinds) {
    auto source = Inserting(QStringLiteral("N Integer; T String 10; Z Float"));
    auto target = Inserting(QStringLiteral("N String 10; T Integer; Z Integer"));
    source->FieldByName(QStringLiteral("N"))->SetAsInteger(12);
    source->FieldByName(QStringLiteral("T"))->SetAsString(QStringLiteral("34"));
    for (const char* name : {"N", "T", "Z"}) {
        target->FieldByName(QLatin1String(name))->Assign(source->FieldByName(QLatin1String(name)));
    }
    EXPECT_EQ(target->FieldByName(QStringLiteral("N"))->AsString(), QStringLiteral("12"));
    EXPECT_EQ(target->FieldByName(QStringLiteral("T"))->AsInteger(), 34);
    EXPECT_TRUE(target->FieldByName(QStringLiteral("Z"))->IsNull()) << "null stays null";
}

}  // namespace
