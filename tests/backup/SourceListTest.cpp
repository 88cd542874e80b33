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
    // A leading byte-order mark is no part of the first path; elsewhere it is a character.
    EXPECT_EQ(SourceList::Lines("\xEF\xBB\xBF/a\n\xEF\xBB\xBF"),
              QStringList({"/a", QString(QChar(0xFEFF))}));
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
        // A folder stands for its files.
        {directory + QStringLiteral(" (2 fichiers)"), true, true,
         {JobFile{a, QStringLiteral("a.cfg")}, JobFile{b, QStringLiteral("b.cfg")}}},
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

// Files made under the sources' folder, a list of lines under it, and the expected entries:
// a path ticked, "?" before it: its missing marker, "#" before it: the line with the count of
// its files (after a space); and the files found that the report says are left out.
struct ListLineCase {
    const char* name;
    std::vector<const char*> made;
    std::vector<const char*> list;
    std::vector<const char*> entries;
    std::vector<const char*> leftOut = {};
};

class LoadFileListLineTest : public BackupFixture,
                             public ::testing::WithParamInterface<ListLineCase> {};

}  // namespace

TEST_P(LoadFileListLineTest, EachLineIsOneEntryFilesOfOneNameIncluded) {
    const ListLineCase& c = GetParam();
    const auto path = [this](const QString& relative) {
        return folder.file(QStringLiteral("src/") + relative);
    };
    for (const char* file : c.made) {
        const QString made = path(QString::fromUtf8(file));
        QDir().mkpath(QFileInfo(made).path());
        writeBytes(made, "x");
    }
    QByteArray list;
    for (const char* line : c.list) {
        list += QFile::encodeName(path(QString::fromUtf8(line))) + "\r\n";
    }
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), list);

    Load();

    // "file" or "file=copy": a file and the name of its copy.
    const auto file = [&](const QString& row) {
        const QString source = path(row.section(QLatin1Char('='), 0, 0));
        const QString copy = row.section(QLatin1Char('='), 1);
        return JobFile{source, copy.isEmpty() ? QFileInfo(source).fileName() : copy};
    };
    std::vector<JobLine> expected;
    for (const char* entry : c.entries) {
        const QString text = QString::fromUtf8(entry);
        if (entry[0] == '?') {
            expected.push_back({SourceList::MissingMarker(path(text.mid(1))), false, false});
        } else if (entry[0] == '#') {
            const QStringList parts = text.mid(1).split(QLatin1Char('|'));
            JobLine line{path(parts[0].section(QLatin1Char(' '), 0, 0)) + QLatin1Char(' ') +
                             parts[0].section(QLatin1Char(' '), 1),
                         true, true};
            for (const QString& row : parts.mid(1)) {
                line.files.push_back(file(row));
            }
            expected.push_back(line);
        } else {
            const JobFile one = file(text);
            expected.push_back({one.source, true, true, {one}});
        }
    }
    EXPECT_EQ(job.lines, expected);
    QStringList section = Heading(kTitle);
    section << QStringLiteral(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste")
            << QStringLiteral("   -> Chargement de la liste effectué") << QString()
            << QStringLiteral(" * Traitement des éléments de la liste");
    for (const char* file : c.leftOut) {
        section << QStringLiteral(" <!> Le nom du fichier \"") + path(QString::fromUtf8(file)) +
                       QStringLiteral("\" contient un retour à la ligne, que le catalogue ne "
                                      "peut pas garder : il ne sera pas sauvegardé !");
    }
    section << QStringLiteral("   -> Traitement des données terminé") << QString() << kNoError;
    EXPECT_EQ(Section(kTitle), section);
    EXPECT_TRUE(ui.boxes.empty());
    // A file left out is a file not copied: the program exits with status 1.
    EXPECT_EQ(engine.CopyIncomplete(), !c.leftOut.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, LoadFileListLineTest,
    ::testing::Values(
        // A later file of a name is listed as any other, with a copy name of its own; a missing
        // file has no copy: it takes no name.
        ListLineCase{"LaterFileOfAName",
                     {"boot/grub/grub.cfg", "boot/efi/EFI/debian/grub.cfg"},
                     {"one/grub.cfg", "boot/grub/grub.cfg", "boot/efi/EFI/debian/grub.cfg"},
                     {"?one/grub.cfg", "boot/grub/grub.cfg",
                      "boot/efi/EFI/debian/grub.cfg=grub~2.cfg"}},
        // A tree and a pattern are one entry each, with the count of their files.
        ListLineCase{"TreeAndPattern",
                     {"ssh/a", "ssh/d/b", "ssh/d/e/c", "keys/host_key", "keys/host_key.pub",
                      "keys/sshd_config"},
                     {"ssh/**", "keys/host_*", "keys/sshd_config"},
                     {"#ssh/** (3 fichiers)|ssh/a|ssh/d/b|ssh/d/e/c",
                      "#keys/host_* (2 fichiers)|keys/host_key|keys/host_key.pub",
                      "keys/sshd_config"}},
        // Names are given across lines: a folder's file after a listed file of its name; a file
        // listed alone and found in a folder is one source with one name.
        ListLineCase{"NamesAcrossLines",
                     {"etc/modules", "initramfs/modules", "initramfs/hooks", "ssh/sshd_config",
                      "ssh/moduli"},
                     {"etc/modules", "initramfs/", "ssh/sshd_config", "ssh/"},
                     {"etc/modules",
                      "#initramfs/ (2 fichiers)|initramfs/hooks|initramfs/modules=modules~2",
                      "ssh/sshd_config", "#ssh/ (2 fichiers)|ssh/moduli|ssh/sshd_config"}},
        // A folder or pattern that stands for no file is greyed as a missing file; a line end in
        // a name: no catalogue line can hold it.
        ListLineCase{"EmptyOrLeftOut",
                     {"d/ok", "d/two\nlines"},
                     {"lvm/backup/", "ssh/ssh_host_*", "d/"},
                     {"?lvm/backup/", "?ssh/ssh_host_*", "#d/ (1 fichier)|d/ok"},
                     {"d/two\nlines"}}),
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
