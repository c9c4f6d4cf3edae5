// Full-text indexes: lookups agreeing with CONTAINS evaluated record by record
// on random texts through every kind of change, listing and handles,
// refused definitions, and damaged or stale files.
#include "tests/engine/test_api_support.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/core/handles.h"
#include "engine/index/fts_index.h"

#include <filesystem>
#include <fstream>
#include <random>

using namespace apitest;

namespace {

struct TableCase {
    const char* name;
    UNSIGNED16 type;
    const char* fields;
    std::vector<const char*> textColumns;
};

std::vector<TableCase> TableCases()
{
    return {
        {"NTX", ADS_NTX, "TITLE,Char,40;BODY,Memo;QTY,Numeric,5,0;", {"TITLE", "BODY"}},
        {"CDX", ADS_CDX, "TITLE,Char,40;BODY,Memo;QTY,Numeric,5,0;", {"TITLE", "BODY"}},
        {"VFP", ADS_VFP, "TITLE,Char,40;BODY,Memo;CODE,VarChar,40;QTY,Integer;", {"TITLE", "BODY", "CODE"}},
        {"ADT", ADS_ADT, "TITLE,Char,40;BODY,Memo;WIDE,NChar,40;QTY,Integer;", {"TITLE", "BODY", "WIDE"}},
    };
}

// The records the table's full-text index on `field` gives for `condition`.
std::vector<uint32_t> Lookup(ADSHANDLE table, const std::string& field, const std::string& condition)
{
    auto cursor = engine::LookUp<engine::Cursor>(table, "test");
    std::lock_guard<std::mutex> lock(cursor->Mutex());
    auto found = fts::LookupContains(cursor->Table(), field, condition);
    EXPECT_TRUE(found.has_value()) << "no full-text index on " << field;
    return found.value_or(std::vector<uint32_t>{});
}

// The records whose `field` satisfies CONTAINS as the expression evaluator
// reads it, record by record.
std::vector<uint32_t> Scan(ADSHANDLE table, const std::string& field, const std::string& condition)
{
    ShownDeleted shown(true);
    UNSIGNED32 count = 0;
    EXPECT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    std::string expression = "CONTAINS(" + field + ", '" + condition + "')";
    std::vector<uint32_t> matches;
    for (UNSIGNED32 recno = 1; recno <= count; ++recno) {
        UNSIGNED16 result = 0;
        EXPECT_ADS_OK(AdsGotoRecord(table, recno));
        EXPECT_ADS_OK(AdsEvalLogicalExpr(table, expression.c_str(), &result));
        if (result)
            matches.push_back(recno);
    }
    return matches;
}

// Words of a small vocabulary, so that conditions hit often: short words
// (under a minimum length), long ones (over a maximum), shared prefixes and
// accented letters that must fold with their case.
const std::vector<std::string> kVocabulary = {"a",      "an",      "ant",        "anthem",    "anthology", "be",
                                              "bee",    "beetle",  "caf\xE9",    "CAF\xC9S",  "x1",        "x12",
                                              "zebra",  "Zebras",  "longwinded", "longwords", "mid",       "middle"};

std::string RandomText(std::mt19937& random, size_t maxWords)
{
    static const char* separators[] = {" ", ", ", "-", ". ", "  ", "/"};
    std::string text;
    for (size_t n = random() % (maxWords + 1); n > 0; --n) {
        if (!text.empty())
            text += separators[random() % 6];
        text += kVocabulary[random() % kVocabulary.size()];
    }
    return text;
}

std::string RandomTerm(std::mt19937& random)
{
    std::string word = kVocabulary[random() % kVocabulary.size()];
    switch (random() % 4) {
    case 0: return word.substr(0, 1 + random() % word.size()) + "*";
    case 1: return "\"" + word + " " + kVocabulary[random() % kVocabulary.size()] + "\"";
    default: return word;
    }
}

std::string RandomCondition(std::mt19937& random)
{
    std::string condition = RandomTerm(random);
    static const char* joins[] = {" ", " AND ", " OR ", " AND NOT ", " OR NOT "};
    for (size_t n = random() % 3; n > 0; --n)
        condition += joins[random() % 5] + RandomTerm(random);
    return random() % 5 == 0 ? "NOT (" + condition + ")" : condition;
}

void SetText(ADSHANDLE table, const char* field, const std::string& text)
{
    ASSERT_ADS_OK(AdsSetString(table, field, text.c_str(), UNSIGNED32(text.size())));
}

// Memos take many words; the 40-character columns three at most.
std::string RandomValue(std::mt19937& random, const std::string& field)
{
    return RandomText(random, field == "BODY" ? 12 : 3);
}

void AppendRandom(ADSHANDLE table, const TableCase& c, std::mt19937& random)
{
    ASSERT_ADS_OK(AdsAppendRecord(table));
    for (const char* field : c.textColumns)
        SetText(table, field, RandomValue(random, field));
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

ADSHANDLE CreateFts(ADSHANDLE table, const char* tag, const char* field, UNSIGNED32 minWord = 0, UNSIGNED32 maxWord = 0)
{
    ADSHANDLE index = 0;
    UNSIGNED32 result = AdsCreateFTSIndex(table, nullptr, tag, field, 0, minWord, maxWord, 0, &index);
    EXPECT_EQ(result, AE_SUCCESS) << tag << ": " << LastError().text;
    return index;
}

std::string IndexName(ADSHANDLE index)
{
    char name[64] = {};
    UNSIGNED16 length = sizeof name;
    EXPECT_ADS_OK(AdsGetIndexName(index, name, &length));
    return std::string(name, length);
}

class FullTextAgreement : public ::testing::TestWithParam<TableCase> {
protected:
    // Every text column's index gives what CONTAINS gives, for many conditions.
    void ExpectAgreement(ADSHANDLE table, std::mt19937& random, const char* stage)
    {
        for (int i = 0; i < 25; ++i) {
            std::string condition = RandomCondition(random);
            for (const char* field : GetParam().textColumns)
                ASSERT_EQ(Lookup(table, field, condition), Scan(table, field, condition))
                    << stage << ": CONTAINS(" << field << ", '" << condition << "')";
        }
    }
};

TEST_P(FullTextAgreement, LookupsAgreeWithContainsThroughEveryChange)
{
    const TableCase& c = GetParam();
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "texts", c.type, c.fields);
    std::mt19937 random(20261210);
    for (int i = 0; i < 60; ++i)
        AppendRandom(table, c, random);
    // Made on a populated table; the memo index stores only words of 3 to 5
    // letters, so short terms, long words and prefixes are answered unsure.
    for (const char* field : c.textColumns)
        CreateFts(table, (std::string("W_") + field).c_str(), field, std::string(field) == "BODY" ? 3 : 0,
                  std::string(field) == "BODY" ? 5 : 0);
    ExpectAgreement(table, random, "created");

    for (int i = 0; i < 40; ++i)
        AppendRandom(table, c, random);
    for (UNSIGNED32 recno = 1; recno <= 100; recno += 3) {
        ASSERT_ADS_OK(AdsGotoRecord(table, recno));
        const char* field = c.textColumns[recno % c.textColumns.size()];
        SetText(table, field, RandomValue(random, field));
        ASSERT_ADS_OK(AdsWriteRecord(table));
        if (recno % 2 == 0)
            ASSERT_ADS_OK(AdsDeleteRecord(table));
    }
    ASSERT_ADS_OK(AdsGotoRecord(table, 4));
    ASSERT_ADS_OK(AdsRecallRecord(table));
    ExpectAgreement(table, random, "appended, edited, deleted");

    ASSERT_ADS_OK(AdsCloseTable(table));
    table = OpenTable(connection.Handle(), "texts", c.type, ADS_EXCLUSIVE);
    ExpectAgreement(table, random, "read back from the file");

    ASSERT_ADS_OK(AdsPackTable(table));
    ExpectAgreement(table, random, "packed");

    ASSERT_ADS_OK(AdsZapTable(table));
    EXPECT_TRUE(Lookup(table, c.textColumns[0], "a* OR NOT a*").empty());
    for (int i = 0; i < 10; ++i)
        AppendRandom(table, c, random);
    ExpectAgreement(table, random, "zapped and refilled");
    ASSERT_ADS_OK(AdsCloseTable(table));
}

INSTANTIATE_TEST_SUITE_P(EveryTableType, FullTextAgreement, ::testing::ValuesIn(TableCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FullTextIndexes, PrefixesCaseAndWordsOfTheTableCharacterSet)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "notes", ADS_ADT, "TITLE,Char,40;");
    CreateFts(table, "WORDS", "TITLE");
    for (const char* text : {"Caf\xE9 au lait", "CAF\xC9TERIA", "cafe-bar", "Anthem of ants", "x-ray 42"}) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        SetText(table, "TITLE", text);
        ASSERT_ADS_OK(AdsWriteRecord(table));
    }
    struct Case {
        const char* condition;
        std::vector<uint32_t> records;
    } cases[] = {
        {"caf\xE9", {1}},         {"caf\xE9*", {1, 2}},    {"CAF*", {1, 2, 3}},   {"ant", {}},
        {"ant*", {4}},            {"\"au lait\"", {1}},    {"\"lait au\"", {}},   {"bar OR ray", {3, 5}},
        {"42 AND NOT bar", {5}},  {"NOT caf*", {4, 5}},    {"cafe-bar", {3}},     {"\"of ant*\"", {4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lookup(table, "TITLE", c.condition), c.records) << c.condition;
        EXPECT_EQ(Scan(table, "TITLE", c.condition), c.records) << c.condition;
    }
    ExpectFailure(AdsCreateFTSIndex(table, nullptr, "BAD", "TITLE", 0, 0, 0, 0, nullptr), AE_INVALID_ARGUMENT, "null");
    auto cursor = engine::LookUp<engine::Cursor>(table, "test");
    std::lock_guard<std::mutex> lock(cursor->Mutex());
    EXPECT_THROW(fts::LookupContains(cursor->Table(), "TITLE", "(caf"), std::exception) << "malformed conditions fail";
}

TEST(FullTextIndexes, ListedNamedAndDeleted)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "books", ADS_CDX, "TITLE,Char,30;BODY,Memo;");
    ASSERT_ADS_OK(AdsCloseTable(table)); // made exclusive; opened again to be shared
    table = OpenTable(connection.Handle(), "books", ADS_CDX);
    UNSIGNED16 count = 9;
    ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
    EXPECT_EQ(count, 0u);
    ADSHANDLE titles = CreateFts(table, "TITLES", "title"); // made on an empty table
    CreateFts(table, "BODIES", "BODY");
    EXPECT_FALSE(std::filesystem::exists(connection.File("books.cdx"))) << "no ordinary index file is made";
    ASSERT_TRUE(std::filesystem::exists(connection.File("books.fts")));

    ADSHANDLE handles[4] = {};
    UNSIGNED16 length = 1;
    ExpectFailure(AdsGetFTSIndexes(table, handles, &length), AE_INSUFFICIENT_BUFFER, "2");
    EXPECT_EQ(length, 2u) << "the needed count";
    length = 4;
    ASSERT_ADS_OK(AdsGetFTSIndexes(table, handles, &length));
    ASSERT_EQ(length, 2u);
    EXPECT_EQ(handles[0], titles) << "the same handle again";
    UNSIGNED16 handleType = 0;
    ASSERT_ADS_OK(AdsGetHandleType(titles, &handleType));
    EXPECT_EQ(handleType, ADS_INDEX_ORDER);
    EXPECT_EQ(IndexName(handles[0]), "TITLES");
    EXPECT_EQ(IndexName(handles[1]), "BODIES");
    char text[300] = {};
    UNSIGNED16 textLength = sizeof text;
    ASSERT_ADS_OK(AdsGetIndexExpr(handles[0], text, &textLength));
    EXPECT_EQ(std::string(text, textLength), "TITLE");
    textLength = sizeof text;
    ASSERT_ADS_OK(AdsGetIndexFilename(handles[1], ADS_BASENAMEANDEXT, text, &textLength));
    EXPECT_EQ(std::string(text, textLength), "books.fts");
    UNSIGNED16 orders = 9;
    ASSERT_ADS_OK(AdsGetNumIndexes(table, &orders));
    EXPECT_EQ(orders, 0u) << "full-text indexes are not orders";

    // Another cursor of the table sees and keeps them.
    ADSHANDLE other = OpenTable(connection.Handle(), "books", ADS_CDX);
    ASSERT_ADS_OK(AdsGetNumFTSIndexes(other, &count));
    EXPECT_EQ(count, 2u);
    ASSERT_ADS_OK(AdsAppendRecord(other));
    SetText(other, "TITLE", "Moby Dick");
    ASSERT_ADS_OK(AdsWriteRecord(other));
    EXPECT_EQ(Lookup(table, "TITLE", "moby"), (std::vector<uint32_t>{1}));
    ASSERT_ADS_OK(AdsCloseTable(other));

    ASSERT_ADS_OK(AdsDeleteIndex(titles));
    ExpectFailure(AdsGetIndexName(titles, text, &textLength), AE_INDEX_NOT_FOUND, "TITLES");
    ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
    EXPECT_EQ(count, 1u);
    ASSERT_ADS_OK(AdsDeleteIndex(handles[1]));
    EXPECT_FALSE(std::filesystem::exists(connection.File("books.fts"))) << "the file goes with its last index";
    ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
    EXPECT_EQ(count, 0u);
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST(FullTextIndexes, RefusedDefinitionsMakeNoIndex)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "refusals", ADS_ADT, "TITLE,Char,30;QTY,Integer;PIC,Image;");
    struct Case {
        const char* file;
        const char* field;
        UNSIGNED32 pageSize, minWord, maxWord, options;
        UNSIGNED32 code;
        const char* fragment;
    } cases[] = {
        {nullptr, "NOSUCH", 0, 0, 0, 0, AE_FIELD_NOT_FOUND, "NOSUCH"},
        {nullptr, "QTY", 0, 0, 0, 0, AE_INVALID_ARGUMENT, "no text"},
        {nullptr, "PIC", 0, 0, 0, 0, AE_INVALID_ARGUMENT, "no text"},
        {nullptr, "TITLE", 0, 6, 4, 0, AE_INVALID_ARGUMENT, "minimum"},
        {nullptr, "TITLE", 0, 0, 256, 0, AE_INVALID_ARGUMENT, "256"},
        {nullptr, "TITLE", 700, 0, 0, 0, AE_INVALID_ARGUMENT, "700"},
        {nullptr, "TITLE", 0, 0, 0, 4, AE_INVALID_ARGUMENT, "options"},
        {"elsewhere.fts", "TITLE", 0, 0, 0, 0, AE_NOT_YET_SUPPORTED, "refusals.fts"},
    };
    for (const Case& c : cases) {
        ADSHANDLE index = 0;
        ExpectFailure(AdsCreateFTSIndex(table, c.file, "T", c.field, c.pageSize, c.minWord, c.maxWord, c.options, &index),
                      c.code, c.fragment);
        UNSIGNED16 count = 9;
        ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
        EXPECT_EQ(count, 0u) << c.field;
    }
    EXPECT_FALSE(std::filesystem::exists(connection.File("refusals.fts")));
    ADSHANDLE index = 0;
    EXPECT_ADS_OK(AdsCreateFTSIndex(table, "refusals", "T", "TITLE", 512, 2, 8, 0, &index));
    ASSERT_ADS_OK(AdsCloseTable(table));

    // Through a read-only open nothing is made or removed.
    table = OpenTable(connection.Handle(), "refusals", ADS_ADT, ADS_READONLY);
    ExpectFailure(AdsCreateFTSIndex(table, nullptr, "U", "TITLE", 0, 0, 0, 0, &index), AE_TABLE_READ_ONLY, "read-only");
    UNSIGNED16 length = 1;
    ASSERT_ADS_OK(AdsGetFTSIndexes(table, &index, &length));
    ExpectFailure(AdsDeleteIndex(index), AE_TABLE_READ_ONLY, "read-only");
    EXPECT_TRUE(std::filesystem::exists(connection.File("refusals.fts")));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

void SpoilByte(const std::string& path, std::streamoff offset, char value)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset < 0 ? std::streamoff(std::filesystem::file_size(path)) + offset : offset);
    file.put(value);
}

TEST(FullTextIndexes, DamagedFilesAreReportedAndRebuilt)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "worn", ADS_NTX, "TITLE,Char,30;");
    CreateFts(table, "WORDS", "TITLE");
    for (const char* text : {"red fox", "blue fox", "red hen"}) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        SetText(table, "TITLE", text);
        ASSERT_ADS_OK(AdsWriteRecord(table));
    }
    ASSERT_ADS_OK(AdsCloseTable(table));
    const std::string path = connection.File("worn.fts");
    const std::string saved = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    auto restore = [&] {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << saved;
    };

    // A spoilt postings byte (the last ones are its checksum): the index
    // refuses lookups until AdsReindex rebuilds it.
    SpoilByte(path, -3, '\x5A');
    table = OpenTable(connection.Handle(), "worn", ADS_NTX);
    auto cursor = engine::LookUp<engine::Cursor>(table, "test");
    {
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        EXPECT_FALSE(fts::LookupContains(cursor->Table(), "TITLE", "fox").has_value())
            << "a damaged index answers nothing; CONTAINS is then evaluated record by record";
        auto file = fts::FtsFile::ForTable(cursor->Table());
        ASSERT_TRUE(file);
        ASSERT_EQ(file->Indexes().size(), 1u);
        EXPECT_TRUE(file->Indexes()[0]->IsDamaged());
        EXPECT_THROW(file->Indexes()[0]->Lookup(cursor->Table(), "fox"), engine::EngineError);
    }
    ASSERT_ADS_OK(AdsReindex(table));
    EXPECT_EQ(Lookup(table, "TITLE", "fox"), (std::vector<uint32_t>{1, 2}));
    ASSERT_ADS_OK(AdsCloseTable(table));

    // A spoilt header is a damaged file, reported by every call that needs
    // it; the table is still written, and a reindex makes the file again from
    // the definitions when they still read, or moves it aside.
    struct HeaderCase {
        const char* what;
        std::streamoff offset; // of the spoilt byte
        bool recoverable;
    } headerCases[] = {
        {"the definitions checksum", 24 + 28, true},
        {"the length of the index name", 26, false},
        {"the magic", 0, false},
    };
    for (const HeaderCase& c : headerCases) {
        restore();
        std::filesystem::remove(path + ".damaged");
        SpoilByte(path, c.offset, '\x01');
        table = OpenTable(connection.Handle(), "worn", ADS_NTX);
        UNSIGNED16 count = 0;
        ExpectFailure(AdsGetNumFTSIndexes(table, &count), AE_INDEX_DAMAGED, "worn.fts");
        ADSHANDLE other = 0;
        ExpectFailure(AdsCreateFTSIndex(table, nullptr, "MORE", "TITLE", 0, 0, 0, 0, &other), AE_INDEX_DAMAGED,
                      "AdsReindex");
        SCOPED_TRACE(c.what);
        ASSERT_ADS_OK(AdsAppendRecord(table));
        SetText(table, "TITLE", "grey fox");
        ASSERT_ADS_OK(AdsWriteRecord(table)); // the damage blocks no write
        const std::u16string filter = u"CONTAINS(TITLE, 'fox')";
        ASSERT_ADS_OK(AdsSetAOF100(table, filter.c_str(), ADS_ENCODE_UTF16 | ADS_RESOLVE_IMMEDIATE));
        UNSIGNED32 shown = 0;
        ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_RESPECTFILTERS, &shown));
        EXPECT_EQ(shown, 3u) << c.what << ": CONTAINS judged record by record";
        ASSERT_ADS_OK(AdsClearAOF(table));
        if (c.recoverable) {
            EXPECT_ADS_OK(AdsReindex(table));
            EXPECT_EQ(Lookup(table, "TITLE", "fox"), (std::vector<uint32_t>{1, 2, 4})) << c.what;
        } else {
            ExpectFailure(AdsReindex(table), AE_INDEX_DAMAGED, "create the full-text indexes again");
            EXPECT_TRUE(std::filesystem::exists(path + ".damaged")) << c.what << ": kept aside";
            EXPECT_FALSE(std::filesystem::exists(path));
            ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
            EXPECT_EQ(count, 0u);
            CreateFts(table, "WORDS", "TITLE");
            EXPECT_EQ(Lookup(table, "TITLE", "fox"), (std::vector<uint32_t>{1, 2, 4})) << c.what;
        }
        ASSERT_ADS_OK(AdsCloseTable(table));
        // Back to three records for the next case.
        table = OpenTable(connection.Handle(), "worn", ADS_NTX, ADS_EXCLUSIVE);
        ASSERT_ADS_OK(AdsGotoRecord(table, 4));
        ASSERT_ADS_OK(AdsDeleteRecord(table));
        ASSERT_ADS_OK(AdsPackTable(table));
        ASSERT_ADS_OK(AdsCloseTable(table));
    }

    // A writer that stopped before saving left the changed mark: the file is
    // rebuilt from the table, even over a spoilt postings checksum.
    restore();
    SpoilByte(path, 12, '\x01');
    SpoilByte(path, -3, '\x5A');
    table = OpenTable(connection.Handle(), "worn", ADS_NTX);
    EXPECT_EQ(Lookup(table, "TITLE", "red"), (std::vector<uint32_t>{1, 3}));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

} // namespace

namespace {

// A table deleted or made again under its name takes its full-text indexes
// with it: the next table of that name starts without them, and its writes
// are not refused for columns it does not have.
TEST(FullTextIndexes, GoWithTheTableTheyDescribe)
{
    FolderConnection connection;
    for (bool deleteFirst : {true, false}) {
        ADSHANDLE table = CreateTable(connection.Handle(), "cycle", ADS_VFP, "BODY,Memo;");
        CreateFts(table, "WORDS", "BODY");
        ASSERT_TRUE(std::filesystem::exists(connection.File("cycle.fts")));
        if (deleteFirst) {
            ASSERT_ADS_OK(AdsDeleteTable(table));
            EXPECT_FALSE(std::filesystem::exists(connection.File("cycle.fts"))) << "deleted with the table";
        } else {
            ASSERT_ADS_OK(AdsCloseTable(table));
        }
        table = CreateTable(connection.Handle(), "cycle", ADS_VFP, "TITLE,Char,10;");
        UNSIGNED16 count = 9;
        ASSERT_ADS_OK(AdsGetNumFTSIndexes(table, &count));
        EXPECT_EQ(count, 0u);
        ASSERT_ADS_OK(AdsAppendRecord(table));
        SetText(table, "TITLE", "fresh");
        EXPECT_ADS_OK(AdsWriteRecord(table));
        ASSERT_ADS_OK(AdsDeleteTable(table));
    }
}

} // namespace
