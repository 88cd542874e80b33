#pragma once

#include "backup/BackupProgress.h"
#include "config/Settings.h"
#include "report/UserInterface.h"

// Whoever shows a run of Kestrix to the controller: the window, or nobody. It answers the boxes
// and shows the backup's progress; a window also holds the settings in its controls while it is
// open. Every member has the behaviour of a run that nobody sees.
class ControllerHost : public BackupProgress {
public:
    // The box of `icon` ("Erreur" or "Avertissement") with `text`.
    virtual MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                                      const QString& text) = 0;

    // The settings were read or changed by the controller: a window shows them.
    virtual void ShowSettings(const Settings& settings) { (void)settings; }
    // The settings are about to be written: a window puts in what its controls hold now.
    virtual void TakeSettings(Settings& settings) { (void)settings; }

    // A window closes, running its close sequence (the controller's shutdown stage); false when
    // there is no window to close.
    virtual bool CloseWindow() { return false; }

    // The unattended run starts (before the destination is prepared), its backup starts, and
    // its backup has ended.
    virtual void UnattendedRunStarts() {}
    virtual void UnattendedBackupStarts() {}
    virtual void UnattendedBackupEnded() {}

    // A box that nobody can see: it takes its default button and goes to stderr as one line.
    static MessageAnswer AnswerOnStderr(MessageIcon icon, MessageButtons buttons,
                                        const QString& text);

    void SetStatusText(const QString&) override {}
    void SetFileText(const QString&) override {}
    void SetFileAmount(qint64, qint64) override {}
    void SetPosition(int) override {}
};
