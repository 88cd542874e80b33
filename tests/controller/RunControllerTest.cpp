// The controller's unattended run against a host in memory: what reaches the settings file and
// the report, and where the shutdown stage runs.

#include "controller/RunController.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <tuple>

#include "FileBytes.h"
#include "QtPrinters.h"
#include "TempProgramFolder.h"
#include "platform/AppControl.h"

namespace {

// A host that answers every box; as a window it holds the destination in its own control, and
// closing it runs the controller's shutdown stage.
class WindowHost : public ControllerHost {
public:
    MessageAnswer ShowMessage(MessageIcon, MessageButtons buttons, const QString&) override {
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void ShowSettings(const Settings& settings) override {
        if (window) {
            shownChemin = settings.chemin;
        }
    }
    void TakeSettings(Settings& settings) override {
        if (window) {
            settings.chemin = shownChemin;
        }
    }
    bool CloseWindow() override {
        if (window) {
            controller->Shutdown();
        }
        return window;
    }

    bool window = false;
    QString shownChemin;
    RunController* controller = nullptr;
};

// Whether a window holds the settings, and whether the copy fails.
class RunControllerTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    void SetUp() override {
        AppControl::Reset();
        writeBytes(QStringLiteral("Data/Kestrix.res"), "RESTORE");
        writeBytes(QStringLiteral("Data/Kestrix.ini"),
                   readBytes(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini")));
        QDir().mkpath(QStringLiteral("src"));
        writeBytes(QStringLiteral("src/a.txt"), "alpha\n");
        writeBytes(QStringLiteral("Data/Kestrix.dat"), QFile::encodeName(source));
        host.window = std::get<0>(GetParam());
        host.controller = &controller;
    }

    TempProgramFolder folder;
    const QString source = folder.file(QStringLiteral("src/a.txt"));
    // Relative to the program folder.
    const QString dest = QStringLiteral("Save");
    WindowHost host;
    RunController controller{host};
};

}  // namespace

// The settings file keeps the destination as the run used it, its lone trailing separator taken
// off. A copy that fails runs the shutdown stage at once: the settings section follows the error,
// the report is saved, and the run goes on to its own end.
TEST_P(RunControllerTest, SavesTheDestinationItUsedAndTheSettingsRightAfterAFailure) {
    const bool copyFails = std::get<1>(GetParam());
    if (copyFails) {
        ASSERT_TRUE(QDir().mkpath(dest + QStringLiteral("/Kestrix/a.txt")));
    }

    controller.Start({QStringLiteral("kestrix"), QStringLiteral("/rep"), dest + QLatin1Char('/'),
                      QStringLiteral("/auto")});

    EXPECT_EQ(controller.ExitStatus(), copyFails ? 1 : 0);
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_TRUE(readBytes(QStringLiteral("Data/Kestrix.ini"))
                    .contains("\r\nChemin=" + QFile::encodeName(dest) + "\r\n"));
    EXPECT_EQ(QDir(QStringLiteral("Rapports")).entryList(QDir::Files).size(), 1);
    if (!copyFails) {
        EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
        return;
    }
    const QString settings = QStringLiteral(" # Ecriture des paramètres vers le fichier Ini");
    const QStringList lines = controller.GetReporter().Report().Lines();
    EXPECT_EQ(lines.filter(QRegularExpression("^ # ")).mid(4),
              QStringList({QStringLiteral(" # Création de la sauvegarde"), settings, settings}));
    // Inside the failed file's part of the backup section, before its record line.
    const int first = lines.indexOf(settings);
    EXPECT_GT(first, lines.indexOf(QStringLiteral(" # Création de la sauvegarde")));
    EXPECT_LT(first,
              lines.lastIndexOf(QStringLiteral("    -> Ecriture des infos de configuration...")));
}

INSTANTIATE_TEST_SUITE_P(WindowAndFailure, RunControllerTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));
