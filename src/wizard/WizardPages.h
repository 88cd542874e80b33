#pragma once

#include "wizard/WizardStep.h"

// The pages of the wizard: for each step, the groups of controls that the four page operations
// show (every other group is hidden) and the page title.
namespace WizardPages {

// ShowPageControls groups.
enum ControlGroup : unsigned {
    kBevelOptions = 1u << 0,
    kBevelsOptions3 = 1u << 1,
    kTrackBarVitesse = 1u << 2,
    kTreeViewParcourir = 1u << 3,
    kColourCombos = 1u << 4,
    kGradProgressFile = 1u << 5,
    kEditChemin = 1u << 6,
    kCheckListBoxFiles = 1u << 7,
    kBevelTrackBar = 1u << 8,
};
constexpr int kControlGroupCount = 9;

// ShowPageCheckBoxes groups.
enum CheckBoxGroup : unsigned {
    kAutoexecBox = 1u << 0,
    kTextureBox = 1u << 1,
    kSavingBoxes = 1u << 2,
};
constexpr int kCheckBoxGroupCount = 3;

// ShowPageButtons groups; BtnQuitter is never hidden.
enum ButtonGroup : unsigned {
    kAide = 1u << 0,
    kDemarrer = 1u << 1,
    kRapport = 1u << 2,
    kValider = 1u << 3,
    kSuivant = 1u << 4,
    kPrecedent = 1u << 5,
    kParcourir = 1u << 6,
    kOptionsDefault = 1u << 7,
    kOptions = 1u << 8,
    kOptionsTabs = 1u << 9,
};
constexpr int kButtonGroupCount = 10;

// ShowPageTexts groups.
enum TextGroup : unsigned {
    kWelcomeTexts = 1u << 0,
    kDestinationTexts = 1u << 1,
    kParcourirText = 1u << 2,
    kStep3Text = 1u << 3,
    kBootFileTexts = 1u << 4,
    kBackupTexts = 1u << 5,
    kEndTexts = 1u << 6,
    kGeneralOptionsTexts = 1u << 7,
    kDisplayOptionsTexts = 1u << 8,
    kSavingOptionsTexts = 1u << 9,
};
constexpr int kTextGroupCount = 10;

struct PageLayout {
    WizardStep etape;
    unsigned controls;
    unsigned checkBoxes;
    unsigned buttons;
    const char16_t* title;
    unsigned texts;
};

// The layout of a step.
const PageLayout& Find(WizardStep etape);

// True for the steps that the timer lays out at every tick (all but 5 and 21, which the handler
// entering them lays out once).
bool LaidOutByTimer(WizardStep etape);

}  // namespace WizardPages
