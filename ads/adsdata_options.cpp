// The table options of a dataset: setters with their rules, the collation
// names of the character types and the optimized-filter option value.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "framework/typinfo.h"

namespace {

const char* const kMustNotBeActive = "Table must not be Active.";

} // namespace

QString CharTypeCollationName(TAdsCharTypes charType)
{
    switch (charType) {
    case ENGL_AMER_ADS_CS_AS_1252: return QStringLiteral("ENGL(AMER)_ADS_CS_AS_1252");
    case ENGL_CAN_ADS_CS_AS_1252: return QStringLiteral("ENGL(CAN)_ADS_CS_AS_1252");
    case ENGL_UK_ADS_CS_AS_1252: return QStringLiteral("ENGL(UK)_ADS_CS_AS_1252");
    case SPAN_MOD_ADS_CS_AS_1252: return QStringLiteral("SPAN(MOD)_ADS_CS_AS_1252");
    default: break;
    }
    const QStringList& names = TEnumTraits<TAdsCharTypes>::Names();
    const int index = int(charType);
    return index >= 0 && index < names.size() ? names[index] : QString();
}

void TAdsTableOptions::Refuse(const QString& message) const
{
    throw EADSDatabaseError(mpoAdsTable, kAdsDataSetErrorCode, message);
}

void TAdsTableOptions::CheckInactive() const
{
    if (mpoAdsTable && mpoAdsTable->Active())
        Refuse(QString::fromLatin1(kMustNotBeActive));
}

void TAdsTableOptions::SetAdsLockType(TAdsLockTypes value)
{
    CheckInactive();
    meAdsLockType = value;
}

void TAdsTableOptions::SetAdsRightsCheck(bool value)
{
    CheckInactive();
    mbAdsRightsCheck = value;
}

void TAdsTableOptions::SetAdsCachingOption(TAdsTableCachingOption value)
{
    CheckInactive();
    meAdsCachingOption = value;
}

void TAdsTableOptions::SetAdsCharType(TAdsCharTypes value)
{
    CheckInactive();
    const bool dbfTable = mpoAdsTable &&
                          (mpoAdsTable->TableType() == ttAdsCDX || mpoAdsTable->TableType() == ttAdsNTX);
    if (dbfTable && value != ANSI && value != OEM)
        Refuse(QStringLiteral("ttAdsCDX and ttAdsNTX table types only support an AdsCharType of ANSI or OEM."));
    if (int(value) < 0 || int(value) >= kAdsCharTypeCount)
        Refuse(QStringLiteral("Invalid or unknown character type."));
    meAdsCharType = value;
}

// The size is the one the cursor's first index reports once open; before
// that it is what index and table creation will use. Values above a page
// of 8 KB are refused.
void TAdsTableOptions::SetAdsIndexPageSize(TAdsIndexPageSizes value)
{
    if (value > 8192)
        Refuse(QStringLiteral("%1 is not a valid index page size. The allowed range is 0 to 8192.").arg(value));
    mulIndexPageSize = value;
}

int TAdsTableOptions::CacheRecordCount(TAdsRecordCacheTypes value)
{
    switch (value) {
    case rcNone: return 0;
    case rcStandard: return 10;
    case rcAggressive: return 100;
    }
    return -1;
}

void TAdsTableOptions::SetAdsRecordCache(TAdsRecordCacheTypes value)
{
    if (mpoAdsTable && mpoAdsTable->Active()) {
        const int records = CacheRecordCount(value);
        if (records >= 0)
            CheckAdsResult(mpoAdsTable, ace::AdsCacheRecords(mpoAdsTable->Handle(), uint16_t(records)));
    }
    meAdsRecordCache = value;
}

void TAdsTableOptions::SetAdsOptimizedFilters(bool value)
{
    if (value == mbAdsOptimizedFilters)
        return;
    TAdsDataSet* dataSet = mpoAdsTable;
    if (!dataSet || !dataSet->Active() || dataSet->IsLoading() || !dataSet->Filtered()) {
        mbAdsOptimizedFilters = value;
        return;
    }
    const bool old = mbAdsOptimizedFilters;
    try {
        dataSet->DeactivateFilter();
        mbAdsOptimizedFilters = value;
        dataSet->ActivateFilter();
        dataSet->First();
    } catch (...) {
        mbAdsOptimizedFilters = old;
        throw;
    }
}

uint32_t TAdsTableOptions::AOFOptions() const
{
    uint32_t options = 0x2000;
    if (meAdsAOFType == atKeySet)
        options += 4;
    else if (meAdsAOFType == atFixed)
        options += 8;
    options += mbAOFResolveImmediate ? 1 : 2;
    return options;
}

namespace {

// Sets one option of `target` to its value in `source` through its setter,
// and only when it differs: an unchanged option never trips a rule.
template <typename Get, typename Set>
void CopyOption(TAdsTableOptions& target, const TAdsTableOptions& source, Get get, Set set)
{
    if ((target.*get)() != (source.*get)())
        (target.*set)((source.*get)());
}

} // namespace

// Every value but the owning dataset, through the setters, so that copying
// options obeys the same rules as setting them one by one. The options an
// open dataset refuses come first, before anything has changed; the ones
// that act on an open cursor come last, once the filter options they use
// are in place.
void TAdsTableOptions::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TAdsTableOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    using O = TAdsTableOptions;
    CopyOption(*this, *other, &O::AdsLockType, &O::SetAdsLockType);
    CopyOption(*this, *other, &O::AdsRightsCheck, &O::SetAdsRightsCheck);
    CopyOption(*this, *other, &O::AdsCachingOption, &O::SetAdsCachingOption);
    CopyOption(*this, *other, &O::AdsCharType, &O::SetAdsCharType);
    CopyOption(*this, *other, &O::AdsIndexPageSize, &O::SetAdsIndexPageSize);
    CopyOption(*this, *other, &O::AdsFilterOptions, &O::SetAdsFilterOptions);
    CopyOption(*this, *other, &O::AdsScopeOptions, &O::SetAdsScopeOptions);
    CopyOption(*this, *other, &O::AdsFreshRecordCount, &O::SetAdsFreshRecordCount);
    CopyOption(*this, *other, &O::AdsAOFResolveImmediate, &O::SetAdsAOFResolveImmediate);
    CopyOption(*this, *other, &O::AdsAOFType, &O::SetAdsAOFType);
    CopyOption(*this, *other, &O::AdsAutoKeyFieldCount, &O::SetAdsAutoKeyFieldCount);
    CopyOption(*this, *other, &O::AdsCalcFieldsBeforeFilter, &O::SetAdsCalcFieldsBeforeFilter);
    CopyOption(*this, *other, &O::AdsRecordLockingMode, &O::SetAdsRecordLockingMode);
    CopyOption(*this, *other, &O::AdsPreserveSpaces, &O::SetAdsPreserveSpaces);
    CopyOption(*this, *other, &O::AdsNumericsAsFloats, &O::SetAdsNumericsAsFloats);
    CopyOption(*this, *other, &O::AdsCollation, &O::SetAdsCollation);
    CopyOption(*this, *other, &O::AdsLocateBehavior, &O::SetAdsLocateBehavior);
    CopyOption(*this, *other, &O::AdsRecordCache, &O::SetAdsRecordCache);
    CopyOption(*this, *other, &O::AdsOptimizedFilters, &O::SetAdsOptimizedFilters);
}

VARNEL_PUBLISH(TAdsTableOptions, c)
{
    using O = TAdsTableOptions;
    c.prop("AdsLockType", &O::AdsLockType, &O::SetAdsLockType).def(Proprietary);
    c.prop("AdsCharType", &O::AdsCharType, &O::SetAdsCharType).def(ANSI);
    c.prop("AdsFilterOptions", &O::AdsFilterOptions, &O::SetAdsFilterOptions).def(IGNORE_WHEN_COUNTING);
    c.prop("AdsScopeOptions", &O::AdsScopeOptions, &O::SetAdsScopeOptions).def(IGNORE_SCOPES_WHEN_COUNTING);
    c.prop("AdsRightsCheck", &O::AdsRightsCheck, &O::SetAdsRightsCheck).def(true);
    c.prop("AdsOptimizedFilters", &O::AdsOptimizedFilters, &O::SetAdsOptimizedFilters).def(true);
    c.prop("AdsFreshRecordCount", &O::AdsFreshRecordCount, &O::SetAdsFreshRecordCount).def(false);
    c.prop("AdsAOFResolveImmediate", &O::AdsAOFResolveImmediate, &O::SetAdsAOFResolveImmediate).def(false);
    c.prop("AdsIndexPageSize", &O::AdsIndexPageSize, &O::SetAdsIndexPageSize).def(0);
    c.prop("AdsRecordCache", &O::AdsRecordCache, &O::SetAdsRecordCache).def(rcStandard);
    c.prop("AdsAOFType", &O::AdsAOFType, &O::SetAdsAOFType).def(atDynamic);
    c.prop("AdsAutoKeyFieldCount", &O::AdsAutoKeyFieldCount, &O::SetAdsAutoKeyFieldCount).def(false);
    c.prop("AdsCalcFieldsBeforeFilter", &O::AdsCalcFieldsBeforeFilter, &O::SetAdsCalcFieldsBeforeFilter).def(false);
    c.prop("AdsRecordLockingMode", &O::AdsRecordLockingMode, &O::SetAdsRecordLockingMode).def(lmPessimistic);
    c.prop("AdsPreserveSpaces", &O::AdsPreserveSpaces, &O::SetAdsPreserveSpaces).def(false);
    c.prop("AdsNumericsAsFloats", &O::AdsNumericsAsFloats, &O::SetAdsNumericsAsFloats).def(false);
    c.prop("AdsCollation", &O::AdsCollation, &O::SetAdsCollation);
    c.prop("AdsCachingOption", &O::AdsCachingOption, &O::SetAdsCachingOption).def(tcNone);
    c.prop("AdsLocateBehavior", &O::AdsLocateBehavior, &O::SetAdsLocateBehavior).def(lbFastestPossible);
}
