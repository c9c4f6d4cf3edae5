// Locate and Lookup: the key values are written into a scratch record in
// state dsFilter, then the engine either seeks them in an index that covers
// the key fields exactly, or is given an expression that matches them as a
// temporary filter. A search that finds nothing puts the engine cursor back
// where it stood.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "framework/formatsettings.h"
#include "platform/codepages.h"

#include <vector>

namespace {

constexpr uint32_t kUtf16Text = 0x2000;
constexpr uint32_t kDynamicUtf16Aof = 0x2002;
constexpr uint32_t kBufferTooSmall = 5005;
constexpr uint32_t kNoFilter = 5037;
constexpr uint32_t kFilterTooLong = 5211;
constexpr uint32_t kNotCustomCapable = 5017;
constexpr int kKeyBufferLength = 4082;
constexpr int kSegmentNameLength = 510;
constexpr int kMostSegments = 100;
constexpr uint16_t kRawKey = 1;
constexpr uint16_t kSoftSeek = 1;
constexpr uint32_t kKeyFullLength = 1;
constexpr uint32_t kKeyUnicodePartial = 4;
constexpr uint16_t kAdtTableType = 3;

bool IsCharacterType(uint16_t type)
{
    return type == ADS_STRING || type == ADS_CISTRING || type == ADS_VARCHAR;
}

bool IsUnicodeType(uint16_t type)
{
    return type == ADS_NCHAR || type == ADS_NVARCHAR;
}

bool IsNumberType(uint16_t type)
{
    return type == ADS_NUMERIC || type == ADS_DOUBLE || type == ADS_CURDOUBLE || type == ADS_MONEY;
}

const char16_t* Utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

QString Quoted(const QString& text)
{
    const QString dq = QStringLiteral("\"");
    QString inner = text;
    inner.replace(dq, dq + QStringLiteral("+ Chr(34) + ") + dq);
    return dq + inner + dq;
}

QStringList SplitNames(const QString& list)
{
    QStringList names = list.split(QLatin1Char(';'));
    for (QString& name : names)
        name = name.trimmed();
    return names;
}

// Is the engine's zero-length probe answering "there is one"?
bool ProbeFindsFilter(uint32_t code, TAdsDataSet* dataSet)
{
    if (code == kBufferTooSmall || code == kFilterTooLong)
        return true;
    if (code != 0 && code != kNoFilter)
        CheckAdsResult(dataSet, code);
    return false;
}

} // namespace

// ---------------------------------------------------------------------------
// Index coverage.

bool TAdsDataSet::IndexCoversFields(const QString& indexFields, const QString& keyFields, QString* lastSegment,
                                    bool* allSegments)
{
    const QStringList segments = SplitNames(indexFields);
    const QStringList keys = SplitNames(keyFields);
    std::vector<bool> taken(size_t(segments.size()) + 1, false);
    int highest = 0;
    for (const QString& key : keys) {
        int found = 0;
        for (int i = 0; i < segments.size() && !found; ++i)
            if (segments[i].compare(key, Qt::CaseInsensitive) == 0)
                found = i + 1;
        if (found == 0)
            return false;
        taken[size_t(found)] = true;
        highest = std::max(highest, found);
    }
    if (highest == 0 || highest > kMostSegments)
        return false;
    for (int p = 1; p <= highest; ++p)
        if (!taken[size_t(p)])
            return false;
    if (lastSegment)
        *lastSegment = segments[highest - 1].toUpper();
    if (allSegments)
        *allSegments = highest == segments.size();
    return true;
}

QString TAdsDataSet::IndexSegmentNames(uint32_t index)
{
    UNSIGNED16 count = 0;
    Check(ace::AdsGetNumSegments(index, &count));
    QStringList names;
    for (UNSIGNED16 segment = 0; segment < count; ++segment) {
        char name[kSegmentNameLength + 1] = {};
        UNSIGNED16 length = kSegmentNameLength;
        Check(ace::AdsGetSegmentFieldname(index, segment, name, &length));
        names << AnsiToString(QByteArray(name, length));
    }
    return names.join(QLatin1Char(';'));
}

// A scope, a condition, uniqueness on a DBF table or a custom key list
// means the index does not hold every record, so a seek in it could miss.
bool TAdsDataSet::IndexIsRestricted(uint32_t index)
{
    for (UNSIGNED16 which : {UNSIGNED16(1), UNSIGNED16(2)}) {
        char16_t scope[kKeyBufferLength];
        UNSIGNED16 length = kKeyBufferLength;
        if (ace::AdsGetScope(index, which, scope, &length) == 0)
            return true;
    }
    char condition[10] = {};
    UNSIGNED16 conditionLength = sizeof(condition);
    const uint32_t conditionCode = ace::AdsGetIndexCondition(index, condition, &conditionLength);
    // A condition shorter than the probe comes back whole: it exists too.
    if (conditionCode == kBufferTooSmall || (conditionCode == 0 && conditionLength > 0))
        return true;
    if (conditionCode != 0)
        Check(conditionCode);
    if (musAceTableType != kAdtTableType) {
        UNSIGNED16 unique = 0;
        Check(ace::AdsIsIndexUnique(index, &unique));
        if (unique)
            return true;
    }
    UNSIGNED16 custom = 0;
    const uint32_t customCode = ace::AdsIsIndexCustom(index, &custom);
    if (customCode != kNotCustomCapable)
        Check(customCode);
    return custom != 0;
}

QString TAdsDataSet::ActiveIndexFieldNames()
{
    const TIndexDef* definition = nullptr;
    if (meActiveIndexType == ndxIndexField)
        return mstrIndexFieldNames;
    if (meActiveIndexType == ndxIndexName)
        definition = mpoIndexDefs->Find(mstrIndexName);
    else if (meActiveIndexType == ndxDefault)
        definition = mpoIndexDefs->Find(mstrDefaultIndex);
    if (definition)
        return definition->Fields();
    return IndexSegmentNames(ADSHANDLE(mlActiveHandle));
}

int64_t TAdsDataSet::PreferredIndexHandle()
{
    return HasActiveIndex() ? mlActiveHandle : -1;
}

void TAdsDataSet::OrderIndexCandidates(uint32_t* /*candidates*/, uint16_t /*count*/) {}

int64_t TAdsDataSet::ChooseLocateIndex(const QString& keyFields, QString& lastSegment, bool& allSegments)
{
    if (HasActiveIndex() && IndexIsRestricted(ADSHANDLE(mlActiveHandle)))
        return IndexCoversFields(ActiveIndexFieldNames(), keyFields, &lastSegment, &allSegments) ? mlActiveHandle
                                                                                                : -1;
    UNSIGNED16 count = 0;
    Check(ace::AdsGetNumIndexes(uint32_t(mlHandle), &count));
    int64_t chosen = -1;
    if (HasActiveIndex() && IndexCoversFields(ActiveIndexFieldNames(), keyFields, &lastSegment, &allSegments))
        chosen = mlActiveHandle;
    std::vector<ADSHANDLE> candidates;
    if (mpoAdsTableOptions->AdsLocateBehavior() == lbFindFirst && chosen == -1 && count > 0) {
        const int64_t preferred = PreferredIndexHandle();
        if (preferred != -1)
            candidates.push_back(ADSHANDLE(preferred));
    } else {
        candidates.resize(count);
        UNSIGNED16 filled = count;
        Check(ace::AdsGetAllIndexes(uint32_t(mlHandle), candidates.empty() ? nullptr : candidates.data(), &filled));
        candidates.resize(filled);
        if (!HasActiveIndex())
            OrderIndexCandidates(candidates.data(), filled);
    }
    for (size_t i = 0; i < candidates.size() && chosen == -1; ++i) {
        if (IndexCoversFields(IndexSegmentNames(candidates[i]), keyFields, &lastSegment, &allSegments) &&
            !IndexIsRestricted(candidates[i]))
            chosen = int64_t(candidates[i]);
    }
    return chosen;
}

// ---------------------------------------------------------------------------
// The key values.

uint16_t TAdsDataSet::EngineTypeOf(const TField* field) const
{
    const int index = FACEFieldDefs->IndexOf(field->FieldName());
    return index < 0 ? 0 : FACEFieldDefs->Items(index)->FieldType();
}

void TAdsDataSet::AssignKeyValues(const QList<TField*>& fields, const Variant& keyValues)
{
    if (fields.size() == 1) {
        fields[0]->SetAsVariant(keyValues.IsArray() ? keyValues.Element(0) : keyValues);
        return;
    }
    if (!keyValues.IsArray() || keyValues.ArrayCount() < fields.size())
        RaiseDataSetError(QStringLiteral("Locate needs an array of %1 key values.").arg(fields.size()));
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->SetAsVariant(keyValues.Element(i));
}

QString TAdsDataSet::BuildLocateExpression(const QList<TField*>& fields, bool caseInsensitive)
{
    if (State() != dsFilter)
        RaiseDataSetError(QStringLiteral("Internal Error, << BuildFilterString >>"));
    const QString op = QStringLiteral("=");
    const QString upper = caseInsensitive ? QStringLiteral("UPPER(") : QString();
    const QString close = caseInsensitive ? QStringLiteral(")") : QString();
    QStringList terms;
    for (TField* field : fields) {
        const QString name = field->FieldName();
        if (field->IsNull()) {
            terms << QStringLiteral("(empty(") + name + QStringLiteral("))");
            continue;
        }
        const uint16_t type = EngineTypeOf(field);
        const QString text = field->AsString();
        const QString dq = QStringLiteral("\"");
        QString value;
        if (type == ADS_LOGICAL)
            value = field->AsBoolean() ? QStringLiteral(".TRUE.") : QStringLiteral(".FALSE.");
        else if (IsNumberType(type))
            value = QString(text).replace(FormatSettings().DecimalSeparator, QLatin1Char('.'));
        else if (type == ADS_DATE)
            value = QStringLiteral("ctod(") + dq + text + dq + QStringLiteral(")");
        else if (type == ADS_TIME)
            value = QStringLiteral("ctot(") + dq + text + dq + QStringLiteral(")");
        else if (type == ADS_TIMESTAMP || type == ADS_MODTIME)
            value = QStringLiteral("ctots(") + dq + text + dq + QStringLiteral(")");
        else if (IsCharacterType(type) || IsUnicodeType(type))
            value = Quoted(text);
        else
            value = text;
        if (IsCharacterType(type) || IsUnicodeType(type))
            terms << QStringLiteral("(") + upper + name + close + op + upper + value + close + QStringLiteral(")");
        else
            terms << QStringLiteral("(") + name + op + value + QStringLiteral(")");
    }
    return terms.join(QStringLiteral(" AND "));
}

// ---------------------------------------------------------------------------
// The two ways of searching.

bool TAdsDataSet::SeekKey(uint32_t index, const QList<TField*>& fields, const QString& lastSegment,
                          bool allSegments, TLocateOptions options)
{
    const bool partial = options.Contains(loPartialKey);
    bool anyUnicode = false;
    Check(ace::AdsInitRawKey(index));
    for (TField* field : fields) {
        const int defIndex = FACEFieldDefs->IndexOf(field->FieldName());
        if (defIndex < 0)
            RaiseDataSetError(QStringLiteral("Field '%1' has no engine definition.").arg(field->FieldName()));
        const TACEFieldDef* def = FACEFieldDefs->Items(defIndex);
        const quint8* data = mpFilterBuffer + def->Offset();
        const QByteArray name = StringToAnsi(field->FieldName());
        const uint16_t type = def->FieldType();
        if (IsCharacterType(type)) {
            uint32_t length = def->Length();
            if (partial && field->FieldName().toUpper() == lastSegment)
                while (length > 0 && data[length - 1] == ' ')
                    --length;
            Check(ace::AdsSetField(index, name.constData(), reinterpret_cast<const char*>(data), length));
        } else if (IsUnicodeType(type)) {
            anyUnicode = true;
            const auto* units = reinterpret_cast<const char16_t*>(data);
            uint32_t characters = def->Length() / 2;
            if (partial)
                while (characters > 0 && units[characters - 1] == u' ')
                    --characters;
            Check(ace::AdsSetFieldW(index, name.constData(), units, characters));
        } else {
            Check(ace::AdsSetFieldRaw(index, name.constData(), data, def->Length()));
        }
    }
    UNSIGNED8 key[kKeyBufferLength];
    UNSIGNED16 keyLength = kKeyBufferLength;
    // Keys on the leading segments of a longer index end after the last one
    // used: a full-length key would also demand blanks in the segments after
    // it and miss every record that has a value there.
    if (!partial && allSegments)
        Check(ace::AdsBuildRawKey100(index, key, &keyLength, kKeyFullLength));
    else if (!partial || !anyUnicode)
        Check(ace::AdsBuildRawKey(index, key, &keyLength));
    else
        Check(ace::AdsBuildRawKey100(index, key, &keyLength, kKeyUnicodePartial));
    UNSIGNED16 found = 0;
    Check(ace::AdsSeek(index, key, keyLength, kRawKey, kSoftSeek, &found));
    return found != 0;
}

bool TAdsDataSet::LocateByExpression(const QList<TField*>& fields, TLocateOptions options)
{
    const uint32_t cursor = uint32_t(mlHandle);
    const QString expression = BuildLocateExpression(fields, options.Contains(loCaseInsensitive));
    char probe[1] = {0};
    UNSIGNED16 probeLength = 0;
    const bool hasAof = ProbeFindsFilter(ace::AdsGetAOF(cursor, probe, &probeLength), this);
    probeLength = 0;
    const bool hasFilter = ProbeFindsFilter(ace::AdsGetFilter(cursor, probe, &probeLength), this);
    UNSIGNED16 savedExact = 0;
    Check(ace::AdsGetExact22(cursor, &savedExact));
    bool found = false;
    auto restore = [&] {
        ace::AdsSetExact22(cursor, savedExact);
        if (!hasAof)
            ace::AdsClearAOF(cursor);
        else if (!hasFilter)
            ace::AdsClearFilter(cursor);
    };
    try {
        Check(ace::AdsSetExact22(cursor, options.Contains(loPartialKey) ? 0 : 1));
        if (hasAof && hasFilter) {
            found = LocateLocally(expression);
        } else {
            if (hasAof)
                Check(ace::AdsSetFilter100(cursor, Utf16(expression), kUtf16Text));
            else
                Check(ace::AdsSetAOF100(cursor, Utf16(expression), kDynamicUtf16Aof));
            Check(ace::AdsGotoTop(OrderHandle()));
            UNSIGNED16 atEnd = 0;
            Check(ace::AdsAtEOF(cursor, &atEnd));
            found = !atEnd;
            if (found && OnFilterRecord && Filtered())
                found = ScanWithFilterEvent(true);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return found;
}

bool TAdsDataSet::LocateRecord(const QString& keyFields, const Variant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    UNSIGNED32 saved = 0;
    Check(ace::AdsGetBookmark(uint32_t(mlHandle), &saved));
    QList<TField*> fields;
    GetFieldList(fields, keyFields);
    const TDataSetState previous = SetTempState(dsFilter);
    mpFilterBuffer = SpareBuffer();
    bool found = false;
    auto leave = [&] {
        RestoreState(previous);
        mpFilterBuffer = nullptr;
        if (!found) {
            ace::AdsGotoBookmark(uint32_t(mlHandle), saved);
            // The cursor may not be back exactly (no record to return to):
            // the framework puts it on its active record before it next
            // reads through it.
            SetCurrentRecord(-1);
        }
    };
    try {
        InitNewRecord(mpFilterBuffer);
        AssignKeyValues(fields, keyValues);
        int characterFields = 0, unicodeFields = 0;
        for (const TField* field : fields) {
            characterFields += IsCharacterType(EngineTypeOf(field)) ? 1 : 0;
            unicodeFields += IsUnicodeType(EngineTypeOf(field)) ? 1 : 0;
        }
        const bool caseInsensitive = options.Contains(loCaseInsensitive);
        const bool partial = options.Contains(loPartialKey);
        // Each rule can forbid the index on its own; only a search that
        // passes all of them may seek.
        const bool caseRuleAllows = !caseInsensitive || (characterFields == 0 && unicodeFields <= 1 && partial);
        const bool unicodeRuleAllows = !(partial && unicodeFields > 0) || (fields.size() == 1 && caseInsensitive);
        const bool handlerRuleAllows = !(OnFilterRecord && Filtered());
        const bool mayUseIndex = caseRuleAllows && unicodeRuleAllows && handlerRuleAllows;
        QString lastSegment;
        bool allSegments = true;
        const int64_t index = mayUseIndex ? ChooseLocateIndex(keyFields, lastSegment, allSegments) : -1;
        if (index != -1)
            found = SeekKey(ADSHANDLE(index), fields, lastSegment, allSegments, options);
        // Unicode indexes here compare with case: a case-insensitive seek
        // that misses may only have missed on case, so the expression,
        // which compares both sides upper-cased, has the last word.
        if (index == -1 || (!found && caseInsensitive && unicodeFields > 0))
            found = LocateByExpression(fields, options);
    } catch (...) {
        found = false;
        leave();
        throw;
    }
    leave();
    return found;
}

// ---------------------------------------------------------------------------
// The public searches.

bool TAdsDataSet::Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options)
{
    DoBeforeScroll();
    const bool found = LocateRecord(keyFields, keyValues, options);
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

Variant TAdsDataSet::Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields)
{
    Variant result = Variant::Null();
    if (keyValues.IsNullOrEmpty())
        return result;
    const bool found = LocateRecord(keyFields, keyValues, {});
    SetCurrentRecord(-1);
    if (!found)
        return result;
    TRecordBuffer buffer = NewRecordBuffer();
    const TDataSetState previous = SetTempState(dsCalcFields);
    try {
        if (FetchVisibleRecord(buffer, gmCurrent) == grOK) {
            CalculateFields(buffer);
            // Field reads see the fetched record through the filter buffer.
            mpFilterBuffer = buffer;
            const TDataSetState calculating = SetTempState(dsFilter);
            try {
                result = FieldValues(resultFields);
            } catch (...) {
                RestoreState(calculating);
                throw;
            }
            RestoreState(calculating);
        }
    } catch (...) {
        RestoreState(previous);
        mpFilterBuffer = nullptr;
        DisposeRecordBuffer(buffer);
        throw;
    }
    RestoreState(previous);
    mpFilterBuffer = nullptr;
    DisposeRecordBuffer(buffer);
    return result;
}

bool TAdsDataSet::LocateLocally(const QString& strFilter)
{
    const uint32_t cursor = uint32_t(mlHandle);
    const QByteArray expression = StringToAnsi(strFilter);
    Check(ace::AdsGotoTop(OrderHandle()));
    UNSIGNED16 atEnd = 0;
    Check(ace::AdsAtEOF(cursor, &atEnd));
    UNSIGNED16 result = 0;
    while (!atEnd) {
        Check(ace::AdsEvalLogicalExpr(OrderHandle(), expression.constData(), &result));
        if (result == 1)
            break;
        Check(ace::AdsSkip(OrderHandle(), 1));
        Check(ace::AdsAtEOF(cursor, &atEnd));
    }
    return result == 1;
}
