#include "engine/api/api_cursor.h"
#include "engine/core/open_table.h"
#include "engine/expr/lexer.h"
#include "engine/index/fts_handle.h"
#include "engine/index/index_open.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <cstring>

using namespace engine;

namespace {

constexpr UNSIGNED32 kSupportedIndexOptions = ADS_UNIQUE | ADS_COMPOUND | ADS_CUSTOM | ADS_DESCENDING
    | ADS_USER_DEFINED | ADS_CANDIDATE | ADS_BINARY_INDEX;

std::string Optional(const char* text)
{
    return text ? std::string(text) : std::string();
}

std::string AnsiName(const std::string& utf8)
{
    return codepage::FromUtf8(codepage::CodePage::Ansi1252, utf8);
}

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CheckIndexOptions(UNSIGNED32 options, const char* function)
{
    if (options & ~kSupportedIndexOptions)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the index options " + std::to_string(options)
                                                   + " hold unknown bits");
}

// The file and tag an AdsCreateIndex90 call names: no file means the
// table's default compound file; no tag means a file of one tag named
// after the file.
struct IndexTarget {
    std::string path;
    std::string tag;
    bool singleTag = false;
};

IndexTarget TargetOf(const storage::Table& table, const std::string& file, const std::string& tag, UNSIGNED32 options,
                     const char* function)
{
    IndexTarget target;
    target.path = file.empty() ? DefaultIndexPath(table) : IndexPathFor(table, file);
    target.singleTag = !(options & ADS_COMPOUND) && !file.empty();
    target.tag = tag;
    if (target.tag.empty()) {
        RequireArgument(!file.empty(), function, "neither a file nor a tag is named");
        std::string base = BaseName(AnsiName(target.path));
        target.tag = base.substr(0, base.find_last_of('.'));
        target.singleTag = true;
    }
    return target;
}

std::shared_ptr<Cursor> SharedCursor(Cursor& cursor)
{
    return std::static_pointer_cast<Cursor>(HandleRegistry::Instance().Find(cursor.Handle()));
}

// Adds the tag to its file (replacing a tag of that name, and in a file of
// one tag every other tag) and gives the cursor its order.
ADSHANDLE CreateIndex(Cursor& cursor, const IndexTarget& target, indexing::TagDefinition definition,
                      UNSIGNED32 pageSize)
{
    std::shared_ptr<indexing::IndexFile> file =
        indexing::IndexFile::Acquire(target.path, cursor.Table(), true, pageSize);
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    std::vector<std::shared_ptr<indexing::Tag>> before = file->Tags();
    std::shared_ptr<indexing::Tag> tag = file->AddTag(definition, cursor.Table());
    for (const auto& old : before) {
        bool replaced = expr::UpperAscii(old->Name()) == expr::UpperAscii(definition.name);
        if (target.singleTag && !replaced)
            file->RemoveTag(old, cursor.Table());
        if (replaced || target.singleTag)
            cursor.DropOrders(file.get(), old.get());
    }
    return OrderFor(SharedCursor(cursor), file, tag)->Handle();
}

// As WithOrder, for a full-text index handle: the owning cursor locked, the
// index looked up by name afresh.
template <class Body>
UNSIGNED32 WithFullText(const char* function, ADSHANDLE hIndex, Body&& body) noexcept
{
    return ApiCall(function, [&] {
        std::shared_ptr<FtsHandle> handle = LookUp<FtsHandle>(hIndex, function);
        std::shared_ptr<Cursor> cursor = handle->OwnerCursor();
        if (!cursor)
            ThrowBadHandle(hIndex, HandleKind::FullTextIndex, function);
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        if (cursor->IsClosed())
            ThrowBadHandle(hIndex, HandleKind::FullTextIndex, function);
        FtsTarget target = FtsTargetOf(*cursor, *handle, function);
        std::lock_guard<std::recursive_mutex> fileLock(target.file->Mutex());
        body(*cursor, target);
    });
}

void RefuseReadOnly(Cursor& cursor, const char* function, const char* refused)
{
    if (cursor.Table().IsReadOnly())
        throw EngineError(AE_TABLE_READ_ONLY, std::string(function) + ": " + cursor.TableName() + " is open read-only; "
                                                  + refused + ".");
}

// The name AdsGetIndexFilename gives for an index file's path.
std::string IndexFileText(const std::string& utf8Path, UNSIGNED16 option, const char* function)
{
    RequireArgument(option >= ADS_BASENAME && option <= ADS_FULLPATHNAME, function,
                    "the option is not 1 (name), 2 (name and extension) or 3 (full path)");
    std::string path = AnsiName(utf8Path);
    std::string name = BaseName(path);
    if (option == ADS_BASENAME)
        name = name.substr(0, name.find_last_of('.'));
    return option == ADS_FULLPATHNAME ? path : name;
}

// The table's full-text file is the only one: a name given must be it.
void CheckFullTextFile(const storage::Table& table, const std::string& file, const char* function)
{
    if (file.empty())
        return;
    std::string name = file;
    if (BaseName(name).find('.') == std::string::npos)
        name += ".fts";
    if (IndexPathFor(table, name) != fts::FtsFile::PathFor(table))
        ThrowNotYetSupported(function, ("in a file other than the table's own full-text file "
                                        + AnsiName(BaseName(fts::FtsFile::PathFor(table))))
                                           .c_str());
}

uint16_t WordLength(UNSIGNED32 given, uint16_t byDefault, const char* function)
{
    if (given > fts::kLongestWordLimit)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": a word length of " + std::to_string(given)
                                                   + " is above the limit of "
                                                   + std::to_string(fts::kLongestWordLimit));
    return given == 0 ? byDefault : uint16_t(given);
}

template <class Flag>
UNSIGNED32 IndexFlag(const char* function, ADSHANDLE hIndex, UNSIGNED16* out, Flag flag)
{
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        Out(out, function, "the flag argument is null") = flag(order.Tag()) ? 1 : 0;
    });
}

} // namespace

UNSIGNED32 AdsOpenIndex(ADSHANDLE hTable, const char* pucName, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen)
{
    const char* function = "AdsOpenIndex";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        std::string name = TextArgument(pucName, function, "the index file name");
        UNSIGNED16& length = Out(pusArrayLen, function, "the count argument is null");
        RequireArgument(pahIndex != nullptr || length == 0, function, "the handle array is null");
        std::vector<ADSHANDLE> handles =
            OpenIndexOn(SharedCursor(cursor), IndexPathFor(cursor.Table(), name), false);
        size_t copied = std::min<size_t>(handles.size(), length);
        std::copy_n(handles.begin(), copied, pahIndex);
        length = UNSIGNED16(handles.size());
        if (copied < handles.size())
            throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the file holds "
                                                          + std::to_string(handles.size()) + " indexes");
    });
}

UNSIGNED32 AdsCloseIndex(ADSHANDLE hIndex)
{
    const char* function = "AdsCloseIndex";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        std::shared_ptr<indexing::IndexFile> file = order.SharedFile();
        {
            std::lock_guard<std::recursive_mutex> lock(file->Mutex());
            file->SaveIfChanged(cursor.Table());
        }
        cursor.DropOrders(file.get());
    });
}

UNSIGNED32 AdsCreateIndex90(ADSHANDLE hObj, const char* pucFileName, const char* pucTag, const char* pucExpr, const char* pucCondition, const char* pucWhile, UNSIGNED32 ulOptions, UNSIGNED32 ulPageSize, const char* pucCollation, ADSHANDLE* phIndex)
{
    const char* function = "AdsCreateIndex90";
    return WithCursor(function, hObj, [&](Cursor& cursor) {
        ADSHANDLE& out = Out(phIndex, function, "the index handle argument is null");
        CheckIndexOptions(ulOptions, function);
        if (cursor.Table().IsReadOnly())
            throw EngineError(AE_TABLE_READ_ONLY, std::string(function) + ": " + cursor.TableName()
                                                      + " is open read-only; no index can be created on it.");
        indexing::TagDefinition definition;
        definition.expression = TextArgument(pucExpr, function, "the key expression");
        RequireArgument(!definition.expression.empty(), function, "the key expression is empty");
        definition.condition = Optional(pucCondition);
        definition.whileCondition = Optional(pucWhile);
        definition.options = ulOptions & ~ADS_COMPOUND;
        definition.collation = Optional(pucCollation);
        IndexTarget target = TargetOf(cursor.Table(), Optional(pucFileName), Optional(pucTag), ulOptions, function);
        definition.name = target.tag;
        cursor.WriteRecord();
        out = CreateIndex(cursor, target, std::move(definition), ulPageSize);
    });
}

UNSIGNED32 AdsCreateFTSIndex(ADSHANDLE hTable, const char* pucFileName, const char* pucTag, const char* pucField, UNSIGNED32 ulPageSize, UNSIGNED32 ulMinWordLen, UNSIGNED32 ulMaxWordLen, UNSIGNED32 ulOptions, ADSHANDLE* phIndex)
{
    const char* function = "AdsCreateFTSIndex";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        ADSHANDLE& out = Out(phIndex, function, "the index handle argument is null");
        if (ulOptions != 0)
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the options " + std::to_string(ulOptions)
                                                       + " hold unknown bits");
        indexing::CheckedPageSize(ulPageSize);
        RefuseReadOnly(cursor, function, "no index can be created on it");
        CheckFullTextFile(cursor.Table(), Optional(pucFileName), function);
        fts::FtsDefinition definition;
        definition.name = TextArgument(pucTag, function, "the index name");
        RequireArgument(!definition.name.empty(), function, "the index name is empty");
        definition.field = TextArgument(pucField, function, "the column name");
        definition.minWordLength = WordLength(ulMinWordLen, fts::kDefaultMinWordLength, function);
        definition.maxWordLength = WordLength(ulMaxWordLen, fts::kDefaultMaxWordLength, function);
        cursor.WriteRecord();
        std::shared_ptr<fts::FtsFile> file = fts::FtsFile::ForTable(cursor.Table(), true);
        std::lock_guard<std::recursive_mutex> lock(file->Mutex());
        std::shared_ptr<fts::FtsIndex> index = file->Add(std::move(definition), cursor.Table());
        out = FtsHandleFor(SharedCursor(cursor), index->Name());
    });
}

UNSIGNED32 AdsDeleteIndex(ADSHANDLE hIndex)
{
    const char* function = "AdsDeleteIndex";
    if (FtsHandleOf(hIndex))
        return WithFullText(function, hIndex, [&](Cursor& cursor, FtsTarget& target) {
            RefuseReadOnly(cursor, function, "its indexes cannot be deleted");
            target.file->Remove(target.index, cursor.Table());
        });
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        RefuseReadOnly(cursor, function, "its indexes cannot be deleted");
        std::shared_ptr<indexing::IndexFile> file = order.SharedFile();
        std::shared_ptr<indexing::Tag> tag = order.SharedTag();
        {
            std::lock_guard<std::recursive_mutex> lock(file->Mutex());
            file->RemoveTag(tag, cursor.Table());
        }
        cursor.DropOrders(file.get(), tag.get());
    });
}

namespace {

UNSIGNED32 ChangeCustomKey(const char* function, ADSHANDLE hIndex, bool add) noexcept
{
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        if (!order.Tag().IsCustom())
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the index " + order.Tag().Name()
                                                       + " is not a custom index; its keys follow the records.");
        RefuseReadOnly(cursor, function, "its indexes cannot be changed");
        cursor.WriteRecord();
        if (cursor.RecordNumber() == 0)
            throw EngineError(AE_NO_CURRENT_RECORD, std::string(function) + ": there is no current record.");
        std::lock_guard<std::recursive_mutex> lock(order.File().Mutex());
        order.File().ChangeCustomKey(cursor.Table(), order.Tag(), cursor.RecordNumber(), add);
    });
}

} // namespace

UNSIGNED32 AdsAddCustomKey(ADSHANDLE hIndex)
{
    return ChangeCustomKey("AdsAddCustomKey", hIndex, true);
}

UNSIGNED32 AdsDeleteCustomKey(ADSHANDLE hIndex)
{
    return ChangeCustomKey("AdsDeleteCustomKey", hIndex, false);
}

UNSIGNED32 AdsReindex(ADSHANDLE hTable)
{
    return WithCursor("AdsReindex", hTable, [&](Cursor& cursor) {
        cursor.WriteRecord();
        cursor.RebuildIndexes();
    });
}

UNSIGNED32 AdsGetIndexHandle(ADSHANDLE hTable, const char* pucIndexOrder, ADSHANDLE* phIndex)
{
    const char* function = "AdsGetIndexHandle";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        ADSHANDLE& out = Out(phIndex, function, "the index handle argument is null");
        std::string name = Optional(pucIndexOrder);
        // A cursor has no current index of its own: callers name the order
        // they want with every call.
        out = 0;
        if (name.empty())
            return;
        for (const auto& order : cursor.Orders())
            if (expr::UpperAscii(order->Tag().Name()) == expr::UpperAscii(name)) {
                out = order->Handle();
                return;
            }
        throw EngineError(AE_INDEX_NOT_FOUND, std::string(function) + ": no index named " + name + " is open on "
                                                  + cursor.TableName() + ".");
    });
}

UNSIGNED32 AdsGetNumIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum)
{
    const char* function = "AdsGetNumIndexes";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        Out(pusNum, function, "the count argument is null") = UNSIGNED16(cursor.Orders().size());
    });
}

UNSIGNED32 AdsGetAllIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen)
{
    const char* function = "AdsGetAllIndexes";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        UNSIGNED16& length = Out(pusArrayLen, function, "the count argument is null");
        RequireArgument(pahIndex != nullptr || length == 0, function, "the handle array is null");
        const auto& orders = cursor.Orders();
        size_t copied = std::min<size_t>(orders.size(), length);
        for (size_t i = 0; i < copied; ++i)
            pahIndex[i] = orders[i]->Handle();
        length = UNSIGNED16(orders.size());
        if (copied < orders.size())
            throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": " + std::to_string(orders.size())
                                                          + " indexes are open");
    });
}

UNSIGNED32 AdsGetNumFTSIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum)
{
    const char* function = "AdsGetNumFTSIndexes";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        UNSIGNED16& out = Out(pusNum, function, "the count argument is null");
        std::shared_ptr<fts::FtsFile> file = fts::FtsFile::ForTable(cursor.Table());
        std::unique_lock<std::recursive_mutex> lock;
        if (file) {
            lock = std::unique_lock<std::recursive_mutex>(file->Mutex());
            file->RequireSound(function);
        }
        out = file ? UNSIGNED16(file->Indexes().size()) : 0;
    });
}

UNSIGNED32 AdsGetFTSIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen)
{
    const char* function = "AdsGetFTSIndexes";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        UNSIGNED16& length = Out(pusArrayLen, function, "the count argument is null");
        RequireArgument(pahIndex != nullptr || length == 0, function, "the handle array is null");
        std::vector<ADSHANDLE> handles = FtsHandlesOf(SharedCursor(cursor));
        size_t copied = std::min<size_t>(handles.size(), length);
        std::copy_n(handles.begin(), copied, pahIndex);
        length = UNSIGNED16(handles.size());
        if (copied < handles.size())
            throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the table has "
                                                          + std::to_string(handles.size()) + " full-text indexes");
    });
}

UNSIGNED32 AdsGetIndexName(ADSHANDLE hIndex, char* pucName, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetIndexName";
    if (FtsHandleOf(hIndex))
        return WithFullText(function, hIndex, [&](Cursor&, FtsTarget& target) {
            CopyTextOut(target.index->Name(), pucName, pusLen, function);
        });
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        CopyTextOut(order.Tag().Name(), pucName, pusLen, function);
    });
}

UNSIGNED32 AdsGetIndexFilename(ADSHANDLE hIndex, UNSIGNED16 usOption, char* pucName, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetIndexFilename";
    if (FtsHandleOf(hIndex))
        return WithFullText(function, hIndex, [&](Cursor&, FtsTarget& target) {
            CopyTextOut(IndexFileText(target.file->Path(), usOption, function), pucName, pusLen, function);
        });
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        CopyTextOut(IndexFileText(order.File().Path(), usOption, function), pucName, pusLen, function);
    });
}

UNSIGNED32 AdsGetIndexExpr(ADSHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetIndexExpr";
    if (FtsHandleOf(hIndex))
        return WithFullText(function, hIndex, [&](Cursor&, FtsTarget& target) {
            CopyTextOut(target.index->Definition().field, pucExpr, pusLen, function);
        });
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        CopyTextOut(order.Tag().Definition().expression, pucExpr, pusLen, function);
    });
}

UNSIGNED32 AdsGetIndexPageSize(ADSHANDLE hIndex, UNSIGNED32* pulPageSize)
{
    const char* function = "AdsGetIndexPageSize";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        Out(pulPageSize, function, "the size argument is null") = order.File().PageSize();
    });
}

UNSIGNED32 AdsGetIndexFlags(ADSHANDLE hIndex, UNSIGNED32* pulOptions)
{
    const char* function = "AdsGetIndexFlags";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        UNSIGNED32 options = order.Tag().Definition().options;
        if (options & ADS_CANDIDATE)
            options |= ADS_UNIQUE;
        Out(pulOptions, function, "the flags argument is null") = options;
    });
}

UNSIGNED32 AdsGetIndexCondition(ADSHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetIndexCondition";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        CopyTextOut(order.Tag().Definition().condition, pucExpr, pusLen, function);
    });
}

UNSIGNED32 AdsIsIndexUnique(ADSHANDLE hIndex, UNSIGNED16* pbUnique)
{
    // A candidate key is unique too, and more strictly so.
    return IndexFlag("AdsIsIndexUnique", hIndex, pbUnique,
                     [](const indexing::Tag& t) { return t.IsUnique() || t.IsCandidate(); });
}

UNSIGNED32 AdsIsIndexDescending(ADSHANDLE hIndex, UNSIGNED16* pbDescending)
{
    return IndexFlag("AdsIsIndexDescending", hIndex, pbDescending, [](const indexing::Tag& t) { return t.IsDescending(); });
}

UNSIGNED32 AdsIsIndexCandidate(ADSHANDLE hIndex, UNSIGNED16* pbCandidate)
{
    return IndexFlag("AdsIsIndexCandidate", hIndex, pbCandidate, [](const indexing::Tag& t) { return t.IsCandidate(); });
}

UNSIGNED32 AdsIsIndexPrimaryKey(ADSHANDLE hIndex, UNSIGNED16* pbPrimaryKey)
{
    // Primary keys belong to dictionary tables; a free table has none.
    return IndexFlag("AdsIsIndexPrimaryKey", hIndex, pbPrimaryKey, [](const indexing::Tag&) { return false; });
}

UNSIGNED32 AdsIsIndexCustom(ADSHANDLE hIndex, UNSIGNED16* pbCustom)
{
    return IndexFlag("AdsIsIndexCustom", hIndex, pbCustom, [](const indexing::Tag& t) { return t.IsCustom(); });
}

UNSIGNED32 AdsGetNumSegments(ADSHANDLE hIndex, UNSIGNED16* pusSegments)
{
    const char* function = "AdsGetNumSegments";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        Out(pusSegments, function, "the count argument is null") = UNSIGNED16(order.Tag().SegmentCount());
    });
}

UNSIGNED32 AdsGetSegmentFieldname(ADSHANDLE hIndex, UNSIGNED16 usSegment, char* pucName, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetSegmentFieldname";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        if (usSegment >= order.Tag().SegmentCount())
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the index " + order.Tag().Name()
                                                       + " has no segment " + std::to_string(usSegment) + " (it has "
                                                       + std::to_string(order.Tag().SegmentCount()) + ")");
        CopyTextOut(order.Tag().SegmentField(usSegment), pucName, pusLen, function);
    });
}

UNSIGNED32 AdsGetKeyLength(ADSHANDLE hIndex, UNSIGNED16* pusKeyLength)
{
    const char* function = "AdsGetKeyLength";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        Out(pusKeyLength, function, "the length argument is null") = order.Tag().KeyLength();
    });
}

UNSIGNED32 AdsGetKeyCount(ADSHANDLE hIndex, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount)
{
    const char* function = "AdsGetKeyCount";
    return WithCursor(function, hIndex, [&](Cursor& cursor) {
        UNSIGNED16 base = usFilterOption & ~ADS_REFRESHCOUNT;
        RequireArgument(base >= ADS_RESPECTFILTERS && base <= ADS_RESPECTSCOPES, function,
                        "the filter option is not 1, 2 or 3");
        UNSIGNED32& out = Out(pulCount, function, "the count argument is null");
        // On a cursor without an index every record is a key.
        out = cursor.CallOrder() ? cursor.CountKeys(base == ADS_RESPECTFILTERS, base != ADS_IGNOREFILTERS)
                                 : cursor.CountRecords(base == ADS_RESPECTFILTERS);
    });
}

// ---- Keys ----------------------------------------------------------------------

namespace {

std::string BuiltKey(Cursor& cursor, IndexOrder& order, bool full)
{
    expr::TableContext context(cursor.Table());
    std::string key = order.Tag().KeyOfImage(context, order.KeyImage().data(), 0);
    key.resize(order.BuiltKeyLength(full));
    return key;
}

void CopyKeyOut(const std::string& key, UNSIGNED8* buffer, UNSIGNED16* length, const char* function)
{
    UNSIGNED16& capacity = Out(length, function, "the length argument is null");
    RequireArgument(buffer != nullptr || capacity == 0, function, "the key buffer is null");
    if (capacity < key.size()) {
        capacity = UNSIGNED16(key.size());
        throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the key needs "
                                                      + std::to_string(key.size()) + " bytes");
    }
    std::memcpy(buffer, key.data(), key.size());
    capacity = UNSIGNED16(key.size());
}

} // namespace

UNSIGNED32 AdsInitRawKey(ADSHANDLE hIndex)
{
    return WithOrder("AdsInitRawKey", hIndex,
                     [&](Cursor& cursor, IndexOrder& order) { order.InitKey(cursor.Layout()); });
}

UNSIGNED32 AdsBuildRawKey(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen)
{
    const char* function = "AdsBuildRawKey";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        CopyKeyOut(BuiltKey(cursor, order, false), pucKey, pusKeyLen, function);
    });
}

UNSIGNED32 AdsBuildRawKey100(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen, UNSIGNED32 ulOptions)
{
    const char* function = "AdsBuildRawKey100";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        RequireArgument(ulOptions == ADS_FULL_KEY || ulOptions == ADS_PARTIAL_KEY_UNICODE, function,
                        "the option is not 1 (full key) or 4 (partial key)");
        CopyKeyOut(BuiltKey(cursor, order, ulOptions == ADS_FULL_KEY), pucKey, pusKeyLen, function);
    });
}

UNSIGNED32 AdsBuildKeyFromRecord(ADSHANDLE hIndex, const UNSIGNED8* pucRecBuf, UNSIGNED32 ulRecLen, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen)
{
    const char* function = "AdsBuildKeyFromRecord";
    return WithOrder(function, hIndex, [&](Cursor& cursor, IndexOrder& order) {
        RequireArgument(pucRecBuf != nullptr, function, "the record buffer is null");
        if (ulRecLen != cursor.Table().RecordLength())
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the record buffer has "
                                                       + std::to_string(ulRecLen) + " bytes; records of "
                                                       + cursor.TableName() + " have "
                                                       + std::to_string(cursor.Table().RecordLength()));
        expr::TableContext context(cursor.Table());
        CopyKeyOut(order.Tag().KeyOfImage(context, pucRecBuf, 0), pucKey, pusKeyLen, function);
    });
}

UNSIGNED32 AdsStepIndexKey(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16 usLen, SIGNED16 sDirection)
{
    const char* function = "AdsStepIndexKey";
    return WithOrder(function, hIndex, [&](Cursor&, IndexOrder& order) {
        RequireArgument(pucKey != nullptr, function, "the key is null");
        RequireArgument(sDirection == 1 || sDirection == -1, function, "the direction is not 1 or -1");
        if (usLen == 0 || usLen > order.Tag().KeyLength())
            throw EngineError(AE_INVALID_KEY, std::string(function) + ": a key of " + std::to_string(usLen)
                                                  + " bytes does not fit the index " + order.Tag().Name());
        if (!indexing::StepKey(pucKey, usLen, sDirection))
            throw EngineError(AE_INVALID_KEY, std::string(function) + ": the key has no "
                                                  + (sDirection > 0 ? "next" : "previous") + " key");
    });
}
