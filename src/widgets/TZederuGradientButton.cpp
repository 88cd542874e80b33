#include "widgets/TZederuGradientButton.h"

#include "widgets/ButtonAccelerators.h"
#include "widgets/MulDiv.h"
#include "widgets/SystemColours.h"
#include "widgets/WidgetAccessibility.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

TZederuGradientButton::TZederuGradientButton(QWidget* parent) : QWidget(parent) {
    resize(25, 25);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Reached with Tab and pressed with Space or Enter, like any push button.
    setFocusPolicy(Qt::StrongFocus);
    ButtonAccelerators::Install();
    InstallWidgetAccessibility();
}

void TZederuGradientButton::setLightColor(TColor colour) {
    if (colour != lightColor_) {
        lightColor_ = colour;
        update();
    }
}

void TZederuGradientButton::setShadowColor(TColor colour) {
    if (colour != shadowColor_) {
        shadowColor_ = colour;
        update();
    }
}

void TZederuGradientButton::setGlyph(const QImage& glyph) {
    glyph_ = glyph;
    if (glyph_.height() > 0 && glyph_.width() > 0) {
        if (glyph_.depth() == 1) {
            transparent_ = qRgb(255, 255, 255);
        } else {
            transparent_ = glyph_.pixel(0, glyph_.height() - 1);
        }
    }
    update();
}

void TZederuGradientButton::setDropDownMenu(QMenu* menu) {
    if (menu == menu_) {
        return;
    }
    menu_ = menu;
    if (markDropDown_) {
        update();
    }
}

void TZederuGradientButton::setGrayedInactive(bool grayed) {
    if (grayed != grayedInactive_) {
        grayedInactive_ = grayed;
        update();
    }
}

void TZederuGradientButton::setCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        update();
    }
}

void TZederuGradientButton::setLayout(TButtonLayout layout) {
    if (layout != layout_) {
        layout_ = layout;
        update();
    }
}

void TZederuGradientButton::setBevelWidth(int bevelWidth) {
    if (bevelWidth != bevelWidth_) {
        bevelWidth_ = bevelWidth;
        update();
    }
}

void TZederuGradientButton::setDown(bool down) {
    if (down == down_ || groupIndex_ == 0) {
        return;
    }
    down_ = down;
    update();
    if (down_ && parentWidget() != nullptr) {
        const auto siblings = parentWidget()->findChildren<TZederuGradientButton*>(
            QString(), Qt::FindDirectChildrenOnly);
        for (TZederuGradientButton* other : siblings) {
            if (other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->update();
            }
        }
    }
}

void TZederuGradientButton::setGroupIndex(int groupIndex) {
    groupIndex_ = groupIndex;
    if (groupIndex_ == 0 && down_) {
        down_ = false;
        update();
    }
}

void TZederuGradientButton::setFlat(bool flat) {
    if (flat != flat_) {
        flat_ = flat;
        hot_ = !flat_;
        update();
    }
}

void TZederuGradientButton::setMarkDropDown(bool mark) {
    if (mark != markDropDown_) {
        markDropDown_ = mark;
        update();
    }
}

void TZederuGradientButton::setSpacing(int spacing) {
    if (spacing != spacing_) {
        spacing_ = spacing;
        update();
    }
}

void TZederuGradientButton::setVertical(bool vertical) {
    if (vertical != vertical_) {
        vertical_ = vertical;
        repaint();
    }
}

int TZederuGradientButton::dropDownReserve() const {
    return markDropDown_ && menu_ != nullptr ? 4 : 0;
}

QPoint TZederuGradientButton::captionPosition() const {
    const QFontMetrics metrics(font());
    const int tw = metrics.horizontalAdvance(caption_);
    const int th = metrics.height();
    const int gh = glyph_.height();
    const int w = width();
    const int h = height();
    const bool hasGlyph = glyph_.width() > 0;
    const int t = gh + th + 2 + spacing_;
    switch (layout_) {
        case blGlyphLeft:
            return hasGlyph ? QPoint(w / 2 - tw / 2 + spacing_, h / 2 - th / 2)
                            : QPoint(w - tw - spacing_, h / 2 - th / 2);
        case blGlyphRight:
            return hasGlyph ? QPoint(w / 2 - tw / 2 - spacing_, h / 2 - th / 2)
                            : QPoint(spacing_, h / 2 - th / 2);
        case blGlyphTop:
            return QPoint(w / 2 - tw / 2 - dropDownReserve(), gh + (h / 2 - t / 2) + spacing_);
        case blGlyphBottom:
            return QPoint(w / 2 - tw / 2 - dropDownReserve(), h / 2 - t / 2);
    }
    return QPoint();
}

QPoint TZederuGradientButton::glyphPosition() const {
    const QFontMetrics metrics(font());
    const int tw = metrics.horizontalAdvance(caption_);
    const int gh = glyph_.height();
    const int w = width();
    const int h = height();
    const QPoint caption = captionPosition();
    switch (layout_) {
        case blGlyphLeft:
            return QPoint(caption.x() - spacing_, h / 2 - gh / 2);
        case blGlyphRight:
            return QPoint(w / 2 + tw / 2 + spacing_, h / 2 - gh / 2);
        case blGlyphTop:
            return QPoint(w / 2, caption.y() - gh - spacing_);
        case blGlyphBottom:
            return QPoint(w / 2, caption.y() + gh + spacing_);
    }
    return QPoint();
}

void TZederuGradientButton::drawGradient(QPainter& painter) const {
    const TColor light = ColorToRGB(lightColor_);
    const TColor shadow = ColorToRGB(shadowColor_);
    const int n = vertical_ ? height() : width();
    if (n <= 0) {
        return;
    }
    for (int i = 0; i <= n; ++i) {
        int channel[3];
        for (int c = 0; c < 3; ++c) {
            const int l = (light >> (8 * c)) & 0xFF;
            const int s = (shadow >> (8 * c)) & 0xFF;
            const int value = s > l ? l + RoundHalfEven(static_cast<double>(s - l) / n * i)
                                    : l - RoundHalfEven(static_cast<double>(l - s) / n * i);
            channel[c] = value & 0xFF;
        }
        const QColor colour(channel[0], channel[1], channel[2]);
        if (vertical_) {
            painter.fillRect(QRect(0, i, width(), 1), colour);
        } else {
            painter.fillRect(QRect(i, 0, 1, height()), colour);
        }
    }
}

QImage TZederuGradientButton::keyedGlyph() const {
    QImage keyed = glyph_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = glyph_.depth() == 1 ? qRgb(255, 255, 255) : transparent_;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if (line[x] == key) {
                line[x] = 0;
            }
        }
    }
    return keyed;
}

void TZederuGradientButton::drawFrame(QPainter& painter) const {
    const int w = width();
    const int h = height();
    const bool sunken = pressed_ || down_;
    const auto hLine = [&painter](int x1, int x2, int y, const QColor& c) {
        if (x2 >= x1) {
            painter.fillRect(QRect(x1, y, x2 - x1 + 1, 1), c);
        }
    };
    const auto vLine = [&painter](int x, int y1, int y2, const QColor& c) {
        if (y2 >= y1) {
            painter.fillRect(QRect(x, y1, 1, y2 - y1 + 1), c);
        }
    };
    if (flat_) {
        if (!hot_) {
            return;
        }
        QColor topLeft = TColorToQColor(lightColor_);
        QColor bottomRight = TColorToQColor(shadowColor_);
        if (sunken) {
            std::swap(topLeft, bottomRight);
        }
        for (int i = 0; i < bevelWidth_; ++i) {
            const int right = w - 1 - i;
            const int bottom = h - 1 - i;
            hLine(i, right, i, topLeft);
            vLine(i, i, bottom, topLeft);
            hLine(i, right, bottom, bottomRight);
            vLine(right, i, bottom, bottomRight);
        }
        return;
    }
    if (bevelWidth_ <= 0) {
        return;
    }
    const QColor dark = TColorToQColor(cl3DDkShadow);
    const QColor highlight = TColorToQColor(clBtnHighlight);
    const QColor shadow = TColorToQColor(clBtnShadow);
    if (!sunken) {
        hLine(0, w - 1, h - 1, dark);
        vLine(w - 1, 0, h - 1, dark);
        hLine(0, w - 2, 0, highlight);
        vLine(0, 0, h - 2, highlight);
        hLine(1, w - 2, h - 2, shadow);
        vLine(w - 2, 1, h - 2, shadow);
    } else {
        hLine(0, w - 1, 0, dark);
        vLine(0, 0, h - 1, dark);
        hLine(1, w - 1, h - 1, highlight);
        vLine(w - 1, 1, h - 1, highlight);
        hLine(1, w - 2, 1, shadow);
        vLine(1, 1, h - 2, shadow);
    }
}

void TZederuGradientButton::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    QPixmap buffer(size());
    buffer.fill(Qt::black);
    QPainter painter(&buffer);
    drawGradient(painter);

    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QPoint at = captionPosition();
    const int right = width() - bevelWidth_ - 1 - dropDownReserve();
    const QRect box(at.x(), at.y(), std::max(1, right - at.x()), std::max(1, height() - at.y()));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextDontClip,
                     caption_);
    if (glyph_.height() > 0 && glyph_.width() > 0) {
        painter.drawImage(glyphPosition(), keyedGlyph());
    }
    drawFrame(painter);
    if (hasFocus()) {
        // The focus frame, a dotted rectangle inside the bevel.
        QPen dots(palette().color(foregroundRole()), 1, Qt::DotLine);
        painter.setPen(dots);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
    painter.end();

    QPainter surface(this);
    surface.drawPixmap(0, 0, buffer);
}

void TZederuGradientButton::pressDown() {
    if (!isEnabled() || windowCaption_) {
        return;
    }
    pressed_ = true;
    repaint();
    if (menu_ != nullptr) {
        QCoreApplication::processEvents();
        hot_ = !flat_;
        pressed_ = false;
        repaint();
        if (menu_ != nullptr) {
            menu_->popup(mapToGlobal(QPoint(0, height())));
        }
    }
}

void TZederuGradientButton::release() {
    if (!isEnabled() || windowCaption_) {
        return;
    }
    pressed_ = false;
    repaint();
}

void TZederuGradientButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    clickArmed_ = true;
    pressDown();
}

void TZederuGradientButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool armed = clickArmed_;
    clickArmed_ = false;
    release();
    if (armed && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

void TZederuGradientButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a double click shows the press but is not a click of its own.
    emit doubleClicked();
    clickArmed_ = false;
    pressDown();
}

void TZederuGradientButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
            // Pressed while the key is held down, clicked when it comes up.
            if (!event->isAutoRepeat()) {
                keyArmed_ = true;
                pressDown();
            }
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) {
                performAccelerator();
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void TZederuGradientButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    const bool armed = keyArmed_;
    keyArmed_ = false;
    release();
    if (armed && isEnabled()) {
        emit clicked();
    }
}

void TZederuGradientButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TZederuGradientButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    keyArmed_ = false;
    if (pressed_) {
        release();
    }
    update();
}

void TZederuGradientButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hot_ = true;
    if (flat_ && isEnabled()) {
        repaint();
    }
    emit mouseEntered();
}

void TZederuGradientButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hot_ = !flat_;
    if (flat_ && isEnabled()) {
        repaint();
    }
    emit mouseLeft();
}

QChar TZederuGradientButton::acceleratorLetter() const {
    for (int i = 0; i + 1 < caption_.size(); ++i) {
        if (caption_.at(i) == QLatin1Char('&')) {
            if (caption_.at(i + 1) != QLatin1Char('&')) {
                return caption_.at(i + 1);
            }
            ++i;  // "&&" is a literal ampersand
        }
    }
    return QChar();
}

void TZederuGradientButton::performAccelerator() {
    QCoreApplication::processEvents();
    pressDown();
    QCoreApplication::processEvents();
    release();
    QCoreApplication::processEvents();
    emit clicked();
}
