#include "widgets/TLnkLabel.h"

#include "widgets/SystemColours.h"
#include "widgets/WidgetAccessibility.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QUrl>

TLnkLabel::TLnkLabel(QWidget* parent) : TLnkLabel(QString(), parent) {}

TLnkLabel::TLnkLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false);
    // A link is reached with Tab and followed with Enter or Space.
    setFocusPolicy(Qt::StrongFocus);
    InstallWidgetAccessibility();
    applyFontColor();
}

void TLnkLabel::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
        !event->isAutoRepeat()) {
        follow();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TLnkLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (hasFocus()) {
        // The focus frame, dotted in the text's colour around the text, as on the buttons.
        const QRect around =
            style()
                ->itemTextRect(fontMetrics(), contentsRect(), alignment(), isEnabled(), text())
                .adjusted(-2, -1, 1, 0) &
            rect().adjusted(0, 0, -1, -1);
        QPainter painter(this);
        painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(around);
    }
}

void TLnkLabel::setFontColor(TColor colour) {
    if (colour != fontColor_) {
        fontColor_ = colour;
        applyFontColor();
    }
}

void TLnkLabel::applyFontColor() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, TColorToQColor(fontColor_));
    setPalette(p);
}

void TLnkLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setFontColor(enterFontColor_);
}

void TLnkLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setFontColor(leaveFontColor_);
}

void TLnkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
    }
    QLabel::mousePressEvent(event);
}

void TLnkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = event->button() == Qt::LeftButton && pressed_ &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        pressed_ = false;
    }
    QLabel::mouseReleaseEvent(event);
    if (click) {
        follow();
    }
}

void TLnkLabel::follow() {
    // The result is not examined: a link that cannot be opened is ignored.
    const QUrl url(link_);
    if (opener_) {
        opener_(url);
    } else {
        QDesktopServices::openUrl(url);
    }
    leaveFontColor_ = visitedColor_;
}
