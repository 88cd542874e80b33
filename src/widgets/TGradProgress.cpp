#include "widgets/TGradProgress.h"

#include "widgets/MulDiv.h"
#include "widgets/SystemColours.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

TGradProgress::TGradProgress(QWidget* parent) : QWidget(parent) {
    resize(150, 16);
    QFont f = font();
    f.setPointSize(8);
    f.setBold(false);
    f.setItalic(false);
    f.setUnderline(false);
    f.setStrikeOut(false);
    setFont(f);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    splitColours();
}

void TGradProgress::splitColours() {
    // The start colour's channels (red, green, blue) and the end-minus-start differences.
    const TColor start = ColorToRGB(startColor_);
    const TColor end = ColorToRGB(endColor_);
    int first[3];
    int diff[3];
    for (int c = 0; c < 3; ++c) {
        first[c] = (start >> (8 * c)) & 0xFF;
        diff[c] = ((end >> (8 * c)) & 0xFF) - first[c];
    }
    // A line's colour depends only on its position t (0..255) along the gradient.
    for (int t = 0; t < 256; ++t) {
        int channel[3];
        for (int c = 0; c < 3; ++c) {
            channel[c] = ((first[c] + MulDiv(t, diff[c], 255)) % 256 + 256) % 256;
        }
        gradient_[t] = qRgb(channel[0], channel[1], channel[2]);
    }
}

void TGradProgress::setStyle(TStyle style) {
    if (style != style_) {
        style_ = style;
        update();
    }
}

void TGradProgress::setBevelStyle(TBevelStyleExt bevelStyle) {
    if (bevelStyle != bevelStyle_) {
        bevelStyle_ = bevelStyle;
        // With a bevel the bar covers every pixel of its area, so what lies beneath need not be
        // drawn first; without one, its one-pixel margin shows the parent.
        setAttribute(Qt::WA_OpaquePaintEvent, bevelStyle_ != bsNone);
        update();
    }
}

void TGradProgress::setBevelWidth(int bevelWidth) {
    if (bevelWidth < 1 || bevelWidth > 10 || bevelWidth == bevelWidth_) {
        return;
    }
    if (2 * bevelWidth <= height() - 4 && 2 * bevelWidth <= width() - 4) {
        bevelWidth_ = bevelWidth;
    }
    update();
}

void TGradProgress::setStartColor(TColor colour) {
    if (colour != startColor_) {
        startColor_ = colour;
        splitColours();
        update();
    }
}

void TGradProgress::setEndColor(TColor colour) {
    if (colour != endColor_) {
        endColor_ = colour;
        splitColours();
        update();
    }
}

void TGradProgress::setPosition(int position) {
    if (position == position_ || position < 0) {
        return;
    }
    position_ = std::min(position, maxValue_);
    repaint();
}

void TGradProgress::setMaxValue(int maxValue) {
    if (maxValue == maxValue_) {
        return;
    }
    maxValue_ = maxValue;
    if (maxValue_ < position_) {
        position_ = maxValue_;
    }
    update();
}

void TGradProgress::setShowPercent(bool show) {
    if (show != showPercent_) {
        showPercent_ = show;
        update();
    }
}

void TGradProgress::setBackColor(TColor colour) {
    if (colour != backColor_) {
        backColor_ = colour;
        update();
    }
}

void TGradProgress::setFontColor(TColor colour) {
    if (colour != fontColor_) {
        fontColor_ = colour;
        update();
    }
}

void TGradProgress::Stepit() {
    setPosition(position_ + step_);
}

int TGradProgress::fillLength() const {
    return style_ == gsHorizontal ? MulDiv(position_, width(), maxValue_)
                                  : MulDiv(position_, height(), maxValue_);
}

QString TGradProgress::percentText() const {
    const int extent = style_ == gsHorizontal ? width() : height();
    return QString::number(MulDiv(fillLength(), 100, extent)) + QLatin1Char('%');
}

QRect TGradProgress::innerRect() const {
    const int w = width();
    const int h = height();
    if (bevelStyle_ == bsNone) {
        return QRect(QPoint(1, 1), QPoint(w - 2, h - 2));
    }
    return QRect(QPoint(bevelWidth_, bevelWidth_),
                 QPoint(w - bevelWidth_ - 1, h - bevelWidth_ - 1));
}

void TGradProgress::drawBevel(QPainter& painter) const {
    if (bevelStyle_ == bsNone) {
        return;
    }
    const QColor shadow = TColorToQColor(clBtnShadow);
    const QColor highlight = TColorToQColor(clBtnHighlight);
    const QColor topLeft = bevelStyle_ == bsLowered ? shadow : highlight;
    const QColor bottomRight = bevelStyle_ == bsLowered ? highlight : shadow;
    const int w = width();
    const int h = height();
    for (int i = 0; i < bevelWidth_; ++i) {
        const int right = w - i - 1;
        const int bottom = h - i - 1;
        if (right < i || bottom < i) {
            break;
        }
        painter.fillRect(QRect(QPoint(i, i), QPoint(right, i)), topLeft);
        painter.fillRect(QRect(QPoint(i, i), QPoint(i, bottom)), topLeft);
        painter.fillRect(QRect(QPoint(i, bottom), QPoint(right, bottom)), bottomRight);
        painter.fillRect(QRect(QPoint(right, i), QPoint(right, bottom)), bottomRight);
    }
}

QRgb TGradProgress::gradientColour(int i, int fill) const {
    return gradient_[MulDiv(255, i, fill)];
}

void TGradProgress::paintEvent(QPaintEvent*) {
    QPainter surface(this);
    drawBevel(surface);

    const QRect inner = innerRect();
    if (inner.right() < 0 || inner.bottom() < 0) {
        return;
    }
    const int h = height();
    const int fill = fillLength();

    // The buffer uses the control's own coordinates: it spans (0, 0) to the inner rectangle's
    // far corner, and only the inner rectangle is copied out. The inner rectangle is wholly
    // covered by gradient lines and BackColor, so its pixels are written directly: the bar is
    // drawn at every step of a copy and must cost next to nothing.
    const QSize bufferSize(inner.right() + 1, inner.bottom() + 1);
    if (buffer_.size() != bufferSize) {
        buffer_ = QImage(bufferSize, QImage::Format_RGB32);
    }
    const QRgb back = TColorToQColor(backColor_).rgb();
    if (style_ == gsHorizontal) {
        // Column x shows gradient line x when x < F; from F on, BackColor covers it.
        auto* row = reinterpret_cast<QRgb*>(buffer_.scanLine(inner.top()));
        for (int x = 0; x < bufferSize.width(); ++x) {
            row[x] = x < fill ? gradientColour(x, fill) : back;
        }
        for (int y = inner.top() + 1; y <= inner.bottom(); ++y) {
            std::copy_n(row, bufferSize.width(), reinterpret_cast<QRgb*>(buffer_.scanLine(y)));
        }
    } else {
        // Row y shows gradient line H - y when that line is drawn (H - y <= F); the rows above
        // H - F take BackColor.
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            const int i = h - y;
            const QRgb colour = fill >= 0 && i <= fill ? gradientColour(i, fill) : back;
            auto* row = reinterpret_cast<QRgb*>(buffer_.scanLine(y));
            std::fill(row + inner.left(), row + inner.right() + 1, colour);
        }
    }

    if (showPercent_) {
        QPainter painter(&buffer_);
        painter.setFont(font());
        painter.setPen(TColorToQColor(fontColor_));
        if (style_ == gsHorizontal) {
            const QStaticText& text = laidOutText(percentText());
            const QSizeF size = text.size();
            painter.drawStaticText(QPointF(inner.left() + (inner.width() - size.width()) / 2,
                                           inner.top() + (inner.height() - size.height()) / 2),
                                   text);
        } else {
            drawVerticalText(painter, inner, percentText());
        }
    }

    surface.drawImage(inner.topLeft(), buffer_, inner);
}

const QStaticText& TGradProgress::laidOutText(const QString& text) {
    // A copy shows each of the 101 percentages over and over: each is laid out once.
    auto found = laidOut_.find(text);
    if (found == laidOut_.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font());
        found = laidOut_.insert(text, laid);
    }
    return *found;
}

void TGradProgress::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        laidOut_.clear();
    }
    QWidget::changeEvent(event);
}

void TGradProgress::drawVerticalText(QPainter& painter, const QRect& inner,
                                     const QString& text) const {
    // Whether the text fits across the bar is judged in the font it is drawn with.
    const QFontMetrics metrics(font());
    const int tw = metrics.horizontalAdvance(text);
    const int th = metrics.height();
    const int w = width();
    const int h = height();
    if (w - 2 * bevelWidth_ - 6 < tw) {
        // Too narrow: the text runs downward, turned by a quarter turn clockwise, with the top
        // left of its cell at the reference point.
        const int x = RoundHalfEven((w + th - 3) / 2.0);
        const int y = RoundHalfEven((h - tw + 3) / 2.0);
        painter.save();
        painter.translate(x, y);
        painter.rotate(90);
        painter.drawText(QPoint(0, metrics.ascent()), text);
        painter.restore();
    } else {
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, text);
    }
}
