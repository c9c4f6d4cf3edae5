// Field definitions taken from the engine: the type table, the precision
// rules, the engine's column descriptions, and the layer's field classes.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "platform/codepages.h"

TACEFieldDefs::TACEFieldDefs(TPersistent* owner) : TCollection(TACEFieldDef::StaticClass(), owner) {}

int TACEFieldDefs::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->FName.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

namespace {

// Engine type 2: digits as text.
void MapNumeric(uint32_t length, uint16_t decimals, bool adtNumericsAsBcd, TEngineFieldMapping& mapping)
{
    if (adtNumericsAsBcd) {
        mapping.type = (decimals > 4 || length >= 19) ? ftFMTBcd : ftBCD;
        mapping.size = decimals;
        mapping.precision = int(length) - (decimals > 0 ? 2 : 1);
    } else if (decimals > 0) {
        mapping.type = ftFloat;
    } else {
        mapping.type = length <= 4 ? ftSmallint : ftFloat;
    }
}

} // namespace

bool MapEngineFieldType(uint16_t engineType, uint32_t length, uint16_t decimals, bool adtNumericsAsBcd,
                        TEngineFieldMapping& mapping)
{
    mapping = {};
    switch (engineType) {
    case ADS_LOGICAL: mapping.type = ftBoolean; break;
    case ADS_NUMERIC: MapNumeric(length, decimals, adtNumericsAsBcd, mapping); break;
    case ADS_DATE:
    case ADS_COMPACTDATE: mapping.type = ftDate; break;
    case ADS_STRING:
    case ADS_CISTRING:
    case ADS_VARCHAR: mapping = {ftString, int(length), 0}; break;
    case ADS_MEMO:
    case ADS_VARCHAR_MEMO: mapping = {ftMemo, 1, 0}; break;
    case ADS_BINARY:
    case ADS_IMAGE:
    case 51:
    case 52: mapping = {ftBlob, 1, 0}; break;
    case ADS_DOUBLE: mapping.type = ftFloat; break;
    case ADS_INTEGER: mapping.type = ftInteger; break;
    case ADS_SHORTINT: mapping.type = ftSmallint; break;
    case ADS_TIME: mapping.type = ftTime; break;
    case ADS_TIMESTAMP:
    case ADS_MODTIME: mapping.type = ftDateTime; break;
    case ADS_AUTOINC: mapping.type = ftAutoInc; break;
    case ADS_RAW: mapping = {ftBytes, int(length), 0}; break;
    case ADS_CURDOUBLE: mapping.type = ftCurrency; break;
    case ADS_MONEY: mapping = {ftBCD, 4, 20}; break;
    case ADS_LONGLONG: mapping = {ftBCD, 0, 20}; break;
    case ADS_VARBINARY: mapping = {ftVarBytes, int(length), 0}; break;
    case ADS_NCHAR:
    case ADS_NVARCHAR: mapping = {ftWideString, int(length), 0}; break;
    case ADS_NMEMO: mapping = {ftWideMemo, 1, 0}; break;
    default: return false;
    }
    return true;
}

void TAdsDataSet::AddFieldDefFromEngine(uint32_t cursor, uint16_t column)
{
    const ADSFIELD_ID id = ADSFIELD(column);
    uint16_t type = 0;
    uint32_t length = 0;
    uint16_t decimals = 0;
    Check(ace::AdsGetFieldType(cursor, id, &type));
    Check(ace::AdsGetFieldLength(cursor, id, &length));
    if (type == ADS_NUMERIC)
        Check(ace::AdsGetFieldDecimals(cursor, id, &decimals));
    const bool adtNumericsAsBcd = musAceTableType == ADS_ADT && !mpoAdsTableOptions->AdsNumericsAsFloats();
    TEngineFieldMapping mapping;
    if (!MapEngineFieldType(type, length, decimals, adtNumericsAsBcd, mapping))
        RaiseDataSetError(QStringLiteral("Unknown field type (%1) encountered.").arg(type));

    char name[129] = {};
    uint16_t nameLength = sizeof(name);
    Check(ace::AdsGetFieldName(cursor, column, name, &nameLength));
    const QByteArray ansiName(name, qMin<int>(nameLength, 128));
    const QString fieldName = AnsiToString(ansiName);

    TFieldDef* def = FieldDefs()->Add(fieldName, mapping.type, mapping.size, false);
    if (mapping.precision > 0) {
        try {
            def->SetPrecision(mapping.precision);
        } catch (const Exception&) {
            // A precision the framework refuses leaves its own.
        }
    }

    uint16_t nullable = 0;
    Check(ace::AdsIsNullable(cursor, ansiName.constData(), &nullable));
    TACEFieldDef* item = FACEFieldDefs->Add();
    item->FName = fieldName;
    item->FNumber = column;
    item->FLength = (type == ADS_NCHAR || type == ADS_NVARCHAR) ? length * 2 : length;
    item->FType = type;
    item->FDecimals = decimals;
    item->FNullable = nullable != 0;
    Check(ace::AdsGetFieldOffset(cursor, id, &item->FOffset));
    Check(ace::AdsGetColumnPermissions(cursor, id, &item->FPermissions));
    item->FModified = false;
}

void TAdsDataSet::RefreshFieldDefsFrom(uint32_t cursor)
{
    uint16_t count = 0;
    Check(ace::AdsGetNumFields(cursor, &count));
    FieldDefs()->Clear();
    FACEFieldDefs->Clear();
    for (uint16_t column = 1; column <= count; ++column)
        AddFieldDefFromEngine(cursor, column);
}

void TAdsDataSet::LoadFieldDefs()
{
    RefreshFieldDefsFrom(uint32_t(mlHandle));
}

void TAdsDataSet::RefreshFieldDefs()
{
    if (Active() || mlHandle != -1) {
        RefreshFieldDefsFrom(uint32_t(mlHandle));
        return;
    }
    const uint32_t cursor = CreateEngineCursor();
    try {
        RefreshFieldDefsFrom(cursor);
    } catch (...) {
        ace::AdsCloseTable(cursor);
        throw;
    }
    Check(ace::AdsCloseTable(cursor));
}

TFieldClass TAdsDataSet::FieldClassFor(TFieldType type) const
{
    if (type == ftString)
        return TAdsStringField::StaticClass();
    if (type == ftBCD)
        return TAdsBCDField::StaticClass();
    return TDataSet::FieldClassFor(type);
}

// Currency and case-insensitivity follow the engine column behind a field.
void TAdsDataSet::ApplyFieldClassRules()
{
    for (TField* field : *Fields()) {
        const int index = FACEFieldDefs->IndexOf(field->FieldName());
        if (index < 0)
            continue;
        const uint16_t engineType = FACEFieldDefs->Items(index)->FType;
        if (auto* text = dynamic_cast<TAdsStringField*>(field)) {
            text->SetCaseInsensitiveFromColumn(engineType == ADS_CISTRING);
        } else if (auto* bcd = dynamic_cast<TAdsBCDField*>(field)) {
            if (engineType == ADS_NUMERIC || engineType == ADS_LONGLONG)
                bcd->SetCurrency(false);
        } else if (auto* plainBcd = dynamic_cast<TBCDField*>(field);
                   plainBcd && !dynamic_cast<TFMTBCDField*>(field)) {
            // The wide numeric class shares the base class here; it holds
            // plain numbers, never money.
            plainBcd->SetCurrency(true);
        }
    }
}

TAdsBCDField::TAdsBCDField(TComponent* owner) : TBCDField(owner)
{
    if (!IsLoading())
        SetCurrency(true);
}

VARNEL_DEFINE_CLASS(TACEFieldDef)
VARNEL_DEFINE_CLASS(TACEFieldDefs)
VARNEL_PUBLISH(TAdsStringField, c)
{
    c.prop("CaseInsensitive", &TAdsStringField::CaseInsensitive);
}
VARNEL_DEFINE_CLASS(TAdsBCDField)
