// Format settings and the text forms of numbers.
//
// FormatSettings() is the process's global settings object: every AsString,
// DisplayFormat and text-to-number conversion without explicit settings uses
// it. It starts from the system locale (decimal and thousand separators, the
// date order); tests assign fields directly and restore them afterwards
// (TFormatSettingsGuard). It is not synchronised: change it only while no
// other thread formats.
//
// Number texts: decimal digits, an optional sign, the settings' decimal
// separator and an optional exponent ("1,5E3" with ','). Leading and
// trailing blanks are allowed; anything else raises EConvertError with the
// text quoted: "'abc' is not a valid floating point value".
#pragma once

#include "framework/classes.h"

#include <QChar>
#include <QLocale>
#include <QString>

struct TFormatSettings {
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(',');
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    // Date and time patterns of FormatDateTime (datetime.h): d dd ddd dddd,
    // m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, am/pm, "/" and ":"
    // for the separators above, quoted literals.
    QString ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    QString LongDateFormat = QStringLiteral("dddd d mmmm yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:nn");
    QString LongTimeFormat = QStringLiteral("hh:nn:ss");
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    QString CurrencyString = QStringLiteral("\u20AC");
    int CurrencyDecimals = 2;
    // Years written with two digits in a text belong to the century window
    // that ends TwoDigitYearCenturyWindow years after the current year.
    int TwoDigitYearCenturyWindow = 50;
    QStringList ShortMonthNames;  // 12 names, from the locale
    QStringList LongMonthNames;
    QStringList ShortDayNames;    // 7 names, Sunday first
    QStringList LongDayNames;

    // Settings taken from a Qt locale (separators, date order, names).
    static TFormatSettings FromLocale(const QLocale& locale);
    // Fixed settings independent of the system: '.' decimals, ',' thousands,
    // "yyyy-mm-dd" / "hh:nn:ss", English names.
    static TFormatSettings Invariant();
};

// The global settings (see the header comment).
TFormatSettings& FormatSettings();

// Saves the global settings and puts them back when it goes out of scope.
class TFormatSettingsGuard {
public:
    TFormatSettingsGuard() : mSaved(FormatSettings()) {}
    ~TFormatSettingsGuard() { FormatSettings() = mSaved; }
    TFormatSettingsGuard(const TFormatSettingsGuard&) = delete;
    TFormatSettingsGuard& operator=(const TFormatSettingsGuard&) = delete;

private:
    TFormatSettings mSaved;
};

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Shortest general text with at most 15 significant digits ("0.1", "1E20"
// from 1e20, "-1.5"); NaN and infinities give "NAN", "INF", "-INF".
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings& settings);

// ffFixed: `digits` decimals, rounded half away from zero; when the value
// needs more than `precision` significant digits (1..18) before the point
// the general form is used instead. ffNumber: as ffFixed with thousand
// separators. ffGeneral: at most `precision` significant digits, trailing
// zeros dropped. ffExponent: `precision` significant digits, exponent with
// at least `digits` digits. ffCurrency: CurrencyString after the number.
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& settings);

// Display masks such as "###.##", "#,##0.00", "0.0##", "0.00E+00" and
// "pos;neg;zero" sections: '0' a digit always shown, '#' a digit shown when
// significant, '.' the decimal separator, ',' anywhere before it turns on
// thousand separators, "E+"/"E-" an exponent, quoted text literal. An empty
// mask is FloatToStr. Rounding is half away from zero.
QString FormatFloat(const QString& mask, double value);
QString FormatFloat(const QString& mask, double value, const TFormatSettings& settings);

// Text -> double with the settings' decimal separator (EConvertError).
double StrToFloat(const QString& text);
double StrToFloat(const QString& text, const TFormatSettings& settings);
bool TryStrToFloat(const QString& text, double& value);
bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& settings);

// Decimal integers, optionally "$"/"0x" hexadecimal; EConvertError
// "'x' is not a valid integer value" for bad text or a value out of range.
int32_t StrToInt(const QString& text);
int64_t StrToInt64(const QString& text);
bool TryStrToInt(const QString& text, int32_t& value);
bool TryStrToInt64(const QString& text, int64_t& value);
