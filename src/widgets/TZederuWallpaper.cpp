#include "widgets/TZederuWallpaper.h"

#include "widgets/SystemColours.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TZederuWallpaper::TZederuWallpaper(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    followParent();
}

void TZederuWallpaper::setImage(const QImage& image) {
    if (!image.isNull() && image.width() > 0 && image.height() > 0) {
        transColor_ =
            (QColorToTColor(QColor(image.pixel(0, image.height() - 1))) & 0xFFFFFF) | 0x02000000;
        image_ = image;
        tile_ = QPixmap::fromImage(image);
        composed_ = QPixmap();
        setAttribute(Qt::WA_OpaquePaintEvent, true);
        // The parent's colour first, at once; the tiles come with the next paint.
        parentFillPending_ = true;
        repaint();
        parentFillPending_ = false;
        update();
    } else {
        image_ = QImage();
        tile_ = QPixmap();
        composed_ = QPixmap();
        setAttribute(Qt::WA_OpaquePaintEvent, false);
        update();
    }
}

void TZederuWallpaper::setTransColor(TColor colour) {
    if (colour != transColor_) {
        transColor_ = colour;
        update();
    }
}

void TZederuWallpaper::setAlignClient(bool align) {
    if (align != alignClient_) {
        alignClient_ = align;
        followParent();
    }
}

void TZederuWallpaper::followParent() {
    QWidget* parent = parentWidget();
    if (parent == nullptr) {
        return;
    }
    if (alignClient_) {
        parent->installEventFilter(this);
        setGeometry(parent->rect());
        lower();
    } else {
        parent->removeEventFilter(this);
    }
}

bool TZederuWallpaper::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) {
        followParent();
    }
    return QWidget::event(event);
}

bool TZederuWallpaper::eventFilter(QObject* watched, QEvent* event) {
    if (alignClient_ && watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void TZederuWallpaper::paintEvent(QPaintEvent* event) {
    if (parentFillPending_) {
        QPainter surface(this);
        const QWidget* parent = parentWidget();
        const QColor colour = parent != nullptr ? parent->palette().color(parent->backgroundRole())
                                                : palette().color(backgroundRole());
        surface.fillRect(rect(), colour);
        return;
    }
    if (image_.width() <= 0 || image_.height() <= 0 || width() <= 0 || height() <= 0) {
        return;
    }
    if (composed_.size() != size()) {
        composed_ = QPixmap(size());
        QPainter painter(&composed_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (int y = 0; y < height(); y += tile_.height()) {
            for (int x = 0; x < width(); x += tile_.width()) {
                painter.drawPixmap(x, y, tile_);
            }
        }
    }
    // The labels above it change many times a second during a copy: only the region asked for
    // is copied back.
    QPainter surface(this);
    for (const QRect& area : event->region()) {
        surface.drawPixmap(area, composed_, area);
    }
}
