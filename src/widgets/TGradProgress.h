#pragma once

#include "platform/TColor.h"

#include <QHash>
#include <QImage>
#include <QStaticText>
#include <QWidget>

// A progress bar whose filled part is a colour gradient from StartColor to EndColor over a plain
// BackColor, inside a bevel, with an optional percentage text. A Position change draws the bar
// at once (synchronous repaint), so it moves while the caller keeps the GUI thread busy.
class TGradProgress : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TStyle Style READ style WRITE setStyle)
    Q_PROPERTY(TBevelStyleExt BevelStyle READ bevelStyle WRITE setBevelStyle)
    Q_PROPERTY(int BevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int StartColor READ startColor WRITE setStartColor)
    Q_PROPERTY(int EndColor READ endColor WRITE setEndColor)
    Q_PROPERTY(int Position READ position WRITE setPosition)
    Q_PROPERTY(int MaxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(int Step READ step WRITE setStep)
    Q_PROPERTY(bool ShowPercent READ showPercent WRITE setShowPercent)
    Q_PROPERTY(int BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(int FontColor READ fontColor WRITE setFontColor)

public:
    enum TStyle { gsVertical, gsHorizontal };
    Q_ENUM(TStyle)
    enum TBevelStyleExt { bsLowered, bsRaised, bsNone };
    Q_ENUM(TBevelStyleExt)

    explicit TGradProgress(QWidget* parent = nullptr);

    TStyle style() const { return style_; }
    void setStyle(TStyle style);
    TBevelStyleExt bevelStyle() const { return bevelStyle_; }
    void setBevelStyle(TBevelStyleExt bevelStyle);
    // 1..10; a width that leaves no room for the bar (2 x width > size - 4) is refused.
    int bevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int bevelWidth);
    TColor startColor() const { return startColor_; }
    void setStartColor(TColor colour);
    TColor endColor() const { return endColor_; }
    void setEndColor(TColor colour);
    // Negative values and the current value are ignored; values above MaxValue are clamped.
    int position() const { return position_; }
    void setPosition(int position);
    int maxValue() const { return maxValue_; }
    void setMaxValue(int maxValue);
    int step() const { return step_; }
    void setStep(int step) { step_ = step; }
    bool showPercent() const { return showPercent_; }
    void setShowPercent(bool show);
    TColor backColor() const { return backColor_; }
    void setBackColor(TColor colour);
    // Colour of the percentage text (the font's colour); default white.
    TColor fontColor() const { return fontColor_; }
    void setFontColor(TColor colour);

    // Position := Position + Step, through setPosition.
    void Stepit();

    // The fill length in pixels for the current values, and the percentage text drawn from it.
    int fillLength() const;
    QString percentText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void splitColours();
    // The colour of gradient line i (0..F) of a fill F pixels long.
    QRgb gradientColour(int i, int fill) const;
    const QStaticText& laidOutText(const QString& text);
    QRect innerRect() const;
    void drawBevel(QPainter& painter) const;
    void drawVerticalText(QPainter& painter, const QRect& inner, const QString& text) const;

    TStyle style_ = gsHorizontal;
    TBevelStyleExt bevelStyle_ = bsLowered;
    int bevelWidth_ = 1;
    TColor startColor_ = 0xFF0000;
    TColor endColor_ = 0x0000FF;
    int position_ = 0;
    int maxValue_ = 100;
    int step_ = 1;
    bool showPercent_ = true;
    TColor backColor_ = clBtnFace;
    TColor fontColor_ = clWhite;

    // The colour of each position t (0..255) along the gradient, from StartColor to EndColor.
    QRgb gradient_[256] = {};
    QImage buffer_;
    QHash<QString, QStaticText> laidOut_;
};
