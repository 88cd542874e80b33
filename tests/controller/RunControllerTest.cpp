// The controller's unattended run against a host in memory: what reaches the settings file and
// the report, and where the shutdown stage runs.

#include "controller/RunController.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "FileBytes.h"
#include "QtPrinters.h"
#include "TempProgramFolder.h"
#include "platform/AppControl.h"

namespace {

// A host that records the order of its calls; as a window it holds the destination in its own
// control, and closing it runs the controller's shutdown stage.
class RecordingHost : public ControllerHost {
public:
    MessageAnswer ShowMessage(MessageIcon, MessageButtons buttons, const QString& text) override {
        calls << QStringLiteral("box ") + text.left(30);
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void ShowSettings(const Settings& settings) override {
        calls << QStringLiteral("show ") + settings.chemin;
        if (window) {
            shownChemin = settings.chemin;
        }
    }
    void TakeSettings(Settings& settings) override {
        calls << QStringLiteral("take");
        if (window) {
            settings.chemin = shownChemin;
        }
    }
    bool CloseWindow() override {
        calls << QStringLiteral("close");
        if (window && controller != nullptr) {
            controller->Shutdown();
        }
        return window;
    }
    void UnattendedRunStarts() override { calls << QStringLiteral("run"); }
    void UnattendedBackupStarts() override { calls << QStringLiteral("backup"); }
    void UnattendedBackupEnded() override { calls << QStringLiteral("ended"); }

    bool window = false;
    QString shownChemin;
    RunController* controller = nullptr;
    QStringList calls;
};

class RunControllerTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        AppControl::Reset();
        writeBytes(QStringLiteral("Data/Kestrix.res"), "RESTORE");
        writeBytes(QStringLiteral("Data/Kestrix.ini"),
                   readBytes(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini")));
        QDir().mkpath(QStringLiteral("src"));
        writeBytes(QStringLiteral("src/a.txt"), "alpha\n");
        writeBytes(QStringLiteral("Data/Kestrix.dat"), QFile::encodeName(source));
        host.window = GetParam();
        host.controller = &controller;
    }

    // The titles of the report's sections, in order.
    QStringList Sections() const {
        return controller.GetReporter().Report().Lines().filter(QRegularExpression("^ # "));
    }

    TempProgramFolder folder;
    const QString source = folder.file(QStringLiteral("src/a.txt"));
    // Relative to the program folder.
    const QString dest = QStringLiteral("Save");
    RecordingHost host;
    RunController controller{host};
};

}  // namespace

// The destination as the run used it (its lone trailing separator taken off) is what the host shows
// and what the settings file keeps, whether a window holds it or not.
TEST_P(RunControllerTest, TheDestinationTheRunUsedIsShownAndSaved) {
    controller.Start({QStringLiteral("kestrix"), QStringLiteral("/rep"), dest + QLatin1Char('/'),
                      QStringLiteral("/auto")});

    EXPECT_EQ(controller.ExitStatus(), 0);
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_TRUE(readBytes(QStringLiteral("Data/Kestrix.ini"))
                    .contains("\r\nChemin=" + QFile::encodeName(dest) + "\r\n"));
    EXPECT_EQ(host.calls, QStringList({QStringLiteral("show /var/backups/Save"),
                                       QStringLiteral("show ") + dest + QLatin1Char('/'),
                                       QStringLiteral("run"), QStringLiteral("show ") + dest,
                                       QStringLiteral("backup"), QStringLiteral("ended"),
                                       QStringLiteral("take"), QStringLiteral("show ") + dest}));
}

// A copy that fails runs the shutdown stage at once, with or without a window: the settings
// section follows the error, the report is saved, and the run goes on to its own end.
TEST_P(RunControllerTest, AFailedCopyWritesTheSettingsRightAfterIt) {
    ASSERT_TRUE(QDir().mkpath(dest + QStringLiteral("/Kestrix/a.txt")));

    controller.Start(
        {QStringLiteral("kestrix"), QStringLiteral("/rep"), dest, QStringLiteral("/auto")});

    EXPECT_EQ(controller.ExitStatus(), 1);
    EXPECT_EQ(host.calls.count(QStringLiteral("close")), 1);
    EXPECT_EQ(host.calls.count(QStringLiteral("take")), 2);
    const QString settings = QStringLiteral(" # Ecriture des paramètres vers le fichier Ini");
    EXPECT_EQ(Sections().mid(4),
              QStringList({QStringLiteral(" # Création de la sauvegarde"), settings, settings}));
    const QStringList lines = controller.GetReporter().Report().Lines();
    // Inside the failed file's part of the backup section, before its record line.
    const int first = lines.indexOf(settings);
    EXPECT_GT(first, lines.indexOf(QStringLiteral(" # Création de la sauvegarde")));
    EXPECT_LT(first,
              lines.lastIndexOf(QStringLiteral("    -> Ecriture des infos de configuration...")));
    EXPECT_EQ(QDir(QStringLiteral("Rapports")).entryList(QDir::Files).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Hosts, RunControllerTest, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "Window" : "Nobody");
                         });
