// The built program run as a process without a display, from a copy of its program folder.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "FileBytes.h"
#include "TempProgramFolder.h"
#include "ThrowAwayAccount.h"
#include "WizardFixture.h"

#ifndef KESTRIX_PROGRAM_DIR
#error "KESTRIX_PROGRAM_DIR is needed"
#endif

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

struct ProcessRun {
    int status = -1;
    QString errors;
    QString output = {};
};

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.res")), "RESTORE");
        QDir(folder.path()).mkpath(QStringLiteral("src"));
        writeBytes(folder.file(QStringLiteral("src/a.txt")), "alpha\n");
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
                   (folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n")).toUtf8());
    }

    // `program` defaults to the copied kestrix; `platform` is QT_QPA_PLATFORM and `display`
    // DISPLAY, if any.
    ProcessRun Kestrix(const QStringList& arguments, const QString& program = {},
                       const QString& platform = {}, const QString& display = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // As a scheduled job runs it: no display, no session.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"}) {
            environment.remove(QLatin1String(name));
        }
        if (!platform.isEmpty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        }
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(program.isEmpty() ? folder.file(QStringLiteral("kestrix")) : program,
                      arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        // What the disk record could not read depends on the machine (a container may refuse
        // its disks): that line is the record's own, tested with it.
        QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        errors.remove(QRegularExpression(
            QStringLiteral("^Kestrix : les disques n'ont pas tous été enregistrés : [^\n]*\n"),
            QRegularExpression::MultilineOption));
        return {process.exitCode(), errors, QString::fromUtf8(process.readAllStandardOutput())};
    }

    QStringList Report(const char* number) {
        const QDir reports(folder.file(QStringLiteral("Rapports")));
        const QStringList names =
            reports.entryList({QStringLiteral("Rapport ") + QLatin1String(number) + " - *.txt"});
        EXPECT_EQ(names.size(), 1) << number;
        return names.isEmpty() ? QStringList() : readCrLfLines(reports.filePath(names.first()));
    }

    TempProgramFolder folder{TempProgramFolder::Contents::Shipped};
    QString dest = folder.file(QStringLiteral("Sauvegardes/Lundi"));
};

}  // namespace

TEST_F(ProcessTest, AnUnattendedBackupWithoutADisplayExitsWithZero) {
    ASSERT_TRUE(QFile::exists(folder.file(QStringLiteral("kestrix"))));
    const ProcessRun run =
        Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/bat"), QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("Erreur"))) << run.errors.toStdString();
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), QByteArray("RESTORE"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" * Répertoire destination   : ") + dest));
    EXPECT_TRUE(report.contains(L(" * Sauvegarde automatique  : Oui")));
    EXPECT_EQ(report.last(), L("  <!> Aucune erreur ne semble s'être produite."));
    const QStringList ini = readCrLfLines(folder.file(QStringLiteral("Data/Kestrix.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Chemin=") + dest));
    EXPECT_TRUE(ini.contains(QStringLiteral("CurrentRapportNo=01")));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Rapport Important.txt"))));

    // The next run gets the next number.
    EXPECT_EQ(Kestrix({QStringLiteral("/AUTO")}).status, 0);
    EXPECT_EQ(Report("02").count(L(" # Création de la sauvegarde")), 1);
}

TEST_F(ProcessTest, ABoxNobodyCanSeeTakesItsDefaultAndGoesToStderrThenExitOne) {
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.dat")));
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("Data/Kestrix.dat"))));
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(
        L("Erreur : Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le "
          "fichier Kestrix.dat. Le programme ne peut pas continuer et va donc se terminer.")))
        << run.errors.toStdString();
    // The unattended sequence ran to its end all the same, but committed nothing: a backup
    // made from a list that could not be read would replace the previous one with less.
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" # Création de la sauvegarde")));
    EXPECT_TRUE(report.contains(L(" # Ecriture des paramètres vers le fichier Ini")));
    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Restore.exe")));
    EXPECT_TRUE(run.errors.contains(L("Kestrix : la sauvegarde précédente de \"") + dest +
                                    L("\" est gardée telle quelle : la nouvelle n'a pas pu être "
                                      "terminée.")))
        << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("Rapport Important.txt"))));
}

// A job run from cron that names a Qt platform showing nothing: its box goes to stderr too.
class ProcessPlatformTest : public ProcessTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(ProcessPlatformTest, ABoxNobodyCanSeeIsAnsweredOnStderr) {
    const QString plainFile = folder.file(QStringLiteral("src/a.txt"));
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), plainFile, QStringLiteral("/auto")},
                                   {}, QLatin1String(GetParam()));
    EXPECT_EQ(run.status, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(L("Erreur : "))) << run.errors.toStdString();
    EXPECT_EQ(readBytes(plainFile), QByteArray("alpha\n"));
}

INSTANTIATE_TEST_SUITE_P(Platforms, ProcessPlatformTest,
                         ::testing::Values("offscreen", "minimal"));

TEST_F(ProcessTest, AFileNotCopiedExitsWithOne) {
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
               (folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n")).toUtf8());
    // A folder stands where the copy goes: the copy cannot be written ("FileError").
    QDir().mkpath(dest + QStringLiteral("/Kestrix/a.txt"));
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(L("Une erreur est survenue lors de la copie du fichier")))
        << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(L("Kestrix : fin de la sauvegarde : 0 fichier copié, 1 non "
                                      "copié, code de sortie 1, rapport \"") +
                                    folder.file(QStringLiteral("Rapports/Rapport 01 - "))))
        << run.errors.toStdString();
}

// The journal of a job: the listed files this machine lacks (they change nothing of the exit
// status), then the end of the run with its counts, exit status and report.
TEST_F(ProcessTest, AnUnattendedRunNamesTheMissingFilesAndEndsWithItsCounts) {
    const QString first = folder.file(QStringLiteral("etc/crypttab"));
    const QString second = folder.file(QStringLiteral("boot/grub/grub.cfg"));
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
               (first + QStringLiteral("\n") + folder.file(QStringLiteral("src/a.txt")) +
                QStringLiteral("\n") + second + QStringLiteral("\n"))
                   .toUtf8());
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    const QStringList report =
        QDir(folder.file(QStringLiteral("Rapports"))).entryList({QStringLiteral("*.txt")});
    ASSERT_EQ(report.size(), 1);
    EXPECT_EQ(run.errors,
              L("Kestrix : 2 fichiers de la liste sont absents de cette machine et ne sont pas "
                "sauvegardés : \"") +
                  first + L("\", \"") + second +
                  L("\".\nKestrix : fin de la sauvegarde : 1 fichier copié, 0 non copié, code de "
                    "sortie 0, rapport \"") +
                  folder.file(QStringLiteral("Rapports/") + report.first()) + L("\".\n"));
}

// The closing line names the report only when it was saved.
TEST_F(ProcessTest, AReportThatCouldNotBeSavedIsNotNamed) {
    ASSERT_TRUE(QDir(folder.file(QStringLiteral("Rapports"))).removeRecursively());
    writeBytes(folder.file(QStringLiteral("Rapports")), "pas un dossier");
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_TRUE(run.errors.contains(L("Kestrix : fin de la sauvegarde : 1 fichier copié, 0 non "
                                      "copié, code de sortie ")))
        << run.errors.toStdString();
    EXPECT_TRUE(run.errors.endsWith(L(", rapport non enregistré.\n"))) << run.errors.toStdString();
}

// "--help" and "-h" print the usage on stdout, with or without a display, and start nothing.
// After "/rep", "--help" is a destination like any other.
TEST_F(ProcessTest, HelpAfterRepIsTheDestination) {
    const ProcessRun run =
        Kestrix({QStringLiteral("/rep"), QStringLiteral("--help"), QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(run.output, QString());
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("--help/Kestrix/a.txt"))),
              QByteArray("alpha\n"));
}

TEST_F(ProcessTest, WithoutADisplayAndWithoutAutoNothingStartsAndExitTwo) {
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Kestrix"))) << run.errors.toStdString();
    EXPECT_FALSE(QDir(dest).exists());
    EXPECT_TRUE(QDir(folder.file(QStringLiteral("Rapports"))).isEmpty());
}

// Options that the application object knows are still Kestrix's arguments: "/rep -reverse"
// backs up into "-reverse", not into whatever argument comes next.
class ProcessQtOptionTest : public ProcessTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(ProcessQtOptionTest, IsTheDestination) {
    const QString option = QLatin1String(GetParam());
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), option, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_EQ(readBytes(folder.file(option + QStringLiteral("/Kestrix/a.txt"))),
              QByteArray("alpha\n"));
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" * Répertoire destination   : ") + option));
    EXPECT_TRUE(report.contains(L(" * Sauvegarde automatique  : Oui")));
    EXPECT_TRUE(readCrLfLines(folder.file(QStringLiteral("Data/Kestrix.ini")))
                    .contains(QStringLiteral("Chemin=") + option));
}

INSTANTIATE_TEST_SUITE_P(Options, ProcessQtOptionTest,
                         ::testing::Values("-reverse", "-widgetcount"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param + 1);
                         });

// A destination given as bytes that are not UTF-8 is backed up into exactly those bytes; it
// cannot be saved in Kestrix.ini, so the settings writing reports "WriteIni" and the file keeps
// the destination it had.
TEST_F(ProcessTest, ADestinationThatIsNotUtf8IsUsedAsBytesAndNotSaved) {
    const QByteArray iniBefore = readBytes(folder.file(QStringLiteral("Data/Kestrix.ini")));
    const QByteArray destination = QFile::encodeName(folder.path()) + "/Sauvegardes/caf\xE9";
    // The shell passes the bytes that QProcess would turn into UTF-8.
    const ProcessRun run =
        Kestrix({QStringLiteral("-c"),
                 QStringLiteral("exec \"$0\" /rep \"$(printf '%s/Sauvegardes/caf\\351' "
                                "\"$1\")\" /auto"),
                 folder.file(QStringLiteral("kestrix")), folder.path()},
                QStringLiteral("/bin/sh"));
    EXPECT_EQ(run.status, 1) << run.errors.toStdString();
    EXPECT_TRUE(
        run.errors.contains(L("Impossible d'écrire la configuration des paramètres dans le "
                              "fichier Kestrix.ini !")))
        << run.errors.toStdString();
    std::ifstream copy(destination + "/Kestrix/a.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "alpha\n");
    EXPECT_FALSE(QDir(folder.file(L("Sauvegardes/café"))).exists());
    EXPECT_FALSE(QDir(folder.file(L("Sauvegardes/caf\uFFFD"))).exists());
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" * Répertoire destination   : ") + folder.path() +
                                QStringLiteral("/Sauvegardes/caf?")));
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("Data/Kestrix.ini"))), iniBefore);
}

namespace {

// The list as shipped by the fixture, a folder in its place, or with a second source of the
// same file name.
enum class ListShape { OneFile, Folder, NameClash, TwoMissing };

struct StderrCase {
    const char* name;
    ListShape list;
    int status;
    int boxLines;
    int journalLines;  // "Kestrix : " lines, such as the previous backup kept
};

class ProcessStderrTest : public ProcessTest, public ::testing::WithParamInterface<StderrCase> {};

}  // namespace

// A scheduled job reads stderr: it holds the boxes nobody saw and Kestrix's own journal lines,
// one line each, and nothing else.
TEST_P(ProcessStderrTest, HoldsOnlyKestrixLines) {
    const StderrCase& c = GetParam();
    if (c.list == ListShape::Folder) {
        QFile::remove(folder.file(QStringLiteral("Data/Kestrix.dat")));
        ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("Data/Kestrix.dat"))));
    }
    if (c.list == ListShape::TwoMissing) {
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
                   (folder.file(QStringLiteral("absent1")) + QStringLiteral("\n") +
                    folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\n") +
                    folder.file(QStringLiteral("absent2")) + QStringLiteral("\n"))
                       .toUtf8());
    }
    if (c.list == ListShape::NameClash) {
        QDir(folder.path()).mkpath(QStringLiteral("src/other"));
        writeBytes(folder.file(QStringLiteral("src/other/A.txt")), "other\n");
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
                   (folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n") +
                    folder.file(QStringLiteral("src/other/A.txt")) + QStringLiteral("\r\n"))
                       .toUtf8());
    }
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, c.status);
    const QStringList lines = run.errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), c.boxLines + c.journalLines) << run.errors.toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^Kestrix : "))).size(),
              c.journalLines)
        << run.errors.toStdString();
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("Erreur : ")) ||
                    line.startsWith(QStringLiteral("Avertissement : ")) ||
                    line.startsWith(QStringLiteral("Kestrix : ")))
            << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, ProcessStderrTest,
                         // Every run ends with its closing line.
                         ::testing::Values(StderrCase{"Clean", ListShape::OneFile, 0, 0, 1},
                                           // The list is refused with its reason; the
                                           // previous backup is kept, and said so.
                                           StderrCase{"DressList", ListShape::Folder, 1, 1, 3},
                                           // Both copied, the later under a name of its
                                           // own: nothing more to say.
                                           StderrCase{"NameClash", ListShape::NameClash, 0, 0, 1},
                                           // One line names both.
                                           StderrCase{"TwoMissing", ListShape::TwoMissing, 0, 0,
                                                      2}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

// What stands at kestrix-fenetre in the program folder: a stand-in that writes down its
// arguments, a file that cannot be run, or nothing.
enum class WindowProgram { StandIn, NotExecutable, Missing };
// The window starts, kestrix backs up by itself (both status 0), or it refuses with status 2.
enum class Outcome { Window, Backup, Refused };

struct HandOverCase {
    const char* name;
    bool display;
    bool automatic;
    WindowProgram window;
    Outcome outcome;
    const char* errors;  // the start of stderr, "" for nothing
};

const char* const kBackedUp =
    "Kestrix : fin de la sauvegarde : 1 fichier copié, 0 non copié, code de sortie 0, rapport ";

class ProcessHandOverTest : public ProcessTest,
                            public ::testing::WithParamInterface<HandOverCase> {};

}  // namespace

// kestrix runs an unattended backup that nobody can see itself, and hands everything else to
// the window program beside it, with the arguments unchanged.
TEST_P(ProcessHandOverTest, StartsTheWindowOnlyWhereItCanBeSeen) {
    const HandOverCase& c = GetParam();
    const QString window = folder.file(QStringLiteral("kestrix-fenetre"));
    const QString started = folder.file(QStringLiteral("started.txt"));
    QFile::remove(window);
    if (c.window != WindowProgram::Missing) {
        writeBytes(window, "#!/bin/sh\nprintf '%s\\n' \"$@\" >started.txt\n");
        ASSERT_EQ(::chmod(QFile::encodeName(window).constData(),
                          c.window == WindowProgram::StandIn ? 0755 : 0644),
                  0);
    }
    QStringList arguments{QStringLiteral("/rep"), dest};
    if (c.automatic) {
        arguments << QStringLiteral("/AUTO");
    }

    const ProcessRun run =
        Kestrix(arguments, {}, {}, c.display ? QStringLiteral(":97") : QString());

    EXPECT_EQ(run.status, c.outcome == Outcome::Refused ? 2 : 0) << run.errors.toStdString();
    const QString errors = QString::fromUtf8(c.errors).replace(QStringLiteral("FENETRE"), window);
    EXPECT_EQ(run.errors.left(errors.size()), errors);
    EXPECT_EQ(run.errors.isEmpty(), errors.isEmpty());
    EXPECT_EQ(QFile::exists(started) ? readBytes(started) : QByteArray("-"),
              c.outcome == Outcome::Window
                  ? (arguments.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()
                  : QByteArray("-"));
    EXPECT_EQ(QFile::exists(dest + QStringLiteral("/Kestrix/a.txt")), c.outcome == Outcome::Backup);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessHandOverTest,
    ::testing::Values(
        HandOverCase{"Window", true, false, WindowProgram::StandIn, Outcome::Window, ""},
        // With a display, the minimised window shows the unattended run.
        HandOverCase{"AutoWithADisplay", true, true, WindowProgram::StandIn, Outcome::Window, ""},
        HandOverCase{"AutoWithoutADisplay", false, true, WindowProgram::StandIn, Outcome::Backup,
                     kBackedUp},
        HandOverCase{"AutoWithoutTheWindow", true, true, WindowProgram::Missing, Outcome::Backup,
                     kBackedUp},
        HandOverCase{"NoWindow", true, false, WindowProgram::Missing, Outcome::Refused,
                     "Kestrix : la fenêtre de Kestrix (FENETRE) manque, car elle n'est pas "
                     "installée (paquet kestrix). Sans elle, seule une sauvegarde automatique est "
                     "possible (kestrix /auto).\n"},
        HandOverCase{"WindowThatCannotRun", true, false, WindowProgram::NotExecutable,
                     Outcome::Refused,
                     "Kestrix : la fenêtre de Kestrix (FENETRE) manque, car elle n'a pas pu "
                     "démarrer ("},
        HandOverCase{"NoDisplay", false, false, WindowProgram::StandIn, Outcome::Refused,
                     "Kestrix : aucun affichage disponible."}),
    [](const auto& info) { return std::string(info.param.name); });

// A server without the graphical libraries runs its backups: an unattended run that nobody sees
// loads no Qt Gui or Widgets library and opens no font.
TEST_F(ProcessTest, AnUnattendedRunLoadsNothingGraphical) {
    const QString trace = folder.file(QStringLiteral("openat.txt"));
    const ProcessRun run =
        Kestrix({QStringLiteral("-f"), QStringLiteral("-e"), QStringLiteral("trace=openat"),
                 QStringLiteral("-o"), trace, folder.file(QStringLiteral("kestrix")),
                 QStringLiteral("/rep"), dest, QStringLiteral("/auto")},
                QStringLiteral("strace"));
    if (run.status == 127 || !QFile::exists(trace)) {
        GTEST_SKIP() << "strace cannot run here: " << run.errors.toStdString();
    }
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    const QString opened = QString::fromUtf8(readBytes(trace));
    EXPECT_TRUE(opened.contains(QStringLiteral("libQt6Core")));
    for (const char* graphical : {"libQt6Gui", "libQt6Widgets", "libxcb", "libX11", "libGL",
                                  "fontconfig", ".ttf", ".otf"}) {
        EXPECT_FALSE(opened.contains(QLatin1String(graphical))) << graphical;
    }
}
