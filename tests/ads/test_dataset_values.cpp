// Field values on real tables: what field objects read from the engine's
// record images of ADT, VFP and DBF tables, the bytes they write into a
// record buffer (compared with what the engine itself stores for the same
// value), nulls, the numeric text rules, default expressions and the
// key-buffer state.
#include "tests/ads/test_dataset_support.h"

#include "framework/formatsettings.h"

#include <cstring>
#include <functional>

using namespace dataset_test;

namespace {

struct Kind {
    TAdsTableTypes type;
    uint16_t engineType;
    const char* name;
};
const Kind kAdt{ttAdsADT, ADS_ADT, "ADT"};
const Kind kCdx{ttAdsCDX, ADS_CDX, "CDX"};
const Kind kVfp{ttAdsVFP, ADS_VFP, "VFP"};

// A query whose key buffer in dsSetKey can be chosen (the key operations
// that choose it belong to the index layer).
class KeyQuery : public TAdsQuery {
public:
    using TAdsQuery::TAdsQuery;
    void UseKeyBuffer(int index) { mpstKeyBuffer = index; }
    TRecordBuffer KeyRecord() { return ActiveRecordBuffer(); }
};

// "A Char(4), N Numeric(5, 2)" as the engine's definition text
// "A,Char,4;N,Numeric,5,2;".
QByteArray EngineDefinition(const QString& columns)
{
    QByteArray definition;
    int depth = 0;
    QString column;
    const auto flush = [&] {
        const QString text = column.trimmed();
        const int blank = text.indexOf(QLatin1Char(' '));
        QString type = text.mid(blank + 1);
        type.replace(QLatin1Char('('), QLatin1Char(',')).remove(QLatin1Char(')')).remove(QLatin1Char(' '));
        definition += (text.left(blank) + QLatin1Char(',') + type).toUtf8() + ';';
        column.clear();
    };
    for (QChar ch : columns) {
        depth += ch == QLatin1Char('(') ? 1 : ch == QLatin1Char(')') ? -1 : 0;
        if (ch == QLatin1Char(',') && depth == 0)
            flush();
        else
            column += ch;
    }
    flush();
    return definition;
}

// A table "t" of one kind in a temporary folder, made through the engine's
// C interface and filled through SQL, opened as the dataset's own cursor so
// that the dataset sees the table's engine types and can enter the edit
// states.
class TableOnDisk {
public:
    TableOnDisk(const Kind& kind, const QString& columns, const QStringList& rows = {}) : mKind(kind)
    {
        connection = OpenOn(folder.path());
        ADSHANDLE created = 0;
        const QByteArray definition = EngineDefinition(columns);
        EXPECT_EQ(ace::AdsCreateTable90(connection->ConnectionHandle(), "t", nullptr, kind.engineType, ADS_ANSI, 1, 1,
                                        0, definition.constData(), 0, "", &created),
                  0u)
            << definition.toStdString();
        ace::AdsCloseTable(created);
        for (const QString& row : rows)
            RunSql(folder.path(), "INSERT INTO t VALUES (" + row + ")", kind.type);
        query = std::make_unique<KeyQuery>(nullptr);
        query->SetName("Q");
        query->SetAdsConnection(connection.get());
        query->SetTableType(kind.type);
    }

    KeyQuery& Open()
    {
        query->SetCursorHandleForOpen(OpenTableCursor(*connection, "t", mKind.engineType));
        query->Open();
        return *query;
    }

    // The column's bytes in the record buffer the fields use.
    QByteArray Column(const QString& name, TRecordBuffer record = nullptr) const
    {
        const TACEFieldDef* def = query->ACEFieldDefs()->Items(query->ACEFieldDefs()->IndexOf(name));
        record = record ? record : query->ActiveBuffer();
        return QByteArray(reinterpret_cast<const char*>(record + def->Offset()), int(def->Length()));
    }

    // The record image after the deletion byte.
    QByteArray Image() const
    {
        return QByteArray(reinterpret_cast<const char*>(query->ActiveBuffer()) + 1, query->RecordSize() - 1);
    }

    testsupport::TempFolder folder;
    std::unique_ptr<TAdsConnection> connection;
    std::unique_ptr<KeyQuery> query;

private:
    Kind mKind;
};

std::string Hex(const QByteArray& bytes)
{
    return bytes.toHex(' ').toStdString();
}

TDateTime DateTimeOf(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0)
{
    return EncodeDate(y, m, d) + EncodeTime(h, n, s, ms);
}

// ---------------------------------------------------------------------------
// Reading.

struct ReadCase {
    const Kind* kind;
    const char* definition;
    const char* literal;
    const char* expected;  // AsString of the value under the invariant settings
};

const ReadCase kReadCases[] = {
    {&kAdt, "Logical", "TRUE", "True"},
    {&kAdt, "Numeric(8, 2)", "-12.5", "-12.5"},
    {&kAdt, "Numeric(20, 4)", "1234567890.1234", "1234567890.1234"},
    {&kAdt, "Date", "'2024-03-05'", "2024-03-05"},
    {&kAdt, "CompactDate", "'1999-12-31'", "1999-12-31"},
    {&kAdt, "Char(8)", "' ab  '", " ab"},
    {&kAdt, "CIChar(4)", "'Xy'", "Xy"},
    {&kAdt, "Double", "2.25", "2.25"},
    {&kAdt, "Integer", "-7", "-7"},
    {&kAdt, "ShortInt", "300", "300"},
    {&kAdt, "Time", "'13:45:10'", "13:45:10"},
    {&kAdt, "TimeStamp", "'2024-03-05 06:07:08'", "2024-03-05 06:07:08"},
    {&kAdt, "CurDouble", "3.5", "3.5"},
    {&kAdt, "Money", "12.3456", "12.3456"},
    {&kAdt, "LongInt", "9000000000", "9000000000"},
    {&kAdt, "VarChar(6)", "'abc '", "abc"},
    {&kAdt, "NChar(4)", "'é'", "é"},
    {&kAdt, "NVarChar(5)", "'ü ü '", "ü ü"},
    {&kCdx, "Logical", "FALSE", "False"},
    {&kCdx, "Numeric(5, 2)", "-9.99", "-9.99"},
    {&kCdx, "Numeric(4, 0)", "123", "123"},
    {&kCdx, "Date", "'2001-02-03'", "2001-02-03"},
    {&kCdx, "Char(6)", "'  x y '", "  x y"},
    {&kVfp, "Logical", "TRUE", "True"},
    {&kVfp, "Numeric(6, 2)", "1.5", "1.5"},
    {&kVfp, "Date", "'2030-01-01'", "2030-01-01"},
    {&kVfp, "Char(5)", "'v '", "v"},
    {&kVfp, "VarChar(5)", "'ab'", "ab"},
    {&kVfp, "VarChar(3)", "'abc'", "abc"},
    {&kVfp, "Integer", "5", "5"},
    {&kVfp, "Double", "0.5", "0.5"},
    {&kVfp, "Money", "-1.25", "-1.25"},
    {&kVfp, "TimeStamp", "'2024-03-05 23:59:59'", "2024-03-05 23:59:59"},
};

// One table per kind holds a column of each case: a row of values, then a
// row of nulls.
TEST(DataSetValues, ReadsEveryTypeAndItsNull)
{
    TFormatSettingsGuard guard;
    FormatSettings() = TFormatSettings::Invariant();
    for (const Kind* kind : {&kAdt, &kCdx, &kVfp}) {
        SCOPED_TRACE(kind->name);
        QStringList columns, values, nulls;
        std::vector<const ReadCase*> cases;
        for (const ReadCase& c : kReadCases) {
            if (c.kind != kind)
                continue;
            columns << QStringLiteral("C%1 %2").arg(cases.size()).arg(c.definition);
            values << QString::fromUtf8(c.literal);
            nulls << "NULL";
            cases.push_back(&c);
        }
        TableOnDisk table(*kind, columns.join(", "), {values.join(", "), nulls.join(", ")});
        KeyQuery& query = table.Open();
        for (size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i]->definition);
            TField* field = query.Fields()->Fields(int(i));
            EXPECT_FALSE(field->IsNull());
            EXPECT_EQ(field->AsString().toStdString(), cases[i]->expected);
        }
        query.Next();
        for (size_t i = 0; i < cases.size(); ++i) {
            TField* field = query.Fields()->Fields(int(i));
            // DBF has no null: blank logical, numeric, date and text columns
            // read as null there too.
            EXPECT_TRUE(field->IsNull()) << cases[i]->definition << " " << Hex(table.Column(field->FieldName()));
        }
    }
}

TEST(DataSetValues, VfpTimeStampsRoundToWholeSecondsAdtKeepsMilliseconds)
{
    struct Case {
        const Kind* kind;
        int32_t msecs;
        int expectedMsecs;
    };
    const Case cases[] = {
        {&kVfp, 43200600, 43201000},
        {&kVfp, 43200499, 43200000},
        {&kAdt, 43200600, 43200600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + std::to_string(c.msecs));
        TableOnDisk table(*c.kind, "TS TimeStamp");
        {
            ADSHANDLE cursor = OpenTableCursor(*table.connection, "t", c.kind->engineType);
            const int32_t raw[2] = {DateTimeToJulianDay(EncodeDate(2024, 3, 5)), c.msecs};
            ASSERT_EQ(ace::AdsAppendRecord(cursor), 0u);
            ASSERT_EQ(ace::AdsSetTimeStampRaw(cursor, "TS", reinterpret_cast<const UNSIGNED8*>(raw), 8), 0u);
            ASSERT_EQ(ace::AdsWriteRecord(cursor), 0u);
            ASSERT_EQ(ace::AdsCloseTable(cursor), 0u);
        }
        KeyQuery& query = table.Open();
        EXPECT_DOUBLE_EQ(query.FieldByName("TS")->AsDateTime(),
                         EncodeDate(2024, 3, 5) + double(c.expectedMsecs) / MSecsPerDay);
    }
}

// Column types that DBF tables do not have: whatever their bytes, no value.
TEST(DataSetValues, DbfTypesWithoutDbfColumnsReadAsNull)
{
    TableOnDisk table(kCdx, "C Char(16)", {"'xxxxxxxxxxxxxxxx'"});
    KeyQuery& query = table.Open();
    const TACEFieldDef& def = *query.ACEFieldDefs()->Items(0);
    const QByteArray bytes(16, 'x');
    const auto* raw = reinterpret_cast<const quint8*>(bytes.constData());
    for (uint16_t type : {13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 25})
        EXPECT_TRUE(query.FieldValueIsNull(raw, 8, def, query.ActiveBuffer(), type)) << type;
    for (uint16_t type : {10, 11, 12, 17})
        EXPECT_FALSE(query.FieldValueIsNull(raw, 8, def, query.ActiveBuffer(), type)) << "never null: " << type;
}

// ---------------------------------------------------------------------------
// Writing.

struct WriteCase {
    const Kind* kind;
    const char* definition;
    const char* literal;
    std::function<void(TField*)> assign;
};

// Each value is stored once by the engine (SQL) and once through a field
// object into a new record buffer: the column bytes must agree, the field
// must read the value back, and clearing it must read back as null.
TEST(DataSetValues, WritesTheBytesTheEngineStores)
{
    TFormatSettingsGuard guard;
    FormatSettings() = TFormatSettings::Invariant();
    const auto text = [](const char* value) { return [value](TField* f) { f->SetAsString(QString::fromUtf8(value)); }; };
    const auto number = [](double value) { return [value](TField* f) { f->SetAsFloat(value); }; };
    const auto integer = [](int value) { return [value](TField* f) { f->SetAsInteger(value); }; };
    const auto boolean = [](bool value) { return [value](TField* f) { f->SetAsBoolean(value); }; };
    const auto moment = [](TDateTime value) { return [value](TField* f) { f->SetAsDateTime(value); }; };
    const WriteCase cases[] = {
        {&kAdt, "Logical", "TRUE", boolean(true)},
        {&kAdt, "Numeric(10, 2)", "-123.45", text("-123.45")},
        {&kAdt, "Numeric(20, 0)", "98765", text("98765")},
        {&kAdt, "Date", "'2024-03-05'", moment(EncodeDate(2024, 3, 5))},
        {&kAdt, "CompactDate", "'1999-12-31'", moment(EncodeDate(1999, 12, 31))},
        {&kAdt, "Char(6)", "'abc'", text("abc")},
        {&kAdt, "Double", "-0.125", number(-0.125)},
        {&kAdt, "Integer", "123456", integer(123456)},
        {&kAdt, "ShortInt", "-300", integer(-300)},
        {&kAdt, "Time", "'13:45:10'", moment(EncodeTime(13, 45, 10, 0))},
        {&kAdt, "TimeStamp", "'2024-03-05 06:07:08'", moment(DateTimeOf(2024, 3, 5, 6, 7, 8))},
        {&kAdt, "Money", "12.3456", text("12.3456")},
        {&kAdt, "LongInt", "-9000000000", text("-9000000000")},
        {&kAdt, "VarChar(6)", "'ab'", text("ab")},
        {&kAdt, "NChar(3)", "'éa'", text("éa")},
        {&kAdt, "NVarChar(4)", "'ü'", text("ü")},
        {&kCdx, "Logical", "FALSE", boolean(false)},
        {&kCdx, "Numeric(5, 2)", "12.34", number(12.34)},
        {&kCdx, "Numeric(5, 2)", "-9.99", number(-9.99)},
        {&kCdx, "Numeric(4, 0)", "-123", integer(-123)},
        {&kCdx, "Numeric(8, 0)", "1234567", number(1234567)},
        {&kCdx, "Date", "'2001-02-03'", moment(EncodeDate(2001, 2, 3))},
        {&kCdx, "Char(4)", "'xy'", text("xy")},
        {&kVfp, "Logical", "TRUE", boolean(true)},
        {&kVfp, "Numeric(6, 2)", "1.5", number(1.5)},
        {&kVfp, "Date", "'2030-01-01'", moment(EncodeDate(2030, 1, 1))},
        {&kVfp, "Char(5)", "'v'", text("v")},
        {&kVfp, "VarChar(5)", "'ab'", text("ab")},
        {&kVfp, "VarChar(3)", "'abc'", text("abc")},
        {&kVfp, "Integer", "-5", integer(-5)},
        {&kVfp, "Double", "0.5", number(0.5)},
        {&kVfp, "Money", "-1.25", text("-1.25")},
        {&kVfp, "TimeStamp", "'2024-03-05 23:59:59'", moment(DateTimeOf(2024, 3, 5, 23, 59, 59))},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + c.definition + " " + c.literal);
        TableOnDisk table(*c.kind, QStringLiteral("V %1").arg(c.definition), {QString::fromUtf8(c.literal)});
        KeyQuery& query = table.Open();
        TField* field = query.FieldByName("V");
        const QByteArray stored = table.Image();
        const QString storedText = field->AsString();
        query.Insert();
        EXPECT_TRUE(field->IsNull()) << "a new record starts empty";
        c.assign(field);
        EXPECT_EQ(Hex(table.Image()), Hex(stored));
        EXPECT_EQ(field->AsString(), storedText);
        EXPECT_TRUE(query.ACEFieldDefs()->Items(0)->Modified());
        field->Clear();
        EXPECT_TRUE(field->IsNull()) << Hex(table.Image());
        query.Cancel();
    }
}

// On VFP the engine keeps null and variable-length flags outside the
// column: every write sets them through the engine, in this order.
TEST(DataSetValues, VfpWritesSetTheEnginesSystemFlags)
{
    TableOnDisk table(kVfp, "V VarChar(5), N Integer", {"'abcde', 1"});
    KeyQuery& query = table.Open();
    query.Edit();
    ace::StartCallTrace();
    query.FieldByName("V")->SetAsString("ab");
    query.FieldByName("V")->SetAsString("abcde");
    query.FieldByName("N")->Clear();
    query.FieldByName("N")->SetAsInteger(5);
    const auto calls = ace::StopCallTrace();
    QStringList flags;
    for (const ace::TracedCall& call : CallsOf(calls, "AdsAccessVfpSystemField")) {
        const QString option = call.arguments.value(3);
        if (option == "2" || option == "3")
            flags << call.arguments.value(1) + ":" + option + "=" + call.arguments.value(4);
    }
    EXPECT_EQ(flags, QStringList({"1:3=&0", "1:2=&0", "1:3=&1", "1:2=&0", "2:2=&1", "2:2=&0"})) << Dump(calls);
    EXPECT_EQ(query.FieldByName("V")->AsString(), "abcde");
    EXPECT_EQ(query.FieldByName("N")->AsInteger(), 5);
    query.Cancel();
}

// The restore monitor reads numbers and texts of a query's static result.
TEST(DataSetValues, QueryResultsReadTheirValues)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE s (NAME Char(10), PCT Integer, LEFT_S Double, SINCE TimeStamp);"
                          "INSERT INTO s VALUES ('restore', 42, 12.5, '2024-03-05 10:00:00');"
                          "INSERT INTO s VALUES (NULL, NULL, NULL, NULL);");
    auto query = QueryOn(folder.path(), "SELECT * FROM s");
    query->Open();
    EXPECT_EQ(query->FieldByName("NAME")->AsString(), "restore");
    EXPECT_EQ(query->FieldByName("PCT")->AsInteger(), 42);
    EXPECT_DOUBLE_EQ(query->FieldByName("LEFT_S")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(query->FieldByName("SINCE")->AsDateTime(), DateTimeOf(2024, 3, 5, 10));
    query->Next();
    for (const char* name : {"NAME", "PCT", "LEFT_S", "SINCE"})
        EXPECT_TRUE(query->FieldByName(name)->IsNull()) << name;
    ExpectDataSetError([&] { query->FieldByName("PCT")->SetAsInteger(1); }, "Dataset not in edit mode");
}

TEST(DataSetValues, EmptyTextIsNullOnAdtUnlessSpacesArePreserved)
{
    struct Case {
        const Kind* kind;
        const char* definition;
        bool preserveSpaces;
        char filler;
        bool readsNull;
    };
    const Case cases[] = {
        {&kAdt, "Char(4)", false, '\0', true},
        {&kAdt, "Char(4)", true, ' ', false},
        {&kAdt, "NChar(2)", false, '\0', true},
        {&kCdx, "Char(4)", false, ' ', true},  // blank DBF text is no value
        {&kVfp, "Char(4)", false, ' ', false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + c.definition + (c.preserveSpaces ? " preserving" : ""));
        TableOnDisk table(*c.kind, QStringLiteral("S %1").arg(c.definition), {"'ab'"});
        table.query->AdsTableOptions()->SetAdsPreserveSpaces(c.preserveSpaces);
        KeyQuery& query = table.Open();
        query.Edit();
        query.FieldByName("S")->SetAsString(QString());
        const QByteArray bytes = table.Column("S");
        if (QByteArray(c.definition).startsWith("NChar") && c.filler == '\0')
            EXPECT_EQ(bytes, QByteArray(4, '\0'));
        else
            EXPECT_EQ(bytes, QByteArray(4, c.filler));
        EXPECT_EQ(query.FieldByName("S")->IsNull(), c.readsNull);
        EXPECT_EQ(query.FieldByName("S")->AsString(), QString());
        query.Cancel();
    }
}

// A numeric column of 5 with 2 decimals holds five characters: a sign or a
// digit in front of "9.99" or "99.99".
TEST(DataSetValues, NumericTextMustFitItsColumn)
{
    struct Case {
        const Kind* kind;
        const char* value;
        bool viaBcd;
        const char* stored;  // nullptr: refused
    };
    const Case cases[] = {
        {&kCdx, "12.34", false, "12.34"},
        {&kCdx, "-9.99", false, "-9.99"},
        {&kCdx, "1.005", false, " 1.01"},
        {&kCdx, "123.45", false, nullptr},
        {&kCdx, "-10.5", false, nullptr},
        {&kAdt, "9.99", true, " 9.99"},
        {&kAdt, "-9.99", true, "-9.99"},
        {&kAdt, "12.34", true, nullptr},  // positive, five characters: the sign's place is taken
        {&kAdt, "-10.5", true, nullptr},
    };
    TFormatSettingsGuard guard;
    FormatSettings() = TFormatSettings::Invariant();
    FormatSettings().DecimalSeparator = QLatin1Char(',');  // the column keeps "."
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + c.value);
        TableOnDisk table(*c.kind, "N Numeric(5, 2)", {"1"});
        KeyQuery& query = table.Open();
        query.Edit();
        TField* field = query.FieldByName("N");
        const QByteArray before = table.Column("N");
        const auto write = [&] {
            if (c.viaBcd) {
                TBcd value = StrToBcd(QString::fromLatin1(c.value), TFormatSettings::Invariant());
                field->SetData(&value);
            } else {
                field->SetAsFloat(StrToFloat(QString::fromLatin1(c.value), TFormatSettings::Invariant()));
            }
        };
        if (c.stored) {
            write();
            EXPECT_EQ(table.Column("N"), QByteArray(c.stored));
            EXPECT_EQ(field->AsString(), QString::fromLatin1(c.stored).trimmed().replace('.', ','))
                << "read back with the locale's separator";
        } else {
            ExpectDataSetError(write, "Numeric out of range.");
            EXPECT_EQ(table.Column("N"), before) << "a refused value leaves the column alone";
        }
        query.Cancel();
    }
}

// Raw and variable binary columns keep their bytes, zeros included, and
// the length of a variable value; a value longer than its column is
// refused rather than cut.
TEST(DataSetValues, BinaryColumnsKeepTheirBytes)
{
    struct Case {
        const Kind* kind;
        const char* definition;
        QByteArray value;
        QByteArray expected;
    };
    const QByteArray zeros("a\0b", 3);
    const Case cases[] = {
        {&kAdt, "Raw(3)", zeros, zeros},
        {&kAdt, "VarBinary(4)", zeros, zeros},
        {&kAdt, "VarBinary(2)", zeros, QByteArray()},
        {&kVfp, "VarBinary(4)", zeros, zeros},
        {&kVfp, "VarBinary(3)", zeros, zeros},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + c.definition);
        TableOnDisk table(*c.kind, QStringLiteral("B %1").arg(c.definition));
        KeyQuery& query = table.Open();
        query.Insert();
        TField* field = query.FieldByName("B");
        EXPECT_TRUE(field->IsNull());
        if (c.expected.isNull()) {
            EXPECT_THROW(field->SetAsBytes(c.value), EDatabaseError);
            EXPECT_TRUE(field->IsNull()) << "a refused value leaves the column alone";
        } else {
            field->SetAsBytes(c.value);
            EXPECT_FALSE(field->IsNull());
            EXPECT_EQ(field->AsBytes(), c.expected);
        }
        query.Cancel();
    }
}

TEST(DataSetValues, AdtDatesAreJulianDayNumbers)
{
    TableOnDisk table(kAdt, "D Date", {"'2000-01-01'"});
    KeyQuery& query = table.Open();
    int32_t julian = 0;
    std::memcpy(&julian, table.Column("D").constData(), 4);
    EXPECT_EQ(julian, 2451545);
    query.Edit();
    const TDateTime date = EncodeDate(1970, 1, 1);
    query.FieldByName("D")->SetAsDateTime(date);
    std::memcpy(&julian, table.Column("D").constData(), 4);
    EXPECT_EQ(julian, DateTimeToDayNumber(date) + 1721425);
    EXPECT_EQ(julian, 2440588);
    EXPECT_DOUBLE_EQ(query.FieldByName("D")->AsDateTime(), date);
    query.Cancel();
}

// ---------------------------------------------------------------------------
// Refusals.

TEST(DataSetValues, WritesRefusedByStateFieldAndPermission)
{
    TableOnDisk table(kAdt, "ID AutoInc, NAME Char(4)", {"1, 'a'"});
    KeyQuery& query = table.Open();
    TField* name = query.FieldByName("NAME");
    TField* id = query.FieldByName("ID");
    ExpectDataSetError([&] { name->SetAsString("b"); }, "Dataset not in edit mode");

    query.Edit();
    ExpectDataSetError([&] { id->SetAsInteger(5); }, "Update permission not granted on this field: ID.",
                       kAdsRefusalErrorCode);
    name->SetReadOnly(true);
    ExpectRaises<EDatabaseError>([&] { name->SetAsString("b"); }, "Q: Field 'NAME' cannot be modified");
    name->SetReadOnly(false);
    query.Cancel();

    query.Insert();
    ExpectDataSetError([&] { id->SetAsInteger(5); }, "Insert permission not granted on this field: ID.",
                       kAdsRefusalErrorCode);
    EXPECT_TRUE(id->IsNull()) << "the new record's autoincrement stays unassigned";
    query.Cancel();
}

// ---------------------------------------------------------------------------
// Default expressions.

TEST(DataSetValues, DefaultExpressionsFillNewRecords)
{
    struct Case {
        const Kind* kind;
        const char* definition;
        const char* expression;
        const char* expected;  // nullptr: the field stays null
    };
    const Case cases[] = {
        {&kAdt, "Logical", ".t.", "True"},
        {&kAdt, "Logical", "no", "False"},
        {&kAdt, "Numeric(8, 2)", " 12.5 ", "12.5"},
        {&kCdx, "Numeric(8, 2)", "12.5", "12.5"},
        {&kAdt, "Date", "2024-03-05", "2024-03-05"},
        {&kAdt, "Char(6)", "'abc'", "abc"},
        {&kAdt, "Char(6)", "abc", nullptr},  // without quotes nothing is written
        {&kVfp, "VarChar(6)", "'xy'", "xy"},
        {&kAdt, "Double", "1.5", "1.5"},
        {&kAdt, "Integer", "-42", "-42"},
        {&kAdt, "ShortInt", "32767", "32767"},
        {&kAdt, "Time", "10:11:12", "10:11:12"},
        {&kAdt, "TimeStamp", "2024-03-05 10:11:12", "2024-03-05 10:11:12"},
        {&kAdt, "Money", "-3.5", "-3.5"},
        {&kAdt, "NChar(3)", "'é'", "é"},
        {&kAdt, "Memo", "'ignored'", nullptr},
        {&kCdx, "Memo", "'ignored'", nullptr},  // a blank memo reference is no memo
    };
    TFormatSettingsGuard guard;
    FormatSettings() = TFormatSettings::Invariant();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind->name) + " " + c.definition + " " + c.expression);
        TableOnDisk table(*c.kind, QStringLiteral("V %1, OTHER Char(2)").arg(c.definition));
        KeyQuery& query = table.Open();
        TField* field = query.FieldByName("V");
        field->SetDefaultExpression(QString::fromUtf8(c.expression));
        query.Insert();
        if (c.expected)
            EXPECT_EQ(field->AsString().toStdString(), c.expected);
        else
            EXPECT_TRUE(field->IsNull());
        const bool memo = QByteArray(c.definition) == "Memo";
        EXPECT_EQ(query.ACEFieldDefs()->Items(0)->Modified(), !memo) << "a default marks the column, written or not";
        EXPECT_FALSE(query.ACEFieldDefs()->Items(1)->Modified());
        query.Cancel();
    }
}

// Clearing every field of a record being edited marks every column.
TEST(DataSetValues, ClearingFieldsWhileEditingMarksEveryColumn)
{
    TableOnDisk table(kAdt, "A Char(2), B Integer, M Memo", {"'x', 1, 'text'"});
    KeyQuery& query = table.Open();
    query.Edit();
    query.ClearFields();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(query.ACEFieldDefs()->Items(i)->Modified()) << i;
    EXPECT_TRUE(query.FieldByName("A")->IsNull());
    EXPECT_TRUE(query.FieldByName("B")->IsNull());
    query.Cancel();
    EXPECT_EQ(query.FieldByName("A")->AsString(), "x");
}

TEST(DataSetValues, DefaultsThatDoNotConvertNameTheField)
{
    struct Case {
        const char* definition;
        const char* expression;
        const char* cause;
    };
    const Case cases[] = {
        {"ShortInt", "40000", "Numeric out of range:40000"},
        {"ShortInt", "-32768", "Numeric out of range:-32768"},
        {"Integer", "-2147483648", "Numeric out of range:-2147483648"},
        {"Integer", "abc", "'abc' is not a valid integer value"},
        {"Double", "x1", "'x1' is not a valid floating point value"},
        {"Numeric(4, 2)", "123.4", "Q: Numeric out of range."},
        {"Numeric(10, 2)", "1234567890123456789012345678901234567890123456789012345678901234567890",
         "'1234567890123456789012345678901234567890123456789012345678901234567890' is not a valid BCD value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.definition) + " " + c.expression);
        TableOnDisk table(kAdt, QStringLiteral("V %1").arg(c.definition));
        KeyQuery& query = table.Open();
        TField* field = query.FieldByName("V");
        field->SetDisplayLabel("Value");
        field->SetDefaultExpression(QString::fromLatin1(c.expression));
        try {
            query.Insert();
            ADD_FAILURE() << "nothing raised";
        } catch (const EADSDatabaseError& error) {
            EXPECT_EQ(error.ACEErrorCode(), 0u);
            EXPECT_EQ(error.Message().toStdString(),
                      std::string("Q: Error setting default field value. (Value)\r\n") + c.cause);
        }
        EXPECT_EQ(query.State(), dsBrowse);
    }
}

// ---------------------------------------------------------------------------
// Key buffers and calculated fields.

TEST(DataSetValues, SetKeyWritesTheKeyBufferAndItsLengths)
{
    TableOnDisk table(kAdt, "NAME Char(8), WIDE NChar(4), N Integer", {"'row', 'w', 1"});
    auto* calc = new TIntegerField(table.query.get());
    calc->SetFieldName("CALC");
    calc->SetCalculated(true);
    calc->SetDataSet(table.query.get());
    const auto persistent = [&](TField* field, const char* name, int size) {
        field->SetFieldName(name);
        field->SetSize(size);
        field->SetDataSet(table.query.get());
    };
    persistent(new TAdsStringField(table.query.get()), "NAME", 8);
    persistent(new TWideStringField(table.query.get()), "WIDE", 4);
    persistent(new TIntegerField(table.query.get()), "N", 0);
    table.query->OnCalcFields = [](TDataSet* d) { d->FieldByName("CALC")->SetAsInteger(7); };
    KeyQuery& query = table.Open();
    EXPECT_EQ(query.FieldByName("CALC")->AsInteger(), 7);

    query.UseKeyBuffer(0);
    const TDataSetState previous = query.SetTempState(dsSetKey);
    TRecordBuffer key = query.KeyRecord();
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(query.FieldByName("NAME")->IsNull()) << "a key buffer starts as the null record";
    EXPECT_TRUE(query.FieldByName("CALC")->IsNull()) << "no calculated value in a key buffer";
    ExpectRaises<EDatabaseError>([&] { query.FieldByName("CALC")->SetAsInteger(1); },
                                 "Q: Field 'CALC' is not indexed and cannot be modified");
    query.FieldByName("NAME")->SetAsString("abc");
    query.FieldByName("WIDE")->SetAsString("xy");
    query.FieldByName("N")->SetAsInteger(3);
    EXPECT_EQ(table.Column("NAME", key), QByteArray("abc     "));
    EXPECT_EQ(query.FieldByName("N")->AsInteger(), 3);
    uint16_t lengths[3] = {};
    std::memcpy(lengths, key + query.RecordSize(), 6);
    EXPECT_EQ(lengths[0], 3) << "8-bit text length";
    EXPECT_EQ(lengths[1], 2) << "UTF-16 length";
    EXPECT_EQ(lengths[2], 1) << "any other type";
    query.RestoreState(previous);
    EXPECT_EQ(query.FieldByName("NAME")->AsString(), "row") << "the record itself is untouched";
}

} // namespace
