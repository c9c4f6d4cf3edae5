#include "platform/codepages.h"

#include <string_view>

namespace {

std::u16string_view View(const QString& text)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
}

} // namespace

QString CodePageToString(codepage::CodePage page, const QByteArray& bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = codepage::ToUnicode(page, static_cast<unsigned char>(bytes[i]));
    return out;
}

QByteArray StringToCodePage(codepage::CodePage page, const QString& text)
{
    return QByteArray::fromStdString(codepage::FromUtf16(page, View(text)));
}

QString AnsiToString(const QByteArray& ansi)
{
    return CodePageToString(codepage::CodePage::Ansi1252, ansi);
}

QByteArray StringToAnsi(const QString& text)
{
    return StringToCodePage(codepage::CodePage::Ansi1252, text);
}

QString OemToString(const QByteArray& oem)
{
    return CodePageToString(codepage::CodePage::Oem850, oem);
}

QByteArray StringToOem(const QString& text)
{
    return StringToCodePage(codepage::CodePage::Oem850, text);
}

QByteArray AnsiUpperCaseBytes(const QByteArray& ansi)
{
    QByteArray out = ansi;
    codepage::UpperCaseInPlace(codepage::CodePage::Ansi1252, out.data(), std::size_t(out.size()));
    return out;
}

QByteArray AnsiLowerCaseBytes(const QByteArray& ansi)
{
    QByteArray out = ansi;
    codepage::LowerCaseInPlace(codepage::CodePage::Ansi1252, out.data(), std::size_t(out.size()));
    return out;
}
