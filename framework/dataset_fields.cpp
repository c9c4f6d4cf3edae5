// TDataSet: field objects (creation, binding, lookup by name), field values
// through GetFieldData/PutFieldData, and the calculated area.
#include "framework/dataset.h"

#include "framework/fielddefs.h"
#include "framework/fields.h"

#include <cstring>

namespace {

// States in which a calculated value can be read.
bool CalculatedReadable(TDataSetState state) {
    return state == dsBrowse || state == dsEdit || state == dsInsert || state == dsCalcFields || state == dsFilter ||
           state == dsInternalCalc;
}

// Types a field of one kind may be bound to a definition of the other.
TFieldType BindingFamily(TFieldType type) {
    switch (type) {
    case ftFixedChar: return ftString;
    case ftFixedWideChar: return ftWideString;
    case ftAutoInc: return ftInteger;
    case ftFmtMemo: return ftMemo;
    case ftGraphic:
    case ftTypedBinary: return ftBlob;
    case ftTimeStamp: return ftDateTime;
    default: return type;
    }
}

bool SizeMatters(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
    case ftBytes:
    case ftVarBytes:
        return true;
    default:
        return false;
    }
}

QStringList SplitFieldNames(const QString& names) {
    QStringList result;
    for (const QString& part : names.split(QLatin1Char(';'))) {
        QString name = part.trimmed();
        if (!name.isEmpty()) result.append(name);
    }
    return result;
}

}  // namespace

bool IsWritableState(TDataSetState state) {
    switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------
// Lookup by name.

int TDataSet::FieldCount() const { return mFields->Count(); }

TField* TDataSet::FindField(const QString& name) const { return mFields->FindField(name); }

TField* TDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseErrorFmt(dbtexts::FieldNotFound, name, this);
    return field;
}

void TDataSet::GetFieldList(QList<TField*>& list, const QString& fieldNames) const {
    list.clear();
    for (const QString& name : SplitFieldNames(fieldNames)) list.append(FieldByName(name));
}

Variant TDataSet::FieldValues(const QString& fieldNames) const {
    QList<TField*> fields;
    GetFieldList(fields, fieldNames);
    if (fields.size() == 1) return fields[0]->AsVariant();
    std::vector<Variant> values;
    for (TField* field : fields) values.push_back(field->AsVariant());
    return Variant::Array(std::move(values));
}

void TDataSet::SetFieldValues(const QString& fieldNames, const Variant& values) {
    QList<TField*> fields;
    GetFieldList(fields, fieldNames);
    if (fields.size() == 1 && !values.IsArray()) {
        fields[0]->SetAsVariant(values);
        return;
    }
    for (int i = 0; i < fields.size(); ++i) fields[i]->SetAsVariant(values.Element(i));
}

// ---------------------------------------------------------------------------
// Definitions and field objects.

void TDataSet::UpdateFieldDefs() { mFieldDefs->Update(); }

void TDataSet::FieldDefsChanged() { mFieldDefs->SetUpdated(false); }

TFieldClass TDataSet::FieldClassFor(TFieldType type) const { return DefaultFieldClass(type); }

void TDataSet::CreateFields() {
    for (int i = 0; i < mFieldDefs->Count(); ++i) {
        const TFieldDef* def = mFieldDefs->Items(i);
        TFieldClass fieldClass = FieldClassFor(def->DataType());
        if (!fieldClass || !fieldClass->CanCreateComponent()) continue;
        auto* field = dynamic_cast<TField*>(fieldClass->CreateComponent(this));
        if (!field) continue;
        field->mDataType = def->DataType();
        field->mSize = def->Size();
        field->mFieldName = def->Name();
        field->mRequired = def->Required();
        field->mReadOnly = def->Attributes().Contains(faReadonly);
        if (def->Attributes().Contains(faHiddenCol)) field->mVisible = false;
        if (auto* bcd = dynamic_cast<TBCDField*>(field)) bcd->SetPrecision(def->Precision());
        if (def->InternalCalcField()) field->mFieldKind = fkInternalCalc;
        field->SetDataSet(this);
    }
}

void TDataSet::DestroyFields() {
    std::vector<TField*> owned;
    for (TField* field : *mFields) {
        if (field->Owner() == this) owned.push_back(field);
    }
    for (TField* field : owned) delete field;
}

void TDataSet::BindFields(bool binding) {
    mCalcFieldsSize = 0;
    mBlobFieldCount = 0;
    mHasCalcFields = false;
    for (TField* field : *mFields) {
        if (!binding) {
            field->mFieldNo = 0;
            field->mOffset = 0;
            continue;
        }
        if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
            const TFieldDef* def = mFieldDefs->FindDef(field->FieldName());
            if (!def) DatabaseErrorFmt(dbtexts::FieldNotFound, field->DisplayName(), this);
            if (BindingFamily(def->DataType()) != BindingFamily(field->DataType())) {
                DatabaseError(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                                  .arg(field->DisplayName(), FieldTypeName(field->DataType()),
                                       FieldTypeName(def->DataType())),
                              this);
            }
            if (SizeMatters(def->DataType()) && def->Size() != field->Size()) {
                DatabaseError(QStringLiteral("Size mismatch for field '%1', expecting: %2 actual: %3")
                                  .arg(field->DisplayName())
                                  .arg(field->Size())
                                  .arg(def->Size()),
                              this);
            }
            field->mFieldNo = def->FieldNo();
            field->mOffset = field->IsBlob() ? mBlobFieldCount++ : 0;
        } else {
            if (field->FieldKind() == fkLookup &&
                (!field->LookupDataSet() || field->KeyFields().isEmpty() || field->LookupKeyFields().isEmpty() ||
                 field->LookupResultField().isEmpty())) {
                DatabaseErrorFmt("Lookup information for field '%1' is incomplete", field->DisplayName(), this);
            }
            field->mFieldNo = -1;
            field->mOffset = mCalcFieldsSize;
            mCalcFieldsSize += 1 + field->DataSize();
            mHasCalcFields = true;
        }
    }
}

// ---------------------------------------------------------------------------
// Values.

bool TDataSet::GetFieldData(TField* field, void* buffer) {
    TRecordBuffer record = ActiveRecordBuffer();
    if (!record) return false;
    if (field->FieldNo() > 0) return ReadDataFieldValue(field, record, buffer);
    if (!CalculatedReadable(mState)) return false;
    return ReadCalculatedValue(field, record, buffer);
}

void TDataSet::PutFieldData(TField* field, const void* buffer) {
    if (!IsWritableState(mState)) DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
    if (mState == dsSetKey && (field->FieldNo() <= 0 || !IsIndexField(field))) {
        DatabaseErrorFmt(dbtexts::NotIndexField, field->DisplayName(), this);
    }
    TRecordBuffer record = ActiveRecordBuffer();
    if (!record) DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
    if (field->FieldNo() <= 0) {
        WriteCalculatedValue(field, record, buffer);
    } else {
        if (mState == dsCalcFields) DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
        if (field->ReadOnly() && mState != dsSetKey && mState != dsFilter) {
            DatabaseErrorFmt(dbtexts::FieldReadOnly, field->DisplayName(), this);
        }
        if (mState == dsEdit || mState == dsInsert) field->Validate(buffer);
        WriteDataFieldValue(field, record, buffer);
    }
    if (mState != dsCalcFields && mState != dsFilter && mState != dsNewValue) {
        DataEvent(deFieldChange, reinterpret_cast<qintptr>(field));
    }
}

bool TDataSet::ReadDataFieldValue(TField* /*field*/, TRecordBuffer /*record*/, void* /*buffer*/) { return false; }

void TDataSet::WriteDataFieldValue(TField* field, TRecordBuffer /*record*/, const void* /*buffer*/) {
    DatabaseErrorFmt(dbtexts::FieldReadOnly, field->DisplayName(), this);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* field, TBlobStreamMode /*mode*/) {
    DatabaseErrorFmt("Field '%1' has no blob stream in this dataset", field->DisplayName(), this);
}

quint8* TDataSet::CalculatedEntry(TField* field, TRecordBuffer buffer) const {
    return buffer + RecordSize() + field->Offset();
}

bool TDataSet::ReadCalculatedValue(TField* field, TRecordBuffer buffer, void* dest) const {
    const quint8* entry = CalculatedEntry(field, buffer);
    if (entry[0] == 0) return false;
    if (dest) std::memcpy(dest, entry + 1, size_t(field->DataSize()));
    return true;
}

void TDataSet::WriteCalculatedValue(TField* field, TRecordBuffer buffer, const void* source) {
    quint8* entry = CalculatedEntry(field, buffer);
    entry[0] = source ? 1 : 0;
    if (source) std::memcpy(entry + 1, source, size_t(field->DataSize()));
    else std::memset(entry + 1, 0, size_t(field->DataSize()));
}

// ---------------------------------------------------------------------------
// Calculated and lookup fields.

bool TDataSet::CalculateFields(TRecordBuffer buffer) {
    if (!mHasCalcFields || !buffer) return false;
    TDataSetState previous = SetTempState(dsCalcFields);
    // CalcBuffer stays on `buffer` afterwards: a subclass that computed a
    // scratch record reads its calculated values in dsCalcFields from it.
    mCalcBuffer = buffer;
    try {
        ClearCalculatedArea(buffer);
        for (TField* field : *mFields) {
            if (field->FieldKind() == fkLookup) field->CalculateLookupValue();
        }
        if (OnCalcFields) OnCalcFields(this);
    } catch (...) {
        RestoreState(previous);
        throw;
    }
    RestoreState(previous);
    return true;
}
