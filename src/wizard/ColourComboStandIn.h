#pragma once

#include <QComboBox>

#include "platform/TColor.h"

// Stands in for the colour combo box: it holds a colour value and shows its name. Setting the
// value from code runs no change handler.
class ColourComboStandIn : public QComboBox {
    Q_OBJECT
public:
    ColourComboStandIn(QWidget* parent, const QString& name, TColor value);

    TColor Value() const { return value_; }
    void SetValue(TColor value);

private:
    TColor value_;
};
