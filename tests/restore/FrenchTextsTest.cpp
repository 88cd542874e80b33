#include <gtest/gtest.h>

#include <cerrno>

#include "restore/FrenchTexts.h"

namespace {

TEST(RestoreFrenchTexts, SummaryQuestionAndErrors) {
    EXPECT_EQ(FrenchTexts::Summary({3, 2, 9, 1}),
              "3 fichiers écrits, 2 aux droits rétablis, 9 déjà à jour, 1 ignorés");
    EXPECT_EQ(FrenchTexts::Question(12), "Restaurer ces 12 fichiers ? (o/N) ");
    EXPECT_EQ(FrenchTexts::SystemError(EROFS),
              "système de fichiers en lecture seule (code " + std::to_string(EROFS) + ")");
    EXPECT_EQ(FrenchTexts::SystemError(ENOSPC),
              "plus de place sur le disque (code " + std::to_string(ENOSPC) + ")");
    EXPECT_EQ(FrenchTexts::StepText(SystemFailure::Step::CreateTemporary),
              "création du fichier temporaire impossible");
    // The commands of a rescue come before the details.
    const std::string usage = FrenchTexts::Usage();
    std::size_t last = 0;
    for (const char* command : {"Restore.exe --verifier ", "Restore.exe --liste --racine /mnt ",
                                "Restore.exe --oui --racine /mnt ", "Usage : "}) {
        const std::size_t at = usage.find(command);
        EXPECT_LT(last, at) << command;
        last = at;
    }
    EXPECT_NE(FrenchTexts::Usage().find(
                  "Usage : Restore.exe [--liste | --comparer | --verifier | --disques] [--oui]\n"
                  "                   [--force] [--racine RACINE] [DOSSIER [FICHIER...]]\n"),
              std::string::npos);
}

TEST(RestoreFrenchTexts, OnlyOuiMeansYes) {
    for (const char* yes : {"o", "O", "oui", "OUI", " oui \r", "Oui"}) {
        EXPECT_TRUE(FrenchTexts::IsYes(yes)) << yes;
    }
    for (const char* no : {"", "n", "non", "y", "yes", "ou i", "ouii", "o o"}) {
        EXPECT_FALSE(FrenchTexts::IsYes(no)) << no;
    }
}

TEST(RestoreFrenchTexts, ControlBytesAreShownEscaped) {
    EXPECT_EQ(FrenchTexts::Printable("clé\x1b[2J\r\x7f"), "clé\\x1B[2J\\x0D\\x7F");
}

}  // namespace
