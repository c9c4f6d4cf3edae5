#include "toolkit/gauges.h"

#include "framework/typinfo.h"

#include <QImage>

#include <algorithm>

VARNEL_ENUM_NAMES(TGaugeKind, "gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie", "gkNeedle");
VARNEL_ENUM_NAMES(TGaugeBorderStyle, "bsNone", "bsSingle");

VARNEL_PUBLISH(TGauge, c)
{
    c.prop("Kind", &TGauge::Kind, &TGauge::SetKind).def(gkHorizontalBar);
    c.prop("BorderStyle", &TGauge::BorderStyle, &TGauge::SetBorderStyle).def(gbsSingle);
    c.prop("ForeColor", &TGauge::ForeColor, &TGauge::SetForeColor).idents(ColorIdents()).def(clBlack);
    c.prop("BackColor", &TGauge::BackColor, &TGauge::SetBackColor).idents(ColorIdents()).def(clWhite);
    c.prop("ShowText", &TGauge::ShowText, &TGauge::SetShowText).def(true);
    c.prop("MinValue", &TGauge::MinValue, &TGauge::SetMinValue).def(0);
    c.prop("MaxValue", &TGauge::MaxValue, &TGauge::SetMaxValue).def(100);
    c.prop("Progress", &TGauge::Progress, &TGauge::SetProgress).def(0);
}

TGauge::TGauge(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 100, 100);
}

int TGauge::PercentDone() const
{
    const qint64 range = qint64(mMaxValue) - mMinValue;
    if (range == 0)
        return 0;
    return int((qint64(mProgress) - mMinValue) * 100 / range);
}

void TGauge::SetValues(qint32 minValue, qint32 maxValue, qint32 progress)
{
    const int before = PercentDone();
    mMinValue = minValue;
    mMaxValue = maxValue;
    mProgress = std::clamp(progress, std::min(minValue, maxValue), std::max(minValue, maxValue));
    if (PercentDone() != before)
        Invalidate();
}

void TGauge::SetMinValue(qint32 value)
{
    SetValues(value, std::max(value, mMaxValue), mProgress);
}

void TGauge::SetMaxValue(qint32 value)
{
    SetValues(std::min(value, mMinValue), value, mProgress);
}

void TGauge::SetProgress(qint32 value)
{
    SetValues(mMinValue, mMaxValue, value);
}

void TGauge::SetKind(TGaugeKind kind)
{
    if (kind == gkPie || kind == gkNeedle)
        throw EPropertyError(QStringLiteral("%1: pie and needle gauges are not yet supported")
                                 .arg(Name().isEmpty() ? ClassName() : Name()));
    mKind = kind;
    Invalidate();
}

void TGauge::SetBorderStyle(TGaugeBorderStyle style)
{
    mBorderStyle = style;
    Invalidate();
}

void TGauge::SetForeColor(TColor color)
{
    mForeColor = color;
    Invalidate();
}

void TGauge::SetBackColor(TColor color)
{
    mBackColor = color;
    Invalidate();
}

void TGauge::SetShowText(bool value)
{
    mShowText = value;
    Invalidate();
}

QRect TGauge::FilledPart(const QRect& inside) const
{
    const int percent = PercentDone();
    switch (mKind) {
    case gkHorizontalBar:
        return QRect(inside.left(), inside.top(), inside.width() * percent / 100, inside.height());
    case gkVerticalBar: {
        const int height = inside.height() * percent / 100;
        return QRect(inside.left(), inside.bottom() + 1 - height, inside.width(), height);
    }
    default:
        return QRect();
    }
}

void TGauge::Paint(QPainter& painter)
{
    QRect inside = Widget()->rect();
    if (mBorderStyle == gbsSingle) {
        painter.setPen(Qt::black);
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        inside.adjust(1, 1, -1, -1);
    }
    if (inside.isEmpty())
        return;
    // The bar and its text are composed off screen: the text inverts the
    // colours under it, which only a raster image guarantees whatever the
    // widget paints on.
    QImage image(inside.size(), QImage::Format_RGB32);
    QPainter bar(&image);
    const QRect local(QPoint(0, 0), inside.size());
    bar.fillRect(local, ToQColor(mBackColor));
    bar.fillRect(FilledPart(local), ToQColor(mForeColor));
    if (mShowText)
        DrawInvertedText(bar, local);
    bar.end();
    painter.drawImage(inside.topLeft(), image);
}

void TGauge::DrawInvertedText(QPainter& painter, const QRect& area) const
{
    // Glyphs without smoothing, so that every pixel is either the bar's own
    // or its exact inverse; white XOR inverts red, green and blue.
    QFont font = Font()->ToQFont();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, QStringLiteral("%1%").arg(PercentDone()));
}
