// A run cut short at any instant leaves the previous backup whole or the new one whole. Each row
// stops a run in a child process right after one of its steps on disk (every creation, write,
// flush, rename and removal in turn), abandoned as a crash leaves it: no destructor, no clean-up.
// The real restore program then judges what the folder holds, as a user would.
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "Mounts.h"
#include "RestoreFiles.h"
#include "shared/CommitIntent.h"
#include "shared/DurableSteps.h"

namespace {

using DurableSteps::Kind;

constexpr std::array<Kind, 7> kKinds = {Kind::Create,         Kind::Write,  Kind::Flush,
                                        Kind::Rename,         Kind::Unlink, Kind::MakeDirectory,
                                        Kind::RemoveDirectory};
const char* const kKindNames[] = {"création",
                                  "écriture",
                                  "vidage",
                                  "renommage",
                                  "suppression",
                                  "création de dossier",
                                  "suppression de dossier"};

constexpr int kStopped = 42;
constexpr int kFinished = 43;

enum class Found { Previous, New, Other };

const char* Name(Found found) {
    return found == Found::Previous ? "précédente" : found == Found::New ? "nouvelle" : "AUTRE";
}

class CrashPointTest : public BackupFixture {
protected:
    CrashPointTest() {
        // The previous backup: a, b and c, with the one before it kept as an earlier backup;
        // the new one: a and b changed, c left out, d added, and the previous one kept instead.
        // .kestrix-e, a source with a name like Kestrix's own, is in all three, unchanged. A file
        // that Kestrix did not write stands among the copies.
        FixFreeSpace(1 << 30);
        QFile ini(folder.file(QStringLiteral("Data/Kestrix.ini")));
        EXPECT_TRUE(ini.open(QIODevice::Append));
        ini.write("\r\n[Historique]\r\nGarder=1\r\n");
        ini.close();
        older_ = {{"a", "a0\n"}, {"b", "b0\n"}, {".kestrix-e", "e\n"}};
        previous_ = {{"a", "a1\n"}, {"b", "b1\n"}, {"c", "c1\n"}, {".kestrix-e", "e\n"}};
        next_ = {{"a", "a2-\n"}, {"b", "b2-\n"}, {"d", "d2-\n"}, {".kestrix-e", "e\n"}};
        writeBytes(CopyPath(kForeign), "notes\n");
        RunWith(older_);
        RunWith(previous_);
        EXPECT_TRUE(reporter.Report().Lines().contains(kNoError));
        saved_ = folder.file(QStringLiteral("Save.previous"));
        Shell("cp -a '" + dest + "' '" + saved_ + "'");
        Sources(next_);
    }

    void Sources(const std::map<std::string, std::string>& files) {
        QStringList paths;
        for (const auto& [name, bytes] : files) {
            paths << Source(QString::fromStdString(name), QByteArray::fromStdString(bytes));
        }
        Tick(paths);
    }

    void RunWith(const std::map<std::string, std::string>& files) {
        Sources(files);
        engine.RunBackup(job);
    }

    void Shell(const QString& command) {
        ASSERT_EQ(RestoreFiles::RunProgram({"-c", command.toStdString()}, {}, "/bin/sh").status, 0)
            << command.toStdString();
    }

    // The previous backup, as it stood before the run.
    void ResetDestination() {
        Shell("rm -rf '" + dest + "' && cp -a '" + saved_ + "' '" + dest + "'");
    }

    // Runs the backup in a child that stops right after the `ordinal`-th step of `kind`; true
    // when it stopped there, false when the run ended before.
    bool RunStoppedAt(Kind kind, int ordinal) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            int seen = 0;
            DurableSteps::Observe([&](Kind done) {
                if (done == kind && ++seen == ordinal) {
                    ::_exit(kStopped);
                }
            });
            engine.RunBackup(job);
            ::_exit(kFinished);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        return WIFEXITED(status) && WEXITSTATUS(status) == kStopped;
    }

    // What the restore program finds in the backup folder `save`: both its check and a restore
    // into an empty root must succeed; the files restored, or none when either fails.
    std::optional<std::map<std::string, std::string>> Restored(const std::string& save,
                                                               std::string& detail) {
        const RestoreFiles::ProcessRun verify = RestoreFiles::RunProgram({"--verifier", save});
        const std::string root = folder.file(QStringLiteral("racine")).toStdString();
        Shell("rm -rf '" + QString::fromStdString(root) + "'");
        const std::string sources = root + folder.file(QStringLiteral("src")).toStdString();
        RestoreFiles::MakeDirectories(sources);
        const RestoreFiles::ProcessRun restore =
            RestoreFiles::RunProgram({"--oui", "--racine", root, save});
        std::map<std::string, std::string> restored;
        for (const std::string& name : RestoreFiles::Names(sources)) {
            restored[name] = RestoreFiles::Read(sources + "/" + name);
        }
        detail += save + " : vérification " + std::to_string(verify.status) + ", restauration " +
                  std::to_string(restore.status) + "\n" + verify.out + verify.err + restore.out +
                  restore.err;
        if (verify.status != 0 || restore.status != 0) {
            return std::nullopt;
        }
        return restored;
    }

    // The set of backups in the folder, each judged by the restore program: the previous one
    // with the one before it as its earlier backup, or the new one with the previous one.
    Found Judge(std::string& detail) {
        const auto current = Restored(dest.toStdString(), detail);
        if (!current || readBytes(CopyPath(kForeign)) != QByteArray("notes\n")) {
            return Found::Other;
        }
        // On a read-only medium an unfinished switch stays so: the backup it keeps as an earlier
        // one is still staged, and the one it drops still stands.
        QString earlier = dest + QStringLiteral("/.kestrix-nouvelle/historique");
        if (!QFileInfo::exists(dest + QStringLiteral("/.kestrix-validation"))) {
            const QString all = dest + QStringLiteral("/Kestrix.historique");
            const QStringList names =
                QDir(all).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            if (names.size() != 1) {
                detail += "earlier backups: " + names.join(QLatin1Char(' ')).toStdString();
                return Found::Other;
            }
            earlier = all + QLatin1Char('/') + names.front();
        }
        const auto kept = Restored(earlier.toStdString(), detail);
        return *current == previous_ && kept == older_  ? Found::Previous
               : *current == next_ && kept == previous_ ? Found::New
                                                        : Found::Other;
    }

    // Names of Kestrix's temporary files and folders left in the backup folder: its staging
    // folder and intent in D, and names among the copies that neither backup holds.
    QStringList Leftovers() const {
        QStringList found = QDir(dest).entryList({QStringLiteral(".kestrix-*")},
                                                 QDir::AllEntries | QDir::Hidden | QDir::System);
        for (const QString& name : QDir(CopyPath(QString()))
                                       .entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                  QDir::NoDotAndDotDot)) {
            const std::string copy = name.toStdString();
            if (name != kForeign && previous_.count(copy) == 0 && next_.count(copy) == 0) {
                found << name;
            }
        }
        return found;
    }

    const QString kForeign = QStringLiteral("notes.txt");

    std::map<std::string, std::string> older_;
    std::map<std::string, std::string> previous_;
    std::map<std::string, std::string> next_;
    QString saved_;
};

TEST_F(CrashPointTest, EveryStepLeavesThePreviousOrTheNewBackupWhole) {
    std::map<Found, int> counts;
    for (std::size_t k = 0; k < kKinds.size(); ++k) {
        for (int ordinal = 1;; ++ordinal) {
            ResetDestination();
            if (!RunStoppedAt(kKinds[k], ordinal)) {
                break;
            }
            std::string detail;
            const Found found = Judge(detail);
            ++counts[found];
            std::printf("arrêt après %s %d : sauvegarde %s\n", kKindNames[k], ordinal, Name(found));
            EXPECT_NE(found, Found::Other)
                << "after " << kKindNames[k] << " " << ordinal << ": " << detail;
            EXPECT_EQ(Leftovers(), QStringList()) << kKindNames[k] << " " << ordinal;
        }
    }
    std::printf("%d arrêts : %d précédente, %d nouvelle, %d autre\n",
                counts[Found::Previous] + counts[Found::New] + counts[Found::Other],
                counts[Found::Previous], counts[Found::New], counts[Found::Other]);
    // Both sides of the commit were reached.
    EXPECT_GT(counts[Found::Previous], 10);
    EXPECT_GT(counts[Found::New], 10);
}

// A first backup stopped at any step: the folder holds no backup, or the new one whole (its
// copies' folder moves in at once).
TEST_F(CrashPointTest, EveryStepOfAFirstBackupLeavesNoBackupOrTheNewOne) {
    const QString fresh = folder.file(QStringLiteral("Fresh"));
    job.destination = fresh;
    int none = 0;
    int whole = 0;
    for (const Kind kind : kKinds) {
        for (int ordinal = 1;; ++ordinal) {
            Shell("rm -rf '" + fresh + "' && mkdir -p '" + fresh + "/Kestrix'");
            if (!RunStoppedAt(kind, ordinal)) {
                break;
            }
            std::string detail;
            if (!QFileInfo::exists(fresh + QStringLiteral("/Kestrix.dat")) &&
                !QFileInfo::exists(fresh + QStringLiteral("/.kestrix-validation")) &&
                QDir(fresh + QStringLiteral("/Kestrix"))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
                ++none;
                continue;
            }
            EXPECT_EQ(Restored(fresh.toStdString(), detail), next_)
                << static_cast<int>(kind) << " " << ordinal << ": " << detail;
            ++whole;
        }
    }
    EXPECT_GT(none, 10);
    EXPECT_GT(whole, 5);
}

// A run stopped right after its commit leaves the intent file; whoever opens the folder next
// finishes the switch before anything else; from a read-only medium, the restore reads the
// backup as the finished switch will have it.
enum class Finisher { NextRun, RestoreProgram, ReadOnlyMedium };

std::string FinisherName(const ::testing::TestParamInfo<Finisher>& info) {
    static const char* const kNames[] = {"NextRun", "RestoreProgram", "ReadOnlyMedium"};
    return kNames[static_cast<int>(info.param)];
}

class UnfinishedCommitTest : public CrashPointTest,
                             public ::testing::WithParamInterface<Finisher> {};

TEST_P(UnfinishedCommitTest, IsFinishedByWhoeverComesNext) {
    ResetDestination();
    // The commit is the rename that puts the intent in place: the last rename before the copies
    // move, found as the first one after which the intent stands.
    const std::string intent = (dest + "/" + CommitIntent::kFileName).toStdString();
    int ordinal = 1;
    for (;; ++ordinal) {
        ResetDestination();
        ASSERT_TRUE(RunStoppedAt(Kind::Rename, ordinal));
        if (RestoreFiles::Exists(intent)) {
            break;
        }
    }
    if (GetParam() == Finisher::ReadOnlyMedium) {
        const std::string why = Mounts::EnterPrivateNamespace();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
        const Mounts::Mount medium = Mounts::Mount::Bind(dest);
        ASSERT_TRUE(medium.ok() && medium.MakeReadOnly(true));
        std::string detail;
        EXPECT_EQ(Judge(detail), Found::New) << detail;
        EXPECT_TRUE(RestoreFiles::Exists(intent)) << "nothing is written on a read-only medium";
        return;
    }
    if (GetParam() == Finisher::NextRun) {
        // The next run finishes the switch before anything else, then commits its own backup
        // (a, gone from the sources, carried over) and keeps the finished one as its earlier
        // backup.
        QFile::remove(folder.file(QStringLiteral("src/a")));
        engine.RunBackup(job);
        EXPECT_FALSE(RestoreFiles::Exists(intent));
        EXPECT_EQ(Leftovers(), QStringList());
        const QString all = dest + QStringLiteral("/Kestrix.historique");
        const QStringList earlier = QDir(all).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        ASSERT_EQ(earlier.size(), 1);
        std::string detail;
        EXPECT_EQ(Restored(dest.toStdString(), detail), next_) << detail;
        EXPECT_EQ(Restored((all + QLatin1Char('/') + earlier.front()).toStdString(), detail), next_)
            << detail;
        return;
    }
    const RestoreFiles::ProcessRun run = RestoreFiles::RunProgram({"--liste", dest.toStdString()});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(RestoreFiles::Exists(intent)) << "--liste changes nothing";
    std::string detail;
    EXPECT_EQ(Judge(detail), Found::New) << detail;
    EXPECT_FALSE(RestoreFiles::Exists(intent));
}

INSTANTIATE_TEST_SUITE_P(Finishers, UnfinishedCommitTest,
                         ::testing::Values(Finisher::NextRun, Finisher::RestoreProgram,
                                           Finisher::ReadOnlyMedium),
                         FinisherName);

}  // namespace
