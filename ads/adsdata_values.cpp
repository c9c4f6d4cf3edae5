// Field values: the framework's reads and writes of field objects, the null
// conventions of each table kind, and the key-buffer bookkeeping of dsSetKey.
// The conversions of the values themselves are in adsdata_values_convert.cpp,
// the initialisation of new records in adsdata_values_defaults.cpp.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "platform/codepages.h"

#include <QtEndian>
#include <cstring>

namespace {

// The record image is little-endian.
uint16_t U16(const quint8* p) { return qFromLittleEndian<quint16>(p); }
uint32_t U32(const quint8* p) { return qFromLittleEndian<quint32>(p); }
void PutU16(quint8* p, uint16_t value) { qToLittleEndian<quint16>(value, p); }
void PutU32(quint8* p, uint32_t value) { qToLittleEndian<quint32>(value, p); }

bool AllBytesAre(const quint8* p, uint32_t length, quint8 a, quint8 b)
{
    for (uint32_t i = 0; i < length; ++i)
        if (p[i] != a && p[i] != b)
            return false;
    return true;
}

bool AllZero(const quint8* p, uint32_t length) { return AllBytesAre(p, length, 0, 0); }
bool AllSpaces(const quint8* p, uint32_t length) { return AllBytesAre(p, length, ' ', ' '); }
bool AllZeroOrSpace(const quint8* p, uint32_t length) { return AllBytesAre(p, length, 0, ' '); }

bool AdtBytesShowNull(const quint8* p, uint32_t L, uint16_t type)
{
    switch (type) {
    case ADS_LOGICAL:
        return p[0] == ' ';
    case ADS_NUMERIC: case ADS_DATE: case ADS_STRING: case ADS_COMPACTDATE: case ADS_RAW: case ADS_CISTRING:
    case ADS_NCHAR:
        return AllZero(p, L);
    case ADS_MEMO: case ADS_BINARY: case ADS_IMAGE: case ADS_VARCHAR_MEMO: case ADS_NMEMO:
        return U32(p) == 0;
    case ADS_DOUBLE: case ADS_CURDOUBLE:
        return U32(p) == 0x20 && U32(p + 4) == 0x80000000u;
    case ADS_INTEGER:
        return U32(p) == 0x80000000u;
    case ADS_SHORTINT:
        return U16(p) == 0x8000;
    case ADS_TIME: case ADS_AUTOINC:
        return U32(p) == 0xFFFFFFFFu;
    case ADS_TIMESTAMP: case ADS_MODTIME:
        return U32(p) == 0;
    case ADS_MONEY: case ADS_LONGLONG:
        return U32(p) == 0 && U32(p + 4) == 0x80000000u;
    case ADS_VARCHAR: case ADS_VARBINARY: case ADS_NVARCHAR:
        return U16(p + L) == 0xFFFF;
    default:
        return true;
    }
}

// Only the types whose bytes can show null on VFP; the others rely on the
// null flag alone.
bool VfpBytesShowNull(const quint8* p, uint32_t L, uint16_t type)
{
    switch (type) {
    case ADS_LOGICAL: case ADS_NUMERIC: case ADS_DATE:
        return AllSpaces(p, L);
    case ADS_MEMO: case ADS_BINARY: case ADS_IMAGE: case ADS_NMEMO: case ADS_TIMESTAMP:
        return U32(p) == 0;
    case ADS_NVARCHAR:
        return U16(p + L) == 0xFFFF;
    default:
        return false;
    }
}

bool DbfBytesShowNull(const quint8* p, uint32_t L, uint16_t type)
{
    switch (type) {
    case ADS_LOGICAL: case ADS_NUMERIC: case ADS_STRING:
        return AllZeroOrSpace(p, L);
    case ADS_DATE:
        return L == 4 ? U32(p) == 0 : AllZeroOrSpace(p, L);
    case ADS_COMPACTDATE:
        return AllZero(p, L);
    case ADS_NCHAR:
        return AllZeroOrSpace(p, L / 2);
    case ADS_MEMO: case ADS_BINARY: case ADS_IMAGE: case ADS_VARCHAR_MEMO: case ADS_NMEMO:
        return U32(p) == 0;
    case ADS_DOUBLE: case ADS_CURDOUBLE: case ADS_INTEGER: case ADS_SHORTINT:
        return false;
    case ADS_NVARCHAR:
        return U16(p + L) == 0xFFFF;
    default:
        // DBF has no such column: whatever the bytes hold is no value.
        return true;
    }
}

bool CalculatedReadableState(TDataSetState state)
{
    return state == dsBrowse || state == dsEdit || state == dsInsert || state == dsCalcFields || state == dsFilter;
}

int Utf16Length(const char16_t* text)
{
    int n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

} // namespace

bool TAdsDataSet::IsMemoLikeType(uint16_t engineType)
{
    return engineType == ADS_MEMO || engineType == ADS_BINARY || engineType == ADS_IMAGE ||
           engineType == ADS_VARCHAR_MEMO || engineType == ADS_NMEMO;
}

void TAdsDataSet::FillUtf16Spaces(quint8* column, uint32_t length)
{
    for (uint32_t i = 0; i + 1 < length; i += 2) {
        column[i] = ' ';
        column[i + 1] = 0;
    }
}

TAdsDataSet::TValueTableKind TAdsDataSet::ValueTableKind() const
{
    if (musAceTableType == ADS_ADT)
        return vtkADT;
    return musAceTableType == ADS_VFP ? vtkVFP : vtkDBF;
}

const TACEFieldDef* TAdsDataSet::ColumnDef(int column) const
{
    if (column < 1 || column > FACEFieldDefs->Count())
        return nullptr;
    return FACEFieldDefs->Items(column - 1);
}

// ---------------------------------------------------------------------------
// The framework's access.

bool TAdsDataSet::GetFieldData(TField* field, void* buffer)
{
    TRecordBuffer record = ActiveRecordBuffer();
    if (!record)
        return false;
    if (field->FieldNo() > 0) {
        bool isNull = true;
        ReadFieldValue(field, record, isNull, buffer);
        return !isNull;
    }
    if (!CalculatedReadableState(State()))
        return false;
    return ReadCalculatedValue(field, record, buffer);
}

void TAdsDataSet::PutFieldData(TField* field, const void* buffer)
{
    const TDataSetState state = State();
    if (!IsWritableState(state))
        RaiseDataSetError(QStringLiteral("Dataset not in edit mode"));
    if (state == dsSetKey && (field->FieldNo() < 0 || (ActiveIndexSegmentCount() > 0 && !IsIndexField(field))))
        DatabaseErrorFmt(dbtexts::NotIndexField, field->DisplayName(), this);
    TRecordBuffer record = ActiveRecordBuffer();
    if (!record)
        RaiseDataSetError(QStringLiteral("Dataset not in edit mode"));
    if (field->FieldNo() <= 0) {
        WriteCalculatedValue(field, record, buffer);
    } else {
        if (state == dsCalcFields)
            RaiseDataSetError(QStringLiteral("Dataset not in edit mode"));
        if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
            DatabaseErrorFmt(dbtexts::FieldReadOnly, field->DisplayName(), this);
        if (state == dsEdit || state == dsInsert)
            field->Validate(buffer);
        if (field->FieldKind() != fkInternalCalc) {
            TACEFieldDef* def = const_cast<TACEFieldDef*>(ColumnDef(field->FieldNo()));
            if (!def)
                DatabaseErrorFmt(dbtexts::FieldNotFound, field->DisplayName(), this);
            if (state == dsEdit && !(def->Permissions() & ADS_PERMISSION_UPDATE)) {
                RaiseAdsRefusal(this, "Update permission not granted on this field: " + field->FieldName() + ".");
                return;  // reached only while another error is being built
            }
            if (state == dsInsert && !(def->Permissions() & ADS_PERMISSION_INSERT)) {
                RaiseAdsRefusal(this, "Insert permission not granted on this field: " + field->FieldName() + ".");
                return;
            }
            WriteFieldValue(uint16_t(field->FieldNo()), field->DataType(), buffer, record);
            def->SetModified(true);
        }
        if (state == dsSetKey)
            WriteKeyLength(field, buffer, record);
    }
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
}

// After the key buffer's record image comes one 16-bit length per column.
void TAdsDataSet::WriteKeyLength(TField* field, const void* buffer, TRecordBuffer record)
{
    uint16_t length = 1;
    if (field->DataType() == ftString)
        length = buffer ? uint16_t(std::strlen(static_cast<const char*>(buffer))) : 0;
    else if (field->DataType() == ftWideString)
        length = buffer ? uint16_t(Utf16Length(static_cast<const char16_t*>(buffer))) : 0;
    PutU16(record + musRecordSize + 2 * (field->FieldNo() - 1), length);
}

// ---------------------------------------------------------------------------
// Null tests.

bool TAdsDataSet::ColumnIsNull(TField* field, const TACEFieldDef& def, TRecordBuffer record)
{
    // While a record is edited, a memo whose cache was written is judged by
    // the cache: the record image still shows the value before the edit.
    if ((State() == dsEdit || State() == dsInsert) && IsMemoLikeType(def.FType)) {
        if (const TAdsBlobCache* cache = BlobCacheOf(record, field); cache && cache->IsCacheModified())
            return const_cast<TAdsBlobCache*>(cache)->Size() == 0;
    }
    return FieldValueIsNull(record + def.FOffset, def.FLength, def, record, def.FType);
}

bool TAdsDataSet::FieldValueIsNull(const quint8* column, uint32_t length, const TACEFieldDef& def,
                                   TRecordBuffer record, uint16_t engineType)
{
    switch (ValueTableKind()) {
    case vtkADT:
        return AdtBytesShowNull(column, length, engineType);
    case vtkVFP:
        return VfpBytesShowNull(column, length, engineType) || (def.Nullable() && VfpNullFlag(def, record));
    default:
        return DbfBytesShowNull(column, length, engineType);
    }
}

bool TAdsDataSet::VfpNullFlag(const TACEFieldDef& def, TRecordBuffer record)
{
    uint16_t flag = 0;
    Check(ace::AdsAccessVfpSystemField(uint32_t(mlHandle), ADSFIELD(def.FNumber), record, ADS_VFP_GET_NULL, &flag));
    return flag != 0;
}

void TAdsDataSet::SetVfpSystemFlag(const TACEFieldDef& def, TRecordBuffer record, uint16_t option, bool flag)
{
    uint16_t value = flag ? 1 : 0;
    Check(ace::AdsAccessVfpSystemField(uint32_t(mlHandle), ADSFIELD(def.FNumber), record, option, &value));
}

// ---------------------------------------------------------------------------
// Null writes.

void TAdsDataSet::WriteNullValue(const TACEFieldDef& def, TRecordBuffer record)
{
    quint8* p = record + def.FOffset;
    const uint32_t L = def.FLength;
    const uint16_t t = def.FType;
    switch (ValueTableKind()) {
    case vtkADT:
        switch (t) {
        case ADS_LOGICAL: p[0] = ' '; break;
        case ADS_DOUBLE: case ADS_CURDOUBLE: PutU32(p, 0x20); PutU32(p + 4, 0x80000000u); break;
        case ADS_INTEGER: PutU32(p, 0x80000000u); break;
        case ADS_SHORTINT: PutU16(p, 0x8000); break;
        case ADS_TIME: case ADS_AUTOINC: PutU32(p, 0xFFFFFFFFu); break;
        case ADS_TIMESTAMP: case ADS_MODTIME: PutU32(p, 0); PutU32(p + 4, 0xFFFFFFFFu); break;
        case ADS_MONEY: case ADS_LONGLONG: PutU32(p, 0); PutU32(p + 4, 0x80000000u); break;
        case ADS_VARCHAR: case ADS_VARBINARY: case ADS_NVARCHAR: PutU16(p + L, 0xFFFF); break;
        case 0: case 19: case 25: break;
        default: std::memset(p, 0, L); break;
        }
        return;
    case vtkVFP:
        switch (t) {
        case ADS_LOGICAL: case ADS_NUMERIC: case ADS_DATE: case ADS_STRING: case ADS_VARCHAR: case ADS_VARBINARY:
            std::memset(p, ' ', L);
            break;
        case ADS_MEMO: case ADS_BINARY: case ADS_IMAGE: case ADS_DOUBLE: case ADS_INTEGER: case ADS_SHORTINT:
        case ADS_TIMESTAMP: case ADS_AUTOINC: case ADS_CURDOUBLE: case ADS_MONEY: case ADS_NMEMO:
        case ADS_BINARY_TEXT: case ADS_IMAGE_TEXT:
            std::memset(p, 0, L);
            break;
        case ADS_NCHAR: FillUtf16Spaces(p, L); break;
        case ADS_NVARCHAR: FillUtf16Spaces(p, L); PutU16(p + L, 0xFFFF); break;
        default: break;
        }
        if (def.Nullable())
            SetVfpSystemFlag(def, record, ADS_VFP_SET_NULL, true);
        return;
    default:
        switch (t) {
        case ADS_MEMO: case ADS_BINARY: case ADS_IMAGE: case ADS_VARCHAR_MEMO: case ADS_COMPACTDATE:
        case ADS_DOUBLE: case ADS_INTEGER: case ADS_SHORTINT: case ADS_CURDOUBLE: case ADS_NMEMO:
            std::memset(p, 0, L);
            break;
        case ADS_NCHAR: FillUtf16Spaces(p, L); break;
        case ADS_NVARCHAR: FillUtf16Spaces(p, L); PutU16(p + L, 0xFFFF); break;
        default: std::memset(p, ' ', L); break;
        }
        return;
    }
}

// ---------------------------------------------------------------------------
// Index fields in dsSetKey.

// The active index is the order handle when it is not the cursor itself.
uint16_t TAdsDataSet::ActiveIndexSegmentCount()
{
    const int64_t index = GetAceIndexHandle();
    if (index == -1 || index == 0)
        return 0;
    uint16_t segments = 0;
    Check(ace::AdsGetNumSegments(uint32_t(mlActiveHandle), &segments));
    return segments;
}

int TAdsDataSet::SegmentFieldNumber(uint16_t segment)
{
    const int64_t index = GetAceIndexHandle();
    if (index == -1 || index == 0)
        RaiseDataSetError(QStringLiteral("Internal Error: GetSegmentFieldNum : No Active Index"));
    char name[129] = {};
    uint16_t length = 128;
    Check(ace::AdsGetSegmentFieldname(uint32_t(mlActiveHandle), segment, name, &length));
    return FACEFieldDefs->IndexOf(AnsiToString(QByteArray(name, qMin<int>(length, 128)))) + 1;
}

bool TAdsDataSet::IsIndexField(TField* field) const
{
    auto* self = const_cast<TAdsDataSet*>(this);
    const uint16_t segments = self->ActiveIndexSegmentCount();
    if (State() == dsSetKey && segments == 0)
        return true;
    if (field->FieldNo() <= 0)
        return false;
    for (uint16_t i = 0; i < segments; ++i)
        if (self->SegmentFieldNumber(i) == field->FieldNo())
            return true;
    return false;
}
