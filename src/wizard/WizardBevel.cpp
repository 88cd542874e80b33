#include "wizard/WizardBevel.h"

#include <QPainter>

#include "widgets/SystemColours.h"

WizardBevel::WizardBevel(QWidget* parent, Shape shape, QFrame::Shadow shadow)
    : QFrame(parent), shape_(shape), shadow_(shadow) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (shape_ == Shape::Box) {
        setFrameStyle(QFrame::Box | shadow);
    }
}

void WizardBevel::paintEvent(QPaintEvent* event) {
    if (shape_ == Shape::Box) {
        QFrame::paintEvent(event);
        return;
    }
    // Two lines on the box's bottom edge: a raised line is lit above its shadow, a sunken one
    // the other way round.
    const bool raised = shadow_ != QFrame::Sunken;
    const QColor highlight = TColorToQColor(clBtnHighlight);
    const QColor shadow = TColorToQColor(clBtnShadow);
    QPainter painter(this);
    painter.fillRect(QRect(0, height() - 2, width(), 1), raised ? highlight : shadow);
    painter.fillRect(QRect(0, height() - 1, width(), 1), raised ? shadow : highlight);
}

WizardBevel* MakeBevel(QWidget* parent, const QString& name, const QRect& place,
                       WizardBevel::Shape shape, QFrame::Shadow shadow) {
    auto* bevel = new WizardBevel(parent, shape, shadow);
    bevel->setObjectName(name);
    bevel->setGeometry(place);
    return bevel;
}
