#pragma once

#include <QChar>
#include <QPushButton>
#include <QSize>
#include <QString>

#include "platform/TColor.h"

// Stands in for the gradient button: a push button with its caption, hint, small picture and
// the two gradient colours. Its accelerator is not grabbed by the button itself: the window
// gives each letter to the first visible button in its control order.
class GradientButtonStandIn : public QPushButton {
    Q_OBJECT
public:
    GradientButtonStandIn(QWidget* parent, const QString& name, const QString& caption,
                          const QString& hint, const QSize& pictureSize);

    TColor LightColour() const { return light_; }
    TColor ShadowColour() const { return shadow_; }
    void SetLightColour(TColor colour);
    void SetShadowColour(TColor colour);

    // The upper-case letter after the ampersand of the caption; null when there is none.
    QChar AcceleratorKey() const;

private:
    void ApplyColours();

    TColor light_ = 0x00E0E0E0;
    TColor shadow_ = clSilver;
};
