#pragma once

#include <QStringList>
#include <functional>

#include "backup/BackupEngine.h"
#include "config/Settings.h"
#include "controller/ControllerHost.h"
#include "report/Reporter.h"
#include "report/UserInterface.h"

// The program's state for the whole run, with or without a window: the report, the settings
// and the backup engine; the start-up sequence, the unattended run and the shutdown stage. It is
// the user interface of its report, and hands the boxes and the progress to its host.
class RunController : public UserInterface {
public:
    explicit RunController(ControllerHost& host);
    ~RunController() override;

    // The start-up sequence: the notice of an earlier important report, the settings read into
    // the report, then the command line, whose "/auto" runs the whole unattended backup.
    void Start(const QStringList& arguments);

    // The shutdown stage: the settings the host holds now are written, and the report saved.
    void Shutdown();

    // 0 when the run reported no error and every ticked file of every backup was copied; 1
    // when an error was reported, a ticked file was not copied, or a run as root wrote where the
    // restore program will not trust the backup.
    int ExitStatus() const;

    Reporter& GetReporter() { return reporter_; }
    const Reporter& GetReporter() const { return reporter_; }
    BackupEngine& Engine() { return engine_; }

    // UserInterface.
    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override;
    void RequestEnd() override;
    void RunShutdownStage() override;

private:
    void RunUnattendedBackup();

    ControllerHost& host_;
    Reporter reporter_;
    BackupEngine engine_;
    Settings settings_;
};
