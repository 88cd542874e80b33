#include "widgets/TLnkLabel.h"

#include "platform/SystemColours.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

TLnkLabel::TLnkLabel(QWidget* parent) : TLnkLabel(QString(), parent) {}

TLnkLabel::TLnkLabel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(false);
    applyFontColor();
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
        // The result is not examined: a link that cannot be opened is ignored.
        QDesktopServices::openUrl(QUrl(link_));
        leaveFontColor_ = visitedColor_;
    }
}
