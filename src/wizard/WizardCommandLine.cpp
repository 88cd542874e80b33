#include "wizard/WizardCommandLine.h"

#include "wizard/TFormKestrix.h"

QString WizardCommandLine::EditChemin() const {
    return window_.EditChemin();
}

void WizardCommandLine::SetEditChemin(const QString& text) {
    window_.SetEditChemin(text);
}

void WizardCommandLine::SetAutoexecChecked(bool checked) {
    window_.SetAutoexecChecked(checked);
}

void WizardCommandLine::RunUnattendedBackup() {
    window_.RunUnattendedBackup();
}
