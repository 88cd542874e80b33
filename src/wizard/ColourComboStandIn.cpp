#include "wizard/ColourComboStandIn.h"

#include "config/SettingsText.h"

ColourComboStandIn::ColourComboStandIn(QWidget* parent, const QString& name, TColor value)
    : QComboBox(parent), value_(value) {
    setObjectName(name);
    addItem(SettingsText::ColourText(value_));
}

void ColourComboStandIn::SetValue(TColor value) {
    if (value != value_) {
        value_ = value;
        setItemText(0, SettingsText::ColourText(value_));
    }
}
