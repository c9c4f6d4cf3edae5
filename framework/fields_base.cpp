// TField: identity, the dataset link, value access through the dataset and
// the generic conversions; TFields; the default class of each field type.
#include "framework/fields.h"

#include "framework/typinfo.h"

#include <cstring>

VARNEL_PUBLISH(TField, c) {
    c.prop("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
    c.prop("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth).def(0);
    c.prop("FieldKind", &TField::FieldKind, &TField::SetFieldKind).def(fkData);
    c.prop("FieldName", &TField::FieldName, &TField::SetFieldName);
    c.prop("DefaultExpression", &TField::DefaultExpression, &TField::SetDefaultExpression);
    c.prop("KeyFields", &TField::KeyFields, &TField::SetKeyFields);
    c.prop("LookupDataSet", &TField::LookupDataSet, &TField::SetLookupDataSet);
    c.prop("LookupKeyFields", &TField::LookupKeyFields, &TField::SetLookupKeyFields);
    c.prop("LookupResultField", &TField::LookupResultField, &TField::SetLookupResultField);
    c.prop("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly).def(false);
    c.prop("Required", &TField::Required, &TField::SetRequired).def(false);
    c.prop("Size", &TField::Size, &TField::SetSize).def(0);
    c.prop("Visible", &TField::Visible, &TField::SetVisible).def(true);
    c.event("OnChange", &TField::OnChange);
    c.event("OnGetText", &TField::OnGetText);
    c.event("OnSetText", &TField::OnSetText);
    c.event("OnValidate", &TField::OnValidate);
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
    if (mDataSet) mDataSet->Fields()->Remove(this);
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == mDataSet) return;
    if (mDataSet) mDataSet->CheckInactive();
    if (dataSet) {
        dataSet->CheckInactive();
        if (!mFieldName.isEmpty() && dataSet->FindField(mFieldName)) {
            DatabaseErrorFmt("Duplicate field name '%1'", mFieldName, dataSet);
        }
    }
    if (mDataSet) mDataSet->Fields()->Remove(this);
    mDataSet = dataSet;
    if (mDataSet) mDataSet->Fields()->Add(this);
}

void TField::CheckInactive() const {
    if (mDataSet) mDataSet->CheckInactive();
}

void TField::SetFieldName(const QString& name) {
    if (name == mFieldName) return;
    CheckInactive();
    if (mDataSet && !name.isEmpty()) {
        TField* other = mDataSet->FindField(name);
        if (other && other != this) DatabaseErrorFmt("Duplicate field name '%1'", name, mDataSet);
    }
    mFieldName = name;
}

QString TField::DisplayName() const { return mDisplayLabel.isEmpty() ? mFieldName : mDisplayLabel; }

void TField::SetSize(int size) {
    if (size == mSize) return;
    CheckInactive();
    if (size < 0) DatabaseErrorFmt("Invalid field size for field '%1'", DisplayName(), mDataSet);
    mSize = size;
}

int TField::DataSize() const { return NativeDataSize(mDataType, mSize); }

int TField::Index() const { return mDataSet ? mDataSet->Fields()->IndexOf(this) : -1; }

void TField::SetFieldKind(TFieldKind kind) {
    if (kind == mFieldKind) return;
    CheckInactive();
    mFieldKind = kind;
}

int TField::DisplayWidth() const {
    if (mDisplayWidth > 0) return mDisplayWidth;
    return mSize > 0 ? mSize : 10;
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
    if (dataSet == mLookupDataSet) return;
    if (mLookupDataSet) RemoveFreeNotification(mLookupDataSet);
    mLookupDataSet = dataSet;
    if (mLookupDataSet) FreeNotification(mLookupDataSet);
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(mLookupDataSet) == component) mLookupDataSet = nullptr;
}

TComponent* TField::GetParentComponent() const { return mDataSet; }

void TField::SetParentComponent(TComponent* parent) {
    auto* dataSet = dynamic_cast<TDataSet*>(parent);
    if (parent && !dataSet) {
        DatabaseErrorFmt("Field '%1' can only be placed in a dataset", DisplayName(), this);
    }
    SetDataSet(dataSet);
}

// ---------------------------------------------------------------------------
// Native access.

bool TField::GetData(void* buffer) const {
    if (mValidating) {
        if (mValidatingValue && buffer) std::memcpy(buffer, mValidatingValue, size_t(DataSize()));
        return mValidatingValue != nullptr;
    }
    if (!mDataSet) DatabaseErrorFmt("Field '%1' has no dataset", DisplayName());
    return mDataSet->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
    if (!mDataSet) DatabaseErrorFmt("Field '%1' has no dataset", DisplayName());
    mDataSet->PutFieldData(this, buffer);
}

QByteArray TField::ReadBuffer() const {
    QByteArray buffer(DataSize(), '\0');
    if (!GetData(buffer.data())) return {};
    return buffer;
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    // The handler reads the new value through this field.
    mValidating = true;
    mValidatingValue = buffer;
    try {
        OnValidate(this);
    } catch (...) {
        mValidating = false;
        mValidatingValue = nullptr;
        throw;
    }
    mValidating = false;
    mValidatingValue = nullptr;
}

void TField::Change() {
    if (OnChange) OnChange(this);
}

bool TField::CanModify() const {
    if (mReadOnly || !mDataSet) return false;
    if (mFieldKind != fkData && mDataSet->State() != dsSetKey) return false;
    return mDataSet->CanModify();
}

void TField::Assign(const TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (auto* field = dynamic_cast<const TField*>(source)) {
        if (field->IsNull()) Clear();
        else SetAsVariant(field->AsVariant());
        return;
    }
    TComponent::Assign(source);
}

// ---------------------------------------------------------------------------
// Generic conversions: what a field kind does not offer.

void TField::AccessError(const QString& typeName) const {
    DatabaseError(QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), typeName));
}

QString TField::AsString() const { AccessError(QStringLiteral("String")); }
void TField::SetAsString(const QString&) { AccessError(QStringLiteral("String")); }
int32_t TField::AsInteger() const { AccessError(QStringLiteral("Integer")); }
void TField::SetAsInteger(int32_t) { AccessError(QStringLiteral("Integer")); }
int64_t TField::AsLargeInt() const { return AsInteger(); }
void TField::SetAsLargeInt(int64_t value) { SetAsInteger(CheckedInt32(value, "integer value")); }
double TField::AsFloat() const { AccessError(QStringLiteral("Float")); }
void TField::SetAsFloat(double) { AccessError(QStringLiteral("Float")); }
bool TField::AsBoolean() const { AccessError(QStringLiteral("Boolean")); }
void TField::SetAsBoolean(bool) { AccessError(QStringLiteral("Boolean")); }
TDateTime TField::AsDateTime() const { AccessError(QStringLiteral("DateTime")); }
void TField::SetAsDateTime(TDateTime) { AccessError(QStringLiteral("DateTime")); }
Currency TField::AsCurrency() const { return Currency::FromDouble(AsFloat()); }
void TField::SetAsCurrency(Currency value) { SetAsFloat(value.ToDouble()); }
TBcd TField::AsBCD() const { return DoubleToBcd(AsFloat()); }
void TField::SetAsBCD(const TBcd& value) { SetAsFloat(BcdToDouble(value)); }
QByteArray TField::AsBytes() const { AccessError(QStringLiteral("Bytes")); }
void TField::SetAsBytes(const QByteArray&) { AccessError(QStringLiteral("Bytes")); }
Variant TField::AsVariant() const { AccessError(QStringLiteral("Variant")); }

void TField::SetAsVariant(const Variant& value) {
    if (value.IsNullOrEmpty()) {
        Clear();
        return;
    }
    switch (value.Type()) {
    case varBoolean: SetAsBoolean(value.AsBoolean()); return;
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64: SetAsLargeInt(value.AsInt64()); return;
    case varUInt64: SetAsLargeInt(int64_t(value.AsUInt64())); return;
    case varSingle:
    case varDouble: SetAsFloat(value.AsDouble()); return;
    case varCurrency: SetAsCurrency(value.AsCurrency()); return;
    case varDate: SetAsDateTime(value.AsDateTime()); return;
    case varString:
    case varUString:
    case varOleStr: SetAsString(value.AsString()); return;
    default: break;
    }
    if (value.Type() == (varArray | varByte)) {
        SetAsBytes(value.AsBytes());
        return;
    }
    AccessError(VarTypeName(value.Type()));
}

Variant TField::OldValue() const { return ValueInState(dsOldValue); }
Variant TField::NewValue() const { return ValueInState(dsNewValue); }

Variant TField::ValueInState(TDataSetState state) const {
    if (!mDataSet) return Variant::Null();
    TDataSetState previous = mDataSet->SetTempState(state);
    Variant value;
    try {
        value = AsVariant();
    } catch (...) {
        mDataSet->RestoreState(previous);
        throw;
    }
    mDataSet->RestoreState(previous);
    return value;
}

// ---------------------------------------------------------------------------
// Texts.

QString TField::GetText(bool /*displayText*/) const { return AsString(); }

QString TField::DisplayText() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

QString TField::Text() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

void TField::SetText(const QString& text) {
    if (OnSetText) OnSetText(this, text);
    else SetAsString(text);
}

// ---------------------------------------------------------------------------
// Lookup values: computed in dsCalcFields on the dataset's calculation
// buffer.

void TField::CalculateLookupValue() {
    if (!mLookupDataSet || !mLookupDataSet->Active()) return;
    Variant keys = mDataSet->FieldValues(mKeyFields);
    if (keys.IsNullOrEmpty()) return;
    if (keys.IsArray()) {
        for (int i = 0; i < keys.ArrayCount(); ++i) {
            if (keys.Element(i).IsNullOrEmpty()) return;
        }
    }
    Variant value = mLookupDataSet->Lookup(mLookupKeyFields, keys, mLookupResultField);
    if (!value.IsNullOrEmpty()) SetAsVariant(value);
}

// ---------------------------------------------------------------------------
// TFields.

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return mFields[size_t(index)];
}

TField* TFields::FindField(const QString& name) const {
    for (TField* field : mFields) {
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0) return field;
    }
    return nullptr;
}

TField* TFields::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseErrorFmt(dbtexts::FieldNotFound, name, mDataSet);
    return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* field : mFields) {
        if (field->FieldNo() == fieldNo) return field;
    }
    return nullptr;
}

int TFields::IndexOf(const TField* field) const {
    for (size_t i = 0; i < mFields.size(); ++i) {
        if (mFields[i] == field) return int(i);
    }
    return -1;
}

void TFields::Add(TField* field) {
    if (IndexOf(field) < 0) mFields.push_back(field);
}

void TFields::Remove(TField* field) {
    int index = IndexOf(field);
    if (index >= 0) mFields.erase(mFields.begin() + index);
}

// ---------------------------------------------------------------------------

TFieldClass DefaultFieldClass(TFieldType type) {
    switch (type) {
    case ftString:
    case ftFixedChar: return TStringField::StaticClass();
    case ftWideString:
    case ftFixedWideChar: return TWideStringField::StaticClass();
    case ftGuid: return TGuidField::StaticClass();
    case ftSmallint:
    case ftShortint:
    case ftByte: return TSmallintField::StaticClass();
    case ftInteger: return TIntegerField::StaticClass();
    case ftWord: return TWordField::StaticClass();
    case ftAutoInc: return TAutoIncField::StaticClass();
    case ftLargeint: return TLargeintField::StaticClass();
    case ftBoolean: return TBooleanField::StaticClass();
    case ftFloat: return TFloatField::StaticClass();
    case ftCurrency: return TCurrencyField::StaticClass();
    case ftBCD: return TBCDField::StaticClass();
    case ftFMTBcd: return TFMTBCDField::StaticClass();
    case ftDate: return TDateField::StaticClass();
    case ftTime: return TTimeField::StaticClass();
    case ftDateTime: return TDateTimeField::StaticClass();
    case ftTimeStamp: return TSQLTimeStampField::StaticClass();
    case ftBytes: return TBytesField::StaticClass();
    case ftVarBytes: return TVarBytesField::StaticClass();
    case ftBlob:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftOraBlob: return TBlobField::StaticClass();
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: return TMemoField::StaticClass();
    case ftWideMemo: return TWideMemoField::StaticClass();
    case ftGraphic: return TGraphicField::StaticClass();
    default: return nullptr;
    }
}
