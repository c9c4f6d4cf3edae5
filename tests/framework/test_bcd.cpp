// The BCD record: layout, text, integer, currency and double conversions,
// rounding and precision limits.
#include "framework/bcd.h"
#include "fixtures.h"
#include "valuefixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Bcd : public InvariantFormats {};

QByteArray Bytes(const TBcd& bcd) { return QByteArray(reinterpret_cast<const char*>(&bcd), sizeof bcd); }

TEST_F(Bcd, RecordLayoutIsPrecisionSignPlacesAndPackedDigits) {
    struct Case {
        const char* text;
        QByteArray head;  // precision, sign/places, then the leading digit bytes
    };
    const Case cases[] = {
        {"12.34", QByteArray::fromHex("04021234")},
        {"-1.5", QByteArray::fromHex("028115")},
        {"0", QByteArray::fromHex("010000")},
        {"-0.00", QByteArray::fromHex("020200")},  // zero is never negative; leading zero of the whole part dropped
        {"123", QByteArray::fromHex("03001230")},
        {"0.05", QByteArray::fromHex("020205")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QByteArray bytes = Bytes(StrToBcd(QString::fromLatin1(c.text)));
        ASSERT_EQ(bytes.size(), 34);
        EXPECT_EQ(bytes.left(c.head.size()).toHex(), c.head.toHex());
        EXPECT_EQ(bytes.mid(c.head.size()), QByteArray(34 - c.head.size(), '\0'));
    }
}

TEST_F(Bcd, TextRoundTripKeepsWrittenDecimals) {
    const std::pair<const char*, const char*> cases[] = {
        {"12.34", "12.34"}, {"-0.50", "-0.50"}, {"007", "7"}, {"+3", "3"}, {" 1.0 ", "1.0"}, {".5", "0.5"},
        {"5.", "5"}, {"-0", "0"}, {"12345678901234567890.1234", "12345678901234567890.1234"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(BcdToStr(StrToBcd(QString::fromLatin1(text))), QString::fromLatin1(expected));
    }
}

TEST_F(Bcd, BadTextRaisesConvertError) {
    for (const char* text : {"", " ", "abc", "1.2.3", "1e5", "--1", "1,5", "12a", "-", "."}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(StrToBcd(QString::fromLatin1(text)), EConvertError);
        TBcd untouched = StrToBcd(QStringLiteral("7"));
        EXPECT_FALSE(TryStrToBcd(QString::fromLatin1(text), untouched));
        EXPECT_EQ(BcdToStr(untouched), QStringLiteral("7"));
    }
}

TEST_F(Bcd, LocaleDecimalSeparatorIsUsedBothWays) {
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(BcdToStr(StrToBcd(QStringLiteral("3,5"))), QStringLiteral("3,5"));
    EXPECT_THROW(StrToBcd(QStringLiteral("3.5")), EConvertError);
    EXPECT_EQ(BcdToStrF(StrToBcd(QStringLiteral("-12,345")), ffFixed, 18, 2), QStringLiteral("-12,35"));
}

TEST_F(Bcd, DigitLimitIsSixtyFour) {
    const QString max(64, QLatin1Char('9'));
    EXPECT_EQ(StrToBcd(max).Precision, 64);
    EXPECT_EQ(BcdToStr(StrToBcd(max)), max);
    EXPECT_THROW(StrToBcd(max + QLatin1Char('9')), EConvertError);
    // Leading zeros do not count.
    EXPECT_EQ(StrToBcd(QStringLiteral("000") + max).Precision, 64);
}

TEST_F(Bcd, MoneyAmountsBecomePrecisionTwentyWithFourDecimals) {
    struct Case {
        int64_t raw;
        const char* text;
    };
    const Case cases[] = {
        {123456, "12.3456"},
        {-1, "-0.0001"},
        {0, "0.0000"},
        {INT64_MAX, "922337203685477.5807"},
        {INT64_MIN, "-922337203685477.5808"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TBcd bcd = CurrencyToBcd(Currency::FromRaw(c.raw));
        EXPECT_EQ(bcd.Precision, 20);
        EXPECT_EQ(bcd.Places(), 4);
        EXPECT_EQ(BcdToStr(bcd), QString::fromLatin1(c.text));
        EXPECT_EQ(BcdToCurrency(bcd).Raw, c.raw);
    }
    // 12.3456 as 20 digits: fourteen zeros, then 1 2 3 4 5 6.
    const QByteArray bytes = Bytes(CurrencyToBcd(Currency::FromRaw(123456)));
    EXPECT_EQ(bytes.left(12).toHex(), QByteArray("140400000000000000123456"));
}

TEST_F(Bcd, CurrencyFromBcdRoundsHalfAwayFromZeroAtFourDecimals) {
    struct Case {
        const char* text;
        bool fits;
        int64_t raw;
    };
    const Case cases[] = {
        {"1.23455", true, 12346},
        {"-1.23455", true, -12346},
        {"1.23454999", true, 12345},
        {"0.00005", true, 1},
        {"922337203685477.5807", true, INT64_MAX},
        {"-922337203685477.5808", true, INT64_MIN},
        {"922337203685477.5808", false, 0},
        {"922337203685477.58075", false, 0},
        {"100000000000000000000", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Currency result = Currency::FromRaw(42);
        EXPECT_EQ(BCDToCurr(StrToBcd(QString::fromLatin1(c.text)), result), c.fits);
        EXPECT_EQ(result.Raw, c.fits ? c.raw : 42);
        if (!c.fits) {
            EXPECT_THROW(BcdToCurrency(StrToBcd(QString::fromLatin1(c.text))), EBcdOverflowError);
        }
    }
}

TEST_F(Bcd, FixedTextRespectsPrecisionAndDecimals) {
    struct Case {
        const char* value;
        int precision;
        int digits;
        const char* expected;  // "" = does not fit
    };
    const Case cases[] = {
        {"-9.99", 3, 2, "-9.99"},
        {"12.34", 3, 2, ""},      // needs four digits
        {"9.995", 3, 2, ""},      // rounds to 10.00
        {"1.005", 4, 2, "1.01"},  // half away from zero
        {"-1.005", 4, 2, "-1.01"},
        {"1.004", 4, 2, "1.00"},
        {"1234", 4, 0, "1234"},
        {"12345", 4, 0, ""},
        {"0.5", 4, 0, "1"},
        {"-0.4", 4, 0, "0"},      // no negative zero
        {"1.5", 5, 3, "1.500"},
        {"0.25", 2, 2, "0.25"},   // the zero before the point is no digit of the value
        {"99999999999999999999", 20, 0, "99999999999999999999"},
        {"99999999999999999999", 20, 4, ""},
        {"9999999999999999.9999", 20, 4, "9999999999999999.9999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(BcdToStrF(StrToBcd(QString::fromLatin1(c.value)), ffFixed, c.precision, c.digits),
                  QString::fromLatin1(c.expected));
    }
    EXPECT_EQ(BcdToStrF(StrToBcd(QStringLiteral("-1234567.5")), ffNumber, 18, 1), QStringLiteral("-1,234,567.5"));
    EXPECT_EQ(BcdToStrF(StrToBcd(QStringLiteral("2.500")), ffGeneral, 18, 0), QStringLiteral("2.5"));
}

TEST_F(Bcd, IntegersConvertBothWaysWithTruncationAndRangeChecks) {
    for (int64_t v : {int64_t(0), int64_t(-1), int64_t(42), INT64_MAX, INT64_MIN}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(BcdToStr(Int64ToBcd(v)), QString::number(v));
        EXPECT_EQ(BcdToInt64(Int64ToBcd(v)), v);
    }
    EXPECT_EQ(BcdToInt64(StrToBcd(QStringLiteral("12.99"))), 12);
    EXPECT_EQ(BcdToInt64(StrToBcd(QStringLiteral("-12.99"))), -12);
    EXPECT_THROW(BcdToInt64(StrToBcd(QStringLiteral("9223372036854775808"))), EBcdOverflowError);
    EXPECT_EQ(BcdToInt64(StrToBcd(QStringLiteral("-9223372036854775808"))), INT64_MIN);
    EXPECT_THROW(BcdToInteger(StrToBcd(QStringLiteral("2147483648"))), EBcdOverflowError);
    EXPECT_EQ(BcdToInteger(IntegerToBcd(-2147483647 - 1)), INT32_MIN);
}

TEST_F(Bcd, DoublesGoThroughTheirShortestDecimalText) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"}, {1e20, "100000000000000000000"}, {-2.5e-5, "-0.000025"},
        {123456.789, "123456.789"}, {0.0, "0"}, {-7.0, "-7"}, {2.675, "2.675"},
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(BcdToStr(DoubleToBcd(value)), QString::fromLatin1(text));
        EXPECT_DOUBLE_EQ(BcdToDouble(DoubleToBcd(value)), value);
    }
    EXPECT_THROW(DoubleToBcd(std::nan("")), EBcdOverflowError);
    EXPECT_THROW(DoubleToBcd(INFINITY), EBcdOverflowError);
}

TEST_F(Bcd, NormalizeFixesPrecisionAndPlaces) {
    TBcd out;
    ASSERT_TRUE(NormalizeBcd(StrToBcd(QStringLiteral("12.345")), out, 5, 2));
    EXPECT_EQ(out.Precision, 5);
    EXPECT_EQ(out.Places(), 2);
    EXPECT_EQ(BcdToStr(out), QStringLiteral("12.35"));
    ASSERT_TRUE(NormalizeBcd(StrToBcd(QStringLiteral("-1")), out, 6, 3));
    EXPECT_EQ(Bytes(out).left(5).toHex(), QByteArray("0683001000"));  // digits 001000, negative, 3 places
    const TBcd before = out;
    EXPECT_FALSE(NormalizeBcd(StrToBcd(QStringLiteral("123.4")), out, 4, 2));
    EXPECT_EQ(Bytes(out), Bytes(before));
}

TEST_F(Bcd, ComparisonIsNumeric) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"1.50", "1.5", 0}, {"-2", "1", -1}, {"-2", "-1", -1}, {"10", "9.99", 1},
        {"0", "-0.00", 0},  {"0.001", "0", 1}, {"-0.001", "0", -1}, {"007", "7.000", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(BcdCompare(StrToBcd(QString::fromLatin1(c.a)), StrToBcd(QString::fromLatin1(c.b))), c.expected);
    }
    EXPECT_EQ(BcdPrecision(StrToBcd(QStringLiteral("0012.340"))), 5);
    EXPECT_EQ(BcdScale(StrToBcd(QStringLiteral("0012.340"))), 3);
}

}  // namespace
