// The layer's dataset: an engine cursor plugged into the framework's TDataSet.
//
// - TAdsTableOptions: the engine-facing options every dataset owns.
// - TACEFieldDefs: the engine's description of every column of the open
//   cursor (name, number, offset and length in the record image, type).
// - TAdsStringField / TAdsBCDField: the layer's field classes.
// - TAdsBlobCache / TAdsBlobStream: memo and binary contents, one cache per
//   blob field in every record buffer, and the streams blob fields use.
// - TAdsDataSet: opening and closing the cursor, the record buffer and its
//   regions, reading engine records into buffers, field definitions from
//   the engine, database-name resolution and implicit connections.
// - DataSetRegistry: every live dataset of the process (its own lock).
// - TDynamicConnList / GlobalDynamicConnList(): the engine connections that
//   datasets without a connection component share, one per path.
//
// Record buffer (musRecBufSize bytes): record image (musRecordSize) |
// calculated area (CalcFieldsSize) | blob cache slots (a 32-bit cache id per
// blob field) | record information (8: record number, reserved, bookmark flag,
// spare) | bookmark (FBookmarkSize).
//
// Invariants:
// - mlHandle is -1 exactly when no cursor is open; closing always resets the
//   handles, even when the engine refuses to close.
// - After every read into a buffer while blob fields exist, the first four
//   bytes of each memo-like column hold 0 (empty or null) or all bits set.
// - Every dataset is in DataSetRegistry from the end of its construction
//   until its destruction.
// - The layer's own messages are EADSDatabaseError with code 5121.
#pragma once

#include "ads/adscnnct.h"
#include "ads/adserror.h"
#include "ads/adsini.h"
#include "framework/dataset.h"
#include "framework/fielddefs.h"
#include "framework/fields.h"
#include "framework/streams.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class TAdsDataSet;

VARNEL_ENUM_NAMES(TAdsTableTypes, "ttAdsCDX", "ttAdsNTX", "ttAdsADT", "ttAdsDefault", "ttAdsVFP");

// ---------------------------------------------------------------------------
// Table options.

enum TAdsLockTypes { Proprietary, Compatible };
VARNEL_ENUM_NAMES(TAdsLockTypes, "Proprietary", "Compatible");

// The 118 character types, in value order; their names are the texts.
#define ADS_CHAR_TYPES(X)                                                                                         \
    X(ANSI) X(OEM) X(CZECH_VFP_CI_AS_1250) X(GENERAL_VFP_CI_AS_1250) X(HUNGARY_VFP_CI_AS_1250)                     \
    X(MACHINE_VFP_BIN_1250) X(POLISH_VFP_CI_AS_1250) X(SLOVAK_VFP_CI_AS_1250) X(MACHINE_VFP_BIN_1251)              \
    X(RUSSIAN_VFP_CI_AS_1251) X(DUTCH_VFP_CI_AS_1252) X(GENERAL_VFP_CI_AS_1252) X(GERMAN_VFP_CI_AS_1252)           \
    X(ICELAND_VFP_CI_AS_1252) X(MACHINE_VFP_BIN_1252) X(NORDAN_VFP_CI_AS_1252) X(SPANISH_VFP_CI_AS_1252)          \
    X(SWEFIN_VFP_CI_AS_1252) X(UNIQWT_VFP_CS_AS_1252) X(GREEK_VFP_CI_AS_1253) X(MACHINE_VFP_BIN_1253)             \
    X(GENERAL_VFP_CI_AS_1254) X(MACHINE_VFP_BIN_1254) X(TURKISH_VFP_CI_AS_1254) X(DUTCH_VFP_CI_AS_437)            \
    X(GENERAL_VFP_CI_AS_437) X(GERMAN_VFP_CI_AS_437) X(ICELAND_VFP_CI_AS_437) X(MACHINE_VFP_BIN_437)              \
    X(NORDAN_VFP_CI_AS_437) X(SPANISH_VFP_CI_AS_437) X(SWEFIN_VFP_CI_AS_437) X(UNIQWT_VFP_CS_AS_437)              \
    X(GENERAL_VFP_CI_AS_620) X(MACHINE_VFP_BIN_620) X(POLISH_VFP_CI_AS_620) X(GREEK_VFP_CI_AS_737)                \
    X(MACHINE_VFP_BIN_737) X(DUTCH_VFP_CI_AS_850) X(GENERAL_VFP_CI_AS_850) X(ICELAND_VFP_CI_AS_850)               \
    X(MACHINE_VFP_BIN_850) X(NORDAN_VFP_CI_AS_850) X(SPANISH_VFP_CI_AS_850) X(SWEFIN_VFP_CI_AS_850)               \
    X(UNIQWT_VFP_CS_AS_850) X(CZECH_VFP_CI_AS_852) X(GENERAL_VFP_CI_AS_852) X(HUNGARY_VFP_CI_AS_852)              \
    X(MACHINE_VFP_BIN_852) X(POLISH_VFP_CI_AS_852) X(SLOVAK_VFP_CI_AS_852) X(GENERAL_VFP_CI_AS_857)               \
    X(MACHINE_VFP_BIN_857) X(TURKISH_VFP_CI_AS_857) X(GENERAL_VFP_CI_AS_861) X(ICELAND_VFP_CI_AS_861)             \
    X(MACHINE_VFP_BIN_861) X(GENERAL_VFP_CI_AS_865) X(MACHINE_VFP_BIN_865) X(NORDAN_VFP_CI_AS_865)                \
    X(SWEFIN_VFP_CI_AS_865) X(MACHINE_VFP_BIN_866) X(RUSSIAN_VFP_CI_AS_866) X(CZECH_VFP_CI_AS_895)                \
    X(GENERAL_VFP_CI_AS_895) X(MACHINE_VFP_BIN_895) X(SLOVAK_VFP_CI_AS_895) X(DANISH_ADS_CS_AS_1252)              \
    X(DUTCH_ADS_CS_AS_1252) X(ENGL_AMER_ADS_CS_AS_1252) X(ENGL_CAN_ADS_CS_AS_1252) X(ENGL_UK_ADS_CS_AS_1252)      \
    X(FINNISH_ADS_CS_AS_1252) X(FRENCH_ADS_CS_AS_1252) X(FRENCH_CAN_ADS_CS_AS_1252) X(GERMAN_ADS_CS_AS_1252)      \
    X(ICELANDIC_ADS_CS_AS_1252) X(ITALIAN_ADS_CS_AS_1252) X(NORWEGIAN_ADS_CS_AS_1252)                             \
    X(PORTUGUESE_ADS_CS_AS_1252) X(SPANISH_ADS_CS_AS_1252) X(SPAN_MOD_ADS_CS_AS_1252) X(SWEDISH_ADS_CS_AS_1252)   \
    X(RUSSIAN_ADS_CS_AS_1251) X(ASCII_ADS_CS_AS_1252) X(TURKISH_ADS_CS_AS_1254) X(POLISH_ADS_CS_AS_1250)          \
    X(BALTIC_ADS_CS_AS_1257) X(UKRAINIAN_ADS_CS_AS_1251) X(DUDEN_DE_ADS_CS_AS_1252) X(USA_ADS_CS_AS_437)          \
    X(DANISH_ADS_CS_AS_865) X(DUTCH_ADS_CS_AS_850) X(FINNISH_ADS_CS_AS_865) X(FRENCH_ADS_CS_AS_863)               \
    X(GERMAN_ADS_CS_AS_850) X(GREEK437_ADS_CS_AS_437) X(GREEK851_ADS_CS_AS_851) X(ICELD850_ADS_CS_AS_850)         \
    X(ICELD861_ADS_CS_AS_861) X(ITALIAN_ADS_CS_AS_850) X(NORWEGN_ADS_CS_AS_865) X(PORTUGUE_ADS_CS_AS_860)         \
    X(SPANISH_ADS_CS_AS_852) X(SWEDISH_ADS_CS_AS_865) X(MAZOVIA_ADS_CS_AS_852) X(PC_LATIN_ADS_CS_AS_852)          \
    X(ISOLATIN_ADS_CS_AS_850) X(RUSSIAN_ADS_CS_AS_866) X(NTXCZ852_ADS_CS_AS_852) X(NTXCZ895_ADS_CS_AS_895)        \
    X(NTXSL852_ADS_CS_AS_852) X(NTXSL895_ADS_CS_AS_895) X(NTXHU852_ADS_CS_AS_852) X(NTXPL852_ADS_CS_AS_852)       \
    X(TURKISH_ADS_CS_AS_857) X(BOSNIAN_ADS_CS_AS_775)

#define ADS_CHAR_TYPE_ENUM(name) name,
enum TAdsCharTypes { ADS_CHAR_TYPES(ADS_CHAR_TYPE_ENUM) };
#undef ADS_CHAR_TYPE_ENUM
#define ADS_CHAR_TYPE_NAME(name) #name,
VARNEL_ENUM_NAMES(TAdsCharTypes, ADS_CHAR_TYPES(ADS_CHAR_TYPE_NAME));
#undef ADS_CHAR_TYPE_NAME
constexpr int kAdsCharTypeCount = 118;

// The collation name of a character type (the enumeration name, with
// parentheses in the four English/Spanish variants).
QString CharTypeCollationName(TAdsCharTypes charType);

enum TAdsRespectFilters { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING };
VARNEL_ENUM_NAMES(TAdsRespectFilters, "IGNORE_WHEN_COUNTING", "RESPECT_WHEN_COUNTING");
enum TAdsRespectScopes { IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING };
VARNEL_ENUM_NAMES(TAdsRespectScopes, "IGNORE_SCOPES_WHEN_COUNTING", "RESPECT_SCOPES_WHEN_COUNTING");
enum TAdsRecordCacheTypes { rcNone, rcStandard, rcAggressive };
VARNEL_ENUM_NAMES(TAdsRecordCacheTypes, "rcNone", "rcStandard", "rcAggressive");
enum TAdsAOFTypes { atDynamic, atKeySet, atFixed };
VARNEL_ENUM_NAMES(TAdsAOFTypes, "atDynamic", "atKeySet", "atFixed");
enum TAdsRecordLockingModes { lmPessimistic, lmOptimistic };
VARNEL_ENUM_NAMES(TAdsRecordLockingModes, "lmPessimistic", "lmOptimistic");
enum TAdsTableCachingOption { tcNone, tcReads, tcWrites };
VARNEL_ENUM_NAMES(TAdsTableCachingOption, "tcNone", "tcReads", "tcWrites");
enum TAdsLocateBehavior { lbFastestPossible, lbFindFirst };
VARNEL_ENUM_NAMES(TAdsLocateBehavior, "lbFastestPossible", "lbFindFirst");
enum TAdsIndexTypes { ndxNone, ndxIndexName, ndxIndexField, ndxDefault };
enum TAdsSequencedLevel { slStandard, slExact };
VARNEL_ENUM_NAMES(TAdsSequencedLevel, "slStandard", "slExact");
using TAdsIndexPageSizes = uint16_t;

// The options of one dataset. Setters with rules raise EADSDatabaseError
// (code 5121) for the owning dataset; the others store.
class TAdsTableOptions : public TPersistent {
    VARNEL_DECLARE_CLASS(TAdsTableOptions, TPersistent)
public:
    TAdsTableOptions() = default;

    void SetTableInstance(TAdsDataSet* dataSet) { mpoAdsTable = dataSet; }
    TAdsDataSet* OwningDataSet() const { return mpoAdsTable; }

    TAdsLockTypes AdsLockType() const { return meAdsLockType; }
    void SetAdsLockType(TAdsLockTypes value);
    TAdsCharTypes AdsCharType() const { return meAdsCharType; }
    void SetAdsCharType(TAdsCharTypes value);
    TAdsRespectFilters AdsFilterOptions() const { return meAdsRespectFilters; }
    void SetAdsFilterOptions(TAdsRespectFilters value) { meAdsRespectFilters = value; }
    TAdsRespectScopes AdsScopeOptions() const { return meAdsRespectScopes; }
    void SetAdsScopeOptions(TAdsRespectScopes value) { meAdsRespectScopes = value; }
    bool AdsRightsCheck() const { return mbAdsRightsCheck; }
    void SetAdsRightsCheck(bool value);
    bool AdsOptimizedFilters() const { return mbAdsOptimizedFilters; }
    void SetAdsOptimizedFilters(bool value);
    bool AdsFreshRecordCount() const { return mbRefreshCount; }
    void SetAdsFreshRecordCount(bool value) { mbRefreshCount = value; }
    bool AdsAOFResolveImmediate() const { return mbAOFResolveImmediate; }
    void SetAdsAOFResolveImmediate(bool value) { mbAOFResolveImmediate = value; }
    TAdsIndexPageSizes AdsIndexPageSize() const { return mulIndexPageSize; }
    void SetAdsIndexPageSize(TAdsIndexPageSizes value);
    TAdsRecordCacheTypes AdsRecordCache() const { return meAdsRecordCache; }
    void SetAdsRecordCache(TAdsRecordCacheTypes value);
    TAdsAOFTypes AdsAOFType() const { return meAdsAOFType; }
    void SetAdsAOFType(TAdsAOFTypes value) { meAdsAOFType = value; }
    bool AdsAutoKeyFieldCount() const { return mbAutoKeyFieldCount; }
    void SetAdsAutoKeyFieldCount(bool value) { mbAutoKeyFieldCount = value; }
    bool AdsCalcFieldsBeforeFilter() const { return mbCalcFieldsBeforeFilter; }
    void SetAdsCalcFieldsBeforeFilter(bool value) { mbCalcFieldsBeforeFilter = value; }
    TAdsRecordLockingModes AdsRecordLockingMode() const { return meRecordLockingMode; }
    void SetAdsRecordLockingMode(TAdsRecordLockingModes value) { meRecordLockingMode = value; }
    bool AdsPreserveSpaces() const { return mbPreserveSpaces; }
    void SetAdsPreserveSpaces(bool value) { mbPreserveSpaces = value; }
    bool AdsNumericsAsFloats() const { return mbNumericsAsFloats; }
    void SetAdsNumericsAsFloats(bool value) { mbNumericsAsFloats = value; }
    const QString& AdsCollation() const { return mstrCollation; }
    void SetAdsCollation(const QString& value) { mstrCollation = value; }
    TAdsTableCachingOption AdsCachingOption() const { return meAdsCachingOption; }
    void SetAdsCachingOption(TAdsTableCachingOption value);
    TAdsLocateBehavior AdsLocateBehavior() const { return meAdsLocateBehavior; }
    void SetAdsLocateBehavior(TAdsLocateBehavior value) { meAdsLocateBehavior = value; }

    // The character type a live query cursor reports, taken without the
    // setter's rules (the dataset is opening).
    void AdoptEngineCharType(TAdsCharTypes value) { meAdsCharType = value; }

    // The engine option value for optimized filters.
    uint32_t AOFOptions() const;
    // The record count AdsCacheRecords gets for a cache type; -1 for none.
    static int CacheRecordCount(TAdsRecordCacheTypes value);

    void Assign(const TPersistent* source) override;

private:
    void CheckInactive() const;
    [[noreturn]] void Refuse(const QString& message) const;

    TAdsLockTypes meAdsLockType = Proprietary;
    TAdsCharTypes meAdsCharType = ANSI;
    TAdsRespectFilters meAdsRespectFilters = IGNORE_WHEN_COUNTING;
    TAdsRespectScopes meAdsRespectScopes = IGNORE_SCOPES_WHEN_COUNTING;
    bool mbAdsRightsCheck = true;
    TAdsDataSet* mpoAdsTable = nullptr;
    bool mbAdsOptimizedFilters = true;
    bool mbRefreshCount = false;
    bool mbAOFResolveImmediate = false;
    TAdsIndexPageSizes mulIndexPageSize = 0;
    TAdsRecordCacheTypes meAdsRecordCache = rcStandard;
    TAdsAOFTypes meAdsAOFType = atDynamic;
    bool mbAutoKeyFieldCount = false;
    bool mbCalcFieldsBeforeFilter = false;
    TAdsRecordLockingModes meRecordLockingMode = lmPessimistic;
    bool mbPreserveSpaces = false;
    bool mbNumericsAsFloats = false;
    QString mstrCollation;
    TAdsTableCachingOption meAdsCachingOption = tcNone;
    TAdsLocateBehavior meAdsLocateBehavior = lbFastestPossible;
};

// ---------------------------------------------------------------------------
// Engine field definitions.

class TACEFieldDef : public TCollectionItem {
    VARNEL_DECLARE_CLASS(TACEFieldDef, TCollectionItem)
public:
    explicit TACEFieldDef(TCollection* collection) : TCollectionItem(collection) {}

    QString FName;
    uint16_t FNumber = 0;
    uint32_t FOffset = 0;
    uint32_t FLength = 0;
    uint16_t FType = 0;
    uint16_t FDecimals = 0;
    bool FModified = false;
    uint8_t FPermissions = 0;
    bool FNullable = false;

    const QString& FieldName() const { return FName; }
    uint16_t FieldNumber() const { return FNumber; }
    uint32_t Offset() const { return FOffset; }
    uint32_t Length() const { return FLength; }
    uint16_t FieldType() const { return FType; }
    uint16_t Decimals() const { return FDecimals; }
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    uint8_t Permissions() const { return FPermissions; }
    bool Nullable() const { return FNullable; }
};

class TACEFieldDefs : public TCollection {
    VARNEL_DECLARE_CLASS(TACEFieldDefs, TCollection)
public:
    explicit TACEFieldDefs(TPersistent* owner = nullptr);
    TACEFieldDef* Add() override { return static_cast<TACEFieldDef*>(TCollection::Add()); }
    TACEFieldDef* Items(int index) const { return static_cast<TACEFieldDef*>(TCollection::Items(index)); }
    TACEFieldDef* operator[](int index) const { return Items(index); }
    // 0-based position of the first item of that name (case ignored), -1.
    int IndexOf(const QString& name) const;
    TPersistent* FOwner = nullptr;
};

// The framework type and size an engine column maps to; false for an
// engine type the layer does not know.
struct TEngineFieldMapping {
    TFieldType type = ftUnknown;
    int size = 0;
    int precision = 0;  // 0: not set
};
bool MapEngineFieldType(uint16_t engineType, uint32_t length, uint16_t decimals, bool adtNumericsAsBcd,
                        TEngineFieldMapping& mapping);

// ---------------------------------------------------------------------------
// Field classes.

class TAdsStringField : public TStringField {
    VARNEL_DECLARE_CLASS(TAdsStringField, TStringField)
public:
    explicit TAdsStringField(TComponent* owner) : TStringField(owner) {}
    bool CaseInsensitive() const { return FCaseInsensitive; }
    void SetCaseInsensitiveFromColumn(bool value) { FCaseInsensitive = value; }

private:
    bool FCaseInsensitive = false;
};

class TAdsBCDField : public TBCDField {
    VARNEL_DECLARE_CLASS(TAdsBCDField, TBCDField)
public:
    explicit TAdsBCDField(TComponent* owner);
};

// --- memo and binary fields
// A blob cache is an in-memory copy of one memo or binary column of one
// record; every record buffer owns one per blob field. Reading fills it from
// the engine, writing changes only the cache and marks it modified, and the
// record store writes modified caches back (Flush). A blob stream is what the
// framework's blob fields read and write through; it works on the cache of
// the field in the dataset's active record buffer.
//
// Content by engine type: binary for types 6 and 7 and for a memo (5) whose
// memo data type is not 5; 8-bit text for memos of data type 5 and types 8,
// 51 and 52; UTF-16 text (2 bytes per unit) for type 28. Text is held
// without a terminator.
class TAdsBlobCache : public TMemoryStream {
    VARNEL_DECLARE_CLASS(TAdsBlobCache, TMemoryStream)
public:
    TAdsBlobCache() = default;

    // Reuses the content when the cache already holds this cursor, column
    // and record and no re-read is forced (position back to 0). Otherwise
    // reads the column of record `ulRecNo` (0: empty content), moving the
    // engine cursor onto that record when it stands elsewhere; an engine
    // "no current record" or "invalid record number" gives empty content.
    void RefreshCache(uint32_t hAdsTable, uint32_t ulFieldNo, uint32_t ulRecNo, bool bForceReread);
    int64_t Write(const void* buffer, int64_t count) override;
    // Empties the content and marks it modified.
    void Truncate();
    // Empties the content and forgets what it was read from.
    void ClearCache();
    // Writes a modified content into the engine's current record of the
    // cursor it was read from (the caller positions the cursor).
    void Flush();
    bool IsCacheModified() const { return mbBlobModified; }

    int64_t TableHandle() const { return mhAdsTable; }
    uint32_t RecordNumber() const { return mulRecNum; }
    uint32_t FieldNumber() const { return mulFieldNo; }

private:
    void ReadFromEngine(uint32_t hAdsTable, uint32_t ulFieldNo, uint32_t ulRecNo);

    int64_t mhAdsTable = -1;
    uint32_t mulRecNum = 0;
    bool mbBlobModified = false;
    uint32_t mulFieldNo = 0;
};

// Opened by TAdsDataSet::CreateBlobStream; owned by the caller. Reads and
// seeks pass to the cache; writes need a write mode and a cache. A stream
// that wrote or truncated marks its field modified and tells the dataset
// when it is destroyed. The cache stays with its record buffer.
class TAdsBlobStream : public TStream {
    VARNEL_DECLARE_CLASS(TAdsBlobStream, TStream)
public:
    TAdsBlobStream(TField* Field, TBlobStreamMode Mode);
    ~TAdsBlobStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void Truncate();

    TBlobStreamMode Mode() const { return moMode; }
    // The cache the stream works on; nullptr when the dataset's state gave none.
    TAdsBlobCache* Cache() const { return moAdsBlobCach; }
    bool Modified() const { return mbModified; }
    // Called by the dataset: its buffers (with this stream's cache) were
    // freed, or the dataset itself is going. The stream then reads nothing
    // and, once the dataset is gone, touches neither it nor the field.
    void DetachCache() { moAdsBlobCach = nullptr; }
    void DetachDataSet();

private:
    void CheckWritable() const;

    TAdsDataSet* mpoDataSet = nullptr;
    TField* moField = nullptr;
    TBlobStreamMode moMode = bmRead;
    TAdsBlobCache* moAdsBlobCach = nullptr;
    bool mbModified = false;
};
// --- end of memo and binary fields

// ---------------------------------------------------------------------------
// The dataset.

class TAdsDataSet : public TDataSet, public TAdsErrorDataSet, public TAdsConnectionDataSet {
    VARNEL_DECLARE_CLASS(TAdsDataSet, TDataSet)
public:
    explicit TAdsDataSet(TComponent* owner);
    ~TAdsDataSet() override;

    // --- cursor and handles
    TACEFieldDefs* ACEFieldDefs() const { return FACEFieldDefs.get(); }
    uint32_t Handle() const { return uint32_t(mlHandle); }
    int64_t HandleValue() const { return mlHandle; }
    int64_t ActiveHandle() const { return mlActiveHandle; }
    uint32_t GetAceTableHandle() const { return uint32_t(mlHandle); }
    uint32_t GetAceOrderHandle() const { return uint32_t(mlActiveHandle); }
    int64_t GetAceIndexHandle() const { return mlActiveHandle == mlHandle ? -1 : mlActiveHandle; }
    uint32_t GetAceConnectionHandle();
    // Hands a cursor opened elsewhere to the next opening.
    void SetCursorHandleForOpen(uint32_t cursor) { mlActiveHandle = cursor; }
    int RecordSize() const override { return musRecordSize; }
    uint16_t RecBufSize() const { return musRecBufSize; }
    uint16_t BlobCacheOfs() const { return musBlobCacheOfs; }
    uint16_t RecInfoOfs() const { return musRecInfoOfs; }
    uint16_t BookmarkOfs() const { return musBookmarkOfs; }
    uint32_t TableOpenOptions() const { return mulTableOptions; }
    bool CanModify() const override { return mbCanModify && !mbReadOnly; }
    bool IsExclusive() const { return mbExclusive; }
    bool IsReadOnly() const { return mbReadOnly; }
    uint16_t AceTableType() const { return musAceTableType; }
    uint16_t OpenCharType() const { return musOpenCharType; }
    // The key buffers of the open cursor (empty while closed).
    const std::array<QByteArray, 6>& KeyBuffers() const { return mapKeyBuffers; }

    TAdsTableOptions* AdsTableOptions() const { return mpoAdsTableOptions.get(); }
    void SetAdsTableOptions(const TAdsTableOptions* value) { mpoAdsTableOptions->Assign(value); }

    // "11.10.0.14 (ACE major.minor[letter])".
    QString Version();
    void SetVersion(const QString&) {}

    // --- stored-only and later-used properties
    const QString& InfoStructure() const { return mstrStruct; }
    void SetInfoStructure(const QString& value) { mstrStruct = value; }
    bool StoreActive() const { return FbStoreActive; }
    void SetStoreActive(bool value) { FbStoreActive = value; }
    const QString& IndexName() const { return mstrIndexName; }
    void SetIndexName(const QString& value);
    const QString& IndexFieldNames() const { return mstrIndexFieldNames; }
    void SetIndexFieldNames(const QString& value);
    bool Sequenced() const { return mbIsSequenced; }
    void SetSequenced(bool value) { mbIsSequenced = value; }
    TAdsSequencedLevel SequencedLevel() const { return meSeqLevel; }
    void SetSequencedLevel(TAdsSequencedLevel value) { meSeqLevel = value; }
    bool Scoped() const { return mbScoped; }
    void SetScoped(bool value);
    const QString& ScopeBegin() const { return mstrScopeStart; }
    void SetScopeBegin(const QString& value);
    const QString& ScopeEnd() const { return mstrScopeEnd; }
    void SetScopeEnd(const QString& value);
    const QString& TableName() const { return mstrTableName; }

    // --- database resolution and implicit connections
    TAdsConnection* AdsConnection() const { return mpoAdsConnection; }
    virtual void SetAdsConnection(TAdsConnection* value);
    QString DatabaseName() const override { return mstrDatabaseName; }
    void SetDatabaseName(const QString& value) override;
    QString GetDatabasePath();
    QString GetNativeDatabasePath() { return GetDatabasePath(); }
    uint32_t ConnectAndGetHandle();
    TAdsTableTypes TableType() const { return meTableType; }
    void SetTableType(TAdsTableTypes eValue) override;
    uint16_t OpenTableType() const { return musOpenTableType; }
    const QString& AliasPath() const { return mstrAliasPath; }
    // The first non-empty of: the table option, the connection's collation,
    // the name of the table option's character type.
    QString GetEffectiveCollation() const;

    // --- what the connection and the errors need
    void InvalidateAceHandles() override {}
    void UpdateDefaultIndex() override {}
    TAdsConnection* AttachedConnection() const override { return mpoAdsConnection; }
    void DetachConnection() override { mpoAdsConnection = nullptr; }
    QString ErrorInstanceName() const override { return Name(); }
    QString ErrorInstanceOwner() const override { return Owner() ? Owner()->Name() : QString(); }
    QString ErrorDatabaseName() const override { return mstrDatabaseName; }
    QString ErrorDatabasePath() override { return GetDatabasePath(); }
    QString ErrorTableName() const override { return mstrTableName; }

    // --- framework hooks
    TFieldClass FieldClassFor(TFieldType type) const override;
    void DataEvent(TDataEvent event, qintptr info) override;

    // Raises the layer's own message (code 5121) for this dataset.
    [[noreturn]] void RaiseDataSetError(const QString& message);

    // --- filters, scopes and Locate
    // Filter and Filtered become an engine filter on the open cursor (an
    // optimized one unless AdsOptimizedFilters is off); Scoped puts
    // ScopeBegin/ScopeEnd on the active index. Locate seeks in an index that
    // covers the key fields exactly and otherwise lets the engine evaluate a
    // generated expression; Lookup reads a match without moving the dataset.
    void SetFilter(const QString& text) override;
    void SetFiltered(bool value) override;
    virtual void ActivateFilter();
    virtual void DeactivateFilter();
    virtual void ActivateScope();
    virtual void DeactivateScope();
    bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options) override;
    Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields) override;
    // Scans from the top of the active order for the first record that
    // satisfies the expression; the engine cursor stays on it (or at the end).
    bool LocateLocally(const QString& strFilter);
    // The filter text as the engine gets it, and whether exact string
    // comparison stays on (a trailing wildcard in a literal turns it off).
    QString PrepareFilterText(bool& exact);
    // The wildcard rule on a UTF-8 filter text: an asterisk that ends a
    // quoted literal (not made of asterisks only) is removed and clears
    // `exact`; the argument of CONTAINS(...) is left as it is.
    static QByteArray StripFilterWildcards(const QByteArray& text, bool& exact);
    // The engine expression that matches the key values held in the filter
    // buffer (state dsFilter only).
    QString BuildLocateExpression(const QList<TField*>& fields, bool caseInsensitive);
    // Every key field is a segment of the index and together they take the
    // positions 1 .. p without a gap (p <= 100); `lastSegment` receives the
    // upper-case name at position p, `allSegments` whether p is the last
    // segment of the index.
    static bool IndexCoversFields(const QString& indexFields, const QString& keyFields, QString* lastSegment = nullptr,
                                  bool* allSegments = nullptr);
    // The index the Locate search tries first (the active one), or -1.
    virtual int64_t PreferredIndexHandle();
    // --- end of filters, scopes and Locate

    // Internal operations shared with the later parts of the layer.
    void ReadEngineRecord(TRecordBuffer buffer, uint32_t length);
    void ComputeBufferLayout();
    void AddFieldDefFromEngine(uint32_t cursor, uint16_t column);

protected:
    // --- the cursor contract
    void OpenEngineCursor() override;
    void CloseEngineCursor() override;
    bool CursorIsOpen() const override { return mlHandle != -1; }
    virtual uint32_t CreateEngineCursor() = 0;
    void LoadFieldDefs() override;
    void RefreshFieldDefs() override;

    TRecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(TRecordBuffer& buffer) override;
    void ReadBufferBookmark(TRecordBuffer buffer, quint8* data) const override;
    void WriteBufferBookmark(TRecordBuffer buffer, const quint8* data) override;
    TBookmarkFlag ReadBufferBookmarkFlag(TRecordBuffer buffer) const override;
    void WriteBufferBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void ResetRecordBuffer(TRecordBuffer buffer) override;
    void InitNewRecord(TRecordBuffer buffer) override;
    void ClearCalculatedArea(TRecordBuffer buffer) override;
    TRecordBuffer ActiveRecordBuffer() const override;

    // --- navigation
public:
    int RecNo() const override;
    void SetRecNo(int value) override;
    int RecordCount() const override;
    bool IsSequenced() const override { return mbIsSequenced; }
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& first, const TBookmark& second) override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;
    bool FindRecord(bool restart, bool goForward) override;
    // Puts this dataset on the record `poTable` shows; both must show the
    // same table ("Tables are not the same" otherwise).
    void GotoCurrent(TAdsDataSet* poTable);
    // The engine bookmark of the cursor's position at entry; the cursor is
    // left on the active record.
    uint32_t AdsActiveRecord();

protected:
    TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void CursorToFirst() override;
    void CursorToLast() override;
    void CursorToBookmark(const TBookmark& bookmark) override;
    // The record number RecNo shows for the cursor's record; stored in the
    // buffer after every fetch.
    virtual uint32_t CurrentSequenceNumber();
    // The parts of it: the physical number, and the number of the key in
    // `index` by SequencedLevel (exact key number, or count x position).
    uint32_t PhysicalRecordNumber();
    uint32_t IndexSequenceNumber(uint32_t index);
    // Reads the cursor's record, or the next or prior one in `mode`'s
    // direction, that the engine shows and OnFilterRecord (when Filtered)
    // accepts. Mode current gives grError for a record that is not shown.
    TGetResult FetchVisibleRecord(TRecordBuffer buffer, TGetMode mode);
    // OnFilterRecord on `buffer`, read in dsFilter.
    bool AcceptRecord(TRecordBuffer buffer);
    // Moves forward or backward from the cursor's record until
    // OnFilterRecord accepts one; false when the end is reached first.
    bool ScanWithFilterEvent(bool forward);

private:
    uint32_t BookmarkRecord(const TBookmark& bookmark);
    uint16_t CountingOption() const;
    uint32_t CountingHandle(uint16_t option) const;
    bool ActiveIndexHasScope() const;
    QString LocationText() const;
    void CheckConst(uint32_t code) const;
    bool HasDeletionFlag() const;
    // --- end of navigation

protected:
    void RefreshCursor() override;

    // Editing belongs to a later step of the layer; until then it refuses.
    void StoreRecord() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void DeleteCurrentRecord() override;

    void Check(uint32_t code) { CheckAdsResult(this, code); }
    uint32_t OrderHandle() const;

    // --- filters, scopes and Locate
    // May reorder the Locate index candidates (the first `count` entries).
    virtual void OrderIndexCandidates(uint32_t* candidates, uint16_t count);
    bool HasActiveIndex() const { return mlActiveHandle != -1 && mlActiveHandle != 0 && mlActiveHandle != mlHandle; }
    bool LocateRecord(const QString& keyFields, const Variant& keyValues, TLocateOptions options);
    void AssignKeyValues(const QList<TField*>& fields, const Variant& keyValues);
    uint16_t EngineTypeOf(const TField* field) const;
    int64_t ChooseLocateIndex(const QString& keyFields, QString& lastSegment, bool& allSegments);
    QString ActiveIndexFieldNames();
    QString IndexSegmentNames(uint32_t index);
    bool IndexIsRestricted(uint32_t index);
    bool SeekKey(uint32_t index, const QList<TField*>& fields, const QString& lastSegment, bool allSegments,
                 TLocateOptions options);
    bool LocateByExpression(const QList<TField*>& fields, TLocateOptions options);
    QByteArray TranslateExpression(const QByteArray& text, bool longToShort);
    void StoreScopeText(QString& target, const QString& value);
    // --- end of filters, scopes and Locate
    void RefreshFieldDefsFrom(uint32_t cursor);
    void AllocateKeyBuffers();
    void FreeKeyBuffers();
    void ApplyFieldClassRules();
    void ReadIndexPageSize();
    void ClearMemoMarkers(TRecordBuffer buffer);
    void RereadOemColumns(TRecordBuffer buffer);
    void SyncTableTypeWithConnection();
    bool ConnectionIsTheSource() const;
    bool IsOpenOrOpening() const { return Active() || State() == dsOpening; }
    void AttachToConnection(TAdsConnection* value);

    std::unique_ptr<TACEFieldDefs> FACEFieldDefs;
    QByteArray FOldRecordBuffer;
    int64_t mlActiveHandle = -1;
    TAdsIndexTypes meActiveIndexType = ndxNone;
    uint16_t musBlobCacheOfs = 0;
    uint16_t musBookmarkOfs = 0;
    bool mbCanModify = false;
    QString mstrDatabaseName;
    QString mstrExprStruct;
    TRecordBuffer mpFilterBuffer = nullptr;
    int64_t mlHandle = -1;
    QString mstrIndexFieldNames;
    std::unique_ptr<TIndexDefs> mpoIndexDefs;
    QString mstrIndexName;
    QString mstrDefaultIndex;
    // Mutable: field access writes key values through the buffer that the
    // const lookup of the active record buffer hands out.
    mutable std::array<QByteArray, 6> mapKeyBuffers;
    int mpstKeyBuffer = -1;
    QString mstrMasterField;
    uint16_t musRecBufSize = 0;
    uint16_t musRecInfoOfs = 0;
    uint16_t musRecordSize = 0;
    uint32_t mulTableOptions = 0;
    bool mbScoped = false;
    QString mstrAliasPath;
    QString mstrScopeEnd, mstrScopeStart;
    QString mstrStruct;
    QString strBinaryFieldName;
    int32_t mlBinaryFldLen = 0;
    bool mbIsSequenced = false;
    bool mbAppendEOF = false, mbAppendBOF = false;
    bool mbDisplayedPathNoExistsWarning = false;
    uint32_t mulSavedCRC = 0;
    uint16_t musOpenCharType = 0;
    std::unique_ptr<TAdsTableOptions> mpoAdsTableOptions;
    bool mbExclusive = false;
    bool mbReadOnly = false;
    QString mstrTableName;
    TAdsTableTypes meTableType = ttAdsADT;
    uint16_t musOpenTableType = 3;
    QStringList mpoIndexFiles;
    bool FbStoreActive = true;
    TAdsSequencedLevel meSeqLevel = slStandard;
    uint16_t musAceTableType = 0;
    TAdsConnection* mpoAdsConnection = nullptr;

    // --- memo and binary fields
public:
    // A stream over the field's content (see TAdsBlobStream); write modes
    // need dsEdit or dsInsert.
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    // Makes later blob streams on that memo or binary field treat it as binary.
    void ADSSetFieldToBinary(const QString& strFieldName);
    const QString& BinaryFieldName() const { return strBinaryFieldName; }
    int32_t AdsBinaryFldLen() const { return mlBinaryFldLen; }
    void SetAdsBinaryFldLen(int32_t value) { mlBinaryFldLen = value; }
    // The cache in `buffer`'s slot for blob field `field`; nullptr without one.
    TAdsBlobCache* BlobCacheOf(TRecordBuffer buffer, const TField* field) const;
    // Clears every blob cache of `buffer` when the dataset has blob fields
    // and is in dsBrowse, dsEdit, dsInsert, dsCalcFields or dsNewValue (the
    // buffer receives a new record or is initialised for an insert).
    void ClearBlobCaches(TRecordBuffer buffer);

protected:
    friend class TAdsBlobStream;
    // The slots of a new buffer get fresh caches; a disposed buffer's
    // caches are destroyed. A slot holds a 32-bit cache id (0: none).
    void CreateBlobCaches(TRecordBuffer buffer);
    void DestroyBlobCaches(TRecordBuffer buffer);
    // What a new stream finds: the refreshed cache of the active record
    // buffer, or nullptr in states without one.
    TAdsBlobCache* OpenBlobCache(TField* field, TBlobStreamMode mode);

private:
    std::vector<std::unique_ptr<TAdsBlobCache>> mpoBlobCaches;  // by id - 1
    std::vector<uint32_t> mFreeBlobCacheIds;
    // The streams alive on this dataset; destroyed before the caches, it
    // detaches whatever stream outlives the dataset.
    struct TOpenBlobStreams {
        TOpenBlobStreams() = default;
        TOpenBlobStreams(const TOpenBlobStreams&) = delete;
        TOpenBlobStreams& operator=(const TOpenBlobStreams&) = delete;
        ~TOpenBlobStreams();
        std::vector<TAdsBlobStream*> items;
    } mpoOpenBlobStreams;
    // --- end of memo and binary fields

    // --- field values
    // Values pass between the engine's record image and the framework's
    // native formats by engine type and table kind (adsdata_values*.cpp).
public:
    bool GetFieldData(TField* field, void* buffer) override;
    void PutFieldData(TField* field, const void* buffer) override;
    // In dsSetKey without an active index every field counts; otherwise a
    // data field that is a segment of the active index.
    bool IsIndexField(TField* field) const override;
    // The null test on the raw bytes of column `def` (at `column`, `length`
    // bytes) of `record`, by the table kind's conventions.
    bool FieldValueIsNull(const quint8* column, uint32_t length, const TACEFieldDef& def, TRecordBuffer record,
                          uint16_t engineType);
    // Raw -> native. `isNull` is always set; the value is converted only
    // into a given buffer and only when not null.
    void ReadFieldValue(TField* field, TRecordBuffer record, bool& isNull, void* buffer);
    // Native -> raw into column `column` (1-based) of `record`; a nullptr
    // source writes the table kind's null.
    void WriteFieldValue(uint16_t column, TFieldType nativeType, const void* source, TRecordBuffer record);

    // Engine types 5-8 and 28, whose content is read through blob streams.
    static bool IsMemoLikeType(uint16_t engineType);

protected:
    enum TValueTableKind { vtkADT, vtkVFP, vtkDBF };
    static void FillUtf16Spaces(quint8* column, uint32_t length);
    TValueTableKind ValueTableKind() const;
    const TACEFieldDef* ColumnDef(int column) const;
    bool ColumnIsNull(TField* field, const TACEFieldDef& def, TRecordBuffer record);
    bool VfpNullFlag(const TACEFieldDef& def, TRecordBuffer record);
    void SetVfpSystemFlag(const TACEFieldDef& def, TRecordBuffer record, uint16_t option, bool flag);
    uint32_t VariableLength(const TACEFieldDef& def, TRecordBuffer record);
    void WriteNullValue(const TACEFieldDef& def, TRecordBuffer record);
    void WriteVariableLength(const TACEFieldDef& def, TRecordBuffer record, uint32_t n);
    bool WriteColumnBytes(const TACEFieldDef& def, TFieldType nativeType, const void* source, TRecordBuffer record);
    QByteArray NumericColumnText(const TACEFieldDef& def, TFieldType nativeType, const void* source);
    void WriteEngineDate(const TACEFieldDef& def, int32_t dayNumber, quint8* place);
    // Only empty text zero-fills a character column: on ADT without
    // AdsPreserveSpaces (it then reads back as null).
    bool EmptyTextIsZeroFilled(bool empty) const;
    void WriteKeyLength(TField* field, const void* buffer, TRecordBuffer record);
    uint16_t ActiveIndexSegmentCount();
    int SegmentFieldNumber(uint16_t segment);
    // A default expression converted to the native value written into the
    // column; false when the expression writes nothing.
    bool DefaultValue(const TACEFieldDef& def, const QString& expression, TFieldType& nativeType, QByteArray& value);
    void ApplyDefaultExpression(const TACEFieldDef& def, TRecordBuffer buffer);
    // --- end of field values
};

// ---------------------------------------------------------------------------
// Every live dataset of the process.

class DataSetRegistry {
public:
    static void Add(TAdsDataSet* dataSet);
    static void Remove(TAdsDataSet* dataSet);
    static int Count();
    // Calls `visit` for every dataset in creation order, under the lock.
    static void Walk(const std::function<void(TAdsDataSet&)>& visit);
};

// ---------------------------------------------------------------------------
// Implicit connections, one per database path.

struct TDynamicConn {
    uint32_t FhAceConn = 0;
    QString FstrDatabasename;
};

class TDynamicConnList {
public:
    TDynamicConnList() = default;
    // Destroy() with its errors dropped (a destructor cannot raise).
    ~TDynamicConnList();
    TDynamicConnList(const TDynamicConnList&) = delete;
    TDynamicConnList& operator=(const TDynamicConnList&) = delete;

    // Opens an engine connection on the path and registers it; the engine's
    // refusal is raised and nothing is registered.
    uint32_t Add(const QString& strDatabasename);
    // The handle of the first entry whose path equals this one (ASCII case
    // ignored), or 0.
    uint32_t FindSameDatabasename(const QString& strDatabasename);
    // Closes every connection in list order (stopping at the first refusal,
    // which is raised) and empties the list.
    void Destroy();
    int Count();

private:
    std::vector<std::unique_ptr<TDynamicConn>> FItems;
    std::mutex FSync;
};

// The one list of the process. Its connections live until program end and
// are released with the engine then (see adsdata_database.cpp).
TDynamicConnList& GlobalDynamicConnList();

// The version of the layer.
inline const char* const kAdsLayerVersion = "11.10.0.14";
