#include "wizard/GradientButtonStandIn.h"

#include <QKeySequence>
#include <QPalette>

#include "wizard/WizardColours.h"
#include "wizard/WizardPictures.h"

GradientButtonStandIn::GradientButtonStandIn(QWidget* parent, const QString& name,
                                             const QString& caption, const QString& hint,
                                             const QSize& pictureSize)
    : QPushButton(caption, parent) {
    setObjectName(name);
    setToolTip(hint);
    // The window resolves accelerators shared by two buttons; the button's own mnemonic would
    // make such a letter only move the focus.
    setShortcut(QKeySequence());
    setFocusPolicy(Qt::TabFocus);
    if (!pictureSize.isEmpty()) {
        setIcon(WizardPictures::ButtonPicture(pictureSize, QColor(0, 128, 0)));
        setIconSize(pictureSize);
    }
    ApplyColours();
}

void GradientButtonStandIn::SetLightColour(TColor colour) {
    if (colour != light_) {
        light_ = colour;
        ApplyColours();
    }
}

void GradientButtonStandIn::SetShadowColour(TColor colour) {
    if (colour != shadow_) {
        shadow_ = colour;
        ApplyColours();
    }
}

QChar GradientButtonStandIn::AcceleratorKey() const {
    const QString caption = text();
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (caption.at(i + 1) != QLatin1Char('&')) {
                return caption.at(i + 1).toUpper();
            }
            ++i;
        }
    }
    return QChar();
}

void GradientButtonStandIn::ApplyColours() {
    QPalette colours = palette();
    colours.setColor(QPalette::Button, WizardColour(light_));
    colours.setColor(QPalette::Dark, WizardColour(shadow_));
    setPalette(colours);
}
