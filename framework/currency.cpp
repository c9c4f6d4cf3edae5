// Currency amounts: conversions and their plain text form.
#include "framework/currency.h"

#include "framework/formatsettings.h"
#include "framework/mathutil.h"

Currency Currency::FromDouble(double value) {
    double scaled = value * double(Scale);
    try {
        return FromRaw(Round(scaled));
    } catch (const ERangeError&) {
        throw ERangeError(QStringLiteral("Range check error: %1 does not fit a currency value").arg(value));
    }
}

QString CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }

QString CurrToStr(Currency value, const TFormatSettings& settings) {
    const bool negative = value.Raw < 0;
    // Work on the unsigned magnitude so that the smallest value is safe.
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(value.Raw) : uint64_t(value.Raw);
    uint64_t whole = magnitude / uint64_t(Currency::Scale);
    uint64_t frac = magnitude % uint64_t(Currency::Scale);
    QString text = QString::number(whole);
    if (frac != 0) {
        QString decimals = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (decimals.endsWith(QLatin1Char('0'))) decimals.chop(1);
        text += settings.DecimalSeparator + decimals;
    }
    return negative ? QLatin1Char('-') + text : text;
}

bool TryStrToCurr(const QString& text, Currency& value, const TFormatSettings& settings) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    if (t.isEmpty()) return false;
    const int sep = t.indexOf(settings.DecimalSeparator);
    const QString wholeText = sep < 0 ? t : t.left(sep);
    QString fracText = sep < 0 ? QString() : t.mid(sep + 1);
    if (wholeText.isEmpty() && fracText.isEmpty()) return false;
    for (QChar c : wholeText + fracText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    }
    // Beyond four decimals: round half away from zero on the fifth.
    bool roundUp = false;
    if (fracText.size() > 4) {
        roundUp = fracText[4] >= QLatin1Char('5');
        fracText.truncate(4);
    }
    fracText = fracText.leftJustified(4, QLatin1Char('0'));
    bool ok = true;
    const uint64_t limit = uint64_t(INT64_MAX) + (negative ? 1 : 0);
    uint64_t whole = wholeText.isEmpty() ? 0 : wholeText.toULongLong(&ok);
    if (!ok || whole > limit / uint64_t(Currency::Scale)) return false;
    uint64_t magnitude = whole * uint64_t(Currency::Scale) + fracText.toULongLong() + (roundUp ? 1 : 0);
    if (magnitude > limit) return false;
    value = Currency::FromRaw(negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude));
    return true;
}

Currency StrToCurr(const QString& text) { return StrToCurr(text, FormatSettings()); }

Currency StrToCurr(const QString& text, const TFormatSettings& settings) {
    Currency value;
    if (!TryStrToCurr(text, value, settings)) {
        throw EConvertError(QStringLiteral("'%1' is not a valid currency value").arg(text));
    }
    return value;
}
