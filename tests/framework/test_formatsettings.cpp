// Number texts under the format settings: general and fixed forms, display
// masks, parsing, integer texts, currency texts and the rounding rule.
#include "framework/currency.h"
#include "framework/formatsettings.h"
#include "framework/mathutil.h"
#include "fixtures.h"
#include "valuefixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class NumberText : public InvariantFormats {};

TEST_F(NumberText, RoundGoesToTheEvenNeighbourOnHalves) {
    const std::pair<double, int64_t> cases[] = {
        {42.5, 42}, {43.5, 44}, {99.5, 100}, {-2.5, -2}, {-3.5, -4}, {0.4999999, 0}, {2.5000001, 3}, {-0.5, 0},
        {1e15 + 0.5, int64_t(1e15)},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(Round(value), expected);
    }
    EXPECT_THROW(Round(std::nan("")), ERangeError);
    EXPECT_THROW(Round(9.3e18), ERangeError);
    EXPECT_EQ(CheckedInt32(INT32_MIN, "x"), INT32_MIN);
    EXPECT_THROW(CheckedInt32(int64_t(INT32_MAX) + 1, "x"), ERangeError);
}

TEST_F(NumberText, GeneralFormHasAtMostFifteenSignificantDigits) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "0"}, {1.0, "1"}, {-1.5, "-1.5"}, {0.1, "0.1"}, {1.0 / 3, "0.333333333333333"},
        {1e20, "1E20"}, {123456789012345.0, "123456789012345"}, {1234567890123456.0, "1.23456789012346E15"},
        {0.0001, "0.0001"}, {0.00001, "1E-5"}, {-2.5e-7, "-2.5E-7"}, {100.0, "100"},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(FloatToStr(value), QString::fromLatin1(expected));
    }
    EXPECT_EQ(FloatToStr(std::nan("")), QStringLiteral("NAN"));
    EXPECT_EQ(FloatToStr(-INFINITY), QStringLiteral("-INF"));
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(FloatToStr(3.5), QStringLiteral("3,5"));
}

TEST_F(NumberText, FixedFormRoundsAndFallsBackWhenTooWide) {
    struct Case {
        double value;
        TFloatFormat format;
        int precision, digits;
        const char* expected;
    };
    const Case cases[] = {
        {12.34, ffFixed, 4, 2, "12.34"},
        {-9.99, ffFixed, 4, 2, "-9.99"},
        {123.45, ffFixed, 4, 2, "123.45"},   // three whole digits fit four
        {12345.6, ffFixed, 4, 2, "1.235E4"}, // five do not: general form
        {2.675, ffFixed, 15, 2, "2.68"},     // decimal digits, not binary ones
        {-0.004, ffFixed, 15, 2, "0.00"},
        {0.5, ffFixed, 15, 0, "1"},
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
        {-1000, ffNumber, 15, 0, "-1,000"},
        {1.5, ffCurrency, 15, 2, "1.50 $"},
        {12345.678, ffExponent, 4, 2, "1.235E+04"},
        {0.000123, ffGeneral, 2, 0, "0.00012"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), QString::fromLatin1(c.expected));
    }
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    FormatSettings().ThousandSeparator = QLatin1Char(' ');
    EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 1), QStringLiteral("1 234,5"));
}

TEST_F(NumberText, DisplayMasks) {
    struct Case {
        const char* mask;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"###.##", 42.5, "42.5"},
        {"###.##", 99.999, "100"},
        {"###.##", 3.14159, "3.14"},
        {"###.##", 0.5, ".5"},
        {"###.##", 0.0, "0"},
        {"###.##", 1234.567, "1234.57"},
        {"###.##", -7.125, "-7.13"},
        {"0.00", 3.0, "3.00"},
        {"0.0##", 1.23456, "1.235"},
        {"0.0##", 1.2, "1.2"},
        {"#,##0.00", 1234567.891, "1,234,567.89"},
        {"#,##0", 999.5, "1,000"},
        {"000", 7.0, "007"},
        {"0.00E+00", 12345.0, "1.23E+04"},
        {"0.0E-0", 0.00123, "1.2E-3"},
        {"'x'0", 5.0, "x5"},
        {"0 'pct'", 5.0, "5 pct"},
        {"0.0;(0.0)", -2.5, "(2.5)"},
        {"0.0;(0.0);'zero'", 0.01, "zero"},
        {"0.0;-0.0;'zero'", -0.04, "zero"},
        {"", 0.25, "0.25"},
        {"0.00", -0.001, "0.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " / " + std::to_string(c.value));
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.mask), c.value), QString::fromLatin1(c.expected));
    }
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    FormatSettings().ThousandSeparator = QLatin1Char('.');
    EXPECT_EQ(FormatFloat(QStringLiteral("###.##"), 42.5), QStringLiteral("42,5"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
}

TEST_F(NumberText, ParsingUsesTheDecimalSeparator) {
    struct Case {
        QChar separator;
        const char* text;
        bool valid;
        double value;
    };
    const Case cases[] = {
        {QLatin1Char('.'), "3.5", true, 3.5},      {QLatin1Char('.'), " -12 ", true, -12},
        {QLatin1Char('.'), "1e3", true, 1000},     {QLatin1Char('.'), "1.5E-2", true, 0.015},
        {QLatin1Char('.'), ".5", true, 0.5},       {QLatin1Char('.'), "5.", true, 5},
        {QLatin1Char('.'), "3,5", false, 0},       {QLatin1Char(','), "3,5", true, 3.5},
        {QLatin1Char(','), "3.5", false, 0},       {QLatin1Char('.'), "", false, 0},
        {QLatin1Char('.'), "abc", false, 0},       {QLatin1Char('.'), "1e", false, 0},
        {QLatin1Char('.'), "--1", false, 0},       {QLatin1Char('.'), "1 000", false, 0},
        {QLatin1Char('.'), "inf", false, 0},       {QLatin1Char('.'), "1e999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FormatSettings().DecimalSeparator = c.separator;
        double value = 42;
        EXPECT_EQ(TryStrToFloat(QString::fromLatin1(c.text), value), c.valid);
        if (c.valid) {
            EXPECT_DOUBLE_EQ(value, c.value);
            EXPECT_DOUBLE_EQ(StrToFloat(QString::fromLatin1(c.text)), c.value);
        } else {
            EXPECT_DOUBLE_EQ(value, 42);
            EXPECT_THROW(StrToFloat(QString::fromLatin1(c.text)), EConvertError);
        }
    }
}

TEST_F(NumberText, IntegerTexts) {
    const std::pair<const char*, int64_t> valid[] = {
        {"0", 0}, {"-17", -17}, {" +5 ", 5}, {"$FF", 255}, {"0x10", 16},
        {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& [text, expected] : valid) {
        SCOPED_TRACE(text);
        EXPECT_EQ(StrToInt64(QString::fromLatin1(text)), expected);
    }
    for (const char* text : {"", "1.5", "12a", "9223372036854775808", "- 1", "$", "0xG"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(StrToInt64(QString::fromLatin1(text)), EConvertError);
    }
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), INT32_MIN);
    EXPECT_THROW(StrToInt(QStringLiteral("2147483648")), EConvertError);
    try {
        StrToInt(QStringLiteral("abc"));
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid integer value"));
    }
}

TEST_F(NumberText, CurrencyTextsAndConversions) {
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0"}, {12345, "1.2345"}, {15000, "1.5"}, {-1, "-0.0001"},
        {INT64_MAX, "922337203685477.5807"}, {INT64_MIN, "-922337203685477.5808"},
    };
    for (const auto& [raw, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CurrToStr(Currency::FromRaw(raw)), QString::fromLatin1(text));
        EXPECT_EQ(StrToCurr(QString::fromLatin1(text)).Raw, raw);
    }
    EXPECT_EQ(StrToCurr(QStringLiteral("1.23455")).Raw, 12346);
    EXPECT_THROW(StrToCurr(QStringLiteral("922337203685477.5808")), EConvertError);
    EXPECT_THROW(StrToCurr(QStringLiteral("1,5")), EConvertError);
    EXPECT_EQ(Currency::FromDouble(0.00016).Raw, 2);
    EXPECT_EQ(Currency::FromDouble(2.5 / 1024).Raw, 24);  // 24.4140625
    EXPECT_EQ(Currency::FromDouble(-12.5).Raw, -125000);
    EXPECT_THROW(Currency::FromDouble(1e16), ERangeError);
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(CurrToStr(Currency::FromRaw(-15000)), QStringLiteral("-1,5"));
}

TEST_F(NumberText, LocaleSettingsTakeSeparatorsAndDateOrder) {
    const TFormatSettings french = TFormatSettings::FromLocale(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(french.DecimalSeparator, QLatin1Char(','));
    EXPECT_EQ(french.ShortDateFormat, QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(french.LongMonthNames.value(11), QStringLiteral("décembre"));
    const TFormatSettings american = TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(american.DecimalSeparator, QLatin1Char('.'));
    EXPECT_EQ(american.ShortDateFormat, QStringLiteral("mm/dd/yyyy"));
    EXPECT_EQ(american.ShortDayNames.value(0), QStringLiteral("Sun"));
}

}  // namespace
