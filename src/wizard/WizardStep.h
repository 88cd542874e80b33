#pragma once

// The steps of the wizard, each named after the page it shows. The values are the step numbers
// the pages have always had, so that "Précédent" still goes to the numerically previous step.
enum class WizardStep : int {
    Welcome = 1,
    Destination = 2,
    FolderBrowse = 21,
    Files = 3,
    BootFile = 4,
    Backup = 5,
    End = 6,
    GeneralOptions = 71,
    DisplayOptions = 72,
    SavingOptions = 73,
};
