#include "wizard/WizardPictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace WizardPictures {

QPixmap SideLogo(const QSize& size) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(0, 64, 0));
    gradient.setColorAt(1, QColor(128, 255, 128));
    painter.fillRect(pixmap.rect(), gradient);
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.rotate(-90);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(40);
    font.setBold(true);
    font.setItalic(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(-size.height() / 2, -size.width() / 2, size.height(), size.width()),
                     Qt::AlignCenter, QStringLiteral("Kestrix"));
    return pixmap;
}

QPixmap ButtonPicture(const QSize& size, const QColor& colour) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(colour.darker(160));
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1), 3, 3);
    return pixmap;
}

QPixmap TextureTile() {
    QImage tile(32, 32, QImage::Format_RGB32);
    // A fixed linear congruential sequence: the same tile at every start.
    quint32 state = 0x4B657374;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            state = state * 1103515245u + 12345u;
            const int grey = 185 + static_cast<int>((state >> 16) % 25);
            tile.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    return QPixmap::fromImage(tile);
}

}  // namespace WizardPictures
