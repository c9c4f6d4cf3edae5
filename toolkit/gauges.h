// A progress gauge: a bar filled in proportion to Progress between MinValue
// and MaxValue, with the whole percentage written in its middle ("42%"),
// every pixel of the text inverting the colour beneath it (black over a
// white background, yellow over a blue bar).
//
// Invariants: MinValue <= Progress <= MaxValue (Progress is clamped, and
// moves with the bounds); the gauge repaints only when the whole percentage
// it shows changes.
#pragma once

#include "toolkit/controls.h"

enum TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum TGaugeBorderStyle { gbsNone, gbsSingle };

class TGauge : public TGraphicControl {
    VARNEL_DECLARE_CLASS(TGauge, TGraphicControl)

public:
    explicit TGauge(TComponent* owner);

    TGaugeKind Kind() const { return mKind; }
    // Pie and needle gauges are refused.
    void SetKind(TGaugeKind kind);
    TGaugeBorderStyle BorderStyle() const { return mBorderStyle; }
    void SetBorderStyle(TGaugeBorderStyle style);
    TColor ForeColor() const { return mForeColor; }
    void SetForeColor(TColor color);
    TColor BackColor() const { return mBackColor; }
    void SetBackColor(TColor color);
    bool ShowText() const { return mShowText; }
    void SetShowText(bool value);

    qint32 MinValue() const { return mMinValue; }
    void SetMinValue(qint32 value);
    qint32 MaxValue() const { return mMaxValue; }
    void SetMaxValue(qint32 value);
    qint32 Progress() const { return mProgress; }
    void SetProgress(qint32 value);
    void AddProgress(qint32 delta) { SetProgress(mProgress + delta); }

    // The integer part of (Progress - Min) * 100 / (Max - Min); 0 when the
    // bounds are equal.
    int PercentDone() const;

protected:
    void Paint(QPainter& painter) override;

private:
    // Applies new bounds and progress, repainting if the percentage moved.
    void SetValues(qint32 minValue, qint32 maxValue, qint32 progress);
    QRect FilledPart(const QRect& inside) const;
    // The percentage centred in `area`, each pixel of its glyphs inverting
    // the colour beneath it.
    void DrawInvertedText(QPainter& painter, const QRect& area) const;

    TGaugeKind mKind = gkHorizontalBar;
    TGaugeBorderStyle mBorderStyle = gbsSingle;
    TColor mForeColor = clBlack;
    TColor mBackColor = clWhite;
    bool mShowText = true;
    qint32 mMinValue = 0;
    qint32 mMaxValue = 100;
    qint32 mProgress = 0;
};
