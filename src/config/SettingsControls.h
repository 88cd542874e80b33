#pragma once

#include <QString>

#include "platform/TColor.h"

// The seven "save at close" check boxes of the saving options page.
enum class SaveFlag { Autoexec, RepName, BtnColor, BarColor, WinColor, Texture, Vitesse };

// The five colour combo boxes of the display options page.
enum class ColourBox { Fond, ButtonHaut, ButtonBas, BarDebut, BarFin };

// The main window's controls that hold the settings between start-up and shutdown, as the
// configuration reads, applies and writes them.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;

    // ZederuWallpaper shown; hiding it also unchecks CheckBoxOptions2Texture.
    virtual bool TextureShown() const = 0;
    virtual void SetTextureShown(bool shown) = 0;

    // TrackBarVitesse; a position outside 0 to 6 is brought to the nearer end.
    virtual int TrackBarPosition() const = 0;
    virtual void SetTrackBarPosition(int position) = 0;
    virtual void UpdateBlockSizeText() = 0;
    virtual QString BlockSizeText() const = 0;

    virtual TColor ComboColour(ColourBox box) const = 0;
    virtual void SetComboColour(ColourBox box, TColor colour) = 0;
    virtual void SetWindowColour(TColor colour) = 0;
    // GradProgressFile's start and end colours.
    virtual void SetProgressColours(TColor start, TColor end) = 0;
    // Paints every wizard button with the two button combo boxes' colours.
    virtual void ApplyButtonColours() = 0;

    virtual bool SaveFlagChecked(SaveFlag flag) const = 0;
    virtual void SetSaveFlagChecked(SaveFlag flag, bool checked) = 0;

    // CheckBoxAutoexec and EditChemin, the last backup's parameters.
    virtual bool AutoexecChecked() const = 0;
    virtual void SetAutoexecChecked(bool checked) = 0;
    virtual QString EditChemin() const = 0;
    virtual void SetEditChemin(const QString& text) = 0;
};
