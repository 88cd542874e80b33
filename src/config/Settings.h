#pragma once

#include <QString>
#include <map>

#include "config/BlockSize.h"
#include "platform/TColor.h"
#include "report/Reporter.h"

// The seven "save at close" flags of the saving options page.
enum class SaveFlag { Autoexec, RepName, BtnColor, BarColor, WinColor, Texture, Vitesse };

// The five colours of the display options page.
enum class ColourBox { Fond, ButtonHaut, ButtonBas, BarDebut, BarFin };

// What Kestrix.ini holds between runs, with the window's initial values: the display, the block
// size, the save flags and the last backup's parameters.
struct Settings {
    bool textureShown = true;
    // 0 to 6.
    int trackBarPosition = BlockSize::kDefaultPosition;
    std::map<ColourBox, TColor> colours = {{ColourBox::Fond, clBtnFace},
                                           {ColourBox::ButtonHaut, 0x00E0E0E0},
                                           {ColourBox::ButtonBas, clSilver},
                                           {ColourBox::BarDebut, 0x00004000},
                                           {ColourBox::BarFin, 0x0080FF80}};
    std::map<SaveFlag, bool> saveFlags = {{SaveFlag::Autoexec, true}, {SaveFlag::RepName, true},
                                          {SaveFlag::BtnColor, true}, {SaveFlag::BarColor, true},
                                          {SaveFlag::WinColor, true}, {SaveFlag::Texture, true},
                                          {SaveFlag::Vitesse, true}};
    // The boot batch choice and the destination of the last backup.
    bool autoexec = false;
    QString chemin = QStringLiteral("/var/backups/Save");
};

// The settings file, relative to the program folder.
extern const QString kIniPath;  // "./Data/Kestrix.ini"

// Reads every setting from kIniPath, echoes it into the open configuration section of the
// report and sets it in `settings`; sets the report number to the stored one plus one. A value
// that cannot be converted reports "FichierIni" and ends the reading there: the values after it
// keep what `settings` held (the report number is still read, silently).
void ReadSettings(Reporter& reporter, Settings& settings);

// Writes the settings back to kIniPath in their own report section, each one as its save flag
// asks; a refused write reports "WriteIni" and ends the writing there.
void WriteSettings(Reporter& reporter, const Settings& settings);

// How many earlier backups a run keeps in its destination: [Historique] Garder, 0 to 100, read
// silently (never echoed in the report, never written back); 4 when absent or out of range.
int EarlierBackupsToKeep();
