// Colours as handlers and window definitions name them.
//
// A TColor is either an RGB value stored as 0x00BBGGRR, or a system colour:
// 0xFF000000 | index, resolved against the application's palette when drawn,
// so a system colour follows the look of the Qt widgets around it.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

using TColor = int32_t;

constexpr TColor TColorRGB(int red, int green, int blue)
{
    return TColor((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr TColor clSystemColor = TColor(0xFF000000);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor clBlack = TColorRGB(0, 0, 0);
constexpr TColor clMaroon = TColorRGB(128, 0, 0);
constexpr TColor clGreen = TColorRGB(0, 128, 0);
constexpr TColor clOlive = TColorRGB(128, 128, 0);
constexpr TColor clNavy = TColorRGB(0, 0, 128);
constexpr TColor clPurple = TColorRGB(128, 0, 128);
constexpr TColor clTeal = TColorRGB(0, 128, 128);
constexpr TColor clGray = TColorRGB(128, 128, 128);
constexpr TColor clSilver = TColorRGB(192, 192, 192);
constexpr TColor clRed = TColorRGB(255, 0, 0);
constexpr TColor clLime = TColorRGB(0, 255, 0);
constexpr TColor clYellow = TColorRGB(255, 255, 0);
constexpr TColor clBlue = TColorRGB(0, 0, 255);
constexpr TColor clFuchsia = TColorRGB(255, 0, 255);
constexpr TColor clAqua = TColorRGB(0, 255, 255);
constexpr TColor clWhite = TColorRGB(255, 255, 255);
constexpr TColor clNone = TColor(0x1FFFFFFF);
constexpr TColor clDefault = TColor(0x20000000);

// The RGB value (0x00BBGGRR) a colour shows as; system colours come from the
// application's palette. clNone and clDefault resolve to black.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// Colour names as window definitions write them ("clBtnFace"), both ways.
QString ColorToIdent(TColor color);
std::optional<TColor> IdentToColor(const QString& ident);

// The colour names as an identifier map for integer colour properties.
struct TIdentEntry;
const std::vector<TIdentEntry>& ColorIdents();
