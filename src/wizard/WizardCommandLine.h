#pragma once

#include "config/CommandLine.h"

class TFormKestrix;

// The main window as the command line sees it.
class WizardCommandLine : public CommandLineTarget {
public:
    explicit WizardCommandLine(TFormKestrix& window) : window_(window) {}

    QString EditChemin() const override;
    void SetEditChemin(const QString& text) override;
    void SetAutoexecChecked(bool checked) override;
    void RunUnattendedBackup() override;

private:
    TFormKestrix& window_;
};
