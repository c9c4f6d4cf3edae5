// Statement parameters: values, typing, native images.
#include "framework/params.h"

#include "framework/streaming.h"
#include "platform/codepages.h"

#include <QHash>

#include <cstring>

VARNEL_PUBLISH(TParam, c) {
    c.prop("DataType", &TParam::DataType, &TParam::SetDataType);
    c.prop("Name", &TParam::Name, &TParam::SetName).nodefault();
    c.prop("ParamType", &TParam::ParamType, &TParam::SetParamType);
}
VARNEL_DEFINE_CLASS(TParams)

namespace {

template <class T>
QByteArray Image(T value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

TParam::TParam(TCollection* collection) : TCollectionItem(collection) {}

TParam::TParam(TParams* params, TParamType paramType) : TCollectionItem(params), mParamType(paramType) {}

void TParam::SetDataType(TFieldType type) { mDataType = type; }

void TParam::Clear() {
    mValue = Variant::Null();
    mHasBcd = false;
}

void TParam::SetValue(const Variant& value) {
    if (mDataType == ftUnknown && !value.IsNullOrEmpty()) mDataType = FieldTypeForVariant(value);
    mValue = value;
    mBound = !value.IsEmpty();
    mHasBcd = false;
}

void TParam::SetTypedValue(TFieldType type, const Variant& value) {
    mDataType = type;
    mValue = value;
    mBound = true;
    mHasBcd = false;
}

void TParam::AssignFieldValue(TFieldType type, const Variant& value) {
    mDataType = type;
    if (value.IsNullOrEmpty()) Clear();
    else {
        mValue = value;
        mHasBcd = false;
    }
    mBound = true;
}

// --- reads --------------------------------------------------------------------

QString TParam::AsString() const {
    if (IsNull()) return QString();
    if (mHasBcd) return BcdToStr(mBcd);
    if (mValue.Type() == varDate) {
        if (mDataType == ftDate) return DateToStr(mValue.AsDateTime());
        if (mDataType == ftTime) return TimeToStr(mValue.AsDateTime());
    }
    return mValue.AsString();
}

QByteArray TParam::AsAnsiString() const {
    if (!IsNull() && mValue.Type() == varString) return mValue.AnsiString();
    return StringToAnsi(AsString());
}

int32_t TParam::AsInteger() const { return IsNull() ? 0 : mValue.AsInteger(); }

int16_t TParam::AsSmallInt() const {
    const int32_t v = AsInteger();
    if (v < INT16_MIN || v > INT16_MAX) throw ERangeError(QStringLiteral("Range check error: %1 is not a 16-bit integer").arg(v));
    return int16_t(v);
}

uint16_t TParam::AsWord() const {
    const int32_t v = AsInteger();
    if (v < 0 || v > UINT16_MAX) throw ERangeError(QStringLiteral("Range check error: %1 is not a 16-bit unsigned integer").arg(v));
    return uint16_t(v);
}

int64_t TParam::AsLargeInt() const { return IsNull() ? 0 : mValue.AsInt64(); }
double TParam::AsFloat() const {
    if (IsNull()) return 0;
    return mHasBcd ? BcdToDouble(mBcd) : mValue.AsDouble();
}
Currency TParam::AsCurrency() const {
    if (IsNull()) return Currency();
    return mHasBcd ? BcdToCurrency(mBcd) : mValue.AsCurrency();
}
Currency TParam::AsBCD() const { return AsCurrency(); }

TBcd TParam::AsFMTBCD() const {
    if (IsNull()) return TBcd();
    if (mHasBcd) return mBcd;
    switch (mValue.Type()) {
    case varCurrency: return CurrencyToBcd(mValue.AsCurrency());
    case varString: case varUString: case varOleStr: return StrToBcd(mValue.AsString());
    default: break;
    }
    if (mValue.IsOrdinal() && mValue.Type() != varBoolean) return Int64ToBcd(mValue.AsInt64());
    return DoubleToBcd(mValue.AsDouble());
}

bool TParam::AsBoolean() const { return IsNull() ? false : mValue.AsBoolean(); }
TDateTime TParam::AsDate() const { return IsNull() ? 0 : Trunc(mValue.AsDateTime()); }
TDateTime TParam::AsTime() const { return IsNull() ? 0 : Frac(mValue.AsDateTime()); }
TDateTime TParam::AsDateTime() const { return IsNull() ? 0 : mValue.AsDateTime(); }
QByteArray TParam::AsBlob() const { return IsNull() ? QByteArray() : mValue.AsBytes(); }

// --- writes -------------------------------------------------------------------

void TParam::SetAsString(const QString& value) {
    SetTypedValue(mDataType == ftFixedWideChar ? ftFixedWideChar : ftWideString, Variant(value));
}
void TParam::SetAsAnsiString(const QByteArray& value) { SetTypedValue(ftString, Variant(value)); }
void TParam::SetAsInteger(int32_t value) { SetTypedValue(ftInteger, Variant(value)); }
void TParam::SetAsSmallInt(int16_t value) { SetTypedValue(ftSmallint, Variant(value)); }
void TParam::SetAsWord(uint16_t value) { SetTypedValue(ftWord, Variant(value)); }
void TParam::SetAsLargeInt(int64_t value) { SetTypedValue(ftLargeint, Variant(value)); }
void TParam::SetAsFloat(double value) { SetTypedValue(ftFloat, Variant(value)); }
void TParam::SetAsCurrency(double value) { SetTypedValue(ftCurrency, Variant(value)); }
void TParam::SetAsBCD(Currency value) { SetTypedValue(ftBCD, Variant(value)); }
void TParam::SetAsFMTBCD(const TBcd& value) {
    SetTypedValue(ftFMTBcd, Variant(BcdToDouble(value)));
    mBcd = value;
    mHasBcd = true;
}
void TParam::SetAsBoolean(bool value) { SetTypedValue(ftBoolean, Variant(value)); }
void TParam::SetAsDate(TDateTime value) { SetTypedValue(ftDate, Variant::FromDateTime(Trunc(value))); }
void TParam::SetAsTime(TDateTime value) { SetTypedValue(ftTime, Variant::FromDateTime(Frac(value))); }
void TParam::SetAsDateTime(TDateTime value) { SetTypedValue(ftDateTime, Variant::FromDateTime(value)); }
void TParam::SetAsMemo(const QString& value) { SetTypedValue(ftMemo, Variant(value)); }
void TParam::SetAsBlob(const QByteArray& value) { SetTypedValue(ftBlob, Variant::Bytes(value)); }
void TParam::SetAsBytes(const QByteArray& value) { SetTypedValue(ftBytes, Variant::Bytes(value)); }

// --- native image -------------------------------------------------------------

QByteArray TParam::DataImage() const {
    if (IsNull()) return QByteArray();
    switch (mDataType) {
    case ftString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftGuid:
        return AsAnsiString() + QByteArray(1, '\0');
    case ftWideString: case ftFixedWideChar: case ftWideMemo: {
        const QString text = AsString();
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) + QByteArray(2, '\0');
    }
    case ftBoolean: return Image<int16_t>(AsBoolean() ? -1 : 0);
    case ftSmallint: case ftShortint: case ftByte: return Image<int16_t>(AsSmallInt());
    case ftWord: return Image<uint16_t>(AsWord());
    case ftInteger: case ftAutoInc: return Image<int32_t>(AsInteger());
    case ftLongWord: return Image<uint32_t>(uint32_t(mValue.AsUInt64()));
    case ftLargeint: return Image<int64_t>(AsLargeInt());
    case ftFloat: case ftCurrency: return Image<double>(AsFloat());
    case ftSingle: return Image<float>(float(AsFloat()));
    case ftBCD: return Image<TBcd>(CurrencyToBcd(AsBCD()));
    case ftFMTBcd: return Image<TBcd>(AsFMTBCD());
    case ftDate: return Image<int32_t>(DateTimeToDayNumber(AsDateTime()));
    case ftTime: return Image<int32_t>(DateTimeToMSecsOfDay(AsDateTime()));
    case ftDateTime: case ftTimeStamp: return Image<double>(TimeStampToMSecs(DateTimeToTimeStamp(AsDateTime())));
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary: case ftParadoxOle:
    case ftDBaseOle: case ftOraBlob: case ftOraClob:
        return AsBlob();
    default:
        return QByteArray();
    }
}

void TParam::GetData(void* buffer) const {
    const QByteArray image = DataImage();
    if (!image.isEmpty()) std::memcpy(buffer, image.constData(), size_t(image.size()));
}

void TParam::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TParam*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    if (other == this) return;
    mName = other->mName;
    mDataType = other->mDataType;
    mValue = other->mValue;
    mHasBcd = other->mHasBcd;
    mBcd = other->mBcd;
    mBound = other->mBound;
    if (mParamType == ptUnknown) mParamType = other->mParamType;
    mSize = other->mSize;
    mPrecision = other->mPrecision;
    mNumericScale = other->mNumericScale;
}

// --- TParams ------------------------------------------------------------------

TParams::TParams(TPersistent* owner) : TCollection(TParam::StaticClass(), owner) {}

TParam* TParams::CreateParam(TFieldType type, const QString& name, TParamType paramType) {
    TParam* param = AddParam();
    param->SetName(name);
    param->SetDataType(type);
    param->SetParamType(paramType);
    return param;
}

TParam* TParams::FindParam(const QString& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (Items(i)->Name().compare(name, Qt::CaseInsensitive) == 0) return Items(i);
    }
    return nullptr;
}

TParam* TParams::ParamByName(const QString& name) const {
    TParam* param = FindParam(name);
    if (!param) throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return param;
}

std::vector<TParam*> TParams::GetParamList(const QString& names) const {
    std::vector<TParam*> list;
    for (const QString& part : names.split(QLatin1Char(';'))) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) list.push_back(ParamByName(name));
    }
    return list;
}

Variant TParams::ParamValues(const QString& names) const {
    const std::vector<TParam*> list = GetParamList(names);
    if (list.size() == 1) return list[0]->Value();
    std::vector<Variant> values;
    for (TParam* p : list) values.push_back(p->Value());
    return Variant::Array(std::move(values));
}

void TParams::SetParamValues(const QString& names, const Variant& values) {
    const std::vector<TParam*> list = GetParamList(names);
    if (list.size() == 1) {
        list[0]->SetValue(values);
        return;
    }
    if (!values.IsArray() || values.ArrayCount() != int(list.size())) {
        throw EDatabaseError(QStringLiteral("%1 values expected for parameters '%2'").arg(list.size()).arg(names));
    }
    for (size_t i = 0; i < list.size(); ++i) list[i]->SetValue(values.Element(int(i)));
}

namespace {

// The parameter of that name that comes `occurrence` places after the
// first one (0 = the first), or nullptr.
TParam* NthNamed(const TParams& params, const QString& name, int occurrence) {
    for (int i = 0; i < params.Count(); ++i) {
        TParam* param = params.Items(i);
        if (param->Name().compare(name, Qt::CaseInsensitive) == 0 && occurrence-- == 0) return param;
    }
    return nullptr;
}

}  // namespace

// A name written twice is two parameters: each occurrence takes the value of
// the same occurrence in `source`, so a null second one leaves the first
// alone. The name keeps its own spelling, the one of this list's text.
void TParams::AssignValues(const TParams& source) {
    QHash<QString, int> seen;
    for (int i = 0; i < source.Count(); ++i) {
        TParam* from = source.Items(i);
        const int occurrence = seen[from->Name().toUpper()]++;
        TParam* to = NthNamed(*this, from->Name(), occurrence);
        if (!to) continue;
        const QString name = to->Name();
        to->Assign(from);
        to->SetName(name);
    }
}

bool TParams::IsEqual(const TParams& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        const TParam* a = Items(i);
        const TParam* b = other.Items(i);
        if (a->Name() != b->Name() || a->DataType() != b->DataType() || a->IsNull() != b->IsNull()) return false;
        if (!a->IsNull() && a->Value() != b->Value()) return false;
    }
    return true;
}

// --- scanner ------------------------------------------------------------------

namespace {

bool IsQuoteChar(QChar c) { return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`'); }

bool EndsName(QChar c) {
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char(' ') || c == QLatin1Char(')') ||
           c == QLatin1Char(',') || c == QLatin1Char(';');
}

struct Marker {
    qsizetype start;   // position of the ':'
    qsizetype length;  // ':' and the name with its quotes
    QString name;
};

std::vector<Marker> ScanMarkers(const QString& sql) {
    std::vector<Marker> markers;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (IsQuoteChar(c)) {
            const qsizetype close = sql.indexOf(c, i + 1);
            i = close < 0 ? n : close + 1;
            continue;
        }
        if (c != QLatin1Char(':')) { ++i; continue; }
        if (i + 1 < n && sql[i + 1] == QLatin1Char(':')) { i += 2; continue; }
        Marker m{i, 1, QString()};
        if (i + 1 < n && IsQuoteChar(sql[i + 1])) {
            const QChar quote = sql[i + 1];
            const qsizetype close = sql.indexOf(quote, i + 2);
            const qsizetype end = close < 0 ? n : close;
            m.name = sql.mid(i + 2, end - (i + 2));
            m.length = (close < 0 ? n : close + 1) - i;
        } else {
            qsizetype end = i + 1;
            while (end < n && !EndsName(sql[end])) ++end;
            m.name = sql.mid(i + 1, end - (i + 1));
            m.length = end - i;
        }
        if (m.name.isEmpty()) { ++i; continue; }  // a bare ':' is text
        markers.push_back(m);
        i += m.length;
    }
    return markers;
}

}  // namespace

QStringList TParams::ScanParamNames(const QString& sql) {
    QStringList names;
    for (const Marker& m : ScanMarkers(sql)) names << m.name;
    return names;
}

QString TParams::ParseSQL(const QString& sql, bool doCreate) {
    const std::vector<Marker> markers = ScanMarkers(sql);
    if (doCreate) {
        BeginUpdate();
        Clear();
        for (const Marker& m : markers) CreateParam(ftUnknown, m.name, ptUnknown);
        EndUpdate();
    }
    QString out;
    qsizetype from = 0;
    for (const Marker& m : markers) {
        out += sql.mid(from, m.start - from);
        out += QLatin1Char('?');
        from = m.start + m.length;
    }
    out += sql.mid(from);
    return out;
}

void TParams::DefineParamData(TFiler& filer, const QString& name) {
    filer.DefineProperty(
        name, [this](TReader& reader) { reader.ReadCollection(*this); },
        [this](TWriter& writer) { writer.WriteCollection(*this); }, true);
}
