// ReadCommandLine against settings in memory: the report lines and the order effects.

#include <gtest/gtest.h>

#include <ostream>

#include "config/CommandLine.h"
#include "platform/NativeNames.h"
#include "report/Reporter.h"

namespace {

class SilentUi : public UserInterface {
public:
    MessageAnswer ShowMessage(MessageIcon, MessageButtons, const QString&) override {
        return MessageAnswer::Ok;
    }
    void RequestEnd() override {}
    void RunShutdownStage() override {}
};

struct CommandLineTest : ::testing::Test {
    QStringList Read(const QStringList& arguments) {
        ReadWhole(QStringList{QStringLiteral("/usr/bin/kestrix")} + arguments);
        return reporter.Report().Lines();
    }
    void ReadWhole(const QStringList& arguments) {
        ReadCommandLine(arguments, reporter, target, [this] {
            backups << target.chemin + (target.autoexec ? "|bat" : "|nobat");
        });
    }
    SilentUi ui;
    Reporter reporter{ui};
    // The settings the command line changes, and the destination and batch choice that each
    // unattended backup saw.
    Settings target;
    QStringList backups;
};

const QString kDestNone = QString::fromUtf8(" * Répertoire destination  : Non spécifié");
const QString kBatNone = QString::fromUtf8(" * Création d'Autoexec.bat : Non spécifié");
const QString kAutoNo = QString::fromUtf8(" * Sauvegarde automatique  : Non");
const QString kAutoYes = QString::fromUtf8(" * Sauvegarde automatique  : Oui");
const QString kBatYes = QString::fromUtf8(" * Création d'Autoexec.bat : Oui");
const QString kBatNo = QString::fromUtf8(" * Création d'Autoexec.bat : Non");

QString Dest(const QString& path) {
    return QString::fromUtf8(" * Répertoire destination   : ") + path;
}

}  // namespace

TEST_F(CommandLineTest, NoArgumentClosesWithTheThreeNotGivenLines) {
    EXPECT_EQ(Read({}), (QStringList{kDestNone, kBatNone, kAutoNo}));
    EXPECT_EQ(target.chemin, QStringLiteral("/var/backups/Save"));
    EXPECT_FALSE(target.autoexec);
    EXPECT_TRUE(backups.isEmpty());
}

TEST_F(CommandLineTest, RepTakesThePathAsTyped) {
    EXPECT_EQ(Read({QStringLiteral("/REP"), QStringLiteral("/Media/Clé USB/Sauve")}),
              (QStringList{Dest(QString::fromUtf8("/Media/Clé USB/Sauve")), kBatNone, kAutoNo}));
    EXPECT_EQ(target.chemin, QString::fromUtf8("/Media/Clé USB/Sauve"));
}

TEST_F(CommandLineTest, RepLastGivesAnEmptyDestination) {
    EXPECT_EQ(Read({QStringLiteral("/rep")}), (QStringList{Dest(QString()), kBatNone, kAutoNo}));
    EXPECT_EQ(target.chemin, QString());
}

TEST_F(CommandLineTest, TheLaterBatchChoiceWinsAndBothAreReported) {
    EXPECT_EQ(Read({QStringLiteral("/bat"), QStringLiteral("/NoBat")}),
              (QStringList{kBatYes, kBatNo, kDestNone, kAutoNo}));
    EXPECT_FALSE(target.autoexec);
}

TEST_F(CommandLineTest, UpperCaseAutoRunsTheBackupWithTheOptionsBeforeIt) {
    EXPECT_EQ(Read({QStringLiteral("/rep"), QStringLiteral("/tmp/D"), QStringLiteral("/BAT"),
                    QStringLiteral("/AUTO")}),
              (QStringList{Dest(QStringLiteral("/tmp/D")), kBatYes, kAutoYes}));
    EXPECT_EQ(backups, QStringList{QStringLiteral("/tmp/D|bat")});
}

TEST_F(CommandLineTest, AutoBeforeRepBacksUpToTheStoredDestination) {
    EXPECT_EQ(Read({QStringLiteral("/auto"), QStringLiteral("/rep"), QStringLiteral("/tmp/later")}),
              (QStringList{kAutoYes, Dest(QStringLiteral("/tmp/later")), kBatNone}));
    EXPECT_EQ(backups, QStringList{QStringLiteral("/var/backups/Save|nobat")});
    EXPECT_EQ(target.chemin, QStringLiteral("/tmp/later"));
}

TEST_F(CommandLineTest, APathThatIsAnOptionIsUsedAndActs) {
    EXPECT_EQ(Read({QStringLiteral("/rep"), QStringLiteral("/bat")}),
              (QStringList{Dest(QStringLiteral("/bat")), kBatYes, kAutoNo}));
    EXPECT_TRUE(target.autoexec);
}

TEST_F(CommandLineTest, UnknownArgumentsAndTheProgramPathAreIgnored) {
    EXPECT_EQ(Read({QStringLiteral("-auto"), QStringLiteral("auto"), QStringLiteral("/autox")}),
              (QStringList{kDestNone, kBatNone, kAutoNo}));
    EXPECT_TRUE(backups.isEmpty());
}

TEST_F(CommandLineTest, TheProgramPathIsExaminedToo) {
    ReadWhole({QStringLiteral("/Auto")});
    EXPECT_EQ(backups.size(), 1);
}

namespace {

struct RawArgument {
    const char* name;
    QByteArray bytes;
    QString text;  // what the report shows and the window holds
};

void PrintTo(const RawArgument& argument, std::ostream* out) {
    *out << argument.name;
}

}  // namespace

// Each argument as the process got it: Qt's own options are not taken out, and a destination
// given as bytes names the same bytes again when it is used as a path.
class RawArgumentsTest : public CommandLineTest,
                         public ::testing::WithParamInterface<RawArgument> {};

TEST_P(RawArgumentsTest, DestinationKeepsItsBytes) {
    const QByteArray program = "/usr/bin/kestrix";
    const QByteArray rep = "/rep";
    const char* const argv[] = {program.constData(), rep.constData(), GetParam().bytes.constData()};
    const QStringList arguments = RawArguments(3, argv);
    ASSERT_EQ(arguments.size(), 3);
    EXPECT_EQ(arguments[0], QStringLiteral("/usr/bin/kestrix"));
    ReadWhole(arguments);
    EXPECT_EQ(NativeNames::Encode(target.chemin), GetParam().bytes);
    EXPECT_EQ(target.chemin, GetParam().text);
    EXPECT_EQ(reporter.Report().Lines(), (QStringList{Dest(GetParam().text), kBatNone, kAutoNo}));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RawArgumentsTest,
    ::testing::Values(
        RawArgument{"QtReverseOption", "-reverse", QStringLiteral("-reverse")},
        RawArgument{"QtStyleOption", "-style", QStringLiteral("-style")},
        RawArgument{"Utf8", "/media/Cl\xC3\xA9 USB", QStringLiteral("/media/Clé USB")},
        RawArgument{"Latin1Byte", "/media/caf\xE9", QStringLiteral("/media/caf") + QChar(0xDCE9)},
        RawArgument{"BrokenSequence", "/x\xC3(\xFF",
                    QStringLiteral("/x") + QChar(0xDCC3) + QStringLiteral("(") + QChar(0xDCFF)}),
    [](const ::testing::TestParamInfo<RawArgument>& info) { return std::string(info.param.name); });
