// The font of a form or control, as window definitions describe it.
//
// Height follows the platform's convention: a negative value is the
// character height in pixels (-11 is 8 points at 96 dots per inch), a
// positive one the cell height. Size is the same in points. Every change
// fires OnChange once, so the owning control can apply the font and stop
// following its parent's.
#pragma once

#include "framework/classes.h"
#include "toolkit/graphics.h"

#include <QFont>

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

using TFontCharset = uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset OEM_CHARSET = 255;

constexpr int kScreenPixelsPerInch = 96;

class TFont : public TPersistent {
    VARNEL_DECLARE_CLASS(TFont, TPersistent)

public:
    TFont();

    QString Name() const { return mName; }
    void SetName(const QString& name);
    int Height() const { return mHeight; }
    void SetHeight(int height);
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return mStyle; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return mColor; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return mCharset; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return mPitch; }
    void SetPitch(TFontPitch pitch);

    void Assign(const TPersistent* source) override;

    // The Qt font this describes (the colour is applied separately).
    QFont ToQFont() const;

    TNotifyEvent OnChange;

private:
    void Changed();

    QString mName;
    int mHeight;
    TFontStyles mStyle;
    TColor mColor;
    TFontCharset mCharset;
    TFontPitch mPitch;
};
