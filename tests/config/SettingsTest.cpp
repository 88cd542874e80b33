#include "config/Settings.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <functional>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "FileBytes.h"
#include "Mounts.h"
#include "RecordingUi.h"
#include "SettingsReportLines.h"
#include "TempProgramFolder.h"
#include "platform/SystemError.h"

namespace {

const QByteArray kDefaultIni =
    "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/var/backups/Save\r\n"
    "[Options]\r\nTexture=Oui\r\nVitesse=3\r\nBackColor=clBtnFace\r\nBarColorDebut=$00004000\r\n"
    "BarColorFin=$0080FF80\r\nButtonColorHaut=$00E0E0E0\r\nButtonColorBas=clSilver\r\n"
    "[Enregistrement]\r\nAutoexec=Oui\r\nChemin=Oui\r\nTexture=Oui\r\nVitesse=Oui\r\n"
    "BackColor=Oui\r\nBarColors=Oui\r\nBtnColors=Oui\r\n"
    "[Autres]\r\nCurrentRapportNo=00\r\n";

// What WriteSettings makes from nothing with the window's initial values.
const QByteArray kWrittenFromNothing =
    "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/var/backups/Save\r\n"
    "[Options]\r\nTexture=Oui\r\nVitesse=3\r\nBackColor=clBtnFace\r\nBarColorDebut=$00004000\r\n"
    "BarColorFin=$0080FF80\r\nButtonColorHaut=$00E0E0E0\r\nButtonColorBas=clSilver\r\n"
    "[Enregistrement]\r\nAutoexec=Oui\r\nChemin=Oui\r\nBtnColors=Oui\r\nBarColors=Oui\r\n"
    "BackColor=Oui\r\nTexture=Oui\r\nVitesse=Oui\r\n"
    "[Autres]\r\nCurrentRapportNo=01\r\n";

const QString kFichierIniMessage =
    QStringLiteral("Impossible de travailler sur le fichier Kestrix.ini !");
const QString kWriteIniMessage = QStringLiteral(
    "Impossible d'écrire la configuration des paramètres dans le fichier Kestrix.ini ! Vérifiez "
    "que le disque ne soit pas plein ou protégé en écriture et rééssayez.");

class SettingsFile : public ::testing::Test {
protected:
    QStringList Lines() const { return reporter.Report().Lines(); }

    void Read(const QByteArray& ini) {
        writeBytes(kIniPath, ini);
        ReadSettings(reporter, settings);
    }

    // The two error lines of a code: the failure's location and system message, then the text.
    void ExpectErrorLines(const QStringList& lines, int errorNumber, const QString& message) {
        ASSERT_GE(lines.size(), 2);
        const QRegularExpression error(QStringLiteral("^  <!> Erreur : Code [1-9][0-9]* - ") +
                                       QRegularExpression::escape(SystemErrorMessage(errorNumber)) +
                                       QLatin1Char('$'));
        EXPECT_TRUE(error.match(lines[lines.size() - 2]).hasMatch())
            << lines[lines.size() - 2].toStdString();
        EXPECT_EQ(lines.back(), QStringLiteral("  -> Message : \"") + message + QLatin1Char('"'));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui.boxes[0].text, message);
        EXPECT_TRUE(reporter.ErrorOccurred());
        EXPECT_EQ(readBytes(QStringLiteral("Rapport Important.txt")), reporter.Report().ToBytes());
    }

    TempProgramFolder folder;
    RecordingUi ui;
    Reporter reporter{ui};
    Settings settings;
};

}  // namespace

TEST_F(SettingsFile, DefaultFileIsEchoedAndApplied) {
    settings.textureShown = false;  // proves that "Oui" leaves the window as it is
    settings.chemin = QStringLiteral("form text");
    Read(kDefaultIni);
    EXPECT_EQ(Lines(), DefaultReadLines(QStringLiteral("01")));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(reporter.ErrorOccurred());
    EXPECT_EQ(reporter.ReportNumber(), 1);
    EXPECT_EQ(reporter.ReportNumberText(), "01");
    EXPECT_FALSE(settings.textureShown);
    EXPECT_EQ(settings.trackBarPosition, 3);
    EXPECT_EQ(settings.colours.at(ColourBox::Fond), clBtnFace);
    EXPECT_EQ(settings.colours[ColourBox::Fond], clBtnFace);
    EXPECT_EQ(settings.colours.at(ColourBox::BarDebut), 0x00004000);
    EXPECT_EQ(settings.colours.at(ColourBox::BarFin), 0x0080FF80);
    EXPECT_EQ(settings.chemin, "/var/backups/Save");
    EXPECT_FALSE(settings.autoexec);
}

TEST_F(SettingsFile, ShippedFileReadsAsTheDefaults) {
    Read(readBytes(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini")));
    EXPECT_EQ(Lines(), DefaultReadLines(QStringLiteral("01")));
    EXPECT_FALSE(reporter.ErrorOccurred());
}

namespace {

// A settings file, report lines by their index (from the end when negative), what the reading
// keeps beyond the defaults, the report number text, and what writing them back puts in the file.
struct ReadCase {
    const char* name;
    QByteArray ini;
    std::vector<std::pair<int, const char*>> lines;
    std::function<void(Settings&)> read;
    const char* number;
    QByteArray written;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class SettingsRead : public SettingsFile, public ::testing::WithParamInterface<ReadCase> {};

}  // namespace

TEST_P(SettingsRead, EchoesKeepsAndWritesBack) {
    const ReadCase& c = GetParam();
    Read(c.ini);
    for (const auto& [index, text] : c.lines) {
        const int at = index < 0 ? Lines().size() + index : index;
        ASSERT_LT(at, Lines().size());
        EXPECT_EQ(Lines()[at], QString::fromUtf8(text)) << index;
    }
    Settings expected;
    c.read(expected);
    EXPECT_EQ(settings.textureShown, expected.textureShown);
    EXPECT_EQ(settings.trackBarPosition, expected.trackBarPosition);
    EXPECT_EQ(settings.colours, expected.colours);
    EXPECT_EQ(settings.saveFlags, expected.saveFlags);
    EXPECT_EQ(settings.autoexec, expected.autoexec);
    EXPECT_EQ(settings.chemin, expected.chemin);
    EXPECT_EQ(reporter.ReportNumberText(), QLatin1String(c.number));
    EXPECT_FALSE(reporter.ErrorOccurred());
    WriteSettings(reporter, settings);
    EXPECT_TRUE(readBytes(kIniPath).contains(c.written)) << readBytes(kIniPath).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRead,
    ::testing::Values(
        ReadCase{"EveryValue",
                 "[Options]\r\nTexture=Non\r\nVitesse=5\r\nBarColorDebut=clRed\r\n"
                 "BarColorFin=$00123456\r\nBackColor=clTeal\r\nButtonColorHaut=16\r\n"
                 "ButtonColorBas=clInfoBk\r\n[Enregistrement]\r\nAutoexec=Non\r\nVitesse=Non\r\n"
                 "[Sauvegarde]\r\nAutoexec=oui\r\nChemin=/mnt/cl\xe9\r\n"
                 "[Autres]\r\nCurrentRapportNo=7\r\n",
                 // The block size line tells the size held before the reading.
                 {{1, " * Usage de la texture  : Non"},
                  {2, " * Taille des blocs     : 3 (20 Ko - Normal)"},
                  {3, " * Couleurs de la barre : clRed, $00123456"},
                  {5, " * Couleurs des boutons : 16, clInfoBk"},
                  {8, " * Création d'Autoexec.bat   : Non"},
                  {13, " * Taille des blocs fichier  : Non"},
                  {17, " * Créer un Autoexec.bat  : Oui"},
                  {18, " * Répertoire destination : /mnt/clé"}},
                 [](Settings& s) {
                     s.textureShown = false;
                     s.trackBarPosition = 5;
                     s.colours = {{ColourBox::Fond, clTeal},
                                  {ColourBox::ButtonHaut, 16},
                                  {ColourBox::ButtonBas, clInfoBk},
                                  {ColourBox::BarDebut, clRed},
                                  {ColourBox::BarFin, 0x00123456}};
                     s.saveFlags[SaveFlag::Autoexec] = false;
                     s.saveFlags[SaveFlag::Vitesse] = false;
                     s.autoexec = true;
                     s.chemin = QStringLiteral("/mnt/clé");
                 },
                 "08",
                 "[Sauvegarde]\r\nAutoexec=oui\r\nChemin=/mnt/cl\xe9\r\n"},
        ReadCase{"LowerCaseOuiIsOui",
                 "[Options]\r\nTexture=oui\r\n[Enregistrement]\r\nChemin=non\r\n",
                 {{1, " * Usage de la texture  : Oui"}, {9, " * Nom du répertoire utilisé : Oui"}},
                 [](Settings&) {},
                 "01",
                 "Texture=Oui\r\n"},
        ReadCase{"BlockSizeAboveTheScale",
                 "[Options]\r\nVitesse=9\r\n",
                 {{2, " * Taille des blocs     : 3 (20 Ko - Normal)"}},
                 [](Settings& s) { s.trackBarPosition = 6; },
                 "01",
                 "\r\nVitesse=6\r\n"},
        ReadCase{"BlockSizeBelowTheScale",
                 "[Options]\r\nVitesse=-1\r\n",
                 {},
                 [](Settings& s) { s.trackBarPosition = 0; },
                 "01",
                 "\r\nVitesse=0\r\n"},
        ReadCase{"WindowColourNameInAnyCase",
                 "[Options]\r\nBackColor=clbtnface\r\n",
                 {{4, " * Couleur des fenêtres : clbtnface"}},
                 [](Settings&) {},
                 "01",
                 "[Options]\r\nBackColor=clBtnFace\r\nTexture=Oui\r\n"},
        ReadCase{"ReportNumberAfterNine",
                 "[Autres]\r\nCurrentRapportNo=09\r\n",
                 {{-1, " * Numéro de rapport courant : 10"}},
                 [](Settings&) {},
                 "10",
                 "[Autres]\r\nCurrentRapportNo=10\r\n"},
        ReadCase{"ReportNumberAfterNinetyNine",
                 "[Autres]\r\nCurrentRapportNo=99\r\n",
                 {{-1, " * Numéro de rapport courant : 100"}},
                 [](Settings&) {},
                 "100",
                 "[Autres]\r\nCurrentRapportNo=100\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFile, MissingFileGivesEveryDefaultAndIsWrittenWhole) {
    ReadSettings(reporter, settings);
    EXPECT_EQ(Lines(), DefaultReadLines(QStringLiteral("01")));
    EXPECT_FALSE(QFileInfo::exists(kIniPath));
    WriteSettings(reporter, settings);
    EXPECT_EQ(Lines(), DefaultReadLines(QStringLiteral("01")) + WriteLines(QStringLiteral("01")));
    EXPECT_EQ(readBytes(kIniPath), kWrittenFromNothing);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SettingsFile, WritingBackKeepsTheFileLayout) {
    QByteArray ini = kDefaultIni;
    ini.replace("[Autres]", "; numéro du dernier rapport\r\n[Autres]");
    Read(ini);
    WriteSettings(reporter, settings);
    ini.replace("CurrentRapportNo=00", "CurrentRapportNo=01");
    EXPECT_EQ(readBytes(kIniPath), ini);
}

TEST_F(SettingsFile, UnknownColourStopsTheReadingAfterItsLine) {
    Read(
        "[Options]\r\nBarColorDebut=vert\r\nBackColor=clRed\r\nButtonColorHaut=clBlue\r\n"
        "[Enregistrement]\r\nChemin=Non\r\n[Sauvegarde]\r\nAutoexec=Oui\r\nChemin=/autre\r\n"
        "[Autres]\r\nCurrentRapportNo=41\r\n");
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(
        lines.mid(0, 4),
        DisplayLines() + QStringList{QStringLiteral(" * Couleurs de la barre : vert, $0080FF80")});
    ExpectErrorLines(lines, 0, kFichierIniMessage);
    const Settings initial;
    EXPECT_EQ(settings.colours, initial.colours);
    EXPECT_EQ(settings.colours.at(ColourBox::Fond), initial.colours.at(ColourBox::Fond));
    EXPECT_EQ(settings.colours.at(ColourBox::BarDebut), initial.colours.at(ColourBox::BarDebut));
    EXPECT_EQ(settings.saveFlags, initial.saveFlags);
    EXPECT_FALSE(settings.autoexec);
    EXPECT_EQ(settings.chemin, initial.chemin);
    // The report number is still read, silently.
    EXPECT_EQ(reporter.ReportNumber(), 42);
    EXPECT_EQ(reporter.ReportNumberText(), "42");
}

TEST_F(SettingsFile, BadBlockSizeStopsTheReadingAndTheNumberDefaults) {
    Read("[Options]\r\nVitesse=vite\r\n");
    ASSERT_EQ(Lines().size(), 5);
    EXPECT_EQ(Lines().mid(0, 3), DisplayLines());
    ExpectErrorLines(Lines(), 0, kFichierIniMessage);
    EXPECT_EQ(settings.trackBarPosition, 3);
    EXPECT_EQ(reporter.ReportNumberText(), "01");
    WriteSettings(reporter, settings);
    EXPECT_TRUE(readBytes(kIniPath).endsWith("[Autres]\r\nCurrentRapportNo=01\r\n"));
}

TEST_F(SettingsFile, BadReportNumberStaysAsReadAndIsWrittenBack) {
    Read("[Autres]\r\nCurrentRapportNo=douze\r\n");
    ASSERT_EQ(Lines().size(), 21);
    EXPECT_EQ(Lines().mid(0, 19), DefaultReadLines({}).mid(0, 19));
    ExpectErrorLines(Lines(), 0, kFichierIniMessage);
    EXPECT_EQ(reporter.ReportNumber(), 0);
    EXPECT_EQ(reporter.ReportNumberText(), "douze");
    WriteSettings(reporter, settings);
    EXPECT_TRUE(readBytes(kIniPath).startsWith("[Autres]\r\nCurrentRapportNo=douze\r\n"));
}

// A number that cannot count on, or a text that would put the report elsewhere, would fail or
// misplace every run from now on: the default takes its place, named on stderr only.
TEST_F(SettingsFile, ReportNumberThatCannotNameTheNextReportGivesWayToTheDefault) {
    for (const char* stored : {"2147483647", "-3", "../../etc/x", "a/b", ".."}) {
        SCOPED_TRACE(stored);
        testing::internal::CaptureStderr();
        Read(QByteArray(kDefaultIni)
                 .replace("CurrentRapportNo=00", QByteArray("CurrentRapportNo=") + stored));
        const std::string journal = testing::internal::GetCapturedStderr();
        EXPECT_EQ(journal, std::string("Kestrix : \"Autres\"/\"CurrentRapportNo\" de Kestrix.ini "
                                       "vaut \"") +
                               stored +
                               "\", qui ne peut pas numéroter les rapports (un nombre de 0 à "
                               "2147483646) : 00 est pris à la place.\n");
        EXPECT_EQ(Lines().last(), " * Numéro de rapport courant : 01");
        EXPECT_FALSE(reporter.ErrorOccurred());
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(reporter.ReportNumberText(), "01");
    }
}

TEST_F(SettingsFile, UncheckedSaveFlagsKeepTheOldValues) {
    Read(QByteArray(kDefaultIni).replace("Chemin=/var/backups/Save", "Chemin=/ancien"));
    settings.saveFlags[SaveFlag::RepName] = false;
    settings.saveFlags[SaveFlag::BarColor] = false;
    settings.chemin = QStringLiteral("/nouveau");
    settings.colours[ColourBox::BarDebut] = clRed;
    settings.colours[ColourBox::Fond] = clWindow;
    settings.autoexec = true;
    WriteSettings(reporter, settings);
    const QString e = QStringLiteral("Enregistré");
    const QString i = QStringLiteral("Ignoré");
    const QString o = QStringLiteral("Oui");
    const QString n = QStringLiteral("Non");
    EXPECT_EQ(Lines().mid(DefaultReadLines({}).size()),
              WriteLines(QStringLiteral("01"), {e, i, e, e, e, i, e}, {o, n, o, n, o, o, o}));
    QByteArray expected = kDefaultIni;
    expected.replace("Autoexec=Non", "Autoexec=Oui")
        .replace("Chemin=/var/backups/Save", "Chemin=/ancien")
        .replace("BackColor=clBtnFace", "BackColor=clWindow")
        .replace("\r\nChemin=Oui", "\r\nChemin=Non")
        .replace("BarColors=Oui", "BarColors=Non")
        .replace("CurrentRapportNo=00", "CurrentRapportNo=01");
    EXPECT_EQ(readBytes(kIniPath), expected);
}

TEST_F(SettingsFile, EveryFlagUncheckedLeavesOnlyFlagsAndNumber) {
    for (auto& flag : settings.saveFlags) {
        flag.second = false;
    }
    reporter.SetReportNumber(3);
    WriteSettings(reporter, settings);
    EXPECT_EQ(readBytes(kIniPath),
              QByteArray("[Enregistrement]\r\nAutoexec=Non\r\nChemin=Non\r\nBtnColors=Non\r\n"
                         "BarColors=Non\r\nBackColor=Non\r\nTexture=Non\r\nVitesse=Non\r\n"
                         "[Autres]\r\nCurrentRapportNo=03\r\n"));
    // Read back, the flags come out unchecked.
    Settings next;
    ReadSettings(reporter, next);
    for (const auto& flag : next.saveFlags) {
        EXPECT_FALSE(flag.second);
    }
    EXPECT_EQ(reporter.ReportNumberText(), "04");
}

// Write refusals: the section opening, the lines written so far and the two "WriteIni" lines;
// the file stays exactly as it was.
class SettingsWriteRefused : public SettingsFile {
protected:
    void SetUp() override {
        const std::string why = Mounts::EnterPrivateNamespace();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
        reporter.SetReportNumber(5);
    }

    void ExpectRefused(int errorNumber, const QByteArray& before, bool autoexecIgnored = false) {
        WriteSettings(reporter, settings);
        QStringList expected = WriteOpening();
        expected << QStringLiteral(" - Paramètres de la sauvegarde");
        if (autoexecIgnored) {
            expected << QStringLiteral(" * Création d'Autoexec.bat   : Ignoré");
        }
        ASSERT_EQ(Lines().size(), expected.size() + 2);
        EXPECT_EQ(Lines().mid(0, expected.size()), expected);
        ExpectErrorLines(Lines(), errorNumber, kWriteIniMessage);
        EXPECT_EQ(readBytes(kIniPath), before);
        EXPECT_EQ(QDir(QStringLiteral("Data")).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("Kestrix.ini")});
    }

    std::optional<Mounts::Mount> mount;
};

TEST_F(SettingsWriteRefused, ReadOnlyIniFile) {
    writeBytes(kIniPath, kDefaultIni);
    mount.emplace(Mounts::Mount::Bind(QFileInfo(kIniPath).absoluteFilePath()));
    if (!mount->ok() || !mount->MakeReadOnly(true)) {
        GTEST_SKIP() << "read-only bind mount refused";
    }
    ExpectRefused(EROFS, kDefaultIni);
}

TEST_F(SettingsWriteRefused, ReadOnlyDataFolderAtTheSecondKey) {
    mount.emplace(Mounts::Mount::Tmpfs(QDir::current().filePath(QStringLiteral("Data")), 65536));
    if (!mount->ok()) {
        GTEST_SKIP() << "tmpfs mount refused";
    }
    writeBytes(kIniPath, kDefaultIni);
    if (!mount->MakeReadOnly(false)) {
        GTEST_SKIP() << "read-only remount refused";
    }
    settings.saveFlags[SaveFlag::Autoexec] = false;
    ExpectRefused(EROFS, kDefaultIni, true);
}

TEST_F(SettingsWriteRefused, FullDisk) {
    mount.emplace(Mounts::Mount::Tmpfs(QDir::current().filePath(QStringLiteral("Data")), 65536));
    if (!mount->ok()) {
        GTEST_SKIP() << "tmpfs mount refused";
    }
    const QByteArray before = kDefaultIni + QByteArray(8192, ';') + "\r\n";
    writeBytes(kIniPath, before);
    Mounts::Fill(QStringLiteral("Data"));
    WriteSettings(reporter, settings);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), WriteOpening().size() + 3);
    ExpectErrorLines(lines, ENOSPC, kWriteIniMessage);
    EXPECT_EQ(readBytes(kIniPath), before);
}

TEST(SettingsWriteMissingFolder, MissingDataFolderIsRefused) {
    TempProgramFolder folder(TempProgramFolder::Contents::Empty);
    RecordingUi ui;
    Reporter reporter(ui);
    Settings settings;
    WriteSettings(reporter, settings);
    const QStringList lines = reporter.Report().Lines();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[6], QStringLiteral(" - Paramètres de la sauvegarde"));
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(" - ") + SystemErrorMessage(ENOENT)));
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("Data")));
}

namespace {

struct RefusedChemin {
    const char* name;
    QString chemin;
};

void PrintTo(const RefusedChemin& refused, std::ostream* out) {
    *out << refused.name;
}

}  // namespace

// A destination that Kestrix.ini cannot hold exactly is refused like a failed write: the next
// start, scheduled or not, finds the destination that was saved before, never a changed one.
class SettingsDestinationRefused : public SettingsFile,
                                   public ::testing::WithParamInterface<RefusedChemin> {};

TEST_P(SettingsDestinationRefused, OldDestinationStaysAndWriteIniIsReported) {
    const QByteArray before =
        QByteArray(kDefaultIni).replace("Chemin=/var/backups/Save", "Chemin=/media/Cl\xe9 USB");
    writeBytes(kIniPath, before);
    reporter.SetReportNumber(5);
    settings.chemin = GetParam().chemin;
    WriteSettings(reporter, settings);
    const QStringList expected =
        WriteOpening() + QStringList{QStringLiteral(" - Paramètres de la sauvegarde"),
                                     QStringLiteral(" * Création d'Autoexec.bat   : Enregistré")};
    ASSERT_EQ(Lines().size(), expected.size() + 2);
    EXPECT_EQ(Lines().mid(0, expected.size()), expected);
    ExpectErrorLines(Lines(), EINVAL, kWriteIniMessage);
    EXPECT_EQ(readBytes(kIniPath), before);
    EXPECT_EQ(QDir(QStringLiteral("Data")).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Kestrix.ini")});
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsDestinationRefused,
    ::testing::Values(RefusedChemin{"OutsideWindows1252", QStringLiteral("/media/Clé USB/日本")},
                      RefusedChemin{"ByteNotUtf8", QStringLiteral("/media/caf") + QChar(0xDCE9)},
                      RefusedChemin{"LeadingBlank", QStringLiteral(" /media/usb")},
                      RefusedChemin{"TrailingBlank", QStringLiteral("/media/usb ")},
                      RefusedChemin{"DoubleQuoted", QStringLiteral("\"quoted\"")},
                      RefusedChemin{"SingleQuoted", QStringLiteral("'quoted'")},
                      RefusedChemin{"Cr", QStringLiteral("/media/a\rb")},
                      RefusedChemin{"Lf", QStringLiteral("/media/a\nb")}),
    [](const ::testing::TestParamInfo<RefusedChemin>& info) {
        return std::string(info.param.name);
    });

TEST_F(SettingsFile, ByteOrderMarkIsSkippedAndKeptWhenWritten) {
    const QByteArray bom = "\xEF\xBB\xBF";
    QByteArray ini =
        QByteArray(kDefaultIni).replace("Chemin=/var/backups/Save", "Chemin=/mnt/cl\xe9");
    Read(bom + ini);
    EXPECT_EQ(Lines(), DefaultReadLines(QStringLiteral("01"))
                           .replaceInStrings(QStringLiteral("/var/backups/Save"),
                                             QStringLiteral("/mnt/clé")));
    EXPECT_EQ(settings.chemin, QStringLiteral("/mnt/clé"));
    EXPECT_FALSE(reporter.ErrorOccurred());
    WriteSettings(reporter, settings);
    EXPECT_EQ(readBytes(kIniPath), bom + ini.replace("CurrentRapportNo=00", "CurrentRapportNo=01"));
}
