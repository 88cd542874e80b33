#include "wizard/WizardBevel.h"

QFrame* MakeBevel(QWidget* parent, const QString& name, const QRect& place, QFrame::Shape shape,
                  QFrame::Shadow shadow) {
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(name);
    bevel->setFrameStyle(shape | shadow);
    bevel->setGeometry(place);
    return bevel;
}
