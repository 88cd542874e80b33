#include "wizard/WizardPages.h"

namespace WizardPages {

namespace {

constexpr unsigned kOptionsButtons = kAide | kValider | kOptionsTabs;

const PageLayout kPages[] = {
    {1, 0, 0, kAide | kSuivant | kOptions, u"Bienvenue !", kWelcomeTexts},
    {2, kEditChemin, 0, kAide | kSuivant | kPrecedent | kParcourir, u"Sélectionnez un répertoire",
     kDestinationTexts},
    {21, kTreeViewParcourir, 0, kAide | kValider, u"Sélectionnez un répertoire", kParcourirText},
    {3, kCheckListBoxFiles, 0, kAide | kSuivant | kPrecedent, u"Fichiers à sauvegarder",
     kStep3Text},
    {4, 0, kAutoexecBox, kAide | kDemarrer | kPrecedent, u"Création d'Autoexec.bat",
     kBootFileTexts},
    {5, kGradProgressFile, 0, kAide, u"Création de la sauvegarde", kBackupTexts},
    {6, 0, 0, kAide | kRapport | kPrecedent, u"Sauvegarde terminée", kEndTexts},
    {71, kBevelOptions | kTrackBarVitesse | kBevelTrackBar, 0, kOptionsButtons,
     u"Options générales", kGeneralOptionsTexts},
    {72, kBevelOptions | kColourCombos, kTextureBox, kOptionsButtons | kOptionsDefault,
     u"Options d'affichage", kDisplayOptionsTexts},
    {73, kBevelOptions | kBevelsOptions3, kSavingBoxes, kOptionsButtons,
     u"Options d'enregistrement", kSavingOptionsTexts},
};

}  // namespace

const PageLayout* Find(int etape) {
    for (const PageLayout& page : kPages) {
        if (page.etape == etape) {
            return &page;
        }
    }
    return nullptr;
}

bool LaidOutByTimer(int etape) {
    return etape != 5 && etape != 21 && Find(etape) != nullptr;
}

}  // namespace WizardPages
