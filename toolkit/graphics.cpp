#include "toolkit/graphics.h"

#include "framework/typinfo.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct NamedColor {
    const char* name;
    TColor color;
};

constexpr NamedColor kNamedColors[] = {
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
    {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
    {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
    {"clNone", clNone}, {"clDefault", clDefault},
    {"clScrollBar", clScrollBar}, {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption}, {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu}, {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText}, {"clWindowText", clWindowText}, {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder}, {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace}, {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText}, {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText}, {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText}, {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
};

QColor SystemColor(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 1: case 12: return palette.color(QPalette::Window);
    case 2: case 13: return palette.color(QPalette::Highlight);
    case 3: return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 4: case 15: case 10: case 11: return palette.color(QPalette::Button);
    case 5: return palette.color(QPalette::Base);
    case 6: case 21: return palette.color(QPalette::Shadow);
    case 7: case 8: return palette.color(QPalette::WindowText);
    case 9: case 14: return palette.color(QPalette::HighlightedText);
    case 16: return palette.color(QPalette::Dark);
    case 17: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 18: return palette.color(QPalette::ButtonText);
    case 19: return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: return palette.color(QPalette::Light);
    case 22: return palette.color(QPalette::Midlight);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Button);
    }
}

} // namespace

TColor FromQColor(const QColor& color)
{
    return TColorRGB(color.red(), color.green(), color.blue());
}

TColor ColorToRGB(TColor color)
{
    if (color == clNone || color == clDefault)
        return clBlack;
    if ((color & clSystemColor) == clSystemColor)
        return FromQColor(SystemColor(color & 0xFF));
    return color & 0x00FFFFFF;
}

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

QString ColorToIdent(TColor color)
{
    for (const NamedColor& named : kNamedColors)
        if (named.color == color)
            return QString::fromLatin1(named.name);
    return QString();
}

std::optional<TColor> IdentToColor(const QString& ident)
{
    for (const NamedColor& named : kNamedColors)
        if (ident.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0)
            return named.color;
    return std::nullopt;
}

const std::vector<TIdentEntry>& ColorIdents()
{
    static const std::vector<TIdentEntry> idents = [] {
        std::vector<TIdentEntry> list;
        for (const NamedColor& named : kNamedColors)
            list.push_back({qint64(named.color), QString::fromLatin1(named.name)});
        return list;
    }();
    return idents;
}
