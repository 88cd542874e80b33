#pragma once

#include <QString>
#include <map>

#include "config/BlockSize.h"
#include "config/SettingsControls.h"

// The window's settings controls in memory, with the form's initial values, recording what the
// configuration applies to the window beyond the controls themselves.
class MemorySettingsControls : public SettingsControls {
public:
    bool TextureShown() const override { return textureShown; }
    void SetTextureShown(bool shown) override { textureShown = shown; }

    int TrackBarPosition() const override { return position; }
    void SetTrackBarPosition(int value) override { position = BlockSize::Clamp(value); }
    void UpdateBlockSizeText() override {
        const QString text = BlockSize::Text(position);
        if (!text.isEmpty()) {
            blockSizeText = text;
        }
    }
    QString BlockSizeText() const override { return blockSizeText; }

    TColor ComboColour(ColourBox box) const override { return combos.at(box); }
    void SetComboColour(ColourBox box, TColor colour) override { combos[box] = colour; }
    void SetWindowColour(TColor colour) override { windowColour = colour; }
    void SetProgressColours(TColor start, TColor end) override {
        progressStart = start;
        progressEnd = end;
    }
    void ApplyButtonColours() override { ++buttonColoursApplied; }

    bool SaveFlagChecked(SaveFlag flag) const override { return flags.at(flag); }
    void SetSaveFlagChecked(SaveFlag flag, bool checked) override { flags[flag] = checked; }

    bool AutoexecChecked() const override { return autoexec; }
    void SetAutoexecChecked(bool checked) override { autoexec = checked; }
    QString EditChemin() const override { return chemin; }
    void SetEditChemin(const QString& text) override { chemin = text; }

    bool textureShown = true;
    int position = BlockSize::kDefaultPosition;
    QString blockSizeText;
    std::map<ColourBox, TColor> combos = {{ColourBox::Fond, clBtnFace},
                                          {ColourBox::ButtonHaut, 0x00E0E0E0},
                                          {ColourBox::ButtonBas, clSilver},
                                          {ColourBox::BarDebut, 0x00004000},
                                          {ColourBox::BarFin, 0x0080FF80}};
    TColor windowColour = clBtnFace;
    TColor progressStart = 0x00004000;
    TColor progressEnd = 0x0080FF80;
    int buttonColoursApplied = 0;
    std::map<SaveFlag, bool> flags = {{SaveFlag::Autoexec, true}, {SaveFlag::RepName, true},
                                      {SaveFlag::BtnColor, true}, {SaveFlag::BarColor, true},
                                      {SaveFlag::WinColor, true}, {SaveFlag::Texture, true},
                                      {SaveFlag::Vitesse, true}};
    bool autoexec = false;
    QString chemin = QStringLiteral("/var/backups/Save");
};
