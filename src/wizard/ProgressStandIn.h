#pragma once

#include <QProgressBar>

#include "platform/TColor.h"

// Stands in for the gradient progress bar: range 0 to 100 with the percentage shown, and the
// start and end colours of the gradient.
class ProgressStandIn : public QProgressBar {
    Q_OBJECT
public:
    ProgressStandIn(QWidget* parent, const QString& name);

    TColor StartColour() const { return start_; }
    TColor EndColour() const { return end_; }
    void SetColours(TColor start, TColor end);

private:
    TColor start_ = 0x00004000;
    TColor end_ = 0x0080FF80;
};
