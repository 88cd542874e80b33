#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QWidget>

// Counts the paint events that reach one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

// Receives the addresses handed to the desktop (QDesktopServices::setUrlHandler).
class LinkRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// Lets every posted event (and so every pending paint) run.
inline void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

inline QColor PixelAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// A solid picture with a bottom-left pixel in the key colour (the transparent colour).
inline QImage KeyedPicture(int w, int h, QColor fill, QColor key) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, h - 1, key);
    return image;
}
