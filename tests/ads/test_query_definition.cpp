// Queries declared in window definitions: a connection and a query with
// parameters, persistent fields and table options round-trip; a query
// stored with StoreActive false is not stored open; old entries are read.
#include "tests/ads/test_dataset_support.h"

#include "framework/streaming.h"

using namespace dataset_test;

namespace {

const QString kForm = QStringLiteral(
    "object FPrincipal: TComponent\n"
    "  object AdsConnectionActive: TAdsConnection\n"
    "    AdsServerTypes = [stADS_REMOTE, stADS_LOCAL]\n"
    "  end\n"
    "  object QRestore: TAdsQuery\n"
    "    StoreActive = False\n"
    "    AdsTableOptions.AdsFilterOptions = RESPECT_WHEN_COUNTING\n"
    "    AdsTableOptions.AdsScopeOptions = RESPECT_SCOPES_WHEN_COUNTING\n"
    "    AdsTableOptions.AdsFreshRecordCount = True\n"
    "    SQL.Strings = (\n"
    "      'UPDATE t SET A = :Destination'\n"
    "      'WHERE B = :Source')\n"
    "    AdsConnection = AdsConnectionActive\n"
    "    ParamData = <\n"
    "      item\n"
    "        DataType = ftUnknown\n"
    "        Name = 'Destination'\n"
    "        ParamType = ptUnknown\n"
    "      end\n"
    "      item\n"
    "        DataType = ftUnknown\n"
    "        Name = 'Source'\n"
    "        ParamType = ptUnknown\n"
    "      end>\n"
    "    object QRestoreA: TAdsStringField\n"
    "      DisplayWidth = 10\n"
    "      FieldName = 'A'\n"
    "      Size = 10\n"
    "    end\n"
    "  end\n"
    "end\n");

} // namespace

TEST(QueryDefinition, AConnectionAndAQueryWithParametersAndFieldsRoundTrip)
{
    TComponent form(nullptr);
    ReadRootComponent(kForm, &form);
    auto* query = dynamic_cast<TAdsQuery*>(form.FindComponent("QRestore"));
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->AdsConnection(), form.FindComponent("AdsConnectionActive"));
    EXPECT_EQ(query->ParamCount(), 2);
    EXPECT_EQ(query->Params()->Items(1)->Name(), "Source");
    EXPECT_EQ(query->AdsTableOptions()->AdsFilterOptions(), RESPECT_WHEN_COUNTING);
    EXPECT_TRUE(query->AdsTableOptions()->AdsFreshRecordCount());
    EXPECT_EQ(query->FieldCount(), 1);
    EXPECT_FALSE(query->StoreActive());
    EXPECT_EQ(WriteComponent(&form).toStdString(), kForm.toStdString());
}

TEST(QueryDefinition, StoreActiveDecidesWhetherAnOpenQueryIsStoredOpen)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Integer)");
    for (bool storeActive : {true, false}) {
        TComponent form(nullptr);
        form.SetName("F");
        auto* query = new TAdsQuery(&form);
        query->SetName("Q");
        query->SetDatabaseName(folder.path());
        query->SQL()->SetText("SELECT * FROM t");
        query->SetStoreActive(storeActive);
        query->Open();
        const QString text = WriteComponent(&form);
        EXPECT_EQ(text.contains("Active = True"), storeActive) << text.toStdString();
        query->Close();
    }
}

TEST(QueryDefinition, OldEntriesAreReadAndTheRawBufferKept)
{
    TComponent form(nullptr);
    ReadRootComponent("object F: TComponent\n"
                      "  object Q: TAdsQuery\n"
                      "    WaitCursor = crHourGlass\n"
                      "    Data = {41004200}\n"
                      "  end\n"
                      "end\n",
                      &form);
    auto* query = dynamic_cast<TAdsQuery*>(form.FindComponent("Q"));
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->SQLBinary(), QByteArray::fromHex("41004200"));
    const QString written = WriteComponent(&form);
    EXPECT_FALSE(written.contains("WaitCursor"));
    EXPECT_TRUE(written.contains("Data = {")) << written.toStdString();
}

TEST(QueryDefinition, ParamsHeldByADefinitionGiveTheirValuesAndAreNotWritten)
{
    TComponent form(nullptr);
    ReadRootComponent("object F: TComponent\n"
                      "  object Q: TAdsQuery\n"
                      "    SQL.Strings = (\n"
                      "      'SELECT * FROM t WHERE A = :Who')\n"
                      "    ParamData = <\n"
                      "      item\n"
                      "        DataType = ftUnknown\n"
                      "        Name = 'Who'\n"
                      "        ParamType = ptUnknown\n"
                      "      end>\n"
                      "    Params = <\n"
                      "      item\n"
                      "        DataType = ftInteger\n"
                      "        Name = 'WHO'\n"
                      "        ParamType = ptInput\n"
                      "      end\n"
                      "      item\n"
                      "        DataType = ftString\n"
                      "        Name = 'Other'\n"
                      "        ParamType = ptInput\n"
                      "      end>\n"
                      "  end\n"
                      "end\n",
                      &form);
    auto* query = dynamic_cast<TAdsQuery*>(form.FindComponent("Q"));
    ASSERT_NE(query, nullptr);
    ASSERT_EQ(query->ParamCount(), 1) << "values go into the own list, which keeps its items";
    EXPECT_EQ(query->Params()->Items(0)->Name(), "Who");
    EXPECT_EQ(query->Params()->Items(0)->DataType(), ftInteger);
    const QString written = WriteComponent(&form);
    EXPECT_FALSE(written.contains("Params =")) << written.toStdString();
    EXPECT_TRUE(written.contains("ParamData =")) << written.toStdString();
}
