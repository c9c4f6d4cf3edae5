// Persistent fields declared in a window definition: created with the form
// as owner, nested in their dataset, bound to the columns by name at open.
#include "fixtures.h"
#include "memory_dataset.h"

#include "framework/streaming.h"

#include <gtest/gtest.h>

namespace {

QString Definition(const QString& fields, const QString& structure = QStringLiteral("ID Integer; Query Memo 1; Load Float; Name String 100")) {
    return QStringLiteral("object Form1: TTestForm\n"
                          "  object Queries: TMemoryDataSet\n"
                          "    Structure = '%1'\n"
                          "    Active = True\n"
                          "%2"
                          "  end\n"
                          "end\n")
        .arg(structure, fields);
}

const char* const kFields =
    "    object QueriesLoad: TFloatField\n"
    "      FieldName = 'Load'\n"
    "      DisplayFormat = '###.##'\n"
    "    end\n"
    "    object QueriesName: TStringField\n"
    "      FieldName = 'Name'\n"
    "      Size = 100\n"
    "    end\n"
    "    object QueriesQuery: TMemoField\n"
    "      FieldName = 'Query'\n"
    "      BlobType = ftMemo\n"
    "      Size = 1\n"
    "    end\n";

TEST(FieldsPersistent, FieldsFromADefinitionBindByNameWhenTheDataSetOpensAfterLoading) {
    RegisterClasses<TMemoryDataSet, TFloatField, TStringField, TMemoField, TIntegerField>();
    TTestForm form(nullptr);
    ReadRootComponent(Definition(QString::fromLatin1(kFields)), &form);
    auto* data = dynamic_cast<TMemoryDataSet*>(form.FindComponent(QStringLiteral("Queries")));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->Active()) << "Active read from the definition opens once everything is loaded";
    EXPECT_FALSE(data->DefaultFields());
    ASSERT_EQ(data->FieldCount(), 3) << "only the declared fields, in declaration order";

    auto* load = dynamic_cast<TFloatField*>(form.FindComponent(QStringLiteral("QueriesLoad")));
    auto* name = dynamic_cast<TStringField*>(form.FindComponent(QStringLiteral("QueriesName")));
    auto* query = dynamic_cast<TMemoField*>(form.FindComponent(QStringLiteral("QueriesQuery")));
    ASSERT_TRUE(load && name && query);
    EXPECT_EQ(load->Owner(), &form);
    EXPECT_EQ(load->DataSet(), data);
    EXPECT_EQ(load->Index(), 0);
    EXPECT_EQ(load->FieldNo(), 3) << "the column's number, whatever the declaration order";
    EXPECT_EQ(name->FieldNo(), 4);
    EXPECT_EQ(query->FieldNo(), 2);
    EXPECT_EQ(data->FieldByName(QStringLiteral("query")), query);
    EXPECT_EQ(data->FindField(QStringLiteral("ID")), nullptr) << "undeclared columns have no field";

    data->Append();
    load->SetAsFloat(12.3456);
    name->SetAsString(QStringLiteral("restore"));
    query->SetAsString(QStringLiteral("EXECUTE PROCEDURE x()"));
    data->Post();
    data->Close();
    data->Open();
    EXPECT_EQ(load->DisplayText(), QStringLiteral("12.35").replace(QLatin1Char('.'), FormatSettings().DecimalSeparator));
    EXPECT_EQ(query->AsString(), QStringLiteral("EXECUTE PROCEDURE x()"));
    EXPECT_EQ(data->FieldCount(), 3) << "persistent fields stay over close and open";

    QString written = WriteComponent(&form);
    EXPECT_TRUE(written.contains(QStringLiteral("object QueriesLoad: TFloatField"))) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("DisplayFormat = '###.##'")));
}

TEST(FieldsPersistent, ADeclaredFieldThatDoesNotMatchItsColumnStopsTheOpen) {
    struct Case { const char* name; const char* field; const char* error; };
    const Case cases[] = {
        {"missing column", "    object QueriesX: TIntegerField\n      FieldName = 'Missing'\n    end\n",
         "Queries: Field 'Missing' not found"},
        {"other type", "    object QueriesX: TIntegerField\n      FieldName = 'Name'\n    end\n",
         "Queries: Type mismatch for field 'Name', expecting: ftInteger actual: ftString"},
        {"other size", "    object QueriesX: TStringField\n      FieldName = 'Name'\n      Size = 50\n    end\n",
         "Queries: Size mismatch for field 'Name', expecting: 50 actual: 100"},
    };
    RegisterClasses<TMemoryDataSet, TStringField, TIntegerField>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestForm form(nullptr);
        try {
            ReadRootComponent(Definition(QString::fromLatin1(c.field)), &form);
            ADD_FAILURE() << "the open must fail";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.error));
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromLatin1(c.error))) << e.Message().toStdString();
        }
    }
}

}  // namespace
