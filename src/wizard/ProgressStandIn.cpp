#include "wizard/ProgressStandIn.h"

#include <QPalette>

#include "wizard/WizardColours.h"

ProgressStandIn::ProgressStandIn(QWidget* parent, const QString& name) : QProgressBar(parent) {
    setObjectName(name);
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, WizardColour(clBtnFace));
    colours.setColor(QPalette::Highlight, WizardColour(start_));
    setPalette(colours);
}

void ProgressStandIn::SetColours(TColor start, TColor end) {
    if (start == start_ && end == end_) {
        return;
    }
    start_ = start;
    end_ = end;
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, WizardColour(start_));
    setPalette(colours);
}
