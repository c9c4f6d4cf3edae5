// Date and time fields over their native values: a day number (ftDate),
// milliseconds of the day (ftTime), or day number * 86400000 + milliseconds
// as a double (ftDateTime, ftTimeStamp).
#include "framework/fields.h"

#include "framework/typinfo.h"

VARNEL_PUBLISH(TDateTimeField, c) {
    c.prop("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
}
VARNEL_DEFINE_CLASS(TDateField)
VARNEL_DEFINE_CLASS(TTimeField)
VARNEL_DEFINE_CLASS(TSQLTimeStampField)

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) { SetDataType(ftDateTime); }
TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTime); }
TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TDateTimeField(owner) { SetDataType(ftTimeStamp); }

namespace {

// The framework's value of a native buffer of `type`.
TDateTime FromNative(TFieldType type, const quint8* buffer) {
    TTimeStamp stamp;
    if (type == ftDate) {
        std::memcpy(&stamp.Date, buffer, 4);
        stamp.Time = 0;
    } else if (type == ftTime) {
        std::memcpy(&stamp.Time, buffer, 4);
        stamp.Date = DateDelta;
    } else {
        double msecs;
        std::memcpy(&msecs, buffer, 8);
        stamp = MSecsToTimeStamp(msecs);
    }
    return TimeStampToDateTime(stamp);
}

}  // namespace

TDateTime TDateTimeField::AsDateTime() const {
    quint8 buffer[8] = {};
    if (!GetData(buffer)) return 0.0;
    return FromNative(DataType(), buffer);
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    TTimeStamp stamp = DateTimeToTimeStamp(value);
    quint8 buffer[8] = {};
    if (DataType() == ftDate) {
        std::memcpy(buffer, &stamp.Date, 4);
    } else if (DataType() == ftTime) {
        std::memcpy(buffer, &stamp.Time, 4);
    } else {
        double msecs = TimeStampToMSecs(stamp);
        std::memcpy(buffer, &msecs, 8);
    }
    SetData(buffer);
}

void TDateTimeField::SetAsString(const QString& value) {
    QString text = value.trimmed();
    if (text.isEmpty()) Clear();
    else SetAsDateTime(ParseText(text));
}

QString TDateTimeField::DefaultText(TDateTime value) const { return DateTimeToStr(value); }

TDateTime TDateTimeField::ParseText(const QString& text) const { return StrToDateTime(text); }

QString TDateTimeField::GetText(bool displayText) const {
    if (IsNull()) return QString();
    TDateTime value = AsDateTime();
    if (displayText && !mDisplayFormat.isEmpty()) return FormatDateTime(mDisplayFormat, value);
    return DefaultText(value);
}

Variant TDateTimeField::AsVariant() const {
    if (IsNull()) return Variant::Null();
    return Variant::FromDateTime(AsDateTime());
}
