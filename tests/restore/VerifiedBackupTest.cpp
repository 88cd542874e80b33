#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>
#include <unistd.h>
#include <sstream>

#include "AnswerAfter.h"
#include "RestoreFiles.h"
#include "StagedBackupTest.h"
#include "SudoCaller.h"
#include "restore/BackupFolder.h"
#include "restore/CopyVerifier.h"
#include "restore/FrenchTexts.h"
#include "restore/RestorePlan.h"
#include "restore/RestoreProgram.h"
#include "shared/Catalogue.h"
#include "shared/Manifest.h"

using namespace RestoreFiles;

namespace {

const std::string kShadow = "root:$6$abc:19000:0:99999:7:::\n";

std::string Replaced(std::string text, const std::string& mark, const std::string& by) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), by);
        at += by.size();
    }
    return text;
}

// The staged backup with /etc/shadow too, and both manifest files written here, the hashes by
// xxh128sum itself.
class VerifiedBackupTest : public StagedBackupTest {
protected:
    VerifiedBackupTest() {
        Write(save_ + "/Kestrix.dat", CatalogueBytes({"fstab,/etc", "hosts,/etc", "shadow,/etc"}));
        Write(save_ + "/Kestrix/shadow", kShadow, 0640);
    }

    void SetUp() override {
        const ProcessRun run = InBackup("xxh128sum Kestrix/fstab Kestrix/hosts Kestrix/shadow");
        if (run.status != 0) {
            GTEST_SKIP() << "xxh128sum (package xxhash) is not installed";
        }
        Write(save_ + "/Kestrix.xxh128", run.out);
        WriteRights({"0644\troot\troot\t0\t0\t36\tKestrix/fstab",
                     "0644\troot\troot\t0\t0\t20\tKestrix/hosts",
                     "0640\troot\tshadow\t0\t42\t31\tKestrix/shadow"});
    }

    void WriteRights(const std::vector<std::string>& lines) {
        std::string bytes = std::string(Manifest::kRightsHeader) + "\n";
        for (const std::string& line : lines) {
            bytes += line + "\n";
        }
        Write(save_ + "/Kestrix.droits", bytes);
    }

    std::string HashOf(const std::string& name) const {
        return InBackup("xxh128sum Kestrix/" + name).out.substr(0, 32);
    }
};

// A backup as the restore program reads it, its catalogue and manifests parsed.
struct Opened {
    explicit Opened(const std::string& save) : folder(save) {
        folder.Prepare(false);
        folder.OpenCopies(false);
        manifest.ParseHashes(Read(save + "/Kestrix.xxh128"));
        manifest.ParseRights(Read(save + "/Kestrix.droits"));
        catalogue = Catalogue::Parse(folder.ReadCatalogue(false));
    }

    BackupFolder folder;
    Manifest manifest;
    Catalogue catalogue;
};

enum class Damage {
    None,
    FlippedByte,
    Truncated,
    NoHashLine,
    NoRightsFile,
    Writable,
    NoRecord,
    ExtraHashLine,
    WritableCopy,
    ForeignCopy
};

// A damage to the backup, and what xxh128sum -c, --verifier and --oui make of it. In texts,
// %e and %f stand for the expected and found hashes of Kestrix/hosts, %s for the backup folder
// and %r for the restore root.
struct DamageCase {
    const char* what;
    Damage damage;
    int checkStatus;  // of xxh128sum -c Kestrix.xxh128
    int verifyStatus;
    std::string verifyLine;
    std::string verifySummary;
    int restoreStatus;
    std::string restoreLine;
    bool fstab;  // restored by --oui
    bool hosts;
    std::string err;
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.what;
}

// Restored files get the owner and group of the manifest.
class AsRootTest : public VerifiedBackupTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "giving restored files their owner and group needs root";
        }
        VerifiedBackupTest::SetUp();
    }
};

class DamageTest : public AsRootTest, public ::testing::WithParamInterface<DamageCase> {
protected:
    void Apply(Damage damage) {
        const std::string hosts = save_ + "/Kestrix/hosts";
        switch (damage) {
            case Damage::None:
                break;
            case Damage::FlippedByte: {
                std::string bytes = Read(hosts);
                bytes[4] ^= 0x01;
                Write(hosts, bytes);
                break;
            }
            case Damage::Truncated:
                ASSERT_EQ(::truncate((save_ + "/Kestrix/fstab").c_str(), 5), 0);
                break;
            case Damage::NoHashLine: {
                const std::vector<std::string> lines = Lines(Read(save_ + "/Kestrix.xxh128"));
                Write(save_ + "/Kestrix.xxh128", lines[0] + "\n" + lines[2] + "\n");
                break;
            }
            case Damage::NoRightsFile:
                ASSERT_EQ(::unlink((save_ + "/Kestrix.droits").c_str()), 0);
                break;
            case Damage::Writable:
                ASSERT_EQ(::chmod((save_ + "/Kestrix.xxh128").c_str(), 0666), 0);
                break;
            case Damage::NoRecord: {
                const std::vector<std::string> lines = Lines(Read(save_ + "/Kestrix.dat"));
                Write(save_ + "/Kestrix.dat", lines[0] + "\n" + lines[1] + "\n" + lines[3] + "\n");
                break;
            }
            case Damage::WritableCopy:
                ASSERT_EQ(::chmod(hosts.c_str(), 0666), 0);
                break;
            case Damage::ForeignCopy:
                ASSERT_EQ(::chown(hosts.c_str(), 4242, 4242), 0);
                break;
            case Damage::ExtraHashLine: {
                const std::string hashes = Read(save_ + "/Kestrix.xxh128");
                Write(save_ + "/Kestrix.xxh128", hashes + Lines(hashes)[0] + "\n");
                break;
            }
        }
    }

    std::string Expand(const std::string& text, const std::string& expected,
                       const std::string& found) const {
        return Replaced(
            Replaced(Replaced(Replaced(text, "%e", expected), "%f", found), "%s", save_), "%r",
            root_);
    }
};

TEST_P(DamageTest, ADamagedCopyIsNamedAndNotRestored) {
    const DamageCase& c = GetParam();
    const std::string expected = HashOf("hosts");
    Apply(c.damage);
    const std::string found = HashOf("hosts");

    const ProcessRun check = InBackup("xxh128sum -c Kestrix.xxh128");
    EXPECT_EQ(check.status, c.checkStatus) << check.out << check.err;

    const auto before = Snapshot(base_);
    const ProcessRun verify = RunProgram({"--verifier", "--racine", root_, save_});
    EXPECT_EQ(verify.status, c.verifyStatus) << verify.out << verify.err;
    EXPECT_EQ(verify.err, Expand(c.err, expected, found));
    EXPECT_EQ(Snapshot(base_), before);
    if (c.verifyStatus != 2) {
        EXPECT_TRUE(HasLine(verify.out, Expand(c.verifyLine, expected, found))) << verify.out;
        EXPECT_EQ(Lines(verify.out).back(), c.verifySummary);
    }

    const ProcessRun restore = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(restore.status, c.restoreStatus) << restore.out << restore.err;
    EXPECT_EQ(restore.err, Expand(c.err, expected, found));
    if (c.restoreStatus != 2) {
        EXPECT_TRUE(HasLine(restore.out, Expand(c.restoreLine, expected, found))) << restore.out;
    }
    EXPECT_EQ(Read(etc_ + "/fstab"), c.fstab ? kFstab : kOldFstab);
    EXPECT_EQ(Exists(etc_ + "/hosts"), c.hosts);
    if (c.hosts) {
        EXPECT_EQ(Read(etc_ + "/hosts"), kHosts);
    }
    // The copy that is fine is restored in every case where one is.
    EXPECT_EQ(Exists(etc_ + "/shadow"), c.restoreStatus != 2 && c.damage != Damage::NoRightsFile);
}

const char kAllMatch[] = "3 conformes, 0 abîmées, 0 non vérifiables, 0 ignorées";
const char kOneDamaged[] = "2 conformes, 1 abîmées, 0 non vérifiables, 0 ignorées";
const char kOneRefused[] = "2 conformes, 0 abîmées, 0 non vérifiables, 1 ignorées";
const char kWritableHosts[] =
    " <!> Ligne 3 « hosts,/etc » : ignorée, la copie Kestrix/hosts est modifiable par d'autres "
    "que son propriétaire (droits 0666) : qui peut l'écrire choisirait ce que root écrit ; "
    "--force pour passer outre";
const char kForeignHosts[] =
    " <!> Ligne 3 « hosts,/etc » : ignorée, la copie Kestrix/hosts appartient à l'utilisateur "
    "4242, qui n'est ni root, ni vous, ni l'administrateur qui a lancé sudo ou pkexec, ni le "
    "propriétaire de son original : il pourrait choisir ce que root écrit ; vérifiez-la, puis "
    "--force pour passer outre";

INSTANTIATE_TEST_SUITE_P(
    Cases, DamageTest,
    ::testing::Values(
        DamageCase{"a good backup", Damage::None, 0, 0, " * Kestrix/hosts : conforme", kAllMatch, 0,
                   " * %r/etc/hosts : restauré ; il n'existait plus et a été recréé avec les "
                   "droits 0644 (propriétaire 0, groupe 0)",
                   true, true, ""},
        DamageCase{"one flipped byte", Damage::FlippedByte, 1, 1,
                   " * Kestrix/hosts : abîmée (empreinte XXH128 attendue %e, trouvée %f)",
                   kOneDamaged, 1,
                   " <!> Ligne 3 « hosts,/etc » : ignorée, copie Kestrix/hosts abîmée (empreinte "
                   "XXH128 attendue %e, trouvée %f)",
                   true, false, ""},
        DamageCase{"a truncated copy", Damage::Truncated, 1, 1,
                   " * Kestrix/fstab : abîmée (taille attendue 36 octets, trouvée 5 octets)",
                   kOneDamaged, 1,
                   " <!> Ligne 2 « fstab,/etc » : ignorée, copie Kestrix/fstab abîmée (taille "
                   "attendue 36 octets, trouvée 5 octets)",
                   false, true, ""},
        // xxh128sum checks only the lines it is given; the restore program wants every copy.
        DamageCase{"a copy without its hash", Damage::NoHashLine, 0, 1,
                   " * Kestrix/hosts : non vérifiable (absente de Kestrix.xxh128)",
                   "2 conformes, 0 abîmées, 1 non vérifiables, 0 ignorées", 1,
                   " <!> Ligne 3 « hosts,/etc » : ignorée, copie Kestrix/hosts non vérifiable "
                   "(absente de Kestrix.xxh128)",
                   true, false, ""},
        DamageCase{"no Kestrix.droits", Damage::NoRightsFile, 0, 1,
                   " * Kestrix/hosts : non vérifiable (absente de Kestrix.droits)",
                   "0 conformes, 0 abîmées, 3 non vérifiables, 0 ignorées", 1,
                   " <!> Kestrix.droits manque dans la sauvegarde : aucune copie ne peut être "
                   "vérifiée ni restaurée",
                   false, false, ""},
        DamageCase{"a manifest others may write", Damage::Writable, 0, 2, "", "", 2, "", false,
                   false,
                   "Restore.exe : le fichier de contrôle %s/Kestrix.xxh128 est modifiable par "
                   "d'autres que son propriétaire (droits 0666) : restauration refusée, car qui "
                   "peut l'écrire choisirait ce que root écrit, et où ; --force pour passer "
                   "outre\n"},
        // Records and manifests that disagree make no whole backup, whatever the copies.
        DamageCase{"a copy that no record names", Damage::NoRecord, 0, 1,
                   " <!> Kestrix/hosts figure dans les fichiers de contrôle mais dans aucun "
                   "enregistrement du catalogue",
                   "2 conformes, 0 abîmées, 0 non vérifiables, 0 ignorées", 1,
                   " <!> Le catalogue a 2 enregistrements, mais Kestrix.xxh128 a 3 lignes", true,
                   false, ""},
        DamageCase{"a hash line twice", Damage::ExtraHashLine, 0, 1,
                   " <!> Le catalogue a 3 enregistrements, mais Kestrix.xxh128 a 4 lignes",
                   kAllMatch, 1,
                   " <!> Le catalogue et les fichiers de contrôle ne s'accordent pas : la "
                   "sauvegarde n'est pas entière.",
                   true, true, ""},
        // Its bytes are sound, but someone else could have chosen them.
        DamageCase{"a copy others may write", Damage::WritableCopy, 0, 1, kWritableHosts,
                   kOneRefused, 1, kWritableHosts, true, false, ""},
        DamageCase{"a copy nobody trusted owns", Damage::ForeignCopy, 0, 1, kForeignHosts,
                   kOneRefused, 1, kForeignHosts, true, false, ""}));

// A missing file whose copy lost its owner, group and mode on a FAT stick (0755, user and group
// 1000) comes back with those of Kestrix.droits, by name on the system restored into.
struct RightsCase {
    const char* what;
    std::string rightsLine;  // of Kestrix/hosts
    std::string group;       // <root>/etc/group, none when empty
    mode_t groupMode;
    std::string passwd;  // <root>/etc/passwd, none when empty
    mode_t mode;
    uid_t uid;
    gid_t gid;
    // As shown, by name where the restored system has one: hosts's, then fstab's (root's).
    std::string owners;
    std::string rootOwners;
};

void PrintTo(const RightsCase& c, std::ostream* out) {
    *out << c.what;
}

class RightsTest : public AsRootTest, public ::testing::WithParamInterface<RightsCase> {};

TEST_P(RightsTest, AMissingFileGetsTheRightsOfTheManifest) {
    const RightsCase& c = GetParam();
    const std::string copy = save_ + "/Kestrix/hosts";
    ASSERT_EQ(::chown(copy.c_str(), 1000, 1000), 0);
    ASSERT_EQ(::chmod(copy.c_str(), 0755), 0);
    const SudoCaller stickOwner(1000);
    WriteRights({"0644\troot\troot\t0\t0\t36\tKestrix/fstab", c.rightsLine,
                 "0640\troot\tshadow\t0\t42\t31\tKestrix/shadow"});
    if (!c.group.empty()) {
        Write(etc_ + "/group", c.group, c.groupMode);
    }
    if (!c.passwd.empty()) {
        Write(etc_ + "/passwd", c.passwd);
    }
    // A file in place that another user made their own, as a link's swap would leave it.
    ASSERT_EQ(::chown((etc_ + "/fstab").c_str(), 4242, 4242), 0);
    ASSERT_EQ(::chmod((etc_ + "/fstab").c_str(), 0666), 0);
    const ProcessRun run = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(
        HasLine(run.out, " * Kestrix/hosts -> " + etc_ +
                             "/hosts (absent : sera recréé avec les droits de Kestrix.droits)"))
        << run.out;
    EXPECT_TRUE(HasLine(
        run.out, HostsLine("restauré ; il n'existait plus et a été recréé avec "
                           "les droits " +
                           FrenchTexts::Mode(c.mode) + " (" + c.owners + ")")))
        << run.out;
    const Status hosts = StatusOf(etc_ + "/hosts");
    EXPECT_EQ(hosts.mode, c.mode) << c.what;
    EXPECT_EQ(hosts.uid, c.uid) << c.what;
    EXPECT_EQ(hosts.gid, c.gid) << c.what;
    EXPECT_EQ(Read(etc_ + "/hosts"), kHosts);
    // A file in place takes the recorded owner and mode too, shown before the question.
    EXPECT_TRUE(HasLine(run.out, "   -> écrit dans " + etc_ + ", droits 0644, " + c.rootOwners +
                                     " (au lieu de droits 0666, propriétaire 4242, groupe 4242)"))
        << run.out;
    const Status fstab = StatusOf(etc_ + "/fstab");
    EXPECT_EQ(fstab.mode, 0644u);
    EXPECT_EQ(fstab.uid, 0u);
    EXPECT_EQ(fstab.gid, 0u);
}

const char kHostsRights[] = "0640\troot\tkestrix-test\t0\t42\t20\tKestrix/hosts";

INSTANTIATE_TEST_SUITE_P(
    Cases, RightsTest,
    ::testing::Values(
        RightsCase{"a group the system does not have: its number", kHostsRights, "", 0644, "", 0640,
                   0, 42, "propriétaire 0, groupe 42", "propriétaire 0, groupe 0"},
        RightsCase{"a group the system has under another number", kHostsRights,
                   "root:x:0:\nkestrix-test:x:77:\n", 0644, "", 0640, 0, 77,
                   "propriétaire 0, groupe kestrix-test (77)",
                   "propriétaire 0, groupe root (0)"},
        RightsCase{"a group file others may write is not read", kHostsRights,
                   "kestrix-test:x:77:\n", 0666, "", 0640, 0, 42, "propriétaire 0, groupe 42",
                   "propriétaire 0, groupe 0"},
        RightsCase{"an owner by name", "0600\tkestrix-user\troot\t5\t0\t20\tKestrix/hosts", "",
                   0644, "root:x:0:0:root:/root:/bin/sh\nkestrix-user:x:1234:1234::/:/bin/sh\n",
                   0600, 1234, 0, "propriétaire kestrix-user (1234), groupe 0",
                   "propriétaire root (0), groupe 0"},
        // The backup medium is no place to take set-ID programs from.
        RightsCase{"no set-ID bits", "6755\troot\troot\t0\t0\t20\tKestrix/hosts", "", 0644, "",
                   0755, 0, 0, "propriétaire 0, groupe 0", "propriétaire 0, groupe 0"}));

// A file in place that holds its copy's bytes but not the recorded mode, owner or group: the
// restore gives them back without writing it, --comparer names the difference. In texts, %e
// stands for the restore root's etc folder.
struct RepairCase {
    const char* what;
    std::string file;  // in etc, with its copy's bytes
    mode_t mode;
    uid_t uid;
    gid_t gid;
    std::string compared;  // --comparer's line on it, after "<path> : "
    std::string restored;  // the restore's
    std::string summary;
    mode_t modeAfter;
    uid_t uidAfter;
    gid_t gidAfter;
    unsigned links = 1;  // names of the file in place
    std::string hostsRights = {};  // the line of Kestrix.droits for hosts, when not 0644 root's
};

void PrintTo(const RepairCase& c, std::ostream* out) {
    *out << c.what;
}

class RepairTest : public AsRootTest, public ::testing::WithParamInterface<RepairCase> {};

TEST_P(RepairTest, RightsAreRepairedInPlace) {
    const RepairCase& c = GetParam();
    // The restored system's names.
    Write(etc_ + "/passwd", "root:x:0:0:root:/root:/bin/sh\nkx:x:1000:1000::/:/bin/sh\n");
    Write(etc_ + "/group", "root:x:0:\nshadow:x:42:\n");
    if (!c.hostsRights.empty()) {
        WriteRights({"0644\troot\troot\t0\t0\t36\tKestrix/fstab", c.hostsRights,
                     "0640\troot\tshadow\t0\t42\t31\tKestrix/shadow"});
    }
    const std::string path = etc_ + "/" + c.file;
    Write(path, Read(save_ + "/Kestrix/" + c.file));
    ASSERT_EQ(::chown(path.c_str(), c.uid, c.gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    if (c.links > 1) {
        ASSERT_EQ(::link(path.c_str(), (base_ + "/other-name").c_str()), 0);
    }
    const ProcessRun compare = RunProgram({"--comparer", "--racine", root_, save_});
    EXPECT_EQ(compare.status, 1) << compare.out << compare.err;
    EXPECT_TRUE(HasLine(compare.out, " * " + path + " : " + c.compared)) << compare.out;

    const ProcessRun run = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(HasLine(run.out, " * " + path + " : " + Replaced(c.restored, "%e", etc_)))
        << run.out;
    EXPECT_EQ(Lines(run.out).back(), c.summary);
    const Status after = StatusOf(path);
    EXPECT_EQ(after.mode, c.modeAfter);
    EXPECT_EQ(after.uid, c.uidAfter);
    EXPECT_EQ(after.gid, c.gidAfter);
    EXPECT_EQ(Read(path), Read(save_ + "/Kestrix/" + c.file));
    if (c.links > 1) {
        const Status other = StatusOf(base_ + "/other-name");
        EXPECT_EQ(other.mode, c.mode) << "another name of the file changed";
        EXPECT_EQ(other.uid, c.uid);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RepairTest,
    ::testing::Values(
        RepairCase{"a mode others may write", "hosts", 0666, 0, 0,
                   "identique à la copie, mais droits 0666, propriétaire root (0), groupe root "
                   "(0) au lieu de 0644, propriétaire root (0), groupe root (0)",
                   "droits rétablis : 0644, propriétaire root (0), groupe root (0) (au lieu de "
                   "0666, propriétaire root (0), groupe root (0))",
                   "2 fichiers écrits, 1 aux droits rétablis, 0 déjà à jour, 0 ignorés", 0644, 0,
                   0},
        RepairCase{"a user's owner and group", "shadow", 0640, 1000, 1000,
                   "identique à la copie, mais droits 0640, propriétaire kx (1000), groupe 1000 "
                   "au lieu de 0640, propriétaire root (0), groupe shadow (42)",
                   "droits rétablis : 0640, propriétaire root (0), groupe shadow (42) (au lieu "
                   "de 0640, propriétaire kx (1000), groupe 1000)",
                   "2 fichiers écrits, 1 aux droits rétablis, 0 déjà à jour, 0 ignorés", 0640, 0,
                   42},
        // Another name would change with it: the file is replaced, its old content kept.
        RepairCase{"a file of two names", "hosts", 0666, 0, 0,
                   "identique à la copie, mais droits 0666, propriétaire root (0), groupe root "
                   "(0) au lieu de 0644, propriétaire root (0), groupe root (0)",
                   "restauré ; l'ancien contenu est gardé dans %e/hosts.avant-restauration",
                   "3 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 0 ignorés", 0644, 0,
                   0, 2},
        // Found, not given back: a program's set-user-ID bit stays while its owner does.
        RepairCase{"a set-ID bit both have", "hosts", 04777, 0, 0,
                   "identique à la copie, mais droits 4777, propriétaire root (0), groupe root "
                   "(0) au lieu de 4755, propriétaire root (0), groupe root (0)",
                   "droits rétablis : 4755, propriétaire root (0), groupe root (0) (au lieu de "
                   "4777, propriétaire root (0), groupe root (0))",
                   "2 fichiers écrits, 1 aux droits rétablis, 0 déjà à jour, 0 ignorés", 04755, 0,
                   0, 1, "4755\troot\troot\t0\t0\t20\tKestrix/hosts"},
        RepairCase{"a set-ID bit of another owner", "hosts", 04755, 1000, 1000,
                   "identique à la copie, mais droits 4755, propriétaire kx (1000), groupe 1000 "
                   "au lieu de 0755, propriétaire root (0), groupe root (0)",
                   "droits rétablis : 0755, propriétaire root (0), groupe root (0) (au lieu de "
                   "4755, propriétaire kx (1000), groupe 1000)",
                   "2 fichiers écrits, 1 aux droits rétablis, 0 déjà à jour, 0 ignorés", 0755, 0,
                   0, 1, "4755\troot\troot\t0\t0\t20\tKestrix/hosts"}));

// Files named after the backup folder: every mode handles them alone. In texts, %s stands
// for the backup folder.
struct AskedCase {
    const char* what;
    const char* mode;
    std::vector<std::string> names;
    int status;
    std::string last;  // the last line of stdout
    std::string err;
    std::vector<std::string> restored;  // of fstab, hosts and shadow
};

void PrintTo(const AskedCase& c, std::ostream* out) {
    *out << c.what;
}

class AskedTest : public AsRootTest, public ::testing::WithParamInterface<AskedCase> {};

TEST_P(AskedTest, OnlyTheNamedFilesAreHandled) {
    const AskedCase& c = GetParam();
    std::vector<std::string> arguments = {c.mode, "--racine", root_, save_};
    arguments.insert(arguments.end(), c.names.begin(), c.names.end());
    const ProcessRun run = RunProgram(arguments);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_EQ(run.err, Replaced(c.err, "%s", save_));
    if (c.err.empty()) {
        EXPECT_EQ(Lines(run.out).back(), c.last) << run.out;
    }
    for (const char* file : {"fstab", "hosts", "shadow"}) {
        const bool restored =
            std::find(c.restored.begin(), c.restored.end(), file) != c.restored.end();
        if (std::string(file) == "fstab") {
            EXPECT_EQ(Read(etc_ + "/fstab"), restored ? kFstab : kOldFstab);
        } else {
            EXPECT_EQ(Exists(etc_ + "/" + file), restored) << file;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AskedTest,
    ::testing::Values(
        AskedCase{"a copy's name and an original path", "--oui", {"hosts", "/etc/shadow"}, 0,
                  "2 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 0 ignorés", "",
                  {"hosts", "shadow"}},
        AskedCase{"a list", "--liste", {"Kestrix/fstab"}, 0, "1 fichiers à restaurer, 0 ignorés",
                  "", {}},
        AskedCase{"a check", "--verifier", {"shadow"}, 0,
                  "1 conformes, 0 abîmées, 0 non vérifiables, 0 ignorées", "", {}},
        AskedCase{"a comparison", "--comparer", {"hosts"}, 1,
                  "0 identiques, 0 différents, 0 aux droits différents, 1 absents, 0 ignorés", "",
                  {}},
        AskedCase{"a name that matches nothing", "--oui", {"hosts", "motd"}, 1, "",
                  "Restore.exe : « motd » ne désigne aucun fichier de la sauvegarde (ni le nom "
                  "d'une copie, ni un chemin d'origine, ni un chemin à restaurer) ; Restore.exe "
                  "--liste %s les montre tous\nRestore.exe : rien n'a été fait\n",
                  {}}));

// Each copy that the catalogue and the manifests do not both hold is named once: the records'
// in catalogue order, then the manifests' in byte order.
TEST_F(VerifiedBackupTest, EveryDisagreementIsNamedOnceInOrder) {
    Write(save_ + "/Kestrix.dat",
          CatalogueBytes({"fstab,/etc", "perdu,/etc", "hosts,/etc", "p,/etc", "perdu,/boot",
                          "shadow,/etc", "sans virgule", "p,/old", "\xE9t\xE9,/etc"}));
    const std::string hash(32, '0');
    Write(save_ + "/Kestrix.xxh128", Read(save_ + "/Kestrix.xxh128") + hash + "  Kestrix/zz\n" +
                                         hash + "  Kestrix/b\n" + hash + "  Kestrix/perdu\n");
    WriteRights(
        {"0644\troot\troot\t0\t0\t36\tKestrix/fstab", "0644\troot\troot\t0\t0\t20\tKestrix/hosts",
         "0644\troot\troot\t0\t0\t1\tKestrix/b", "0640\troot\tshadow\t0\t42\t31\tKestrix/shadow"});
    const ProcessRun run = RunProgram({"--verifier", save_});
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string inCatalogue = " figure dans le catalogue mais pas dans Kestrix.";
    const std::string inManifests =
        " figure dans les fichiers de contrôle mais dans aucun enregistrement du catalogue";
    const std::vector<std::string> expected = {
        " <!> Kestrix/perdu" + inCatalogue + "droits",
        " <!> Kestrix/p" + inCatalogue + "xxh128",
        " <!> Kestrix/p" + inCatalogue + "droits",
        " <!> Kestrix/\xE9t\xE9" + inCatalogue + "xxh128",
        " <!> Kestrix/\xE9t\xE9" + inCatalogue + "droits",
        " <!> Kestrix/b" + inManifests,
        " <!> Kestrix/zz" + inManifests,
        " <!> Le catalogue a 8 enregistrements, mais Kestrix.xxh128 a 6 lignes",
        " <!> Le catalogue a 8 enregistrements, mais Kestrix.droits a 4 lignes",
        " <!> Le catalogue et les fichiers de contrôle ne s'accordent pas : la sauvegarde n'est "
        "pas entière.",
        ""};
    const std::vector<std::string> lines = Lines(run.out);
    const auto first = std::find(lines.begin(), lines.end(), expected.front());
    ASSERT_LE(expected.size(), static_cast<std::size_t>(lines.end() - first)) << run.out;
    EXPECT_EQ(std::vector<std::string>(first, first + expected.size()), expected);
}

TEST_F(VerifiedBackupTest, WithoutManifestACopyIsRestoredAsItIs) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a copy another owner needs root";
    }
    ASSERT_EQ(::unlink((save_ + "/Kestrix.xxh128").c_str()), 0);
    ASSERT_EQ(::unlink((save_ + "/Kestrix.droits").c_str()), 0);
    const std::string copy = save_ + "/Kestrix/hosts";
    ASSERT_EQ(::chown(copy.c_str(), 1000, 1000), 0);
    ASSERT_EQ(::chmod(copy.c_str(), 0755), 0);
    const SudoCaller stickOwner(1000);
    const std::string noManifest =
        "Cette sauvegarde n'a pas de fichier de contrôle (Kestrix.xxh128) : ses copies ne "
        "peuvent pas être vérifiées.";

    const ProcessRun verify = RunProgram({"--verifier", "--racine", root_, save_});
    EXPECT_EQ(verify.status, 1);
    EXPECT_TRUE(HasLine(verify.out, noManifest)) << verify.out;
    EXPECT_EQ(Lines(verify.out).back(), "Aucune copie n'a été vérifiée.");

    const ProcessRun run = RunProgram({"--oui", "--racine", root_, save_});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(HasLine(run.out, noManifest)) << run.out;
    EXPECT_TRUE(HasLine(run.out, HostsLine("restauré ; il n'existait plus et a été recréé avec "
                                           "les droits 0755 (propriétaire 1000, groupe 1000)")))
        << run.out;
    EXPECT_EQ(Lines(run.out).back(), "3 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 0 ignorés");
    const Status hosts = StatusOf(etc_ + "/hosts");
    EXPECT_EQ(hosts.mode, 0755u);
    EXPECT_EQ(hosts.uid, 1000u);
    EXPECT_EQ(hosts.gid, 1000u);
    EXPECT_EQ(Read(etc_ + "/fstab"), kFstab);
}

TEST_F(VerifiedBackupTest, ATruncatedCopyIsRefusedBeforeAnyCopyIsHashed) {
    // The truncated copy last, so that the others would be hashed first if sizes came later.
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"hosts,/etc", "shadow,/etc", "fstab,/etc"}));
    ASSERT_EQ(::truncate((save_ + "/Kestrix/fstab").c_str(), 5), 0);
    Opened backup(save_);
    RestorePlan plan(backup.catalogue, backup.folder, root_);
    ASSERT_EQ(plan.Copies().size(), 3u);
    const PlanItem& fstab = plan.Copies()[2];
    std::vector<PlanItem::Check> fstabAtEachHash;
    const CopyVerifier verifier(backup.manifest, backup.folder, false, [&](const FileDescriptor& copy) {
        fstabAtEachHash.push_back(fstab.check);
        return CopyVerifier::HashOf(copy);
    });
    verifier.Check(plan.Copies(), [](const PlanItem&) { return true; });
    EXPECT_EQ(fstabAtEachHash, std::vector<PlanItem::Check>(2, PlanItem::Check::SizeDiffers));
    EXPECT_EQ(fstab.check, PlanItem::Check::SizeDiffers);
    EXPECT_EQ(fstab.expected, "36");
    EXPECT_EQ(fstab.found, "5");
    EXPECT_EQ(plan.Copies()[0].check, PlanItem::Check::Match);
    EXPECT_EQ(plan.Copies()[1].check, PlanItem::Check::Match);
}

TEST_F(VerifiedBackupTest, ACheckOpensEachCopyOnceAndNoTarget) {
    if (std::system("strace -V > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "following the program's calls needs strace";
    }
    const ProcessRun run = RunInFolder(
        base_, Traced("-f -qq -y -o calls -e trace=%file,%desc '") +
                   KESTRIX_RESTORE_PROGRAM + "' --verifier --racine '" + root_ + "' '" + save_ +
                   "'");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const std::vector<std::string> calls = Lines(Read(base_ + "/calls"));
    for (const std::string& call : calls) {
        EXPECT_EQ(call.find(etc_), std::string::npos) << call;
    }
    for (const char* copy : {"fstab", "hosts", "shadow"}) {
        const std::string open = "openat(";
        const std::string named = save_ + "/Kestrix>, \"" + copy + "\"";
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [&](const std::string& call) {
                                    return call.find(open) != std::string::npos &&
                                           call.find(named) != std::string::npos;
                                }),
                  1)
            << copy;
    }
}

TEST_F(VerifiedBackupTest, ACopyChangedDuringTheQuestionIsNotInstalled) {
    const std::string fstabHash = HashOf("fstab");
    const std::string hostsHash = HashOf("hosts");
    // Same sizes: only the hash of the bytes written can tell.
    AnswerAfter answer([this] {
        Write(save_ + "/Kestrix/fstab", "UUID=6 / ext4 errors=remount-ro 0 1\n");
        Write(save_ + "/Kestrix/hosts", "127.0.0.6 localhost\n");
    });
    std::istream in(&answer);
    std::ostringstream out;
    std::ostringstream err;
    RestoreProgram program(in, out, err);
    EXPECT_EQ(program.Run(CommandLine::Parse({"--racine", root_, save_}), {}),
              RestoreProgram::kIncomplete);
    const std::string changed =
        " : NON restauré, la copie a changé depuis sa vérification "
        "(empreinte XXH128 attendue ";
    const std::vector<std::string> lines = Lines(out.str());
    const std::vector<std::string> expected = {
        " * " + etc_ + "/fstab" + changed + fstabHash + ", trouvée " + HashOf("fstab") + ")",
        " * " + etc_ + "/hosts" + changed + hostsHash + ", trouvée " + HashOf("hosts") + ")"};
    ASSERT_GE(lines.size(), 6u) << out.str();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end() - 3), expected);
    EXPECT_EQ(lines.back(), "1 fichiers écrits, 0 aux droits rétablis, 0 déjà à jour, 2 ignorés");
    EXPECT_EQ(Read(etc_ + "/fstab"), kOldFstab);
    EXPECT_EQ(Read(etc_ + "/shadow"), kShadow);
    // No temporary file and no kept content are left behind.
    EXPECT_EQ(Names(etc_), (std::vector<std::string>{"fstab", "shadow"}));
}

}  // namespace
