// Byte fields (fixed and variable length) and blob fields, whose content
// travels only through the dataset's blob streams.
#include "framework/fields.h"

#include "framework/streams.h"
#include "framework/typinfo.h"
#include "platform/codepages.h"

#include <cstring>

VARNEL_DEFINE_CLASS(TBytesField)
VARNEL_DEFINE_CLASS(TVarBytesField)
VARNEL_PUBLISH(TBlobField, c) {
    c.prop("BlobType", &TBlobField::BlobType, &TBlobField::SetBlobType);
}
VARNEL_DEFINE_CLASS(TMemoField)
VARNEL_DEFINE_CLASS(TWideMemoField)
VARNEL_DEFINE_CLASS(TGraphicField)

namespace {

[[noreturn]] void TooLong(const TField* field, qsizetype length) {
    DatabaseError(QStringLiteral("A value of %1 bytes does not fit field '%2' (at most %3)")
                      .arg(length)
                      .arg(field->DisplayName())
                      .arg(field->Size()));
}

}  // namespace

// ---------------------------------------------------------------------------
// Bytes.

TBytesField::TBytesField(TComponent* owner) : TField(owner) {
    SetDataType(ftBytes);
    SetSize(16);
}

QByteArray TBytesField::AsBytes() const { return ReadBuffer(); }

void TBytesField::SetAsBytes(const QByteArray& value) {
    if (value.size() > Size()) TooLong(this, value.size());
    QByteArray buffer(DataSize(), '\0');
    std::memcpy(buffer.data(), value.constData(), size_t(value.size()));
    SetData(buffer.constData());
}

QString TBytesField::AsString() const { return QString::fromLatin1(AsBytes()); }

void TBytesField::SetAsString(const QString& value) { SetAsBytes(value.toLatin1()); }

Variant TBytesField::AsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant::Bytes(AsBytes());
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner) { SetDataType(ftVarBytes); }

QByteArray TVarBytesField::AsBytes() const {
    QByteArray buffer = ReadBuffer();
    if (buffer.size() < 2) return {};
    uint16_t length;
    std::memcpy(&length, buffer.constData(), 2);
    return buffer.mid(2, std::min<int>(length, Size()));
}

void TVarBytesField::SetAsBytes(const QByteArray& value) {
    if (value.size() > Size()) TooLong(this, value.size());
    QByteArray buffer(DataSize(), '\0');
    uint16_t length = uint16_t(value.size());
    std::memcpy(buffer.data(), &length, 2);
    std::memcpy(buffer.data() + 2, value.constData(), size_t(value.size()));
    SetData(buffer.constData());
}

// ---------------------------------------------------------------------------
// Blobs.

TBlobField::TBlobField(TComponent* owner) : TField(owner) { SetDataType(ftBlob); }
TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftMemo); }
TWideMemoField::TWideMemoField(TComponent* owner) : TBlobField(owner) { SetDataType(ftWideMemo); }
TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) { SetDataType(ftGraphic); }

void TBlobField::SetBlobType(TFieldType type) {
    if (!IsBlobType(type)) DatabaseErrorFmt("%1 is not a blob type", FieldTypeName(type), DataSet());
    SetDataType(type);
}

QByteArray TBlobField::AsBytes() const {
    if (!DataSet()) DatabaseErrorFmt("Field '%1' has no dataset", DisplayName());
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    if (!stream) return {};
    stream->SetPosition(0);
    return stream->ReadRemaining();
}

void TBlobField::SetAsBytes(const QByteArray& value) {
    if (!DataSet()) DatabaseErrorFmt("Field '%1' has no dataset", DisplayName());
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(this, bmWrite);
    if (!stream) DatabaseErrorFmt("Field '%1' cannot be modified", DisplayName(), DataSet());
    stream->WriteBytes(value);
}

int64_t TBlobField::BlobSize() const {
    if (!DataSet() || IsNull()) return 0;
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    return stream ? stream->Size() : 0;
}

QString TBlobField::AsString() const { return AnsiToString(AsBytes()); }

void TBlobField::SetAsString(const QString& value) { SetAsBytes(StringToAnsi(value)); }

Variant TBlobField::AsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant::Bytes(AsBytes());
}

void TBlobField::SetAsVariant(const Variant& value) {
    if (value.IsNullOrEmpty()) Clear();
    else if (value.IsStr()) SetAsString(value.AsString());
    else SetAsBytes(value.AsBytes());
}

void TBlobField::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    SetAsBytes(stream.ReadRemaining());
}

void TBlobField::SaveToStream(TStream& stream) const { stream.WriteBytes(AsBytes()); }

QString TBlobField::GetText(bool /*displayText*/) const {
    return IsNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)");
}

Variant TMemoField::AsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(AsString());
}

QString TMemoField::GetText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? QStringLiteral("(memo)") : QStringLiteral("(MEMO)");
}

QString TWideMemoField::AsString() const {
    QByteArray bytes = AsBytes();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
}

void TWideMemoField::SetAsString(const QString& value) {
    SetAsBytes(QByteArray(reinterpret_cast<const char*>(value.utf16()), value.size() * 2));
}

Variant TWideMemoField::AsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant(AsString());
}

QString TWideMemoField::GetText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? QStringLiteral("(widememo)") : QStringLiteral("(WIDEMEMO)");
}
