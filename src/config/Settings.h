#pragma once

#include <QString>

#include "config/SettingsControls.h"
#include "report/Reporter.h"

// The settings file, relative to the program folder.
extern const QString kIniPath;  // "./Data/Kestrix.ini"

// Reads every setting from kIniPath, echoes it into the open configuration section of the
// report and applies it to the controls; sets the report number to the stored one plus one.
// A value that cannot be converted reports "FichierIni" and ends the reading there (the report
// number is still read, silently).
void ReadSettings(Reporter& reporter, SettingsControls& controls);

// Writes the settings back to kIniPath in their own report section, each one as its save flag
// asks; a refused write reports "WriteIni" and ends the writing there.
void WriteSettings(Reporter& reporter, SettingsControls& controls);

// How many earlier backups a run keeps in its destination: [Historique] Garder, 0 to 100, read
// silently (never echoed in the report, never written back); 4 when absent or out of range.
int EarlierBackupsToKeep();
