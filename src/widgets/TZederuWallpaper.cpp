#include "widgets/TZederuWallpaper.h"

#include "platform/SystemColours.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

TZederuWallpaper::TZederuWallpaper(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    followParent();
}

void TZederuWallpaper::setImage(const QImage& image) {
    if (!image.isNull() && image.width() > 0 && image.height() > 0) {
        transColor_ =
            (QColorToTColor(QColor(image.pixel(0, image.height() - 1))) & 0xFFFFFF) | 0x02000000;
        image_ = image;
        setAttribute(Qt::WA_OpaquePaintEvent, true);
        // The parent's colour first, at once; the tiles come with the next paint.
        parentFillPending_ = true;
        repaint();
        parentFillPending_ = false;
        update();
    } else {
        image_ = QImage();
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

void TZederuWallpaper::paintEvent(QPaintEvent*) {
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
    QPixmap buffer(size());
    {
        QPainter painter(&buffer);
        for (int y = 0; y < height(); y += image_.height()) {
            for (int x = 0; x < width(); x += image_.width()) {
                painter.drawImage(x, y, image_);
            }
        }
    }
    QPainter surface(this);
    surface.drawPixmap(0, 0, buffer);
}
