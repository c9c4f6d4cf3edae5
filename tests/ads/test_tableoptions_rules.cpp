// The table options of a dataset: defaults, setter rules against open and
// closed datasets of each table type, the optimized-filter option value,
// the collation names, record caching and the index page size at open.
#include "tests/ads/test_dataset_support.h"

#include "framework/typinfo.h"

using namespace dataset_test;

namespace {

struct OpenTable {
    testsupport::TempFolder folder;
    std::unique_ptr<TAdsQuery> query;
    OpenTable()
    {
        RunSql(folder.path(), "CREATE TABLE t (NAME Char(10)); INSERT INTO t VALUES ('a');");
        query = QueryOn(folder.path(), "SELECT * FROM t");
    }
};

} // namespace

TEST(TableOptions, DefaultsAreTheConstructorValues)
{
    TAdsQuery query(nullptr);
    const TAdsTableOptions& o = *query.AdsTableOptions();
    EXPECT_EQ(o.OwningDataSet(), &query);
    EXPECT_EQ(o.AdsLockType(), Proprietary);
    EXPECT_EQ(o.AdsCharType(), ANSI);
    EXPECT_EQ(o.AdsFilterOptions(), IGNORE_WHEN_COUNTING);
    EXPECT_EQ(o.AdsScopeOptions(), IGNORE_SCOPES_WHEN_COUNTING);
    EXPECT_TRUE(o.AdsRightsCheck());
    EXPECT_TRUE(o.AdsOptimizedFilters());
    EXPECT_FALSE(o.AdsFreshRecordCount());
    EXPECT_FALSE(o.AdsAOFResolveImmediate());
    EXPECT_EQ(o.AdsIndexPageSize(), 0);
    EXPECT_EQ(o.AdsRecordCache(), rcStandard);
    EXPECT_EQ(o.AdsAOFType(), atDynamic);
    EXPECT_FALSE(o.AdsAutoKeyFieldCount());
    EXPECT_FALSE(o.AdsCalcFieldsBeforeFilter());
    EXPECT_EQ(o.AdsRecordLockingMode(), lmPessimistic);
    EXPECT_FALSE(o.AdsPreserveSpaces());
    EXPECT_FALSE(o.AdsNumericsAsFloats());
    EXPECT_TRUE(o.AdsCollation().isEmpty());
    EXPECT_EQ(o.AdsCachingOption(), tcNone);
    EXPECT_EQ(o.AdsLocateBehavior(), lbFastestPossible);
}

TEST(TableOptions, PublishedInTheirOrderAndOmittedAtTheirDefaults)
{
    QStringList names;
    for (const TPropInfo* p : TAdsTableOptions::StaticClass()->Properties())
        names << p->Name();
    EXPECT_EQ(names, QStringList({"AdsLockType", "AdsCharType", "AdsFilterOptions", "AdsScopeOptions",
                                  "AdsRightsCheck", "AdsOptimizedFilters", "AdsFreshRecordCount",
                                  "AdsAOFResolveImmediate", "AdsIndexPageSize", "AdsRecordCache", "AdsAOFType",
                                  "AdsAutoKeyFieldCount", "AdsCalcFieldsBeforeFilter", "AdsRecordLockingMode",
                                  "AdsPreserveSpaces", "AdsNumericsAsFloats", "AdsCollation",
                                  "AdsCachingOption", "AdsLocateBehavior"}));
    TAdsQuery query(nullptr);
    for (const TPropInfo* p : TAdsTableOptions::StaticClass()->Properties())
        EXPECT_TRUE(p->IsDefault(query.AdsTableOptions())) << p->Name().toStdString();
}

TEST(TableOptions, CharacterTypesFollowTheTableType)
{
    struct Case {
        TAdsTableTypes tableType;
        TAdsCharTypes value;
        const char* refusal;  // nullptr: accepted
    };
    const char* const dbfOnly = "ttAdsCDX and ttAdsNTX table types only support an AdsCharType of ANSI or OEM.";
    const Case cases[] = {
        {ttAdsCDX, OEM, nullptr},
        {ttAdsCDX, ANSI, nullptr},
        {ttAdsCDX, GERMAN_VFP_CI_AS_1252, dbfOnly},
        {ttAdsNTX, BOSNIAN_ADS_CS_AS_775, dbfOnly},
        {ttAdsADT, GERMAN_VFP_CI_AS_1252, nullptr},
        {ttAdsADT, BOSNIAN_ADS_CS_AS_775, nullptr},
        {ttAdsVFP, MACHINE_VFP_BIN_1252, nullptr},
        {ttAdsADT, TAdsCharTypes(118), "Invalid or unknown character type."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.value));
        TAdsQuery query(nullptr);
        query.InternalSetTableType(c.tableType, true);
        if (c.refusal) {
            ExpectDataSetError([&] { query.AdsTableOptions()->SetAdsCharType(c.value); }, c.refusal);
            EXPECT_EQ(query.AdsTableOptions()->AdsCharType(), ANSI);
        } else {
            query.AdsTableOptions()->SetAdsCharType(c.value);
            EXPECT_EQ(query.AdsTableOptions()->AdsCharType(), c.value);
        }
    }
    EXPECT_EQ(TEnumTraits<TAdsCharTypes>::Names().size(), 118);
}

TEST(TableOptions, SettingsThatNeedAClosedDataset)
{
    OpenTable t;
    t.query->Open();
    TAdsTableOptions& o = *t.query->AdsTableOptions();
    const std::function<void()> setters[] = {
        [&] { o.SetAdsLockType(Compatible); },
        [&] { o.SetAdsRightsCheck(false); },
        [&] { o.SetAdsCachingOption(tcReads); },
        [&] { o.SetAdsCharType(OEM); },
    };
    for (const auto& set : setters)
        ExpectDataSetError(set, "Table must not be Active.");
    EXPECT_EQ(o.AdsLockType(), Proprietary);
    EXPECT_TRUE(o.AdsRightsCheck());
    EXPECT_EQ(o.AdsCachingOption(), tcNone);
    o.SetAdsPreserveSpaces(true);  // a plain store while open
    EXPECT_TRUE(o.AdsPreserveSpaces());
}

TEST(TableOptions, OptimizedFilterOptionValue)
{
    struct Case {
        TAdsAOFTypes type;
        bool immediate;
        uint32_t expected;
    };
    const Case cases[] = {{atDynamic, false, 8194}, {atDynamic, true, 8193}, {atKeySet, true, 8197},
                          {atKeySet, false, 8198}, {atFixed, false, 8202}, {atFixed, true, 8201}};
    for (const Case& c : cases) {
        TAdsTableOptions o;
        o.SetAdsAOFType(c.type);
        o.SetAdsAOFResolveImmediate(c.immediate);
        EXPECT_EQ(o.AOFOptions(), c.expected) << int(c.type) << " " << c.immediate;
    }
}

TEST(TableOptions, CollationNamesOfTheCharacterTypes)
{
    const std::pair<TAdsCharTypes, const char*> cases[] = {
        {ANSI, "ANSI"},
        {OEM, "OEM"},
        {ENGL_AMER_ADS_CS_AS_1252, "ENGL(AMER)_ADS_CS_AS_1252"},
        {ENGL_CAN_ADS_CS_AS_1252, "ENGL(CAN)_ADS_CS_AS_1252"},
        {ENGL_UK_ADS_CS_AS_1252, "ENGL(UK)_ADS_CS_AS_1252"},
        {SPAN_MOD_ADS_CS_AS_1252, "SPAN(MOD)_ADS_CS_AS_1252"},
        {GERMAN_VFP_CI_AS_1252, "GERMAN_VFP_CI_AS_1252"},
        {BOSNIAN_ADS_CS_AS_775, "BOSNIAN_ADS_CS_AS_775"},
    };
    for (const auto& [type, name] : cases)
        EXPECT_EQ(CharTypeCollationName(type), name);
    EXPECT_EQ(int(ENGL_AMER_ADS_CS_AS_1252), 70);
    EXPECT_EQ(int(SPAN_MOD_ADS_CS_AS_1252), 82);
}

TEST(TableOptions, TheEffectiveCollationPrefersTheTableThenTheConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    TAdsQuery query(nullptr);
    query.AdsTableOptions()->SetAdsCharType(ENGL_UK_ADS_CS_AS_1252);
    EXPECT_EQ(query.GetEffectiveCollation(), "ENGL(UK)_ADS_CS_AS_1252");
    query.SetAdsConnection(&connection);
    connection.SetAdsCollation("GERMAN_VFP_CI_AS_1252");
    EXPECT_EQ(query.GetEffectiveCollation(), "GERMAN_VFP_CI_AS_1252");
    query.AdsTableOptions()->SetAdsCollation("DUTCH_VFP_CI_AS_1252");
    EXPECT_EQ(query.GetEffectiveCollation(), "DUTCH_VFP_CI_AS_1252");
    query.SetAdsConnection(nullptr);
}

TEST(TableOptions, RecordCacheAtOpenAndOnAnOpenDataset)
{
    struct Case {
        TAdsRecordCacheTypes atOpen;
        QStringList openCalls;  // arguments of AdsCacheRecords while opening
    };
    const Case cases[] = {{rcStandard, {}}, {rcNone, {"0"}}, {rcAggressive, {"100"}}};
    for (const Case& c : cases) {
        OpenTable t;
        t.query->AdsTableOptions()->SetAdsRecordCache(c.atOpen);
        ace::StartCallTrace();
        t.query->Open();
        QStringList counts;
        for (const auto& call : CallsOf(ace::StopCallTrace(), "AdsCacheRecords"))
            counts << call.arguments.value(1);
        EXPECT_EQ(counts, c.openCalls) << int(c.atOpen);
    }
    OpenTable t;
    t.query->Open();
    const std::pair<TAdsRecordCacheTypes, const char*> changes[] = {
        {rcStandard, "10"}, {rcNone, "0"}, {rcAggressive, "100"}};
    for (const auto& [value, count] : changes) {
        ace::StartCallTrace();
        t.query->AdsTableOptions()->SetAdsRecordCache(value);
        const auto calls = CallsOf(ace::StopCallTrace(), "AdsCacheRecords");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].arguments.value(1), count);
        EXPECT_EQ(t.query->AdsTableOptions()->AdsRecordCache(), value);
    }
}

TEST(TableOptions, IndexPageSizeIsReadAtOpen)
{
    OpenTable t;
    t.query->AdsTableOptions()->SetAdsIndexPageSize(4096);
    t.query->Open();
    EXPECT_EQ(t.query->AdsTableOptions()->AdsIndexPageSize(), 0) << "a query result has no index";
}

// Handing a whole set of options to a dataset obeys the rules of setting
// them one by one: an open dataset refuses what needs it closed, before
// anything has changed, and takes the rest, its cursor included.
TEST(TableOptions, HandingOverOptionsObeysTheSetterRules)
{
    OpenTable t;
    t.query->Open();
    TAdsTableOptions& own = *t.query->AdsTableOptions();

    TAdsTableOptions refused;
    refused.SetAdsLockType(Compatible);
    refused.SetAdsPreserveSpaces(true);
    ExpectDataSetError([&] { t.query->SetAdsTableOptions(&refused); }, "Table must not be Active.");
    EXPECT_EQ(own.AdsLockType(), Proprietary);
    EXPECT_FALSE(own.AdsPreserveSpaces()) << "nothing taken from a refused set";

    TAdsTableOptions accepted;
    accepted.SetAdsPreserveSpaces(true);
    accepted.SetAdsRecordCache(rcAggressive);
    ace::StartCallTrace();
    t.query->SetAdsTableOptions(&accepted);
    const auto cached = CallsOf(ace::StopCallTrace(), "AdsCacheRecords");
    ASSERT_EQ(cached.size(), 1u);
    EXPECT_EQ(cached[0].arguments.value(1), "100") << "the open cursor caches as told";
    EXPECT_TRUE(own.AdsPreserveSpaces());
    EXPECT_EQ(own.AdsRecordCache(), rcAggressive);
    EXPECT_EQ(own.OwningDataSet(), t.query.get());

    t.query->Close();
    t.query->SetAdsTableOptions(&refused);
    EXPECT_EQ(own.AdsLockType(), Compatible) << "a closed dataset takes them all";
    EXPECT_EQ(own.AdsRecordCache(), rcStandard);

    TAdsQuery dbf(nullptr);
    dbf.InternalSetTableType(ttAdsCDX, true);
    TAdsTableOptions collated;
    collated.SetAdsCharType(GERMAN_VFP_CI_AS_1252);
    ExpectDataSetError([&] { dbf.SetAdsTableOptions(&collated); },
                       "ttAdsCDX and ttAdsNTX table types only support an AdsCharType of ANSI or OEM.");
    EXPECT_EQ(dbf.AdsTableOptions()->AdsCharType(), ANSI);
}
