// What a connection lists and reads of its server: tables by mask and alias
// type, links, procedures, the server clock and the table cache.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"

#include <QDateTime>

using namespace connection_test;

namespace {

QStringList Sorted(const TStringList& list)
{
    QStringList names = list.ToStringList();
    names.sort(Qt::CaseInsensitive);
    return names;
}

// Real tables of each kind, made by the engine.
void MakeTables(TAdsConnection& connection)
{
    struct Table {
        const char* name;
        UNSIGNED16 type;
    } tables[] = {{"alpha", ADS_ADT}, {"beta", ADS_ADT}, {"gamma", ADS_CDX}};
    for (const Table& t : tables) {
        ADSHANDLE table = 0;
        ASSERT_EQ(ace::AdsCreateTable90(connection.Handle(), t.name, nullptr, t.type, ADS_ANSI, 1, 1, 0,
                                        "NAME,Char,5;", 0, "", &table),
                  0u);
        ace::AdsCloseTable(table);
    }
}

TEST(ConnectionCatalog, APathConnectionUsesTheMaskAsGiven)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path() + "/");
    MakeTables(*connection);
    TStringList adt, dbf;
    ace::StartCallTrace();
    connection->GetTableNames(&adt, "*.adt");
    const auto calls = ace::StopCallTrace();
    connection->GetTableNames(&dbf, "*.dbf");
    EXPECT_EQ(Sorted(adt), QStringList({"alpha.adt", "beta.adt"}));
    EXPECT_EQ(Sorted(dbf), QStringList({"gamma.dbf"}));
    // One trailing separator is dropped before the mask is joined on.
    EXPECT_EQ(calls.front().arguments.value(1), '"' + folder.path() + PathDelim + "*.adt\"") << Dump(calls);
    EXPECT_EQ(Functions(calls), QStringList({"AdsFindFirstTable", "AdsFindNextTable", "AdsFindNextTable",
                                             "AdsFindClose"}));
    EXPECT_EQ(calls[2].result, 5059u);

    TStringList none;
    connection->GetTableNames(&none, "*.vfp");  // nothing found is an empty list
    EXPECT_EQ(none.Count(), 0);
    connection->GetTableNames(nullptr, "*.adt");  // no list: nothing to do
}

TEST(ConnectionCatalog, AnAliasTypeChoosesTheFileKind)
{
    Installation installation;
    for (const QString& folder : {installation.ntx, installation.adt}) {
        auto maker = OpenOn(folder);
        MakeTables(*maker);
    }
    struct Case {
        const char* alias;
        QStringList names;
    } cases[] = {
        {"Ntx", {"gamma.dbf"}},           // whatever mask is passed
        {"Adt", {"alpha.adt", "beta.adt"}},
    };
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetAliasName(c.alias);
        connection.Connect();
        TStringList names, links, tables;
        connection.GetTableNames(&names, "*.nothing");
        EXPECT_EQ(Sorted(names), c.names) << c.alias;
        connection.GetTableAndLinkNames(&links, &tables, "*.nothing");
        EXPECT_EQ(Sorted(tables), c.names) << c.alias;
        EXPECT_EQ(links.Count(), tables.Count()) << "a link name per entry";
        TStringList onlyTables;
        connection.GetTableAndLinkNames(nullptr, &onlyTables, "*.nothing");
        EXPECT_EQ(Sorted(onlyTables), c.names);
    }
}

TEST(ConnectionCatalog, ProceduresAreListedForDictionariesOnly)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    TStringList names;
    ace::StartCallTrace();
    connection.GetProcedureNames(&names);  // opens the connection first
    const auto calls = ace::StopCallTrace();
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(Functions(calls), QStringList({"AdsConnect101"})) << Dump(calls);
    EXPECT_EQ(names.Count(), 0);
}

TEST(ConnectionCatalog, ServerTimeIsTheEnginesClock)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    const QDateTime before = QDateTime::currentDateTime();
    const double serverTime = connection.GetServerTime();
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_TRUE(connection.IsConnected());
    auto asDays = [](const QDateTime& t) {
        return double(QDate(1899, 12, 30).daysTo(t.date())) + t.time().msecsSinceStartOfDay() / 86400000.0;
    };
    const double slack = 2.0 / 86400;  // two seconds
    EXPECT_GE(serverTime, asDays(before) - slack);
    EXPECT_LE(serverTime, asDays(after) + slack);
}

TEST(ConnectionCatalog, LinksOfAFreeConnection)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    EXPECT_EQ(connection->GetNumActiveDDLinks(), 0);
    ace::StartCallTrace();
    connection->GetActiveDDLinkInfo(1, nullptr);  // no list: the engine is not asked
    EXPECT_TRUE(ace::StopCallTrace().empty());
}

TEST(ConnectionCatalog, CachedTablesAreClosedOnlyWhenConnected)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    ace::StartCallTrace();
    connection.CloseCachedTables();
    connection.Connect();
    connection.CloseCachedTables();
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Functions(calls), QStringList({"AdsConnect101", "AdsCloseCachedTables"})) << Dump(calls);
    EXPECT_EQ(calls[1].arguments.value(0), QString::number(connection.Handle()));
}

} // namespace
