#include "platform/codepage/codepage.h"

#include <QChar>
#include <QString>
#include <gtest/gtest.h>

#include <string>

using codepage::CodePage;

namespace {

constexpr CodePage kPages[] = {CodePage::Ansi1252, CodePage::Oem850};

std::string EveryByte()
{
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = static_cast<char>(b);
    return all;
}

std::string PageName(CodePage page)
{
    return page == CodePage::Ansi1252 ? "1252" : "850";
}

} // namespace

TEST(CodePage, EveryByteSurvivesUtf16AndUtf8RoundTrips)
{
    const std::string all = EveryByte();
    for (CodePage page : kPages) {
        SCOPED_TRACE(PageName(page));
        const std::u16string wide = codepage::ToUtf16(page, all);
        ASSERT_EQ(wide.size(), 256u);
        EXPECT_EQ(codepage::FromUtf16(page, wide), all);
        EXPECT_EQ(codepage::FromUtf8(page, codepage::ToUtf8(page, all)), all);
        // The hand-written UTF-8 encoder agrees with Qt's for every character.
        const QString viaQt = QString::fromUtf16(wide.data(), qsizetype(wide.size()));
        EXPECT_EQ(QByteArray::fromStdString(codepage::ToUtf8(page, all)), viaQt.toUtf8());
    }
}

TEST(CodePage, KnownCharactersDecodeAsThePagesDefineThem)
{
    struct Case { CodePage page; unsigned char byte; char16_t unicode; };
    const Case cases[] = {
        {CodePage::Ansi1252, 0x41, u'A'},   {CodePage::Ansi1252, 0x80, 0x20AC},
        {CodePage::Ansi1252, 0x81, 0x0081}, {CodePage::Ansi1252, 0x9D, 0x009D},
        {CodePage::Ansi1252, 0x9F, 0x0178}, {CodePage::Ansi1252, 0xE9, 0x00E9},
        {CodePage::Oem850, 0x41, u'A'},     {CodePage::Oem850, 0x82, 0x00E9},
        {CodePage::Oem850, 0x9F, 0x0192},   {CodePage::Oem850, 0xB0, 0x2591},
        {CodePage::Oem850, 0xD5, 0x0131},   {CodePage::Oem850, 0xFF, 0x00A0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PageName(c.page) + " byte " + std::to_string(c.byte));
        EXPECT_EQ(codepage::ToUnicode(c.page, c.byte), c.unicode);
        unsigned char back = 0;
        ASSERT_TRUE(codepage::FromUnicode(c.page, c.unicode, back));
        EXPECT_EQ(back, c.byte);
    }
}

TEST(CodePage, CharactersOutsideThePageBecomeOneQuestionMarkEach)
{
    struct Case { CodePage page; std::u16string text; std::string expected; };
    const Case cases[] = {
        {CodePage::Oem850, u"5\u20AC", "5?"},             // euro sign is not in 850
        {CodePage::Ansi1252, u"\u0131\u2591", "??"},       // dotless i, shade block
        {CodePage::Ansi1252, u"a\U0001F600b", "a?b"},      // a surrogate pair is one character
        {CodePage::Ansi1252, u"a\xD800" "b", "a?b"},       // unpaired high surrogate
        {CodePage::Oem850, u"\xDC00", "?"},                // unpaired low surrogate
        {CodePage::Ansi1252, u"\u65E5\u672C", "??"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(codepage::FromUtf16(c.page, c.text), c.expected);
    }
}

TEST(CodePage, MalformedUtf8BecomesOneQuestionMarkPerSequence)
{
    struct Case { std::string utf8; std::string expected; };
    const Case cases[] = {
        {"caf\xC3\xA9", "caf\xE9"},
        {"\xC3", "?"},                       // truncated at the end
        {"\xC3" "A", "?A"},                  // continuation missing
        {"\xE0\x80\x80", "???"},             // overlong: the lead alone is malformed, then two stray bytes
        {"\xED\xA0\x80", "???"},             // encoded surrogate
        {"\xF4\x90\x80\x80", "????"},        // beyond U+10FFFF
        {"\xFF\xFE", "??"},
        {"\xF0\x9F\x98\x80", "?"},           // valid, but not in the page
        {"\xE2\x82\xAC", "\x80"},            // euro sign
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(codepage::FromUtf8(CodePage::Ansi1252, c.utf8), c.expected);
    }
}

TEST(CodePage, CaseFoldingAgreesWithUnicodeWithinEachPage)
{
    for (CodePage page : kPages) {
        SCOPED_TRACE(PageName(page));
        for (int b = 0; b < 256; ++b) {
            const QChar ch(codepage::ToUnicode(page, static_cast<unsigned char>(b)));
            unsigned char upper = static_cast<unsigned char>(b);
            unsigned char lower = static_cast<unsigned char>(b);
            codepage::FromUnicode(page, ch.toUpper().unicode(), upper);
            codepage::FromUnicode(page, ch.toLower().unicode(), lower);
            EXPECT_EQ(codepage::UpperCase(page, b), upper) << "byte " << b;
            EXPECT_EQ(codepage::LowerCase(page, b), lower) << "byte " << b;
        }
    }
}

TEST(CodePage, CaseFoldingOfStrings)
{
    struct Case { CodePage page; std::string lower; std::string upper; };
    const Case cases[] = {
        {CodePage::Ansi1252, "d\xE9j\xE0 \x9C\x9A\xFF", "D\xC9J\xC0 \x8C\x8A\x9F"},
        {CodePage::Oem850, "d\x82j\x85 \xA4\x9B", "D\x90J\xB7 \xA5\x9D"},
        // Letters whose other form the page lacks keep their byte.
        {CodePage::Ansi1252, "\xDF\xB5", "\xDF\xB5"},
        {CodePage::Oem850, "\xE1\x98", "\xE1\x98"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.upper);
        EXPECT_EQ(codepage::UpperCase(c.page, c.lower), c.upper);
        EXPECT_EQ(codepage::LowerCase(c.page, c.upper), c.lower);
    }
    EXPECT_EQ(codepage::CompareIgnoreCase(CodePage::Ansi1252, "\xE9t\xE9", "\xC9T\xC9"), 0);
    EXPECT_LT(codepage::CompareIgnoreCase(CodePage::Ansi1252, "abc", "ABCD"), 0);
    EXPECT_GT(codepage::CompareIgnoreCase(CodePage::Ansi1252, "abd", "ABC"), 0);
}

TEST(CodePage, OemTextIsReencodedAsAnsi)
{
    EXPECT_EQ(codepage::Convert(CodePage::Oem850, CodePage::Ansi1252, "\x82t\x82 \xB0"), "\xE9t\xE9 ?");
    EXPECT_EQ(codepage::Convert(CodePage::Ansi1252, CodePage::Oem850, "\xE9\x80"), "\x82?");
}
