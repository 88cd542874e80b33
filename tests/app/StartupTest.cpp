#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "BoxAnswerer.h"
#include "FileBytes.h"
#include "SettingsReportLines.h"
#include "TempProgramFolder.h"
#include "app/TApplication.h"
#include "platform/AppControl.h"
#include "report/RunReport.h"
#include "wizard/TFormKestrix.h"

namespace {

const QDateTime kMonday(QDate(2026, 12, 7), QTime(11, 23, 8));
const QDateTime kTuesday(QDate(2026, 12, 8), QTime(9, 0, 0));

QString Report(int number, const QString& day = QStringLiteral("Lundi 07")) {
    return QStringLiteral("Rapports/Rapport ") +
           QString::number(number).rightJustified(2, QLatin1Char('0')) + QStringLiteral(" - ") +
           day + QStringLiteral(" Décembre 2026.txt");
}

QStringList Section(const QString& title) {
    RunReport report;
    report.OpenSection(title);
    return report.Lines();
}

const QStringList kHeader = {
    QString(), QStringLiteral("      Rapport Kestrix 1.1 - Créé le 07/12/2026 à 11:23:08     "),
    QStringLiteral("      ===================================================     ")};

const QString kConfigTitle =
    QStringLiteral("Lecture de la configuration depuis le fichier \"Kestrix.ini\"");
const QString kCommandTitle =
    QStringLiteral("Lecture et gestion des paramètres de la ligne de commandes");

const QStringList kNoCommandLine = {QStringLiteral(" * Répertoire destination  : Non spécifié"),
                                    QStringLiteral(" * Création d'Autoexec.bat : Non spécifié"),
                                    QStringLiteral(" * Sauvegarde automatique  : Non")};

struct Box {
    MessageIcon icon;
    MessageButtons buttons;
    QString text;
};

// One start of the program in a temporary program folder: the window is created as main() does
// and the test clicks its buttons while the program's own event loop runs.
struct StartupTest : ::testing::Test {
    TempProgramFolder folder{TempProgramFolder::Contents::Shipped};
    std::vector<Box> boxes;
    MessageAnswer answer = MessageAnswer::Ok;
    QDateTime now = kMonday;
    int dpi = 96;

    void SetUp() override { AppControl::Reset(); }

    WizardHooks Hooks() {
        WizardHooks hooks;
        hooks.answerMessage = [this](MessageIcon icon, MessageButtons buttons,
                                     const QString& text) {
            boxes.push_back({icon, buttons, text});
            return buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
        };
        hooks.screenDpi = [this] { return dpi; };
        hooks.clock = [this] { return now; };
        hooks.openUrl = [](const QUrl&) { return true; };
        return hooks;
    }

    // Runs the program's event loop until the end is requested, with `action` as its first
    // event; a loop that does not end within 10 s fails the test.
    void RunLoop(std::function<void()> action) {
        bool timedOut = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            timedOut = true;
            AppControl::RequestEnd();
        });
        guard.start(10000);
        QTimer::singleShot(0, std::move(action));
        static_cast<TApplication*>(QCoreApplication::instance())->Run();
        EXPECT_FALSE(timedOut) << "the program did not end";
    }

    static void Click(TFormKestrix& window, const char* name) {
        auto* button = window.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }

    // Starts the program and closes it at once with "Quitter".
    void StartAndQuit(int exitStatus = 0) {
        AppControl::Reset();
        TFormKestrix window({QStringLiteral("kestrix")}, Hooks());
        window.ShowAtLoopStart();
        RunLoop([&] { Click(window, "BtnQuitter"); });
        EXPECT_EQ(window.ExitStatus(), exitStatus);
    }
};

TEST_F(StartupTest, FirstStartClosedAtOnceSavesReportOneAndTheNextStartReportTwo) {
    StartAndQuit();
    EXPECT_TRUE(boxes.empty());
    const QStringList expected =
        kHeader + Section(kConfigTitle) + DefaultReadLines(QStringLiteral("01")) +
        QStringList{QString(), RunReport::kNoError} + Section(kCommandTitle) + kNoCommandLine +
        WriteLines(QStringLiteral("01"));
    EXPECT_EQ(readCrLfLines(Report(1)), expected);
    EXPECT_TRUE(
        readBytes(QStringLiteral("Data/Kestrix.ini")).contains("\r\nCurrentRapportNo=01\r\n"));
    // Nothing but the report number changed in the settings.
    QByteArray shipped = readBytes(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini"));
    shipped.replace("CurrentRapportNo=00", "CurrentRapportNo=01");
    EXPECT_EQ(readBytes(QStringLiteral("Data/Kestrix.ini")), shipped);
    EXPECT_FALSE(QFile::exists(QStringLiteral("Rapport Important.txt")));

    now = kTuesday;
    StartAndQuit();
    EXPECT_TRUE(QFile::exists(Report(2, QStringLiteral("Mardi 08"))));
    EXPECT_TRUE(
        readBytes(QStringLiteral("Data/Kestrix.ini")).contains("\r\nCurrentRapportNo=02\r\n"));
}

TEST_F(StartupTest, MissingSettingsFileIsReportedThenCreatedWithEveryKeyAtClose) {
    ASSERT_TRUE(QFile::remove(QStringLiteral("Data/Kestrix.ini")));
    AppControl::Reset();
    {
        TFormKestrix window({QStringLiteral("kestrix")}, Hooks());
        // Written during start-up, before the window is shown.
        const QStringList important = readCrLfLines(QStringLiteral("Rapport Important.txt"));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].icon, MessageIcon::Error);
        EXPECT_EQ(boxes[0].text,
                  QStringLiteral("Le fichier \"Kestrix.ini\" n'a pas été trouvé dans le "
                                 "répertoire Data du logiciel !"));
        const QStringList errorLines = {
            QStringLiteral("  <!> Erreur : le fichier \"Kestrix.ini\" n'existe pas."),
            QStringLiteral("  -> Message : \"Le fichier Kestrix.ini n'a pas été trouvé dans le "
                           "répertoire du logiciel !\"")};
        EXPECT_EQ(important, kHeader + Section(kConfigTitle) + errorLines);
        window.ShowAtLoopStart();
        RunLoop([&] { Click(window, "BtnQuitter"); });
        EXPECT_EQ(window.ExitStatus(), 1);
    }
    // The configuration section ends without its no-error line.
    const QStringList report = readCrLfLines(Report(1));
    const QStringList configuration = DefaultReadLines(QStringLiteral("01"));
    const int commandSection = report.indexOf(QStringLiteral(" # ") + kCommandTitle);
    ASSERT_GT(commandSection, 0);
    EXPECT_EQ(report.mid(commandSection - 3 - configuration.size(), configuration.size()),
              configuration);
    EXPECT_FALSE(report.mid(0, commandSection).contains(RunReport::kNoError));

    const QByteArray expectedIni =
        "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/var/backups/Save\r\n"
        "[Options]\r\nTexture=Oui\r\nVitesse=3\r\nBackColor=clBtnFace\r\nBarColorDebut=$"
        "00004000\r\n"
        "BarColorFin=$0080FF80\r\nButtonColorHaut=$00E0E0E0\r\nButtonColorBas=clSilver\r\n"
        "[Enregistrement]\r\nAutoexec=Oui\r\nChemin=Oui\r\nBtnColors=Oui\r\nBarColors=Oui\r\n"
        "BackColor=Oui\r\nTexture=Oui\r\nVitesse=Oui\r\n"
        "[Autres]\r\nCurrentRapportNo=01\r\n";
    EXPECT_EQ(readBytes(QStringLiteral("Data/Kestrix.ini")), expectedIni);
}

TEST_F(StartupTest, ImportantReportFromTheLastRunIsAnnouncedAndKept) {
    writeBytes(QStringLiteral("Rapport Important.txt"), "ancien\r\n");
    StartAndQuit();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(
        boxes[0].text,
        QStringLiteral("Un fichier rapport important a été détecté dans le répertoire du logiciel, "
                       "ce qui signifie qu'il y a eu des erreurs lors de la dernière exécution du "
                       "logiciel. Déplacez-le dans un autre répertoire, sinon il sera écrasé si un "
                       "autre rapport est créé."));
    EXPECT_EQ(readBytes(QStringLiteral("Rapport Important.txt")), QByteArray("ancien\r\n"));
}

TEST_F(StartupTest, LargeFontsDeclinedEndsWithoutWritingTheSettings) {
    dpi = 120;
    answer = MessageAnswer::No;
    const QByteArray iniBefore = readBytes(QStringLiteral("Data/Kestrix.ini"));
    TFormKestrix window({QStringLiteral("kestrix")}, Hooks());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(boxes[0].text.startsWith(
        QStringLiteral("Vous utilisez actuellement le mode Grandes Polices de Windows.")));
    EXPECT_TRUE(AppControl::EndRequested());
    // The rest of start-up ran all the same.
    EXPECT_TRUE(
        window.GetReporter().Report().Lines().contains(QStringLiteral(" # ") + kCommandTitle));
    window.ShowAtLoopStart();
    RunLoop([] {});
    EXPECT_EQ(readBytes(QStringLiteral("Data/Kestrix.ini")), iniBefore);
    EXPECT_TRUE(QDir(QStringLiteral("Rapports")).isEmpty());
}

TEST_F(StartupTest, OtherScreenResolutionsAskNothing) {
    for (const int value : {96, 144}) {
        dpi = value;
        boxes.clear();
        AppControl::Reset();
        TFormKestrix window({QStringLiteral("kestrix")}, Hooks());
        EXPECT_TRUE(boxes.empty()) << value;
        EXPECT_FALSE(AppControl::EndRequested()) << value;
    }
}

TEST_F(StartupTest, UncaughtExceptionIsRecordedAndEndsWithoutAMessage) {
    WizardHooks hooks = Hooks();
    // A bug inside the backup run: nothing but the application-wide handler catches it.
    hooks.freeSpace = [](const QString&) -> qint64 { throw std::logic_error("bug"); };
    TFormKestrix window({QStringLiteral("kestrix")}, hooks);
    window.findChild<QLineEdit*>(QStringLiteral("EditChemin"))
        ->setText(folder.file(QStringLiteral("Save")));
    window.ShowAtLoopStart();
    RunLoop([&] {
        for (const char* button : {"BtnSuivant", "BtnSuivant", "BtnSuivant", "BtnDemarrer"}) {
            Click(window, button);
            QTest::qWait(30);  // the page of the new step is laid out at the next tick
        }
    });
    EXPECT_EQ(window.Etape(), WizardStep::Backup);
    EXPECT_TRUE(boxes.empty());
    const QStringList important = readCrLfLines(QStringLiteral("Rapport Important.txt"));
    ASSERT_GE(important.size(), 5);
    EXPECT_EQ(important.mid(important.size() - 5),
              (QStringList{
                  QString(), QStringLiteral("  <!> Une erreur inconnue s'est produite !"),
                  QStringLiteral("  <!> ") + window.GetReporter().LastErrorText(),
                  QStringLiteral("  Il s'agit certainement d'un bug dans le programme !"),
                  QStringLiteral("  Pour m'aider à le résoudre, envoyez-moi ce rapport à une des "
                                 "adresses indiquées dans le fichier Kestrix.txt !")}));
    EXPECT_TRUE(window.GetReporter().LastErrorText().startsWith(QStringLiteral("Code 0 - ")));
    EXPECT_EQ(window.ExitStatus(), 1);
    // No settings written and no numbered report: the program just ends.
    EXPECT_EQ(QDir(QStringLiteral("Rapports")).entryList(QDir::Files), QStringList());
}

TEST_F(StartupTest, LargeFontsDeclinedInARealBoxLeavesTheNextBoxToItsAnswer) {
    dpi = 120;
    writeBytes(QStringLiteral("Rapport Important.txt"), "ancien\r\n");
    WizardHooks hooks = Hooks();
    hooks.answerMessage = nullptr;  // the real boxes, answered by a person
    BoxAnswerer person({QStringLiteral("&Non"), QStringLiteral("OK")});
    TFormKestrix window({QStringLiteral("kestrix")}, hooks);
    ASSERT_EQ(person.seen.size(), 2) << person.seen.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(person.seen[0].startsWith(QStringLiteral(
        "Avertissement|Vous utilisez actuellement le mode Grandes Polices de Windows.")));
    EXPECT_TRUE(person.seen[0].endsWith(QStringLiteral("|&Non")));
    EXPECT_TRUE(person.seen[1].startsWith(
        QStringLiteral("Avertissement|Un fichier rapport important a été détecté")));
    EXPECT_TRUE(person.seen[1].endsWith(QStringLiteral("|OK")));
    EXPECT_TRUE(AppControl::EndRequested());
    window.ShowAtLoopStart();
    RunLoop([] {});
    EXPECT_TRUE(QDir(QStringLiteral("Rapports")).isEmpty());
}

}  // namespace
