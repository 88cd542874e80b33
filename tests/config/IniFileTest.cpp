#include "config/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <ostream>

#include "FileBytes.h"
#include "Mounts.h"
#include "TempProgramFolder.h"
#include "platform/Failure.h"

namespace {

const QString kPath = QStringLiteral("./Data/Kestrix.ini");

QByteArray Set(const QByteArray& content, const char* section, const char* key, const char* value) {
    return IniFile::WithValue(content, QLatin1String(section), QLatin1String(key),
                              QLatin1String(value));
}

QString Get(const QByteArray& content, const char* section, const char* key) {
    return IniFile::Lookup(content, QLatin1String(section), QLatin1String(key))
        .value_or(QStringLiteral("<absent>"));
}

// The errno of the Failure that `write` throws; -1 when it throws none.
template <typename Write>
int FailureErrno(Write write) {
    try {
        write();
    } catch (const Failure& failure) {
        return failure.errorNumber();
    }
    return -1;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

TEST(IniFileRead, MissingFileSectionOrKeyGivesTheDefault) {
    TempProgramFolder folder;
    const IniFile ini(kPath);
    EXPECT_EQ(ini.ReadString("Options", "Texture", "Oui"), "Oui");
    writeBytes(kPath, "[Options]\r\nTexture=Non\r\n");
    EXPECT_EQ(ini.ReadString("Options", "Texture", "Oui"), "Non");
    EXPECT_EQ(ini.ReadString("Options", "Vitesse", "3"), "3");
    EXPECT_EQ(ini.ReadString("Autres", "Texture", "x"), "x");
}

TEST(IniFileRead, NamesMatchWithoutRegardToCase) {
    const QByteArray content = "[oPTIONS]\r\nbackcolor=clbtnface\r\n";
    EXPECT_EQ(Get(content, "Options", "BackColor"), "clbtnface");
    EXPECT_EQ(Get(content, "OPTIONS", "BACKCOLOR"), "clbtnface");
}

TEST(IniFileRead, FirstSectionAndFirstKeyWin) {
    const QByteArray content = "[A]\r\nk=1\r\nk=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nj=5\r\n";
    EXPECT_EQ(Get(content, "A", "k"), "1");
    EXPECT_EQ(Get(content, "B", "k"), "3");
    EXPECT_EQ(Get(content, "A", "j"), "<absent>");  // only in the second [a]
}

TEST(IniFileRead, BlanksQuotesAndCommentsAsTheProfileReaderSeesThem) {
    const QByteArray content =
        "  [ Sauvegarde ]  ; dernier\r\n"
        "\tChemin =  /var/backups/Mon Dossier  \r\n"
        ";Autoexec=Oui\r\n"
        "Autoexec\r\n"
        "Quoted=\"a b \"\r\n"
        "Half=\"a\r\n"
        "Empty=\r\n";
    EXPECT_EQ(Get(content, "Sauvegarde", "Chemin"), "/var/backups/Mon Dossier");
    EXPECT_EQ(Get(content, "Sauvegarde", "Autoexec"), "<absent>");
    EXPECT_EQ(Get(content, "Sauvegarde", "Quoted"), "a b ");
    EXPECT_EQ(Get(content, "Sauvegarde", "Half"), "\"a");
    EXPECT_EQ(Get(content, "Sauvegarde", "Empty"), "");
}

TEST(IniFileRead, LineEndsOfEveryKind) {
    const QByteArray content = "[A]\nx=1\ry=2\r\nz=3";
    EXPECT_EQ(Get(content, "A", "x"), "1");
    EXPECT_EQ(Get(content, "A", "y"), "2");
    EXPECT_EQ(Get(content, "A", "z"), "3");  // truncated: no final line end
}

TEST(IniFileRead, ValuesAreReadUpTo2047Characters) {
    const QByteArray exact(2047, 'a');
    const QByteArray longer = QByteArray(2047, 'b') + "cdef";
    const QByteArray content = "[A]\r\nexact=" + exact + "\r\nlonger=" + longer + "\r\n" +
                               QByteArray(5000, ' ') + "after=1\r\n";
    EXPECT_EQ(Get(content, "A", "exact"), QString::fromLatin1(exact));
    EXPECT_EQ(Get(content, "A", "longer"), QString::fromLatin1(longer.left(2047)));
    EXPECT_EQ(Get(content, "A", "after"), "1");
}

TEST(IniFileRead, Windows1252Text) {
    const QByteArray content = "[Sauvegarde]\r\nChemin=/r\xe9pertoire \x80\r\n";
    EXPECT_EQ(Get(content, "Sauvegarde", "Chemin"), QStringLiteral("/répertoire €"));
    EXPECT_EQ(Set("", "Sauvegarde", "Chemin", ""), QByteArray("[Sauvegarde]\r\nChemin=\r\n"));
    EXPECT_EQ(IniFile::WithValue("", "Sauvegarde", "Chemin", QStringLiteral("/été €")),
              QByteArray("[Sauvegarde]\r\nChemin=/\xe9t\xe9 \x80\r\n"));
}

TEST(IniFileRead, NulBytesEndTheValueAndHideNothingElse) {
    const QByteArray content = QByteArray("[A]\r\nk=ab\0cd\r\n\0junk\r\nj=2\r\n", 25);
    EXPECT_EQ(Get(content, "A", "k"), "ab");
    EXPECT_EQ(Get(content, "A", "j"), "2");
}

TEST(IniFileRead, WithoutSectionsEveryKeyIsMissing) {
    const QByteArray content = "Texture=Non\r\nVitesse=1\r\n";
    EXPECT_EQ(Get(content, "Options", "Texture"), "<absent>");
    EXPECT_EQ(Get(content, "", "Texture"), "<absent>");
}

TEST(IniFileRead, UnreadableFileGivesTheDefault) {
    TempProgramFolder folder;
    QDir().mkpath(kPath);  // a folder where the file should be
    EXPECT_EQ(IniFile(kPath).ReadString("Options", "Texture", "dflt"), "dflt");
}

TEST(IniFileEdit, ReplacingAValueKeepsEveryOtherByte) {
    const QByteArray before =
        "; Réglages\n"
        "[Options]\n"
        "Inconnu = 42 \n"
        "\n"
        "texture = Oui ; gardé\n"
        "Vitesse=3\r"
        "[Autres]\r\n"
        "CurrentRapportNo=00";
    // The key keeps the file's spelling; only its line changes, and gets CR LF.
    EXPECT_EQ(Set(before, "OPTIONS", "Texture", "Non"),
              QByteArray("; Réglages\n[Options]\nInconnu = 42 \n\ntexture=Non\r\nVitesse=3\r"
                         "[Autres]\r\nCurrentRapportNo=00"));
    EXPECT_EQ(Set(before, "Autres", "CurrentRapportNo", "01"),
              QByteArray("; Réglages\n[Options]\nInconnu = 42 \n\ntexture = Oui ; gardé\n"
                         "Vitesse=3\r[Autres]\r\nCurrentRapportNo=01\r\n"));
}

TEST(IniFileEdit, NewKeyGoesAfterTheLastEntryOfItsSection) {
    const QByteArray before =
        "[Options]\r\nTexture=Oui\r\n; note\r\nlibre\r\n\r\n; Autres\r\n[Autres]\r\nx=1\r\n";
    EXPECT_EQ(Set(before, "Options", "Vitesse", "3"),
              QByteArray("[Options]\r\nTexture=Oui\r\n; note\r\nlibre\r\nVitesse=3\r\n\r\n"
                         "; Autres\r\n[Autres]\r\nx=1\r\n"));
    EXPECT_EQ(Set("[Vide]\n\n[B]\n", "Vide", "k", "v"), QByteArray("[Vide]\nk=v\r\n\n[B]\n"));
    EXPECT_EQ(Set("[A]\nx=1", "A", "y", "2"), QByteArray("[A]\nx=1\r\ny=2\r\n"));
}

TEST(IniFileEdit, NewSectionGoesAtTheEnd) {
    EXPECT_EQ(Set("", "Sauvegarde", "Autoexec", "Non"),
              QByteArray("[Sauvegarde]\r\nAutoexec=Non\r\n"));
    EXPECT_EQ(Set("[A]\r\nx=1\r\n\r\n", "B", "y", "2"),
              QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"));
    // A truncated last line is ended first, so that nothing is joined to it.
    EXPECT_EQ(Set("[A]\r\nx=1", "B", "y", "2"), QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
    // Keys before any section belong to none: they stay, and the section comes after them.
    EXPECT_EQ(Set("Texture=Non\n", "Options", "Texture", "Oui"),
              QByteArray("Texture=Non\n[Options]\r\nTexture=Oui\r\n"));
}

TEST(IniFileEdit, BinaryContentIsKeptByteForByte) {
    QByteArray binary;
    quint32 seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245u + 12345u;
        binary.append(static_cast<char>(seed >> 24));
    }
    const QByteArray after = Set(binary, "Autres", "CurrentRapportNo", "01");
    ASSERT_TRUE(after.startsWith(binary));
    EXPECT_EQ(Get(after, "Autres", "CurrentRapportNo"), "01");
    // Written a second time, the same line is replaced, not added.
    EXPECT_EQ(Set(after, "Autres", "CurrentRapportNo", "02").size(), after.size());
}

TEST(IniFileEdit, LineBreaksAndNulInAnEntryAreRefused) {
    EXPECT_EQ(FailureErrno([] { Set("", "A", "k", "a\r\n[B]"); }), EINVAL);
    EXPECT_EQ(FailureErrno([] { IniFile::WithValue("", "A", "k", QString(QChar(u'\0'))); }),
              EINVAL);
    EXPECT_EQ(FailureErrno([] { Set("", "A]\n", "k", "v"); }), EINVAL);
}

TEST(IniFileWrite, CreatesTheFileAndKeepsItsLines) {
    TempProgramFolder folder;
    IniFile ini(kPath);
    ini.WriteString("Sauvegarde", "Autoexec", "Non");
    ini.WriteString("Options", "Texture", "Oui");
    ini.WriteString("sauvegarde", "Chemin", "/x");
    ini.WriteString("SAUVEGARDE", "AUTOEXEC", "Oui");
    EXPECT_EQ(
        readBytes(kPath),
        QByteArray("[Sauvegarde]\r\nAutoexec=Oui\r\nChemin=/x\r\n[Options]\r\nTexture=Oui\r\n"));
    EXPECT_EQ(ini.ReadString("SAUVEGARDE", "chemin", ""), "/x");
    struct stat st {};
    ASSERT_EQ(::stat(kPath.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(FilesIn("Data"), QStringList{"Kestrix.ini"});
}

TEST(IniFileWrite, KeepsModeAndWritesThroughALink) {
    TempProgramFolder folder;
    writeBytes("Data/real.ini", "[A]\nx=1\n");
    ASSERT_EQ(::chmod("Data/real.ini", 0640), 0);
    ASSERT_TRUE(QFile::link("real.ini", kPath));
    IniFile(kPath).WriteString("A", "x", "2");
    EXPECT_TRUE(QFileInfo(kPath).isSymLink());
    EXPECT_EQ(readBytes("Data/real.ini"), QByteArray("[A]\nx=2\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat("Data/real.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFileWrite, MissingDataFolderIsRefused) {
    TempProgramFolder folder(TempProgramFolder::Contents::Empty);
    IniFile ini(kPath);
    EXPECT_EQ(FailureErrno([&] { ini.WriteString("A", "k", "v"); }), ENOENT);
    EXPECT_FALSE(QFileInfo::exists("Data"));
}

TEST(IniFileWrite, UnreadableFileIsNeverReplaced) {
    TempProgramFolder folder;
    QDir().mkpath(kPath);
    IniFile ini(kPath);
    EXPECT_EQ(FailureErrno([&] { ini.WriteString("A", "k", "v"); }), EISDIR);
    EXPECT_TRUE(QFileInfo(kPath).isDir());
    EXPECT_EQ(FilesIn("Data"), QStringList());
}

TEST(IniFileWrite, ReadOnlyFileIsRefusedAndUnchanged) {
    TempProgramFolder folder;
    const QByteArray before = "[Options]\r\nTexture=Oui\r\n";
    writeBytes(kPath, before);
    IniFile ini(kPath);
    int expected = EACCES;
    std::optional<Mounts::Mount> mount;
    if (::geteuid() == 0) {
        // Root ignores mode bits: the file alone is made read-only by a read-only bind mount.
        const std::string why = Mounts::EnterPrivateNamespace();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
        mount.emplace(Mounts::Mount::Bind(QFileInfo(kPath).absoluteFilePath()));
        if (!mount->ok() || !mount->MakeReadOnly(true)) {
            GTEST_SKIP() << "read-only bind mount refused";
        }
        expected = EROFS;
    } else {
        ASSERT_EQ(::chmod(kPath.toLocal8Bit().constData(), 0444), 0);
    }
    EXPECT_EQ(FailureErrno([&] { ini.WriteString("Options", "Texture", "Non"); }), expected);
    EXPECT_EQ(readBytes(kPath), before);
    EXPECT_EQ(FilesIn("Data"), QStringList{"Kestrix.ini"});
    EXPECT_EQ(ini.ReadString("Options", "Texture", ""), "Oui");
}

TEST(IniFileWrite, FullDiskLeavesTheFileWhole) {
    TempProgramFolder folder;
    const std::string why = Mounts::EnterPrivateNamespace();
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const Mounts::Mount data = Mounts::Mount::Tmpfs(QDir::current().filePath("Data"), 64 * 1024);
    if (!data.ok()) {
        GTEST_SKIP() << "tmpfs mount refused";
    }
    const QByteArray before = "[Options]\r\nTexture=Oui\r\n" + QByteArray(3000, ';') + "\r\n";
    writeBytes(kPath, before);
    Mounts::Fill("Data");
    IniFile ini(kPath);
    EXPECT_EQ(FailureErrno([&] { ini.WriteString("Options", "Vitesse", "3"); }), ENOSPC);
    EXPECT_EQ(readBytes(kPath), before);
    EXPECT_EQ(FilesIn("Data"), (QStringList{"Kestrix.ini", "filler"}));
    // Room again: the same write goes through.
    ASSERT_TRUE(QFile::remove("Data/filler"));
    ini.WriteString("Options", "Vitesse", "3");
    EXPECT_EQ(readBytes(kPath),
              "[Options]\r\nTexture=Oui\r\nVitesse=3\r\n" + QByteArray(3000, ';') + "\r\n");
}

namespace {

struct Entry {
    const char* name;
    QString section;
    QString key;
    QString value;
};

void PrintTo(const Entry& entry, std::ostream* out) {
    *out << entry.name;
}

const QByteArray kUtf8Bom = "\xEF\xBB\xBF";
const QByteArray kChemin = "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/media/Cl\xe9 USB\r\n";

}  // namespace

// What the reader would not give back exactly is refused before the file is touched.
class IniFileRefused : public ::testing::TestWithParam<Entry> {};

TEST_P(IniFileRefused, OldValueAndEveryByteStay) {
    TempProgramFolder folder;
    for (const QByteArray& before : {kChemin, kUtf8Bom + kChemin, QByteArray()}) {
        writeBytes(kPath, before);
        IniFile ini(kPath);
        const Entry& e = GetParam();
        EXPECT_EQ(FailureErrno([&] { ini.WriteString(e.section, e.key, e.value); }), EINVAL);
        EXPECT_EQ(readBytes(kPath), before);
        // Several keys at once: a good key before the refused one is not written either.
        EXPECT_EQ(FailureErrno([&] {
                      ini.WriteStrings({{"Options", "Vitesse", "3"}, {e.section, e.key, e.value}});
                  }),
                  EINVAL);
        EXPECT_EQ(readBytes(kPath), before);
        EXPECT_EQ(FilesIn("Data"), QStringList{"Kestrix.ini"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniFileRefused,
    ::testing::Values(
        Entry{"OutsideTheCodePage", "Sauvegarde", "Chemin", QStringLiteral("/media/Clé USB/日本")},
        Entry{"ByteNotUtf8", "Sauvegarde", "Chemin", QStringLiteral("/caf") + QChar(0xDCE9)},
        Entry{"EmojiPair", "Sauvegarde", "Chemin", QStringLiteral("/x\U0001F4BE")},
        Entry{"C1Control", "Sauvegarde", "Chemin", QStringLiteral("/x") + QChar(0x80)},
        Entry{"LeadingBlank", "Sauvegarde", "Chemin", " /media/usb"},
        Entry{"TrailingBlank", "Sauvegarde", "Chemin", "/media/usb "},
        Entry{"LeadingTab", "Sauvegarde", "Chemin", "\t/media/usb"},
        Entry{"DoubleQuoted", "Sauvegarde", "Chemin", "\"quoted\""},
        Entry{"SingleQuoted", "Sauvegarde", "Chemin", "'quoted'"},
        Entry{"EmptyQuotes", "Sauvegarde", "Chemin", "\"\""},
        Entry{"Cr", "Sauvegarde", "Chemin", "/a\rb"}, Entry{"Lf", "Sauvegarde", "Chemin", "/a\nb"},
        Entry{"Nul", "Sauvegarde", "Chemin", QStringLiteral("/a") + QChar(u'\0') + "b"},
        Entry{"PastTheReaderBuffer", "Sauvegarde", "Chemin", QString(2048, QLatin1Char('a'))},
        Entry{"KeyWithEquals", "Sauvegarde", "Che=min", "/x"},
        Entry{"KeyWithBlank", "Sauvegarde", " Chemin", "/x"},
        Entry{"KeyThatIsASection", "Sauvegarde", "[Chemin]", "/x"},
        Entry{"KeyThatIsAComment", "Sauvegarde", ";Chemin", "/x"},
        Entry{"SectionWithBracket", "Sauve]garde", "Chemin", "/x"},
        Entry{"SectionOutsideTheCodePage", QStringLiteral("日本"), "Chemin", "/x"}),
    [](const ::testing::TestParamInfo<Entry>& info) { return std::string(info.param.name); });

// Values at the edge of what the file holds go through and read back unchanged.
class IniFileKept : public ::testing::TestWithParam<Entry> {};

TEST_P(IniFileKept, ValueReadsBackAsWritten) {
    const Entry& e = GetParam();
    for (const QByteArray& before : {kChemin, kUtf8Bom + kChemin, QByteArray()}) {
        const QByteArray after = IniFile::WithValue(before, e.section, e.key, e.value);
        EXPECT_EQ(IniFile::Lookup(after, e.section, e.key), e.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniFileKept,
    ::testing::Values(Entry{"Windows1252", "Sauvegarde", "Chemin", QStringLiteral("/Clé €ŸŽ")},
                      Entry{"UndefinedBytes", "Sauvegarde", "Chemin",
                            QStringLiteral("/x") + QChar(0x81) + QChar(0x9D)},
                      Entry{"Empty", "Sauvegarde", "Chemin", ""},
                      Entry{"InnerBlanks", "Sauvegarde", "Chemin", "/Mon  Dossier\tA"},
                      Entry{"NoBreakSpaces", "Sauvegarde", "Chemin",
                            QStringLiteral("\u00A0/x\u00A0")},
                      Entry{"LoneQuote", "Sauvegarde", "Chemin", "\""},
                      Entry{"UnmatchedQuotes", "Sauvegarde", "Chemin", "\"a'"},
                      Entry{"QuoteInside", "Sauvegarde", "Chemin", "a\"b\""},
                      Entry{"EqualsAndSemicolon", "Sauvegarde", "Chemin", "=a;b[c]"},
                      Entry{"ReaderBuffer", "Sauvegarde", "Chemin",
                            QString(IniFile::kMaxValueLength, QLatin1Char('a'))},
                      Entry{"NewSection", "Autres", "CurrentRapportNo", "01"}),
    [](const ::testing::TestParamInfo<Entry>& info) { return std::string(info.param.name); });

TEST(IniFileRead, ByteOrderMarkIsSkippedAndKept) {
    const QByteArray content = kUtf8Bom + kChemin;
    EXPECT_EQ(Get(content, "Sauvegarde", "Chemin"), QStringLiteral("/media/Clé USB"));
    EXPECT_EQ(Set(content, "Sauvegarde", "Chemin", "/x"),
              kUtf8Bom + "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/x\r\n");
    EXPECT_EQ(Set(kUtf8Bom, "A", "k", "v"), kUtf8Bom + "\r\n[A]\r\nk=v\r\n");
    EXPECT_EQ(Set(kUtf8Bom + "k=1", "A", "k", "v"), kUtf8Bom + "k=1\r\n[A]\r\nk=v\r\n");
    // Only at the very start: further on, the same bytes are text of their line.
    EXPECT_EQ(Get("\r\n" + content, "Sauvegarde", "Chemin"), "<absent>");
    EXPECT_EQ(Get(kUtf8Bom + kUtf8Bom + kChemin, "Sauvegarde", "Chemin"), "<absent>");
}
