#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdlib>
#include <utility>
#include <vector>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "backup/SourceList.h"

namespace {

const QString kTitle = QStringLiteral("Création de la liste des fichiers à sauvegarder");

}  // namespace

TEST(SourceListLines, EveryKindOfLineEndEndsALine) {
    EXPECT_EQ(SourceList::Lines("a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(SourceList::Lines("a\r\n"), QStringList({"a"}));
    EXPECT_EQ(SourceList::Lines("a\r"), QStringList({"a"}));
    EXPECT_EQ(SourceList::Lines("a\n"), QStringList({"a"}));
    EXPECT_EQ(SourceList::Lines("a"), QStringList({"a"}));
    EXPECT_EQ(SourceList::Lines(""), QStringList());
    // LF CR is two line ends; CR LF is one.
    EXPECT_EQ(SourceList::Lines("a\n\rb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SourceList::Lines("a\r\r\nb"), QStringList({"a", "", "b"}));
}

TEST(SourceListLines, EmptyLinesAndBlanksAreEntriesAsWritten) {
    EXPECT_EQ(SourceList::Lines("\r\n\r\n  /etc/fstab \r\n\t# note\r\n"),
              QStringList({"", "", "  /etc/fstab ", "\t# note"}));
    EXPECT_EQ(SourceList::Lines("\n"), QStringList({""}));
}

TEST(SourceListLines, UnicodePathsAreKept) {
    EXPECT_EQ(SourceList::Lines("/srv/données/été.txt\n"), QStringList({"/srv/données/été.txt"}));
}

TEST(SourceListLines, MissingMarkerQuotesThePath) {
    EXPECT_EQ(SourceList::MissingMarker("/etc/x"),
              QStringLiteral("<Fichier non trouvé : \"/etc/x\">"));
    EXPECT_EQ(SourceList::MissingMarker(""), QStringLiteral("<Fichier non trouvé : \"\">"));
}

using LoadFileListTest = BackupFixture;

TEST_F(LoadFileListTest, ExistingFilesAreTickedOthersMarkedAndGreyed) {
    const QString a = Source(QStringLiteral("a.cfg"), "x");
    const QString b = Source(QStringLiteral("b.cfg"), "");
    const QString directory = folder.file(QStringLiteral("src"));
    const QString missing = folder.file(QStringLiteral("src/missing"));
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
               QFile::encodeName(a) + "\r\n" + QFile::encodeName(directory) + "\r\n\r\n" +
                   QFile::encodeName(missing) + "\n " + QFile::encodeName(b) + "\r" +
                   QFile::encodeName(b) + "\r\n" + QFile::encodeName(a));
    job.lines = {JobLine{QStringLiteral("stale"), false, true}};

    Load();

    const std::vector<JobLine> expected = {
        Listed(a),
        {QStringLiteral("<Fichier non trouvé : \"") + directory + QStringLiteral("\">"), false,
         false},
        {QStringLiteral("<Fichier non trouvé : \"\">"), false, false},
        {QStringLiteral("<Fichier non trouvé : \"") + missing + QStringLiteral("\">"), false,
         false},
        {QStringLiteral("<Fichier non trouvé : \" ") + b + QStringLiteral("\">"), false, false},
        Listed(b),
        Listed(a)};
    EXPECT_EQ(job.lines, expected);
    QStringList section = Heading(kTitle);
    section << QStringLiteral(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste")
            << QStringLiteral("   -> Chargement de la liste effectué") << QString()
            << QStringLiteral(" * Traitement des éléments de la liste")
            << QStringLiteral("   -> Traitement des données terminé") << QString() << kNoError;
    EXPECT_EQ(Section(kTitle), section);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.endRequests, 0);
}

namespace {

// A list of paths under the sources' folder ("-" before a path: the file is not made). Each
// expected entry is such a path ticked, "?" before it: its missing marker, "=" before it: its
// clash marker; each clash is the later source, then the earlier one that keeps the copy.
struct NameClashCase {
    const char* name;
    std::vector<const char*> list;
    std::vector<const char*> entries;
    std::vector<std::pair<const char*, const char*>> clashes;
};

class LoadFileListNameTest : public BackupFixture,
                             public ::testing::WithParamInterface<NameClashCase> {};

}  // namespace

TEST_P(LoadFileListNameTest, ALaterSourceOfTheSameCopyNameIsLeftOutAndReported) {
    const NameClashCase& c = GetParam();
    const auto path = [this](const char* relative) {
        return folder.file(QStringLiteral("src/") + QString::fromUtf8(relative));
    };
    QByteArray list;
    for (const char* line : c.list) {
        if (line[0] == '-') {
            list += QFile::encodeName(path(line + 1)) + "\r\n";
            continue;
        }
        QDir().mkpath(QFileInfo(path(line)).path());
        writeBytes(path(line), "x");
        list += QFile::encodeName(path(line)) + "\r\n";
    }
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), list);

    Load();

    std::vector<JobLine> expected;
    for (const char* entry : c.entries) {
        if (entry[0] == '?') {
            expected.push_back({SourceList::MissingMarker(path(entry + 1)), false, false});
        } else if (entry[0] == '=') {
            expected.push_back(
                {QStringLiteral("<Nom déjà utilisé : \"") + path(entry + 1) + QStringLiteral("\">"),
                 false, false});
        } else {
            expected.push_back(Listed(path(entry)));
        }
    }
    EXPECT_EQ(job.lines, expected);
    QStringList section = Heading(kTitle);
    section << QStringLiteral(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste")
            << QStringLiteral("   -> Chargement de la liste effectué") << QString()
            << QStringLiteral(" * Traitement des éléments de la liste");
    for (const auto& [later, earlier] : c.clashes) {
        section << QStringLiteral(" <!> Le fichier \"") + path(later) +
                       QStringLiteral("\" a le même nom que \"") + path(earlier) +
                       QStringLiteral("\" : il ne sera pas sauvegardé !");
    }
    section << QStringLiteral("   -> Traitement des données terminé") << QString() << kNoError;
    EXPECT_EQ(Section(kTitle), section);
    EXPECT_TRUE(ui.boxes.empty());
    // A source left out is a file not copied: the program exits with status 1.
    EXPECT_EQ(engine.CopyIncomplete(), !c.clashes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, LoadFileListNameTest,
    ::testing::Values(
        NameClashCase{"OtherFolder",
                      {"boot/grub/grub.cfg", "boot/efi/EFI/debian/grub.cfg"},
                      {"boot/grub/grub.cfg", "=boot/efi/EFI/debian/grub.cfg"},
                      {{"boot/efi/EFI/debian/grub.cfg", "boot/grub/grub.cfg"}}},
        // A FAT medium ignores the case of names.
        NameClashCase{"CaseOnly",
                      {"one/Hosts", "two/hOSTS"},
                      {"one/Hosts", "=two/hOSTS"},
                      {{"two/hOSTS", "one/Hosts"}}},
        NameClashCase{"CaseOnlyInOneFolder",
                      {"one/hosts", "one/HOSTS"},
                      {"one/hosts", "=one/HOSTS"},
                      {{"one/HOSTS", "one/hosts"}}},
        NameClashCase{"CaseOfAccentedLetters",
                      {"un/Été.txt", "deux/été.TXT"},
                      {"un/Été.txt", "=deux/été.TXT"},
                      {{"deux/été.TXT", "un/Été.txt"}}},
        // Every later one names the source that keeps the copy.
        NameClashCase{"ThreeOfOneName",
                      {"one/hosts", "two/hosts", "one/hosts", "three/hosts"},
                      {"one/hosts", "=two/hosts", "one/hosts", "=three/hosts"},
                      {{"two/hosts", "one/hosts"}, {"three/hosts", "one/hosts"}}},
        // The same path twice is one source.
        NameClashCase{"SamePathTwice", {"one/hosts", "one/hosts"}, {"one/hosts", "one/hosts"}, {}},
        // A missing file has no copy: it takes no name.
        NameClashCase{"MissingFirst", {"-one/hosts", "two/hosts"}, {"?one/hosts", "two/hosts"}, {}},
        NameClashCase{"MissingLater", {"one/hosts", "-two/hosts"}, {"one/hosts", "?two/hosts"}, {}},
        NameClashCase{
            "OtherNames", {"one/hosts", "two/hosts.bak"}, {"one/hosts", "two/hosts.bak"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoadFileListTest, ReloadTicksAgainWhatTheUserUnticked) {
    const QString a = Source(QStringLiteral("a.cfg"), "x");
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), QFile::encodeName(a));
    Load();
    job.lines[0].ticked = false;
    Load();
    EXPECT_EQ(job.lines, std::vector<JobLine>({Listed(a)}));
}

TEST_F(LoadFileListTest, EmptyListFileGivesAnEmptyList) {
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), "");
    job.lines = {JobLine{QStringLiteral("stale"), true, true}};
    Load();
    EXPECT_TRUE(job.lines.empty());
    EXPECT_EQ(Section(kTitle).last(), kNoError);
}

TEST_F(LoadFileListTest, MissingListFileReportsDressListAndRequestsTheEnd) {
    job.lines = {JobLine{QStringLiteral("kept"), true, true}};

    Load();

    const QString message = QStringLiteral(
        "Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le fichier "
        "Kestrix.dat. Le programme ne peut pas continuer et va donc se terminer.");
    QStringList section = Heading(kTitle);
    section << QStringLiteral(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste")
            << QStringLiteral("  <!> Erreur fatale : ") + reporter.LastErrorText()
            << QStringLiteral("  -> Message : \"") + message + QLatin1Char('"')
            << QStringLiteral("   -> Traitement des données terminé");
    EXPECT_EQ(Section(kTitle), section);
    EXPECT_TRUE(reporter.LastErrorText().startsWith(QStringLiteral("Code ")));
    EXPECT_EQ(ui.MessageTexts(), QStringList({message}));
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(job.lines, std::vector<JobLine>({{QStringLiteral("kept"), true, true}}));
    // The important report holds everything up to the error.
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("Rapport Important.txt"))).size(),
              reporter.Report().ToBytes().size() - QByteArray("   -> Traitement des donn\xe9"
                                                              "es termin\xe9\r\n")
                                                       .size());
}

// A list that is no regular file, or too large for a list of boot files, is refused on its
// handle before it is read: nothing can hold the run or fill the memory.
class RefusedListTest : public BackupFixture,
                        public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
};

TEST_P(RefusedListTest, ReportsDressListAndSaysWhyOnStderr) {
    ::alarm(30);
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.dat")));
    ASSERT_EQ(std::system(GetParam().first), 0);
    testing::internal::CaptureStderr();
    Load();
    const QString journal = QString::fromStdString(testing::internal::GetCapturedStderr());
    ::alarm(0);
    EXPECT_EQ(journal, QStringLiteral("Kestrix : la liste des fichiers à sauvegarder "
                                      "\"./Data/Kestrix.dat\" ") +
                           QString::fromUtf8(GetParam().second) +
                           QStringLiteral(" : elle n'est pas lue.\n"));
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_TRUE(reporter.ErrorOccurred());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RefusedListTest,
    ::testing::Values(
        std::pair("mkdir Data/Kestrix.dat", "n'est pas un fichier ordinaire (un dossier)"),
        std::pair("ln -s /dev/zero Data/Kestrix.dat",
                  "n'est pas un fichier ordinaire (un périphérique)"),
        std::pair("mkfifo Data/Kestrix.dat", "n'est pas un fichier ordinaire (un tube)"),
        std::pair("truncate -s 16777217 Data/Kestrix.dat", "fait plus de 16 Mo")));

TEST_F(LoadFileListTest, TenThousandEntriesLoadInOrder) {
    const QString a = Source(QStringLiteral("a.cfg"), "x");
    QByteArray list;
    for (int i = 0; i < 10000; ++i) {
        list += (i % 2 == 0 ? QFile::encodeName(a)
                            : QByteArray("/nonexistent/") + QByteArray::number(i)) +
                "\r\n";
    }
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), list);

    Load();

    ASSERT_EQ(job.lines.size(), 10000u);
    EXPECT_EQ(job.lines[9998], Listed(a));
    EXPECT_EQ(
        job.lines[9999],
        (JobLine{QStringLiteral("<Fichier non trouvé : \"/nonexistent/9999\">"), false, false}));
    EXPECT_EQ(Section(kTitle).last(), kNoError);
}
