// Field and index definitions: adding, finding, change notification, the
// updated flag and the update request, assignment, streaming; field type
// ordinals and native sizes.
#include "framework/fielddefs.h"
#include "framework/streaming.h"
#include "fixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(FieldTypes, OrdinalsStayInTheirFixedOrder) {
    const std::pair<TFieldType, int> cases[] = {
        {ftUnknown, 0},   {ftString, 1},      {ftSmallint, 2},   {ftInteger, 3},     {ftWord, 4},
        {ftBoolean, 5},   {ftFloat, 6},       {ftCurrency, 7},   {ftBCD, 8},         {ftDate, 9},
        {ftTime, 10},     {ftDateTime, 11},   {ftBytes, 12},     {ftVarBytes, 13},   {ftAutoInc, 14},
        {ftBlob, 15},     {ftMemo, 16},       {ftGraphic, 17},   {ftFmtMemo, 18},    {ftParadoxOle, 19},
        {ftDBaseOle, 20}, {ftTypedBinary, 21}, {ftCursor, 22},   {ftFixedChar, 23},  {ftWideString, 24},
        {ftLargeint, 25}, {ftADT, 26},        {ftArray, 27},     {ftReference, 28},  {ftDataSet, 29},
        {ftOraBlob, 30},  {ftOraClob, 31},    {ftVariant, 32},   {ftInterface, 33},  {ftIDispatch, 34},
        {ftGuid, 35},     {ftTimeStamp, 36},  {ftFMTBcd, 37},    {ftFixedWideChar, 38}, {ftWideMemo, 39},
        {ftShortint, 43}, {ftByte, 44},       {ftSingle, 51},
    };
    for (const auto& [type, ordinal] : cases) {
        SCOPED_TRACE(FieldTypeName(type).toStdString());
        EXPECT_EQ(int(type), ordinal);
    }
    EXPECT_EQ(FieldTypeName(ftFMTBcd), QStringLiteral("ftFMTBcd"));
    EXPECT_EQ(TEnumTraits<TFieldType>::Names().size(), FieldTypeCount);
}

TEST(FieldTypes, NativeSizes) {
    struct Case {
        TFieldType type;
        int size;
        int expected;
    };
    const Case cases[] = {
        {ftString, 10, 11},   {ftWideString, 10, 22}, {ftFixedChar, 1, 2}, {ftGuid, 38, 39},
        {ftBoolean, 0, 2},    {ftSmallint, 0, 2},     {ftWord, 0, 2},      {ftInteger, 0, 4},
        {ftAutoInc, 0, 4},    {ftLargeint, 0, 8},     {ftFloat, 0, 8},     {ftCurrency, 0, 8},
        {ftBCD, 4, 34},       {ftFMTBcd, 2, 34},      {ftDate, 0, 4},      {ftTime, 0, 4},
        {ftDateTime, 0, 8},   {ftTimeStamp, 0, 8},    {ftBytes, 16, 16},   {ftVarBytes, 16, 18},
        {ftMemo, 1, 0},       {ftBlob, 1, 0},         {ftWideMemo, 1, 0},  {ftADT, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FieldTypeName(c.type).toStdString());
        EXPECT_EQ(NativeDataSize(c.type, c.size), c.expected);
    }
    EXPECT_TRUE(IsBlobType(ftWideMemo));
    EXPECT_FALSE(IsBlobType(ftWideString));
    EXPECT_TRUE(IsWideStringType(ftFixedWideChar));
    EXPECT_TRUE(IsStringType(ftGuid));
}

TEST(FieldDefs, AddFindAndNumbering) {
    TFieldDefs defs;
    defs.Add(QStringLiteral("Connection Name"), ftString, 100);
    TFieldDef* amount = defs.Add(QStringLiteral("Amount"), ftBCD, 4, true);
    amount->SetPrecision(20);
    EXPECT_EQ(defs.Count(), 2);
    EXPECT_EQ(defs.IndexOf(QStringLiteral("AMOUNT")), 1);
    EXPECT_EQ(defs.IndexOf(QStringLiteral("missing")), -1);
    EXPECT_EQ(defs.Find(QStringLiteral("connection name")), defs[0]);
    EXPECT_EQ(defs.FindDef(QStringLiteral("nope")), nullptr);
    try {
        defs.Find(QStringLiteral("Nope"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'Nope' not found"));
    }
    EXPECT_EQ(amount->DataType(), ftBCD);
    EXPECT_EQ(amount->Size(), 4);
    EXPECT_EQ(amount->Precision(), 20);
    EXPECT_TRUE(amount->Required());
    EXPECT_FALSE(defs[0]->Required());
    EXPECT_EQ(defs[0]->FieldNo(), 1);
    EXPECT_EQ(amount->FieldNo(), 2);
    amount->SetFieldNo(7);
    EXPECT_EQ(amount->FieldNo(), 7);
    amount->SetRequired(false);
    EXPECT_FALSE(amount->Attributes().Contains(faRequired));
    defs.Delete(0);
    EXPECT_EQ(defs.IndexOf(QStringLiteral("Amount")), 0);
}

TEST(FieldDefs, ChangesNotifyOncePerBracketAndUpdateAsksTheOwner) {
    TFieldDefs defs;
    int changes = 0;
    defs.OnChange = [&](TObject*) { ++changes; };
    defs.Add(QStringLiteral("A"), ftInteger);
    EXPECT_EQ(changes, 1);
    defs[0]->SetSize(5);
    EXPECT_EQ(changes, 2);
    defs[0]->SetSize(5);  // no change, no notice
    EXPECT_EQ(changes, 2);
    defs.BeginUpdate();
    defs.Add(QStringLiteral("B"), ftString, 10);
    defs[1]->SetPrecision(3);
    defs.Delete(0);
    EXPECT_EQ(changes, 2);
    defs.EndUpdate();
    EXPECT_EQ(changes, 3);
    defs.Clear();
    EXPECT_EQ(changes, 4);

    int refreshes = 0;
    defs.OnUpdate = [&] {
        ++refreshes;
        defs.Add(QStringLiteral("FromCursor"), ftDate);
    };
    EXPECT_FALSE(defs.Updated());
    defs.Update();
    defs.Update();  // already up to date
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(defs.Updated());
    defs.SetUpdated(false);
    defs.Update();
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(defs.Count(), 2);
}

TEST(FieldDefs, AssignCopiesEveryDefinition) {
    TFieldDefs source;
    source.Add(QStringLiteral("Name"), ftWideString, 50, true);
    source.Add(QStringLiteral("Total"), ftFMTBcd, 2)->SetPrecision(18);
    source[1]->SetInternalCalcField(true);
    TFieldDefs copy;
    copy.Add(QStringLiteral("Old"), ftInteger);
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy[0]->Name(), QStringLiteral("Name"));
    EXPECT_EQ(copy[0]->DataType(), ftWideString);
    EXPECT_EQ(copy[0]->Size(), 50);
    EXPECT_TRUE(copy[0]->Required());
    EXPECT_EQ(copy[1]->Precision(), 18);
    EXPECT_TRUE(copy[1]->InternalCalcField());
    EXPECT_EQ(copy.IndexOf(QStringLiteral("Old")), -1);
}

TEST(IndexDefs, AddFindAndLookupByFields) {
    TIndexDefs defs;
    defs.Add(QStringLiteral("BYNAME"), QStringLiteral("NAME"), {ixCaseInsensitive});
    defs.Add(QStringLiteral("BYCITY"), QStringLiteral("CITY;NAME"), {});
    defs.Add(QStringLiteral("PK"), QStringLiteral("ID"), {ixPrimary, ixUnique});
    defs.Add(QStringLiteral("ID2"), QStringLiteral("ID;CITY"), {ixUnique});
    TIndexDef* expr = defs.Add(QStringLiteral("BYEXPR"), QStringLiteral("UPPER(NAME)+CITY"), {ixExpression});
    EXPECT_EQ(expr->Expression(), QStringLiteral("UPPER(NAME)+CITY"));
    EXPECT_TRUE(expr->Fields().isEmpty());
    EXPECT_EQ(expr->FieldExpression(), QStringLiteral("UPPER(NAME)+CITY"));
    EXPECT_EQ(defs.Find(QStringLiteral("pk"))->Fields(), QStringLiteral("ID"));
    try {
        defs.Find(QStringLiteral("NOPE"));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Index 'NOPE' not found"));
    }
    struct Case {
        const char* fields;
        bool caseInsensitive;
        const char* expected;  // nullptr = none
    };
    const Case cases[] = {
        {"ID", false, "PK"},           // the primary index is preferred
        {"id; city", false, "ID2"},
        {"CITY", false, "BYCITY"},     // leading fields are enough
        {"NAME", false, nullptr},      // only a case-insensitive index has it
        {"NAME", true, "BYNAME"},
        {"CITY;ID", false, nullptr},
        {"", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        TIndexDef* def = defs.GetIndexForFields(QString::fromLatin1(c.fields), c.caseInsensitive);
        EXPECT_EQ(def ? def->Name() : QString(), QString::fromLatin1(c.expected));
    }
    EXPECT_EQ(defs.FindIndexForFields(QStringLiteral("NAME"))->Name(), QStringLiteral("BYNAME"));
    EXPECT_THROW(defs.FindIndexForFields(QStringLiteral("ZIP")), EDatabaseError);
}

TEST(IndexDefs, UpdatedFlagAssignmentAndChangeNotice) {
    TIndexDefs defs;
    int changes = 0;
    int refreshes = 0;
    defs.OnChange = [&](TObject*) { ++changes; };
    defs.OnUpdate = [&] {
        ++refreshes;
        defs.Clear();
        defs.Add(QStringLiteral("TAG1"), QStringLiteral("A"), {ixDescending});
    };
    defs.Update();
    EXPECT_TRUE(defs.Updated());
    EXPECT_EQ(refreshes, 1);
    defs.Update();
    EXPECT_EQ(refreshes, 1);
    const int before = changes;
    defs[0]->SetOptions({ixDescending, ixUnique});
    EXPECT_EQ(changes, before + 1);
    defs[0]->SetSource(QStringLiteral("orders.cdx"));
    TIndexDefs copy;
    copy.Assign(&defs);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy[0]->Name(), QStringLiteral("TAG1"));
    EXPECT_EQ(copy[0]->Options(), (TIndexOptions{ixDescending, ixUnique}));
    EXPECT_EQ(copy[0]->Source(), QStringLiteral("orders.cdx"));
    EXPECT_FALSE(copy.Updated());
}

// A component that publishes both collections, as datasets store them.
class TDefsHolder : public TComponent {
    VARNEL_DECLARE_CLASS(TDefsHolder, TComponent)

public:
    explicit TDefsHolder(TComponent* owner) : TComponent(owner), mFieldDefs(this), mIndexDefs(this) {}
    TFieldDefs* FieldDefs() { return &mFieldDefs; }
    TIndexDefs* IndexDefs() { return &mIndexDefs; }

private:
    TFieldDefs mFieldDefs;
    TIndexDefs mIndexDefs;
};
VARNEL_PUBLISH(TDefsHolder, c) {
    c.sub("FieldDefs", &TDefsHolder::FieldDefs);
    c.sub("IndexDefs", &TDefsHolder::IndexDefs);
}

TEST(FieldDefs, DefinitionsRoundTripThroughWindowDefinitions) {
    TDefsHolder holder(nullptr);
    holder.SetName(QStringLiteral("Table1"));
    holder.FieldDefs()->Add(QStringLiteral("Total"), ftBCD, 4, true)->SetPrecision(20);
    holder.FieldDefs()->Add(QStringLiteral("Note"), ftMemo, 1);
    holder.IndexDefs()->Add(QStringLiteral("PK"), QStringLiteral("TOTAL"), {ixPrimary, ixUnique});
    const QString text = WriteComponent(&holder);
    EXPECT_TRUE(text.contains(QStringLiteral("DataType = ftBCD")));
    EXPECT_TRUE(text.contains(QStringLiteral("Attributes = [faRequired]")));
    EXPECT_TRUE(text.contains(QStringLiteral("Options = [ixPrimary, ixUnique]")));

    TDefsHolder copy(nullptr);
    ReadRootComponent(text, &copy);
    ASSERT_EQ(copy.FieldDefs()->Count(), 2);
    EXPECT_EQ(copy.FieldDefs()->Items(0)->Name(), QStringLiteral("Total"));
    EXPECT_EQ(copy.FieldDefs()->Items(0)->Precision(), 20);
    EXPECT_TRUE(copy.FieldDefs()->Items(0)->Required());
    EXPECT_EQ(copy.FieldDefs()->Items(1)->DataType(), ftMemo);
    EXPECT_EQ(copy.FieldDefs()->Items(1)->Size(), 1);
    ASSERT_EQ(copy.IndexDefs()->Count(), 1);
    EXPECT_EQ(copy.IndexDefs()->Items(0)->Options(), (TIndexOptions{ixPrimary, ixUnique}));
}

}  // namespace
