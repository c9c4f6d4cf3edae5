#include "toolkit/font.h"

#include "framework/typinfo.h"

#include <QFontDatabase>
#include <cmath>

VARNEL_ENUM_NAMES(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut");
VARNEL_ENUM_NAMES(TFontPitch, "fpDefault", "fpVariable", "fpFixed");

namespace {

const TIdentMap& CharsetIdents()
{
    static const TIdentMap idents{
        {0, QStringLiteral("ANSI_CHARSET")},        {1, QStringLiteral("DEFAULT_CHARSET")},
        {2, QStringLiteral("SYMBOL_CHARSET")},      {77, QStringLiteral("MAC_CHARSET")},
        {128, QStringLiteral("SHIFTJIS_CHARSET")},  {129, QStringLiteral("HANGEUL_CHARSET")},
        {134, QStringLiteral("GB2312_CHARSET")},    {136, QStringLiteral("CHINESEBIG5_CHARSET")},
        {161, QStringLiteral("GREEK_CHARSET")},     {162, QStringLiteral("TURKISH_CHARSET")},
        {177, QStringLiteral("HEBREW_CHARSET")},    {178, QStringLiteral("ARABIC_CHARSET")},
        {186, QStringLiteral("BALTIC_CHARSET")},    {204, QStringLiteral("RUSSIAN_CHARSET")},
        {222, QStringLiteral("THAI_CHARSET")},      {238, QStringLiteral("EASTEUROPE_CHARSET")},
        {255, QStringLiteral("OEM_CHARSET")},
    };
    return idents;
}

} // namespace

VARNEL_PUBLISH(TFont, c)
{
    c.prop("Charset", &TFont::Charset, &TFont::SetCharset).idents(CharsetIdents()).def(DEFAULT_CHARSET);
    c.prop("Color", &TFont::Color, &TFont::SetColor).idents(ColorIdents()).def(clWindowText);
    c.prop("Height", &TFont::Height, &TFont::SetHeight).def(-11);
    c.prop("Name", &TFont::Name, &TFont::SetName).def(QStringLiteral("MS Sans Serif"));
    c.prop("Pitch", &TFont::Pitch, &TFont::SetPitch).def(fpDefault);
    c.prop("Size", &TFont::Size, &TFont::SetSize).stored(false);
    c.prop("Style", &TFont::Style, &TFont::SetStyle).def(TFontStyles{});
}

TFont::TFont()
    : mName(QStringLiteral("MS Sans Serif")), mHeight(-11), mColor(clWindowText), mCharset(DEFAULT_CHARSET),
      mPitch(fpDefault)
{
}

void TFont::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TFont::SetName(const QString& name)
{
    if (name.isEmpty() || name == mName)
        return;
    mName = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == mHeight)
        return;
    mHeight = height;
    Changed();
}

int TFont::Size() const
{
    return int(std::lround(-mHeight * 72.0 / kScreenPixelsPerInch));
}

void TFont::SetSize(int points)
{
    SetHeight(-int(std::lround(points * double(kScreenPixelsPerInch) / 72.0)));
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == mStyle)
        return;
    mStyle = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == mColor)
        return;
    mColor = color;
    Changed();
}

void TFont::SetCharset(TFontCharset charset)
{
    if (charset == mCharset)
        return;
    mCharset = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch)
{
    if (pitch == mPitch)
        return;
    mPitch = pitch;
    Changed();
}

void TFont::Assign(const TPersistent* source)
{
    const auto* font = dynamic_cast<const TFont*>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    const bool differs = mName != font->mName || mHeight != font->mHeight || mStyle != font->mStyle ||
                         mColor != font->mColor || mCharset != font->mCharset || mPitch != font->mPitch;
    mName = font->mName;
    mHeight = font->mHeight;
    mStyle = font->mStyle;
    mColor = font->mColor;
    mCharset = font->mCharset;
    mPitch = font->mPitch;
    if (differs)
        Changed();
}

QFont TFont::ToQFont() const
{
    QFont font(mName);
    // A positive height is the whole character cell; the glyphs take about
    // three quarters of it.
    const int pixels = mHeight < 0 ? -mHeight : std::max(1, mHeight * 3 / 4);
    font.setPixelSize(std::max(1, pixels));
    font.setBold(mStyle.Contains(fsBold));
    font.setItalic(mStyle.Contains(fsItalic));
    font.setUnderline(mStyle.Contains(fsUnderline));
    font.setStrikeOut(mStyle.Contains(fsStrikeOut));
    if (mPitch == fpFixed)
        font.setFixedPitch(true);
    font.setStyleHint(mPitch == fpFixed ? QFont::Monospace : QFont::SansSerif);
    // Definitions are laid out for their own faces ("MS Sans Serif" above
    // all), which are narrower than the sans faces that stand in for them
    // here; a semi-condensed stand-in keeps captions inside their room.
    if (!QFontDatabase::hasFamily(mName))
        font.setStretch(QFont::SemiCondensed);
    return font;
}
