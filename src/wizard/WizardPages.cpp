#include "wizard/WizardPages.h"

#include <cstdlib>

namespace WizardPages {

namespace {

constexpr unsigned kOptionsButtons = kAide | kValider | kOptionsTabs;

const PageLayout kPages[] = {
    {WizardStep::Welcome, 0, 0, kAide | kSuivant | kOptions, u"Bienvenue !", kWelcomeTexts},
    {WizardStep::Destination, kEditChemin, 0, kAide | kSuivant | kPrecedent | kParcourir,
     u"Sélectionnez un répertoire", kDestinationTexts},
    {WizardStep::FolderBrowse, kTreeViewParcourir, 0, kAide | kValider,
     u"Sélectionnez un répertoire", kParcourirText},
    {WizardStep::Files, kCheckListBoxFiles, 0, kAide | kSuivant | kPrecedent,
     u"Fichiers à sauvegarder", kStep3Text},
    {WizardStep::BootFile, 0, kAutoexecBox, kAide | kDemarrer | kPrecedent,
     u"Création d'Autoexec.bat", kBootFileTexts},
    {WizardStep::Backup, kGradProgressFile, 0, kAide, u"Création de la sauvegarde", kBackupTexts},
    {WizardStep::End, 0, 0, kAide | kRapport | kPrecedent, u"Sauvegarde terminée", kEndTexts},
    {WizardStep::GeneralOptions, kBevelOptions | kTrackBarVitesse | kBevelTrackBar, 0,
     kOptionsButtons, u"Options générales", kGeneralOptionsTexts},
    {WizardStep::DisplayOptions, kBevelOptions | kColourCombos, kTextureBox,
     kOptionsButtons | kOptionsDefault, u"Options d'affichage", kDisplayOptionsTexts},
    {WizardStep::SavingOptions, kBevelOptions | kBevelsOptions3, kSavingBoxes, kOptionsButtons,
     u"Options d'enregistrement", kSavingOptionsTexts},
};

}  // namespace

const PageLayout& Find(WizardStep etape) {
    for (const PageLayout& page : kPages) {
        if (page.etape == etape) {
            return page;
        }
    }
    // Every step has its row above: a step without one is a fault of this table.
    std::abort();
}

bool LaidOutByTimer(WizardStep etape) {
    return etape != WizardStep::Backup && etape != WizardStep::FolderBrowse;
}

}  // namespace WizardPages
