#include "tools/demobuilder/sample_tables.h"

#include "tools/demobuilder/engine_calls.h"

namespace demo {

namespace {

const char* const kSurnames[] = {"Martin", "Bernard", "Dubois", "Thomas", "Robert", "Richard", "Petit", "Durand",
                                 "Leroy", "Moreau", "Simon", "Laurent", "Lefebvre", "Michel", "Garcia", "David"};
const char* const kTowns[] = {"Lyon", "Nantes", "Lille", "Rennes", "Dijon", "Brest", "Nancy", "Metz", "Tours", "Pau"};
const char* const kProducts[] = {"Vis", "Ecrou", "Rondelle", "Boulon", "Cheville", "Clou", "Charniere", "Equerre"};

template <size_t N>
std::string Pick(const char* const (&list)[N], int i)
{
    return list[static_cast<size_t>(i) % N];
}

// A Julian day in 2015..2024, or "" (no date) for one record in seven.
std::string SomeDate(int i)
{
    return i % 7 == 0 ? std::string() : std::to_string(2457024 + (i * 37) % 3650);
}

std::string SomeNote(int i, const std::string& subject)
{
    if (i % 4 == 0)
        return {};
    std::string note = "Note sur " + subject + " numero " + std::to_string(i) + ".";
    for (int line = 0; line < i % 5; ++line)
        note += "\r\nSuivi " + std::to_string(line + 1) + " : rien a signaler.";
    return note;
}

std::string Amount(int i) { return std::to_string((i * 7919) % 100000 / 100.0); }

Column Text(std::string name, std::string definition, std::function<std::string(int)> value)
{
    return {std::move(name), std::move(definition), Column::Text, std::move(value)};
}
Column Number(std::string name, std::string definition, std::function<std::string(int)> value)
{
    return {std::move(name), std::move(definition), Column::Number, std::move(value)};
}
Column Date(std::string name, std::function<std::string(int)> value)
{
    return {std::move(name), "Date", Column::Date, std::move(value)};
}

std::string Definition(const SampleTable& table)
{
    std::string text;
    for (const Column& column : table.columns)
        text += column.name + "," + column.definition + ";";
    return text;
}

void SetValue(ADSHANDLE table, const Column& column, const std::string& value)
{
    const char* field = column.name.c_str();
    if (value.empty()) {
        Check(AdsSetEmpty(table, field), "emptying " + column.name);
        return;
    }
    switch (column.kind) {
    case Column::Number:
        Check(AdsSetDouble(table, field, std::stod(value)), "setting " + column.name);
        break;
    case Column::Date:
        Check(AdsSetJulian(table, field, std::stoi(value)), "setting " + column.name);
        break;
    case Column::Text:
        Check(AdsSetString(table, field, value.c_str(), static_cast<UNSIGNED32>(value.size())),
              "setting " + column.name);
        break;
    }
}

} // namespace

std::vector<SampleTable> SalesTables()
{
    return {
        {"clients", ADS_ADT, 1500,
         {Number("ID", "Integer", [](int i) { return std::to_string(i); }),
          Text("NOM", "Char,30", [](int i) { return Pick(kSurnames, i * 5) + " " + std::to_string(i); }),
          Text("VILLE", "Char,20", [](int i) { return Pick(kTowns, i); }),
          Date("NE_LE", SomeDate),
          Text("NOTES", "Memo", [](int i) { return SomeNote(i, "le client"); })},
         {{"NOM", "NOM"}, {"VILLE", "VILLE"}}},
        {"produits", ADS_CDX, 800,
         {Text("CODE", "Char,10", [](int i) { return "P" + std::to_string(10000 + i); }),
          Text("LIBELLE", "Char,40", [](int i) { return Pick(kProducts, i) + " " + std::to_string(i % 90 + 10) + " mm"; }),
          Number("PRIX", "Numeric,10,2", Amount),
          Date("CREE_LE", SomeDate),
          Text("DETAIL", "Memo", [](int i) { return SomeNote(i, "le produit"); })},
         {{"CODE", "CODE"}}},
        {"commandes", ADS_NTX, 1200,
         {Number("NUMERO", "Numeric,8,0", [](int i) { return std::to_string(i); }),
          Number("CLIENT", "Numeric,8,0", [](int i) { return std::to_string(i * 13 % 1500 + 1); }),
          Date("DATE_CDE", SomeDate),
          Number("MONTANT", "Numeric,12,2", Amount),
          Text("REMARQUE", "Memo", [](int i) { return SomeNote(i, "la commande"); })},
         {{"NUMERO", "NUMERO"}}},
        {"fournisseurs", ADS_VFP, 300,
         {Number("ID", "Integer", [](int i) { return std::to_string(i); }),
          Text("RAISON", "Char,40", [](int i) { return "Ets " + Pick(kSurnames, i) + " et fils"; }),
          Text("VILLE", "Char,20", [](int i) { return i % 6 == 0 ? std::string() : Pick(kTowns, i * 3); }),
          Date("DEPUIS", SomeDate),
          Text("CONTRAT", "Memo", [](int i) { return SomeNote(i, "le fournisseur"); })},
         {{"RAISON", "RAISON"}}},
    };
}

std::vector<SampleTable> AccountingTables()
{
    return {
        {"comptes", ADS_ADT, 200,
         {Text("NUMERO", "Char,8", [](int i) { return std::to_string(401000 + i); }),
          Text("INTITULE", "Char,40", [](int i) { return "Compte " + Pick(kSurnames, i); }),
          Date("OUVERT_LE", SomeDate)},
         {{"NUMERO", "NUMERO"}}},
        {"ecritures", ADS_CDX, 1000,
         {Number("PIECE", "Numeric,8,0", [](int i) { return std::to_string(i); }),
          Text("COMPTE", "Char,8", [](int i) { return std::to_string(401000 + i % 200 + 1); }),
          Date("DATE_ECR", SomeDate),
          Number("DEBIT", "Numeric,12,2", [](int i) { return i % 2 ? Amount(i) : std::string(); }),
          Number("CREDIT", "Numeric,12,2", [](int i) { return i % 2 ? std::string() : Amount(i); }),
          Text("LIBELLE", "Memo", [](int i) { return SomeNote(i, "l'ecriture"); })},
         {{"PIECE", "PIECE"}, {"COMPTE", "COMPTE"}}},
    };
}

void MakeSampleTable(ADSHANDLE connection, const SampleTable& sample, ADSHANDLE dictionary)
{
    ADSHANDLE table = 0;
    std::string definition = Definition(sample);
    Check(AdsCreateTable90(connection, sample.name.c_str(), nullptr, sample.type, ADS_ANSI, ADS_PROPRIETARY_LOCKING,
                           ADS_CHECKRIGHTS, 0, definition.c_str(), ADS_FREE_TABLE, "", &table),
          "creating " + sample.name);
    for (int i = 1; i <= sample.records; ++i) {
        Check(AdsAppendRecord(table), "appending to " + sample.name);
        for (const Column& column : sample.columns)
            SetValue(table, column, column.value(i));
        Check(AdsWriteRecord(table), "writing to " + sample.name);
    }
    for (const auto& [tag, expression] : sample.indexes) {
        ADSHANDLE index = 0;
        Check(AdsCreateIndex90(table, "", tag.c_str(), expression.c_str(), "", "", ADS_COMPOUND, 0, "", &index),
              "indexing " + sample.name);
    }
    Check(AdsCloseTable(table), "closing " + sample.name);
    if (dictionary) {
        const char* extension = sample.type == ADS_ADT ? ".adt" : ".dbf";
        Check(AdsDDAddTable(dictionary, sample.name.c_str(), (sample.name + extension).c_str(), sample.type, ADS_ANSI,
                            "", ""),
              "adding " + sample.name + " to the dictionary");
    }
}

} // namespace demo
