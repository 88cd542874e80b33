#include <gtest/gtest.h>

#include "report/RunReport.h"

TEST(RunReport, SectionOpeningHasSixLinesWithMatchingUnderline) {
    RunReport report;
    report.OpenSection(QStringLiteral("Création de la sauvegarde"));
    const QStringList expected = {QString(),
                                  QString(62, QLatin1Char('~')),
                                  QString(),
                                  QStringLiteral(" # Création de la sauvegarde"),
                                  QStringLiteral(" ---------------------------"),
                                  QString()};
    EXPECT_EQ(report.Lines(), expected);
}
