#include "wizard/WallpaperStandIn.h"

#include <QPaintEvent>
#include <QPainter>

#include "wizard/WizardPictures.h"

WallpaperStandIn::WallpaperStandIn(QWidget* parent, const QString& name)
    : QWidget(parent), tile_(WizardPictures::TextureTile()) {
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WallpaperStandIn::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.drawTiledPixmap(event->rect(), tile_, event->rect().topLeft());
}
