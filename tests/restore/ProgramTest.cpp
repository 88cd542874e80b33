#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <QDate>
#include <QTemporaryDir>
#include <QTime>

#include "Mounts.h"
#include "RestoreFiles.h"
#include "backup/DestinationCatalogue.h"
#include "restore/FrenchTexts.h"
#include "restore/Paths.h"

using namespace RestoreFiles;

namespace {

// The end of the line of a file that was missing: "les droits 0640 (propriétaire root (0),
// groupe shadow (42))", or with numbers only under a root that has no names.
std::string Recreated(mode_t mode, const Status& copy, bool named = true) {
    const uid_t uid = ::geteuid() == 0 ? copy.uid : ::geteuid();
    const gid_t gid = ::geteuid() == 0 ? copy.gid : ::getegid();
    return "les droits " + FrenchTexts::Mode(mode) + " (" +
           (named ? Owners(uid, gid)
                  : "propriétaire " + std::to_string(uid) + ", groupe " + std::to_string(gid)) +
           ")";
}

// A small system under "sys" and a backup of it in "save", made as the backup run makes one:
// each copy in save/Kestrix under its own name, and the catalogue written by the backup's own
// catalogue writer.
class RestoreProgramTest : public ::testing::Test {
protected:
    RestoreProgramTest() {
        Paths::Real(temp_.path().toStdString(), base_);
        sys_ = base_ + "/sys";
        save_ = base_ + "/save";
        MakeDirectories(sys_ + "/etc");
        MakeDirectories(sys_ + "/boot/grub");
        MakeDirectories(save_ + "/Kestrix");
    }

    void Source(const std::string& relative, const std::string& bytes, mode_t mode) {
        Write(sys_ + relative, bytes, mode);
        sources_.push_back(sys_ + relative);
        originals_[sys_ + relative] = bytes;
    }

    void Backup() {
        DestinationCatalogue catalogue;
        catalogue.Create(DirectoryHandle::Open(QString::fromStdString(save_)), QDate(2026, 12, 7),
                         QTime(11, 15, 45));
        for (const std::string& source : sources_) {
            const std::string name = source.substr(source.find_last_of('/') + 1);
            Write(save_ + "/Kestrix/" + name, Read(source), StatusOf(source).mode);
            catalogue.AppendRecord(QString::fromStdString(source));
        }
        catalogue.Close();
    }

    // The system as it is after the damage: files changed, one deleted, one with another owner.
    void Damage() {
        Write(sys_ + "/etc/fstab", "UUID=perdu / ext4 defaults 0 1\n", 0644);
        ASSERT_EQ(::unlink((sys_ + "/etc/shadow").c_str()), 0);
        Write(sys_ + "/boot/grub/grub.cfg", "", 0444);
        Write(sys_ + "/etc/clé-été.conf", "abîmé", 0604);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown((sys_ + "/etc/clé-été.conf").c_str(), 1234, 5678), 0);
        }
    }

    void MakeSystemAndBackup() {
        Source("/etc/fstab", "UUID=1234 / ext4 errors=remount-ro 0 1\n", 0644);
        Source("/etc/shadow", "root:$6$abc:19000:0:99999:7:::\n", 0640);
        Source("/boot/grub/grub.cfg", Pattern(300000, 7), 0444);
        Source("/etc/clé-été.conf", "réglage=1\n", 0604);
        Source("/vmlinuz", Pattern(5000, 9), 0644);
        Backup();
        Damage();
    }

    QTemporaryDir temp_;
    std::string base_;
    std::string sys_;
    std::string save_;
    std::vector<std::string> sources_;
    std::map<std::string, std::string> originals_;
};

TEST_F(RestoreProgramTest, TheCatalogueIsTheBackupsOwn) {
    MakeSystemAndBackup();
    EXPECT_EQ(Read(save_ + "/Kestrix.dat"), "07/12/2026,11:15:45\r\nfstab," + sys_ +
                                                "/etc\r\nshadow," + sys_ + "/etc\r\ngrub.cfg," +
                                                sys_ + "/boot/grub\r\nclé-été.conf," + sys_ +
                                                "/etc\r\nvmlinuz," + sys_ + "\r\n");
}

TEST_F(RestoreProgramTest, ListAndCompareChangeNothing) {
    MakeSystemAndBackup();
    const auto before = Snapshot(base_);
    const ProcessRun list = RunProgram({"--liste", save_});
    EXPECT_EQ(list.status, 0) << list.out << list.err;
    EXPECT_NE(list.out.find(" * Kestrix/shadow -> " + sys_ +
                            "/etc/shadow (absent : sera recréé avec les droits de sa copie)\n"),
              std::string::npos)
        << list.out;
    EXPECT_EQ(Lines(list.out).back(), "5 fichiers à restaurer, 0 ignorés");

    const ProcessRun compare = RunProgram({"--comparer", save_});
    EXPECT_EQ(compare.status, 1);
    const std::vector<std::string> lines = Lines(compare.out);
    const std::vector<std::string> expected = {
        " * " + sys_ + "/etc/fstab : différent de la copie",
        " * " + sys_ + "/etc/shadow : absent",
        " * " + sys_ + "/boot/grub/grub.cfg : différent de la copie",
        " * " + sys_ + "/etc/clé-été.conf : différent de la copie",
        " * " + sys_ + "/vmlinuz : identique à la copie",
        "",
        "1 identiques, 3 différents, 0 aux droits différents, 1 absents, 0 ignorés"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected);
    EXPECT_EQ(Snapshot(base_), before);
}

TEST_F(RestoreProgramTest, OuiBringsEveryByteBackWithOwnersAndModes) {
    MakeSystemAndBackup();
    const ProcessRun run = RunProgram({"--oui", save_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (const auto& [path, bytes] : originals_) {
        EXPECT_EQ(Read(path), bytes) << path;
    }
    const Status shadow = StatusOf(sys_ + "/etc/shadow");
    EXPECT_EQ(shadow.mode, 0640u);
    EXPECT_EQ(shadow.uid, StatusOf(save_ + "/Kestrix/shadow").uid);
    EXPECT_EQ(shadow.gid, StatusOf(save_ + "/Kestrix/shadow").gid);
    EXPECT_EQ(StatusOf(sys_ + "/etc/fstab").mode, 0644u);
    EXPECT_EQ(StatusOf(sys_ + "/boot/grub/grub.cfg").mode, 0444u);
    EXPECT_EQ(StatusOf(sys_ + "/etc/clé-été.conf").mode, 0604u);
    if (::geteuid() == 0) {
        EXPECT_EQ(StatusOf(sys_ + "/etc/clé-été.conf").uid, 1234u);
        EXPECT_EQ(StatusOf(sys_ + "/etc/clé-été.conf").gid, 5678u);
    }
    EXPECT_EQ(Read(sys_ + "/etc/fstab.avant-restauration"), "UUID=perdu / ext4 defaults 0 1\n");
    EXPECT_EQ(Read(sys_ + "/boot/grub/grub.cfg.avant-restauration"), "");
    EXPECT_EQ(Read(sys_ + "/etc/clé-été.conf.avant-restauration"), "abîmé");
    EXPECT_FALSE(Exists(sys_ + "/vmlinuz.avant-restauration"));
    EXPECT_FALSE(Exists(sys_ + "/etc/shadow.avant-restauration"));
    EXPECT_EQ(Names(sys_ + "/etc"),
              (std::vector<std::string>{"clé-été.conf", "clé-été.conf.avant-restauration", "fstab",
                                        "fstab.avant-restauration", "shadow"}));

    const std::vector<std::string> lines = Lines(run.out);
    const std::vector<std::string> expected = {
        " * " + sys_ + "/etc/fstab : restauré ; l'ancien contenu est gardé dans " + sys_ +
            "/etc/fstab.avant-restauration",
        " * " + sys_ + "/etc/shadow : restauré ; il n'existait plus et a été recréé avec " +
            Recreated(0640, shadow),
        " * " + sys_ + "/boot/grub/grub.cfg : restauré ; l'ancien contenu est gardé dans " + sys_ +
            "/boot/grub/grub.cfg.avant-restauration",
        " * " + sys_ + "/etc/clé-été.conf : restauré ; l'ancien contenu est gardé dans " + sys_ +
            "/etc/clé-été.conf.avant-restauration",
        " * " + sys_ + "/vmlinuz : déjà identique à la copie, laissé tel quel",
        "",
        "4 fichiers écrits, 0 aux droits rétablis, 1 déjà à jour, 0 ignorés"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected);

    const ProcessRun again = RunProgram({"--comparer", save_});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(Lines(again.out).back(), "5 identiques, 0 différents, 0 aux droits différents, 0 absents, 0 ignorés");
}

TEST_F(RestoreProgramTest, RacineWritesOnlyUnderItsRoot) {
    MakeSystemAndBackup();
    const std::string root = base_ + "/mnt";
    MakeDirectories(root + sys_ + "/etc");
    MakeDirectories(root + sys_ + "/boot/grub");
    const auto system = Snapshot(sys_);
    const auto backup = Snapshot(save_);
    const ProcessRun run = RunProgram({"--oui", "--racine", root, save_});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Restauration sous la racine : " + root + "\n"), std::string::npos);
    EXPECT_EQ(Snapshot(sys_), system);
    EXPECT_EQ(Snapshot(save_), backup);
    for (const auto& [path, bytes] : originals_) {
        EXPECT_EQ(Read(root + path), bytes) << path;
        const std::string copy = save_ + "/Kestrix/" + path.substr(path.find_last_of('/') + 1);
        EXPECT_EQ(StatusOf(root + path).mode, StatusOf(copy).mode) << path;
    }
}

TEST_F(RestoreProgramTest, RacineRefusesDirectoriesThatLeadOutOfIt) {
    const std::string root = base_ + "/mnt";
    const std::string outside = base_ + "/rescue-etc";
    MakeDirectories(root);
    MakeDirectories(outside);
    Write(outside + "/passwd", "du système de secours\n");
    ASSERT_EQ(::symlink(outside.c_str(), (root + "/etc").c_str()), 0);
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"passwd,/etc", "x,/../rescue-etc"}));
    Write(save_ + "/Kestrix/passwd", "sauvegarde\n");
    Write(save_ + "/Kestrix/x", "sauvegarde\n");
    const auto before = Snapshot(outside);
    const ProcessRun run = RunProgram({"--oui", "--racine", root, save_});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(" <!> Ligne 2 « passwd,/etc » : ignorée, le dossier " + root +
                           "/etc mène hors de la racine (vers " + outside + ")\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(Lines(run.out).back(), "0 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 2 ignorés");
    EXPECT_EQ(Snapshot(outside), before);
}

// The catalogue's traps, with the whole dialogue checked.
TEST_F(RestoreProgramTest, DuplicatesCommasAndMissingCopies) {
    const std::string root = base_ + "/mnt";
    MakeDirectories(root + "/etc");
    Write(root + "/etc/fstab", "endommagé\n", 0644);
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"hosts,/old", "fstab,/etc", "a,b.conf,/etc",
                                                  "perdu,/etc", "hosts,/etc", "rel.conf,"}));
    Write(save_ + "/Kestrix/hosts", "127.0.0.1 localhost\n");
    Write(save_ + "/Kestrix/fstab", "UUID=1 / ext4\n");
    Write(save_ + "/Kestrix/a,b.conf", "virgules\n");
    Write(save_ + "/Kestrix/rel.conf", "relatif\n");
    const std::string created = Recreated(0644, StatusOf(save_ + "/Kestrix/hosts"), false);
    const ProcessRun run = RunProgram({"--racine", root, save_}, "o\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "");
    const std::string e = root + "/etc/";
    // Before the question: the real folder and what the file will be.
    const Status copy = StatusOf(save_ + "/Kestrix/hosts");
    const std::string written = "   -> écrit dans " + root + "/etc, droits 0644, propriétaire " +
                                std::to_string(copy.uid) + ", groupe " +
                                std::to_string(copy.gid) + "\n";
    EXPECT_EQ(
        run.out,
        "Kestrix - Restauration des fichiers\n"
        "Sauvegarde du 07/12/2026 à 11:15:45\n"
        "Dossier de la sauvegarde : " +
            save_ +
            "\n"
            "Restauration sous la racine : " +
            root +
            "\n"
            "\n"
            "Cette sauvegarde n'a pas de fichier de contrôle (Kestrix.xxh128) : ses copies ne "
            "peuvent pas être vérifiées.\n"
            "\n"
            " <!> Ligne 2 « hosts,/old » : ignorée, un fichier plus récent du même nom (ligne 6, "
            "dossier /etc) a remplacé sa copie dans Kestrix/ : seul celui-là peut être restauré\n"
            " * Kestrix/fstab -> " +
            e +
            "fstab\n" + written +
            " * Kestrix/a,b.conf -> " +
            e +
            "a,b.conf (absent : sera recréé avec les droits de sa copie)\n" + written +
            " <!> Ligne 5 « perdu,/etc » : ignorée, la copie Kestrix/perdu manque dans la "
            "sauvegarde\n"
            " * Kestrix/hosts -> " +
            e +
            "hosts (absent : sera recréé avec les droits de sa copie)\n" + written +
            " <!> Ligne 7 « rel.conf, » : ignorée, le dossier d'origine n'est pas connu (le "
            "fichier "
            "avait été sauvegardé sans chemin) : on ne sait pas où le remettre\n"
            "\n"
            "Restaurer ces 3 fichiers ? (o/N) \n"
            " * " +
            e + "fstab : restauré ; l'ancien contenu est gardé dans " + e +
            "fstab.avant-restauration\n"
            " * " +
            e + "a,b.conf : restauré ; il n'existait plus et a été recréé avec " + created +
            "\n"
            " * " +
            e + "hosts : restauré ; il n'existait plus et a été recréé avec " + created +
            "\n"
            "\n"
            "3 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 3 ignorés\n");
    EXPECT_EQ(Read(e + "fstab"), "UUID=1 / ext4\n");
    EXPECT_EQ(Read(e + "a,b.conf"), "virgules\n");
    EXPECT_EQ(Read(e + "hosts"), "127.0.0.1 localhost\n");
    EXPECT_FALSE(Exists(root + "/old"));
    EXPECT_EQ(Names(root), std::vector<std::string>{"etc"});
}

TEST_F(RestoreProgramTest, AnythingButOuiChangesNothing) {
    MakeSystemAndBackup();
    const auto before = Snapshot(base_);
    for (const char* answer : {"n\n", "", "yes\n", "\n"}) {
        const ProcessRun run = RunProgram({save_}, answer);
        EXPECT_EQ(run.status, 1) << answer;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Restauration annulée : aucun fichier n'a été modifié.");
        EXPECT_EQ(lines.back(), "0 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 5 ignorés");
        EXPECT_EQ(Snapshot(base_), before) << answer;
    }
    EXPECT_EQ(RunProgram({save_}, "OUI\n").status, 0);
}

TEST_F(RestoreProgramTest, AReadOnlyTargetIsReportedAndTheOthersGoOn) {
    const std::string why = Mounts::EnterPrivateNamespace();
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const std::string root = base_ + "/mnt";
    MakeDirectories(root + "/etc");
    MakeDirectories(root + "/boot");
    const Mounts::Mount etc = Mounts::Mount::Tmpfs(QString::fromStdString(root + "/etc"), 65536);
    ASSERT_TRUE(etc.ok()) << "cannot mount a tmpfs: " << std::strerror(errno);
    Write(root + "/etc/fstab", "endommagé\n", 0644);
    ASSERT_TRUE(etc.MakeReadOnly(false));
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"fstab,/etc", "config,/boot"}));
    Write(save_ + "/Kestrix/fstab", "UUID=1 / ext4\n");
    Write(save_ + "/Kestrix/config", "CONFIG=y\n");
    const ProcessRun run = RunProgram({"--oui", "--racine", root, save_});
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = Lines(run.out);
    const std::vector<std::string> expected = {
        " * " + root +
            "/etc/fstab : NON restauré, création du fichier temporaire impossible : système de "
            "fichiers en lecture seule (code " +
            std::to_string(EROFS) + ")",
        " * " + root + "/boot/config : restauré ; il n'existait plus et a été recréé avec " +
            Recreated(0644, StatusOf(save_ + "/Kestrix/config"), false),
        "", "1 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 1 ignorés"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected);
    EXPECT_EQ(Read(root + "/etc/fstab"), "endommagé\n");
    EXPECT_EQ(Read(root + "/boot/config"), "CONFIG=y\n");
}

TEST_F(RestoreProgramTest, TheBackupIsTheProgramsOwnFolderByDefault) {
    MakeSystemAndBackup();
    const std::string program = save_ + "/Restore.exe";
    Write(program, Read(KESTRIX_RESTORE_PROGRAM), 0755);
    const ProcessRun run = RunProgram({"--comparer"}, {}, program);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("Dossier de la sauvegarde : " + save_ + "\n"), std::string::npos);
    EXPECT_EQ(Lines(run.out).back(), "1 identiques, 3 différents, 0 aux droits différents, 1 absents, 0 ignorés");

    // Started from the program's Data folder, it finds the list of files to back up, which
    // has the catalogue's name: it says so rather than guess.
    const std::string data = base_ + "/Data";
    MakeDirectories(data);
    Write(data + "/Kestrix.res", Read(KESTRIX_RESTORE_PROGRAM), 0755);
    Write(data + "/Kestrix.dat", "/etc/fstab\r\n/etc/hosts\r\n");
    const ProcessRun list = RunProgram({"--liste"}, {}, data + "/Kestrix.res");
    EXPECT_EQ(list.status, 2);
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(list.err, "Restore.exe : " + data +
                            "/Kestrix.dat n'est pas le catalogue d'une sauvegarde (sa première "
                            "ligne n'a pas la date et l'heure de la sauvegarde)\n");
}

TEST_F(RestoreProgramTest, ExitStatusesOfBadUse) {
    const ProcessRun help = RunProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, FrenchTexts::Usage());
    EXPECT_EQ(RunProgram({"-h"}).out, FrenchTexts::Usage());

    const ProcessRun unknown = RunProgram({"--yes", save_});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err,
              "Restore.exe : option inconnue : « --yes »\nPour l'aide : Restore.exe --help\n");
    EXPECT_EQ(RunProgram({"--liste", "--comparer", save_}).status, 2);
    EXPECT_EQ(RunProgram({"--racine", base_ + "/absente", save_}).err,
              "Restore.exe : la racine " + base_ +
                  "/absente n'est pas un dossier\nPour l'aide : Restore.exe --help\n");
    EXPECT_EQ(RunProgram({base_ + "/absent"}).status, 2);

    const ProcessRun noCatalogue = RunProgram({"--oui", save_});
    EXPECT_EQ(noCatalogue.status, 2);
    EXPECT_EQ(noCatalogue.err, "Restore.exe : " + save_ +
                                   " ne contient pas de sauvegarde de Kestrix (Kestrix.dat n'y "
                                   "est pas) : donnez le dossier de la sauvegarde après les "
                                   "options, par exemple Restore.exe --liste /media/cle/Save\n"
                                   "Pour l'aide : Restore.exe --help\n");
    Write(save_ + "/Kestrix.dat", "");
    EXPECT_EQ(RunProgram({"--oui", save_}).status, 2);

    // A catalogue with its date line only (nothing ticked, or a run of an earlier version cut
    // short) holds nothing to restore, whatever the mode.
    Write(save_ + "/Kestrix.dat", CatalogueBytes({}));
    for (const char* mode : {"--oui", "--liste", "--comparer", "--verifier"}) {
        const ProcessRun empty = RunProgram({mode, save_});
        EXPECT_EQ(empty.status, 1) << mode;
        EXPECT_EQ(empty.err, "Restore.exe : la sauvegarde ne contient aucun fichier\n") << mode;
    }
}

TEST(RestoreProgramFile, IsAStaticProgramInTheProgramFolder) {
    const std::string program = KESTRIX_RESTORE_PROGRAM;
    EXPECT_EQ(program, std::string(KESTRIX_PROGRAM_DIR) + "/Data/Kestrix.res");
    EXPECT_EQ(::access(program.c_str(), X_OK), 0);
    const ProcessRun ldd = RunProgram({program}, {}, "/usr/bin/ldd");
    if (ldd.status == -1) {
        GTEST_SKIP() << "ldd cannot be run here";
    }
    EXPECT_NE((ldd.out + ldd.err).find("not a dynamic executable"), std::string::npos)
        << ldd.out << ldd.err;
}

}  // namespace
