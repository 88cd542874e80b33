#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <istream>
#include <optional>
#include <sstream>

#include "AnswerAfter.h"
#include "RestoreFiles.h"
#include "StagedBackupTest.h"
#include "SudoCaller.h"
#include "ThrowAwayAccount.h"
#include "restore/CommandLine.h"
#include "restore/FrenchTexts.h"
#include "restore/Paths.h"
#include "restore/RestoreProgram.h"
#include "shared/Manifest.h"

using namespace RestoreFiles;

namespace {

class RestoreSafetyTest : public StagedBackupTest {};

// A backup that others may write, with and without --force: the exit status, stderr, and
// which files came back.
struct TrustCase {
    const char* what;
    const char* path;  // under the backup folder
    mode_t mode;
    std::vector<std::string> options;
    int status;
    std::string err;  // "%s" stands for the backup folder
    // Rows that leave these out restore nothing.
    bool fstabRestored = false;
    bool hostsRestored = false;
    std::string hostsLine = {};
    bool throughSudo = false;  // the stick's user called the program through sudo
    std::string hostsSkipped = {};  // the line that skips /etc/hosts, after its record
};

void PrintTo(const TrustCase& c, std::ostream* out) {
    *out << c.what;
}

class RestoreTrustTest : public RestoreSafetyTest,
                         public ::testing::WithParamInterface<TrustCase> {};

TEST_P(RestoreTrustTest, OnlyWhatItsOwnerAloneMayWriteIsTrusted) {
    const TrustCase& c = GetParam();
    std::optional<SudoCaller> caller;
    std::optional<ThrowAwayAccount> locker;
    if (std::string(c.path) == "stick") {
        // A FAT stick mounted by the desktop: the user's own files 0644 and folders 0755. The
        // user 4242 is in no passwd file.
        if (::geteuid() != 0) {
            GTEST_SKIP() << "giving the backup to another user needs root";
        }
        for (const char* p : {"", "/Kestrix.dat", "/Kestrix", "/Kestrix/fstab", "/Kestrix/hosts"}) {
            ASSERT_EQ(::chown((save_ + p).c_str(), 4242, 4242), 0);
        }
        if (c.throughSudo) {
            caller.emplace(4242);
        }
    } else if (std::string(c.path) == "foreign copy") {
        // Neither trusted nor the owner that Kestrix.droits records for its source.
        if (::geteuid() != 0) {
            GTEST_SKIP() << "giving a copy to another user needs root";
        }
        ASSERT_EQ(::chown((save_ + "/Kestrix/hosts").c_str(), 4242, 4242), 0);
    } else if (std::string(c.path) == "swapped") {
        // Root's backup in a folder anyone may write: another account puts its own in place.
        const ThrowAwayAccount other;
        if (!other.Made()) {
            GTEST_SKIP() << "staging another account's files needs root and useradd";
        }
        ASSERT_EQ(::chmod(base_.c_str(), 0711), 0);
        ASSERT_EQ(::chmod(save_.c_str(), 0777), 0);
        const int swap = other.Run(
            save_,
            "mv Kestrix .root-Kestrix && mv Kestrix.dat .root-Kestrix.dat && mkdir Kestrix && "
            "printf '07/12/2026,11:15:45\\r\\nfstab,/etc\\r\\nshadow,/etc\\r\\n' > Kestrix.dat && "
            "printf 'plant\\351\\n' > Kestrix/fstab && chmod 0666 Kestrix/fstab && "
            "printf 'root::0:0:::\\n' > Kestrix/shadow");
        ASSERT_EQ(swap, 0);
    } else if (std::string(c.path) == "damaged intent") {
        Write(save_ + "/.kestrix-validation", "");
    } else if (std::string(c.path) == "locked") {
        // Any user who can read the backup can lock its folder.
        if (!locker.emplace().Made()) {
            GTEST_SKIP() << "staging another account's lock needs root and useradd";
        }
        ASSERT_EQ(::chmod(base_.c_str(), 0711), 0);
        ASSERT_TRUE(locker->LockFolder(save_));
    } else {
        ASSERT_EQ(::chmod((save_ + "/" + c.path).c_str(), c.mode), 0);
    }
    const auto before = Snapshot(root_);
    std::vector<std::string> arguments = c.options;
    arguments.insert(arguments.end(), {"--racine", root_, save_});
    const ProcessRun run = RunProgram(arguments);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    std::string err = c.err;
    if (const auto at = err.find("%s"); at != std::string::npos) {
        err.replace(at, 2, save_);
    }
    EXPECT_EQ(run.err, err);
    if (c.status == 2) {
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Snapshot(root_), before);
        return;
    }
    ASSERT_NE(std::string(c.path), "swapped") << "a swapped backup must be refused";
    EXPECT_EQ(Read(etc_ + "/fstab"), c.fstabRestored ? kFstab : kOldFstab);
    EXPECT_EQ(Exists(etc_ + "/hosts"), c.hostsRestored);
    if (!c.hostsSkipped.empty()) {
        EXPECT_TRUE(HasLine(run.out, " <!> Ligne 3 « hosts,/etc » : ignorée, " + c.hostsSkipped))
            << run.out;
        return;
    }
    std::string hostsLine = c.hostsLine;
    if (const auto at = hostsLine.find("%o"); at != std::string::npos) {
        hostsLine.replace(at, 2,
                          std::to_string(::geteuid()) + ", groupe " +
                              std::to_string(StatusOf(save_ + "/Kestrix/hosts").gid));
    }
    EXPECT_TRUE(HasLine(run.out, HostsLine(hostsLine))) << run.out;
}

const char kRefusedCatalogue[] =
    "Restore.exe : le catalogue %s/Kestrix.dat est modifiable par d'autres que son propriétaire "
    "(droits 0666) : restauration refusée, car qui peut l'écrire choisirait ce que root écrit, "
    "et où ; --force pour passer outre\n";
const char kRefusedFolder[] =
    "Restore.exe : le dossier %s/Kestrix est modifiable par d'autres que son propriétaire "
    "(droits 0777) : restauration refusée, car qui peut l'écrire choisirait ce que root écrit, "
    "et où ; --force pour passer outre\n";
const char kForeignFolder[] =
    "Restore.exe : le dossier de la sauvegarde %s appartient à l'utilisateur 4242, qui n'est ni "
    "root, ni vous, ni l'administrateur qui a lancé sudo ou pkexec : restauration refusée, car il "
    "pourrait choisir ce que root écrit, et où ; vérifiez la sauvegarde, puis --force pour passer "
    "outre\n";
const char kWritableBackup[] =
    "Restore.exe : le dossier de la sauvegarde %s est modifiable par d'autres que son "
    "propriétaire (droits 0777) : restauration refusée, car qui peut l'écrire choisirait ce que "
    "root écrit, et où ; --force pour passer outre\n";
const char kWritableCopy[] =
    "la copie Kestrix/hosts est modifiable par d'autres que son propriétaire (droits 0666) : qui "
    "peut l'écrire choisirait ce que root écrit ; --force pour passer outre";
const char kForeignCopy[] =
    "la copie Kestrix/hosts appartient à l'utilisateur 4242, qui n'est ni root, ni vous, ni "
    "l'administrateur qui a lancé sudo ou pkexec, ni le propriétaire de son original : il "
    "pourrait choisir ce que root écrit ; vérifiez-la, puis --force pour passer outre";
const char kDamagedIntent[] =
    "Restore.exe : le fichier %s/.kestrix-validation n'est pas une validation de Kestrix "
    "(endommagé ou déposé par un autre programme) : il est laissé de côté et la sauvegarde est lue "
    "telle qu'elle est ; vérifiez-la avec --verifier, puis supprimez ce fichier\n";
const char kStickCreated[] =
    "restauré ; il n'existait plus et a été recréé avec les droits 0644 (propriétaire 4242, "
    "groupe 4242)";
const char kCreated[] =
    "restauré ; il n'existait plus et a été recréé avec les droits 0644 (propriétaire %o)";

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreTrustTest,
    ::testing::Values(
        TrustCase{"catalogue", "Kestrix.dat", 0666, {"--oui"}, 2, kRefusedCatalogue},
        TrustCase{"catalogue, list", "Kestrix.dat", 0666, {"--liste"}, 2, kRefusedCatalogue},
        TrustCase{"catalogue, forced",
                  "Kestrix.dat",
                  0666,
                  {"--oui", "--force"},
                  0,
                  "",
                  true,
                  true,
                  kCreated},
        TrustCase{"folder", "Kestrix", 0777, {"--oui"}, 2, kRefusedFolder},
        // Comparing against planted copies would tell whether a guess is a secret's content.
        TrustCase{"folder, compare", "Kestrix", 0777, {"--comparer"}, 2, kRefusedFolder},
        TrustCase{
            "folder, forced", "Kestrix", 0777, {"--oui", "--force"}, 0, "", true, true, kCreated},
        // One spoiled copy is skipped alone, in every mode, without --force.
        TrustCase{"copy", "Kestrix/hosts", 0666, {"--oui"}, 1, "", true, false, "", false,
                  kWritableCopy},
        TrustCase{"copy, compare", "Kestrix/hosts", 0666, {"--comparer"}, 1, "", false, false, "",
                  false, kWritableCopy},
        TrustCase{"copy, list", "Kestrix/hosts", 0666, {"--liste"}, 1, "", false, false, "",
                  false, kWritableCopy},
        TrustCase{"a copy of another user", "foreign copy", 0, {"--liste"}, 1, "", false, false,
                  "", false, kForeignCopy},
        TrustCase{"a copy of another user, restored", "foreign copy", 0, {"--oui"}, 1, "", true,
                  false, "", false, kForeignCopy},
        // Forced, the copy's bits are kept as they are: the line shows them.
        TrustCase{"copy, forced",
                  "Kestrix/hosts",
                  0666,
                  {"--oui", "--force"},
                  0,
                  "",
                  true,
                  true,
                  "restauré ; il n'existait plus et a été recréé avec les droits 0666 "
                  "(propriétaire %o)"},
        TrustCase{"a user's stick, through sudo", "stick", 0, {"--oui"}, 0, "", true, true,
                  kStickCreated, true},
        TrustCase{"a user's stick", "stick", 0, {"--oui"}, 2, kForeignFolder},
        TrustCase{"a user's stick, forced", "stick", 0, {"--oui", "--force"}, 0, "", true, true,
                  kStickCreated},
        TrustCase{"a swapped backup", "swapped", 0, {"--oui"}, 2, kWritableBackup},
        TrustCase{"a user's stick, list", "stick", 0, {"--liste"}, 2, kForeignFolder},
        TrustCase{"a damaged intent", "damaged intent", 0, {"--oui"}, 0, kDamagedIntent, true,
                  true, kCreated},
        TrustCase{"a user's lock", "locked", 0, {"--oui"}, 0, "", true, true, kCreated}));

TEST_F(RestoreSafetyTest, AMissingFileComesBackWithItsCopysModeOwnerAndGroup) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a copy another group needs root";
    }
    ASSERT_EQ(::chown((save_ + "/Kestrix/hosts").c_str(), 0, 42), 0);
    ASSERT_EQ(::chmod((save_ + "/Kestrix/hosts").c_str(), 0640), 0);
    const ProcessRun run = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    const Status hosts = StatusOf(etc_ + "/hosts");
    EXPECT_EQ(hosts.mode, 0640u);
    EXPECT_EQ(hosts.uid, 0u);
    EXPECT_EQ(hosts.gid, 42u);
    EXPECT_EQ(Read(etc_ + "/hosts"), kHosts);
    EXPECT_TRUE(HasLine(run.out, HostsLine("restauré ; il n'existait plus et a été recréé avec les "
                                           "droits 0640 (propriétaire 0, groupe 42)")))
        << run.out;
}

TEST_F(RestoreSafetyTest, HostileRecordsStayWithinMemory) {
    const std::string name300(300, 'n');
    std::string catalogue =
        CatalogueBytes({std::string(200000, ','), "hosts,/" + std::string(4993, 'd'),
                        name300 + ",/etc", "hosts,/etc"});
    // A time longer than any piece of text the program shows at once.
    const std::string time(200000, '\x01');
    catalogue.replace(catalogue.find("11:15:45"), 8, time);
    Write(save_ + "/Kestrix.dat", catalogue);
    const ProcessRun run =
        RunProgram({"--oui", "--racine", root_, save_}, {}, KESTRIX_RESTORE_PROGRAM, 64 << 20);
    EXPECT_EQ(run.status, 1) << "ended by a signal or not at all when -1\n" << run.err;
    EXPECT_EQ(run.err, "");
    std::string shownTime;
    while (shownTime.size() < 4 * time.size()) {
        shownTime += "\\x01";
    }
    EXPECT_TRUE(HasLine(run.out, "Sauvegarde du 07/12/2026 à " + shownTime));
    const std::string commas(64, ',');
    EXPECT_TRUE(
        HasLine(run.out, " <!> Ligne 2 « " + commas +
                             "... » : ignorée, ligne illisible, trop longue (200000 octets, "
                             "au plus 4096)"))
        << run.out.substr(0, 2000);
    EXPECT_TRUE(HasLine(run.out, " <!> Ligne 3 « hosts,/" + std::string(57, 'd') +
                                     "... » : ignorée, ligne illisible, trop longue (5000 octets, "
                                     "au plus 4096)"));
    EXPECT_TRUE(HasLine(run.out, " <!> Ligne 4 « " + name300 +
                                     ",/etc » : ignorée, ligne illisible, nom de fichier trop long "
                                     "(au plus 255 octets)"));
    EXPECT_EQ(Read(etc_ + "/hosts"), kHosts);
    EXPECT_EQ(Lines(run.out).back(), "1 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 3 ignorés");
}

// As many records as the largest catalogue holds, each naming another copy that neither the
// backup nor its manifests have: the program stays within twice its files and 8 MiB, beside its
// own code, data and stack (4 MiB).
TEST_F(RestoreSafetyTest, TheLargestCatalogueStaysWithinTwiceItsSize) {
    std::string catalogue = CatalogueBytes({});
    for (int i = 0;; ++i) {
        const std::string record = "fichier-" + std::to_string(i) + ".conf,/etc\r\n";
        if (catalogue.size() + record.size() > (16u << 20)) {
            break;
        }
        catalogue += record;
    }
    const std::string rights = std::string(Manifest::kRightsHeader) + "\n";
    Write(save_ + "/Kestrix.dat", catalogue);
    Write(save_ + "/Kestrix.xxh128", "");
    Write(save_ + "/Kestrix.droits", rights);
    const std::size_t limitKiB = 2 * (catalogue.size() + rights.size()) / 1024 + (12 << 10);
    // Its million lines go nowhere: only the exit status is kept.
    const ProcessRun run =
        InBackup("ulimit -v " + std::to_string(limitKiB) + " && '" + KESTRIX_RESTORE_PROGRAM +
                 "' --oui --racine '" + root_ + "' . > /dev/null; echo $?");
    EXPECT_EQ(run.out, "1\n") << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Read(etc_ + "/fstab"), kOldFstab);
}

// A catalogue or manifest larger than any backup writes is refused before it is read.
class TooLargeTest : public RestoreSafetyTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TooLargeTest, IsRefusedBeforeItIsRead) {
    const std::string file = save_ + "/" + GetParam();
    Write(file, "");
    ASSERT_EQ(::truncate(file.c_str(), (16 << 20) + 1), 0);  // sparse: takes no room
    const auto before = Snapshot(root_);
    const ProcessRun run =
        RunProgram({"--oui", "--racine", root_, save_}, {}, KESTRIX_RESTORE_PROGRAM, 64 << 20);
    EXPECT_EQ(run.status, 2) << "ended by a signal or not at all when -1";
    const std::string what =
        std::string(GetParam()) == "Kestrix.dat" ? "le catalogue " : "le fichier de contrôle ";
    EXPECT_EQ(run.err, "Restore.exe : " + what + file +
                           " est trop grand (16777217 octets, au plus 16777216) : ce n'est pas "
                           "un fichier d'une sauvegarde de Kestrix, restauration refusée ; "
                           "vérifiez la sauvegarde\n");
    EXPECT_EQ(Snapshot(root_), before);
}

INSTANTIATE_TEST_SUITE_P(Files, TooLargeTest,
                         ::testing::Values("Kestrix.dat", "Kestrix.xxh128", "Kestrix.droits"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(8);
                         });

// Run as root, a target folder that anyone may write.
struct FolderCase {
    mode_t mode;
    bool force;
    bool restored;
};

void PrintTo(const FolderCase& c, std::ostream* out) {
    *out << FrenchTexts::Mode(c.mode) << (c.force ? ", forced" : "");
}

class TargetFolderTest : public RestoreSafetyTest,
                         public ::testing::WithParamInterface<FolderCase> {};

TEST_P(TargetFolderTest, AFolderAnyoneMayWriteNeedsTheStickyBit) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "the folder rule holds for root only";
    }
    const FolderCase& c = GetParam();
    ASSERT_EQ(::chmod(etc_.c_str(), c.mode), 0);
    std::vector<std::string> arguments = {"--oui", "--racine", root_, save_};
    if (c.force) {
        arguments.insert(arguments.begin(), "--force");
    }
    const ProcessRun run = RunProgram(arguments);
    EXPECT_EQ(run.status, c.restored ? 0 : 1) << run.out;
    EXPECT_EQ(Exists(etc_ + "/hosts"), c.restored);
    EXPECT_EQ(Read(etc_ + "/fstab"), c.restored ? kFstab : kOldFstab);
    if (!c.restored) {
        EXPECT_TRUE(
            HasLine(run.out, HostsLine("NON restauré, le dossier est modifiable par tous, "
                                       "sans le bit « sticky » (droits 0777) ; --force pour "
                                       "passer outre")))
            << run.out;
        EXPECT_EQ(Names(etc_), std::vector<std::string>{"fstab"});
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, TargetFolderTest,
                         ::testing::Values(FolderCase{0777, false, false},
                                           FolderCase{0777, true, true},
                                           FolderCase{01777, false, true},
                                           FolderCase{0775, false, true}));

// Where the target folder's path leads after the swap, and whether --racine is given.
struct SwapCase {
    const char* what;
    bool underRoot;
    const char* linkTo;  // under the temporary folder
};

void PrintTo(const SwapCase& c, std::ostream* out) {
    *out << c.what;
}

class SwapTest : public RestoreSafetyTest, public ::testing::WithParamInterface<SwapCase> {};

TEST_P(SwapTest, AFolderSwappedForALinkAfterTheQuestionIsNotWritten) {
    const SwapCase& c = GetParam();
    const std::string target = base_ + "/" + c.linkTo;
    MakeDirectories(target);
    Write(target + "/fstab", "la cible du lien\n");
    std::vector<std::string> arguments = {save_};
    if (c.underRoot) {
        arguments.insert(arguments.begin(), {"--racine", root_});
    } else {
        Write(save_ + "/Kestrix.dat", CatalogueBytes({"fstab," + etc_, "hosts," + etc_}));
    }
    const auto targetBefore = Snapshot(target);
    const auto etcBefore = Snapshot(etc_);
    AnswerAfter answer([this, &target] {
        ASSERT_EQ(::rename(etc_.c_str(), (root_ + "/etc.moved").c_str()), 0);
        ASSERT_EQ(::symlink(target.c_str(), etc_.c_str()), 0);
    });
    std::istream in(&answer);
    std::ostringstream out;
    std::ostringstream err;
    RestoreProgram program(in, out, err);
    EXPECT_EQ(program.Run(CommandLine::Parse(arguments), {}), RestoreProgram::kIncomplete);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(Snapshot(target), targetBefore) << c.what;
    EXPECT_EQ(Snapshot(root_ + "/etc.moved"), etcBefore) << c.what;
    std::string real;
    ASSERT_TRUE(Paths::Real(target, real));
    const std::string moved =
        "NON restauré, le dossier a changé depuis l'examen du catalogue : "
        "il mène maintenant vers " +
        real;
    const std::vector<std::string> lines = Lines(out.str());
    const std::vector<std::string> expected = {" * " + etc_ + "/fstab : " + moved, HostsLine(moved),
                                               "", "0 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 2 ignorés"};
    ASSERT_GE(lines.size(), expected.size()) << out.str();
    EXPECT_EQ(std::vector<std::string>(lines.end() - expected.size(), lines.end()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SwapTest,
                         ::testing::Values(SwapCase{"under the root, to outside", true, "outside"},
                                           SwapCase{"under the root, to another folder inside",
                                                    true, "mnt/other"},
                                           SwapCase{"in place", false, "outside"}));

// A link put on a target's path before the run by another account, with and without --racine:
// its own link, or one of root's that it could move into its folder.
struct TargetLinkCase {
    const char* name;
    bool underRoot;
    bool rootsLink;
};

class TargetLinkTest : public RestoreSafetyTest,
                       public ::testing::WithParamInterface<TargetLinkCase> {};

// The files are skipped, nothing reaches the folder the link points to.
TEST_P(TargetLinkTest, AnotherUsersLinkIsNotFollowed) {
    const TargetLinkCase& c = GetParam();
    const ThrowAwayAccount other;
    if (!other.Made()) {
        GTEST_SKIP() << "staging another account's link needs root and useradd";
    }
    const std::string outside = base_ + "/outside";
    MakeDirectories(outside);
    Write(outside + "/fstab", "la cible du lien\n");
    ASSERT_EQ(::chmod(base_.c_str(), 0711), 0);
    if (c.rootsLink) {
        ASSERT_EQ(::symlink(outside.c_str(), (root_ + "/etc.link").c_str()), 0);
    }
    ASSERT_EQ(::chown(root_.c_str(), other.Uid(), 0), 0);
    ASSERT_EQ(other.Run(root_, c.rootsLink ? "mv etc etc.old && mv etc.link etc"
                                           : "mv etc etc.old && ln -s " + outside + " etc"),
              0);
    const std::string directory = c.underRoot ? "/etc" : etc_;
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"fstab," + directory, "hosts," + directory}));
    const auto before = Snapshot(outside);
    const ProcessRun run = RunProgram(c.underRoot
                                          ? std::vector<std::string>{"--oui", "--racine", root_,
                                                                     save_}
                                          : std::vector<std::string>{"--oui", save_});
    ASSERT_EQ(::chown(root_.c_str(), 0, 0), 0);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(Snapshot(outside), before);
    const std::string why =
        c.rootsLink ? "est dans un dossier que d'autres que root ou le propriétaire de ce vers quoi "
                      "il mène peuvent modifier (dossier de l'utilisateur " +
                          std::to_string(other.Uid()) + ", droits 0755)"
                    : "appartient à l'utilisateur " + std::to_string(other.Uid()) +
                          ", ni root ni le propriétaire de ce vers quoi il mène";
    const std::string refused =
        " : ignorée, le lien « " + etc_ + " » " + why + " : il n'est pas suivi";
    EXPECT_TRUE(HasLine(run.out, " <!> Ligne 2 « fstab," + directory + " »" + refused)) << run.out;
    EXPECT_TRUE(HasLine(run.out, " <!> Ligne 3 « hosts," + directory + " »" + refused)) << run.out;
    EXPECT_EQ(Lines(run.out).back(), "0 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 2 ignorés");
}

INSTANTIATE_TEST_SUITE_P(Cases, TargetLinkTest,
                         ::testing::Values(TargetLinkCase{"UnderTheRoot", true, false},
                                           TargetLinkCase{"InPlace", false, false},
                                           TargetLinkCase{"RootsLinkMovedUnderTheRoot", true, true},
                                           TargetLinkCase{"RootsLinkMovedInPlace", false, true}),
                         [](const ::testing::TestParamInfo<TargetLinkCase>& info) {
                             return std::string(info.param.name);
                         });

// The file in place, or its folder, swapped for a link while --comparer is held (by strace, at
// its first open of a copy) between the plan's look at it and its reading. A link followed
// there would compare a secret with a guess: the secret holds the very bytes of the copy.
struct LiveSwapCase {
    const char* what;
    const char* swap;   // run under the root meanwhile
    const char* shown;  // after "<etc>/fstab : "; %s stands for the real path of "outside"
};

void PrintTo(const LiveSwapCase& c, std::ostream* out) {
    *out << c.what;
}

class LiveSwapTest : public RestoreSafetyTest, public ::testing::WithParamInterface<LiveSwapCase> {};

TEST_P(LiveSwapTest, CompareReadsThroughTheCheckedFolderOnly) {
    const LiveSwapCase& c = GetParam();
    if (std::system("strace -V > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "holding the program between two steps needs strace";
    }
    MakeDirectories(base_ + "/outside");
    Write(base_ + "/outside/fstab", kFstab);
    Write(base_ + "/secret", kFstab, 0600);
    const std::string held = Traced("-f -qq -o /dev/null -P '") + save_ +
                             "/Kestrix' -e trace=openat -e inject=openat:delay_enter=2000000:when=1 '" +
                             KESTRIX_RESTORE_PROGRAM +
                             "' --comparer --racine '" + root_ + "' '" + save_ + "'";
    const ProcessRun run =
        RunInFolder(root_, "{ " + held + " & sleep 0.5 && " + c.swap + " && wait $!; }");
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    std::string outside;
    ASSERT_TRUE(Paths::Real(base_ + "/outside", outside));
    std::string shown = c.shown;
    if (const auto at = shown.find("%s"); at != std::string::npos) {
        shown.replace(at, 2, outside);
    }
    EXPECT_TRUE(HasLine(run.out, " * " + etc_ + "/fstab : " + shown)) << run.out;
    EXPECT_EQ(Read(base_ + "/secret"), kFstab);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiveSwapTest,
    ::testing::Values(
        LiveSwapCase{"the folder", "mv etc etc.moved && ln -s ../outside etc",
                     "comparaison impossible : le dossier a changé depuis l'examen du catalogue : "
                     "il mène maintenant vers %s"},
        LiveSwapCase{"the file", "mv etc/fstab etc/fstab.old && ln -s ../../secret etc/fstab",
                     "n'est pas un fichier ordinaire"}));

}  // namespace

namespace {

// A Kestrix.noms in the staged backup, with its mode: the exit status of a
// restore, its stderr ("%s" the backup folder), and what /etc/hosts then holds.
struct NamesCase {
    const char* what;
    std::string names;
    mode_t mode;
    int status;
    std::string err;
    std::string hosts;  // empty: not restored
};

class CopyNamesFileTest : public RestoreSafetyTest,
                          public ::testing::WithParamInterface<NamesCase> {};

TEST_P(CopyNamesFileTest, SaysWhichCopyGoesBackOrStopsEverything) {
    const NamesCase& c = GetParam();
    Write(save_ + "/Kestrix/hosts~2", "10.0.0.1 serveur\n");
    Write(save_ + "/Kestrix.noms", c.names, c.mode);
    const ProcessRun run = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    std::string err = c.err;
    if (const std::size_t at = err.find("%s"); at != std::string::npos) {
        err.replace(at, 2, save_);
    }
    EXPECT_EQ(run.err, err);
    EXPECT_EQ(Exists(etc_ + "/hosts") ? Read(etc_ + "/hosts") : "", c.hosts);
    // Nothing at all is restored when the names cannot be read.
    EXPECT_EQ(Read(etc_ + "/fstab"), c.hosts.empty() ? kOldFstab : kFstab);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CopyNamesFileTest,
    ::testing::Values(
        NamesCase{"HostsUnderANameOfItsOwn", "copie\tchemin\nKestrix/hosts~2\t/etc/hosts\n", 0644,
                  0, "", "10.0.0.1 serveur\n"},
        NamesCase{"AnUnreadableLine", "copie\tchemin\nKestrix/hosts~2 /etc/hosts\n", 0644, 2,
                  "Restore.exe : la ligne 2 de %s/Kestrix.noms est illisible : on ne peut pas "
                  "savoir quelle copie revient à quel fichier ; rien n'a été fait\n",
                  ""},
        // Whoever could write it would choose which copy root writes where.
        NamesCase{"WritableByOthers", "copie\tchemin\nKestrix/hosts~2\t/etc/hosts\n", 0666, 2,
                  "Restore.exe : le fichier %s/Kestrix.noms est modifiable par d'autres que son "
                  "propriétaire (droits 0666) : restauration refusée, car qui peut l'écrire "
                  "choisirait ce que root écrit, et où ; --force pour passer outre\n",
                  ""}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
