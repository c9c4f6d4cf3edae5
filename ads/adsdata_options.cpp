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

void TAdsTableOptions::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TAdsTableOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    // Every value but the owning dataset.
    meAdsLockType = other->meAdsLockType;
    meAdsCharType = other->meAdsCharType;
    meAdsRespectFilters = other->meAdsRespectFilters;
    meAdsRespectScopes = other->meAdsRespectScopes;
    mbAdsRightsCheck = other->mbAdsRightsCheck;
    mbAdsOptimizedFilters = other->mbAdsOptimizedFilters;
    mbRefreshCount = other->mbRefreshCount;
    mbAOFResolveImmediate = other->mbAOFResolveImmediate;
    mulIndexPageSize = other->mulIndexPageSize;
    meAdsRecordCache = other->meAdsRecordCache;
    meAdsAOFType = other->meAdsAOFType;
    mbAutoKeyFieldCount = other->mbAutoKeyFieldCount;
    mbCalcFieldsBeforeFilter = other->mbCalcFieldsBeforeFilter;
    meRecordLockingMode = other->meRecordLockingMode;
    mbPreserveSpaces = other->mbPreserveSpaces;
    mbNumericsAsFloats = other->mbNumericsAsFloats;
    mstrCollation = other->mstrCollation;
    meAdsCachingOption = other->meAdsCachingOption;
    meAdsLocateBehavior = other->meAdsLocateBehavior;
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
