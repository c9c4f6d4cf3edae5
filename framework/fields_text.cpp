// Text fields: 8-bit strings in the system code page, UTF-16 strings, GUIDs.
#include "framework/fields.h"

#include "framework/formatsettings.h"
#include "framework/typinfo.h"
#include "platform/codepages.h"

#include <QUuid>
#include <cstring>

VARNEL_PUBLISH(TStringField, c) {
    c.prop("Size", &TStringField::Size, &TStringField::SetSize).def(20);
    c.prop("FixedChar", &TStringField::FixedChar, &TStringField::SetFixedChar).def(false);
    c.prop("Transliterate", &TStringField::Transliterate, &TStringField::SetTransliterate).def(true);
}
VARNEL_DEFINE_CLASS(TWideStringField)
VARNEL_PUBLISH(TGuidField, c) { c.prop("Size", &TGuidField::Size, &TGuidField::SetSize).def(38); }

TStringField::TStringField(TComponent* owner) : TField(owner) {
    SetDataType(ftString);
    SetSize(20);
}

void TStringField::SetFixedChar(bool value) {
    mFixedChar = value;
    if (DataType() == ftString || DataType() == ftFixedChar) SetDataType(value ? ftFixedChar : ftString);
}

bool TStringField::ReadText(QString& text) const {
    QByteArray buffer = ReadBuffer();
    if (buffer.isEmpty()) return false;
    QByteArray raw(buffer.constData(), qsizetype(qstrnlen(buffer.constData(), size_t(Size()))));
    text = AnsiToString(raw);
    return true;
}

void TStringField::WriteText(const QString& text) {
    QByteArray raw = StringToAnsi(text).left(Size());
    QByteArray buffer(DataSize(), '\0');
    std::memcpy(buffer.data(), raw.constData(), size_t(raw.size()));
    SetData(buffer.constData());
}

QString TStringField::AsString() const {
    QString text;
    return ReadText(text) ? text : QString();
}

void TStringField::SetAsString(const QString& value) { WriteText(value); }

int32_t TStringField::AsInteger() const {
    QString text = AsString().trimmed();
    return text.isEmpty() ? 0 : StrToInt(text);
}

int64_t TStringField::AsLargeInt() const {
    QString text = AsString().trimmed();
    return text.isEmpty() ? 0 : StrToInt64(text);
}

double TStringField::AsFloat() const {
    QString text = AsString().trimmed();
    return text.isEmpty() ? 0.0 : StrToFloat(text);
}

void TStringField::SetAsFloat(double value) { SetAsString(FloatToStr(value)); }

bool TStringField::AsBoolean() const {
    QString text = AsString().trimmed();
    if (text.isEmpty()) return false;
    QChar first = text[0].toUpper();
    if (first == QLatin1Char('T') || first == QLatin1Char('Y')) return true;
    if (first == QLatin1Char('F') || first == QLatin1Char('N')) return false;
    throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
}

void TStringField::SetAsBoolean(bool value) { SetAsString(value ? QStringLiteral("T") : QStringLiteral("F")); }

TDateTime TStringField::AsDateTime() const {
    QString text = AsString().trimmed();
    return text.isEmpty() ? 0.0 : StrToDateTime(text);
}

void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToStr(value)); }

Variant TStringField::AsVariant() const {
    QString text;
    if (!ReadText(text)) return Variant::Null();
    return Variant(text);
}

// ---------------------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) { SetDataType(ftWideString); }

bool TWideStringField::ReadText(QString& text) const {
    QByteArray buffer = ReadBuffer();
    if (buffer.isEmpty()) return false;
    int count = 0;
    std::vector<char16_t> units(size_t(Size()) + 1, u'\0');
    std::memcpy(units.data(), buffer.constData(), std::min(size_t(buffer.size()), units.size() * 2));
    while (count < Size() && units[size_t(count)] != u'\0') ++count;
    text = QString::fromUtf16(units.data(), count);
    return true;
}

void TWideStringField::WriteText(const QString& text) {
    QString value = text.left(Size());
    QByteArray buffer(DataSize(), '\0');
    std::memcpy(buffer.data(), value.utf16(), size_t(value.size()) * 2);
    SetData(buffer.constData());
}

Variant TWideStringField::AsVariant() const {
    QString text;
    if (!ReadText(text)) return Variant::Null();
    return Variant(text);
}

// ---------------------------------------------------------------------------

TGuidField::TGuidField(TComponent* owner) : TStringField(owner) {
    SetDataType(ftGuid);
    SetSize(38);
}

void TGuidField::SetAsString(const QString& value) {
    if (!value.isEmpty()) {
        QUuid uuid(value);
        bool braced = value.size() == 38 && value.startsWith(QLatin1Char('{')) && value.endsWith(QLatin1Char('}'));
        if (!braced || (uuid.isNull() && value != QUuid().toString())) {
            throw EConvertError(QStringLiteral("'%1' is not a valid GUID value").arg(value));
        }
    }
    TStringField::SetAsString(value);
}
