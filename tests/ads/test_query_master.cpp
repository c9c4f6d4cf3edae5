// A query linked to a master data source on real tables: its parameters
// take the values of the master's same-named fields, it is executed again
// when the master moves or opens, explicit parameter values stay, and links
// that would close a circle are refused.
#include "tests/ads/test_dataset_support.h"

#include "framework/datasource.h"
#include "framework/params.h"

using namespace dataset_test;

namespace {

// Customers (one without a number) and their orders.
struct Shop {
    testsupport::TempFolder folder;
    std::unique_ptr<TAdsQuery> master;
    TDataSource source{nullptr};

    Shop()
    {
        RunSql(folder.path(), "CREATE TABLE customers (ID Integer, NAME Char(8));"
                              "INSERT INTO customers VALUES (1, 'ann');"
                              "INSERT INTO customers VALUES (2, 'bob');"
                              "INSERT INTO customers VALUES (3, 'cid');"
                              "INSERT INTO customers VALUES (NULL, 'dan');"
                              "CREATE TABLE orders (CUSTID Integer, ITEM Char(8));"
                              "INSERT INTO orders VALUES (1, 'pen');"
                              "INSERT INTO orders VALUES (1, 'ink');"
                              "INSERT INTO orders VALUES (3, 'cup');");
        master = QueryOn(folder.path(), "SELECT ID, NAME FROM customers ORDER BY NAME");
        source.SetDataSet(master.get());
    }

    std::unique_ptr<TAdsQuery> Detail(const QString& sql = "SELECT CUSTID, ITEM FROM orders WHERE CUSTID = :ID "
                                                           "ORDER BY ITEM")
    {
        auto detail = QueryOn(folder.path(), sql);
        detail->SetDataSource(&source);
        return detail;
    }
};

// The ITEM values of every row; the detail is left on its last row.
QStringList Items(TAdsQuery& query)
{
    QStringList items;
    for (query.First(); !query.Eof(); query.Next())
        items << query.FieldByName("ITEM")->AsString().trimmed();
    return items;
}

int CountOf(const std::vector<ace::TracedCall>& calls, const QString& function)
{
    return int(CallsOf(calls, function).size());
}

} // namespace

TEST(QueryMaster, EachMasterRecordGivesItsOwnRows)
{
    struct Step {
        const char* move;
        std::function<void(TDataSet&)> apply;
        QStringList items;
    };
    const Step steps[] = {
        {"Next to bob", [](TDataSet& d) { d.Next(); }, {}},
        {"Next to cid", [](TDataSet& d) { d.Next(); }, {"cup"}},
        {"Next to dan, whose number is null", [](TDataSet& d) { d.Next(); }, {}},
        {"Prior to cid", [](TDataSet& d) { d.Prior(); }, {"cup"}},
        {"First", [](TDataSet& d) { d.First(); }, {"ink", "pen"}},
        {"Last", [](TDataSet& d) { d.Last(); }, {}},
    };
    Shop shop;
    shop.master->Open();
    auto detail = shop.Detail();
    detail->Open();
    EXPECT_EQ(Items(*detail), (QStringList{"ink", "pen"})) << "ann's orders at opening";
    for (const Step& step : steps) {
        SCOPED_TRACE(step.move);
        ace::StartCallTrace();
        step.apply(*shop.master);
        const auto calls = ace::StopCallTrace();
        EXPECT_EQ(CountOf(calls, "AdsExecuteSQL"), 1) << "executed again once";
        EXPECT_EQ(CountOf(calls, "AdsCreateSQLStatement"), 0) << "on the same statement";
        EXPECT_TRUE(detail->Active());
        EXPECT_EQ(Items(*detail), step.items);
    }
    EXPECT_EQ(detail->ParamByName("ID")->Bound(), false) << "left for the master to fill again";
}

TEST(QueryMaster, ParametersGivenValuesKeepThem)
{
    struct Case {
        const char* what;
        std::function<void(TAdsQuery&)> set;
        QStringList forAnn, forCid;
    };
    const Case cases[] = {
        {"the number given, the master moves in vain",
         [](TAdsQuery& q) {
             q.ParamByName("ID")->SetAsInteger(3);
             q.ParamByName("SKIP")->SetAsString("none");
         },
         {"cup"},
         {"cup"}},
        {"only the skipped item given, the number follows the master",
         [](TAdsQuery& q) { q.ParamByName("SKIP")->SetAsString("pen"); },
         {"ink"},
         {"cup"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shop shop;
        shop.master->Open();
        auto detail = shop.Detail("SELECT ITEM FROM orders WHERE CUSTID = :ID AND ITEM <> :SKIP ORDER BY ITEM");
        c.set(*detail);
        detail->Open();
        EXPECT_EQ(Items(*detail), c.forAnn);
        shop.master->Next();
        shop.master->Next();
        EXPECT_EQ(Items(*detail), c.forCid);
    }
}

TEST(QueryMaster, AParameterWithoutAMasterFieldRefusesToOpen)
{
    Shop shop;
    shop.master->Open();
    auto detail = shop.Detail("SELECT ITEM FROM orders WHERE CUSTID = :CUSTOMER");
    try {
        detail->Open();
        ADD_FAILURE() << "opened without a value for CUSTOMER";
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.Message().contains("CUSTOMER")) << error.Message().toStdString();
    }
    EXPECT_FALSE(detail->Active());
}

TEST(QueryMaster, TheMastersOpeningAndClosing)
{
    Shop shop;
    auto detail = shop.Detail();
    shop.master->Open();
    shop.master->Next();
    EXPECT_FALSE(detail->Active()) << "a closed detail stays closed when the master moves";

    detail->Open();
    EXPECT_EQ(Items(*detail), QStringList{}) << "bob has no orders";
    shop.master->Close();
    EXPECT_TRUE(detail->Active()) << "a closed master leaves the detail as it is";
    EXPECT_EQ(Items(*detail), QStringList{});

    shop.master->Open();
    EXPECT_EQ(Items(*detail), (QStringList{"ink", "pen"})) << "executed again for the master's first record";

    detail->SetDataSource(nullptr);
    shop.master->Next();
    EXPECT_EQ(Items(*detail), (QStringList{"ink", "pen"})) << "unlinked: the master's moves no longer reach it";
}

TEST(QueryMaster, CircularLinksAreRefused)
{
    Shop shop;
    auto detail = shop.Detail();
    TDataSource detailSource(nullptr);
    detailSource.SetDataSet(detail.get());

    ExpectDataSetError([&] { detail->SetDataSource(&detailSource); }, "Circular Data Link");
    ExpectDataSetError([&] { shop.master->SetDataSource(&detailSource); }, "Circular Data Link");
    EXPECT_EQ(detail->DataSource(), &shop.source) << "the refused link leaves the one before";
    EXPECT_EQ(shop.master->DataSource(), nullptr);

    auto third = QueryOn(shop.folder.path(), "SELECT * FROM orders WHERE CUSTID = :CUSTID");
    third->SetDataSource(&detailSource);
    EXPECT_EQ(third->DataSource(), &detailSource) << "a chain is no circle";
}

TEST(QueryMaster, DetailLinkFieldsPairParametersWithMasterFields)
{
    Shop shop;
    auto detail = shop.Detail("SELECT CUSTID AS ID, ITEM FROM orders WHERE CUSTID = :ID AND ITEM <> :SKIP");
    detail->ParamByName("SKIP")->SetAsString("none");
    shop.master->Open();
    detail->Open();
    QList<TField*> masterFields, detailFields;
    detail->GetDetailLinkFields(masterFields, detailFields);
    EXPECT_EQ(masterFields, QList<TField*>{shop.master->FieldByName("ID")}) << "SKIP has no master field";
    EXPECT_EQ(detailFields, QList<TField*>{detail->FieldByName("ID")});

    detail->SetDataSource(nullptr);
    detail->GetDetailLinkFields(masterFields, detailFields);
    EXPECT_TRUE(masterFields.isEmpty());
    EXPECT_TRUE(detailFields.isEmpty());
}
