// Restore.exe --amorcage for real: a restored root on a loop disk, recorded as the backup
// records it, whose grub-install is a script; each row stages a rescue day and checks the exit
// status, the lines printed and that the mounts are exactly as before.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Mounts.h"
#include "ShellOutput.h"
#include "disks/StagedRecord.h"

namespace {

// The run as a rescuer types it; out and status land in $W.
const char kRun[] = "$PROG --amorcage --racine $ROOT --oui $W/D >$W/out 2>&1; echo $? >$W/status";

struct Row {
    const char* what;
    const char* grubInstall;  // the script's body, after #!/bin/sh
    const char* prepare;      // shell, before the run
    const char* run;
    int status;
    std::vector<std::string> lines;  // each printed, in this order ($ROOT and $DISK expanded)
    bool loaderRan;                  // whether the root's grub-install was started
    const char* needs = nullptr;     // a file of this machine the row needs, else it skips
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

std::string Expand(std::string line, const std::string& root, const std::string& disk) {
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"$ROOT", root},
                                      std::pair<std::string, std::string>{"$DISK", disk}}) {
        for (std::size_t at = line.find(name); at != std::string::npos; at = line.find(name)) {
            line.replace(at, name.size(), value);
        }
    }
    return line;
}

class StagedBoot : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        if (::geteuid() != 0 || std::system("command -v sfdisk mkfs.ext4 findmnt >/dev/null")) {
            GTEST_SKIP() << "needs root, sfdisk, mkfs.ext4 and findmnt for a loop disk";
        }
        const std::string why = Mounts::EnterPrivateNamespace();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
        char pattern[] = "/tmp/kestrix-amorcage-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work_ = pattern;
        root_ = work_ + "/mnt";
        Run(
            Shell("truncate -s 64M $W/disque.img && printf \"label: dos\\ntype=83\\n\" | "
                  "sfdisk -q $W/disque.img && mkdir $ROOT $W/D"));
        disk_ = Output("losetup -f --show " + work_ + "/disque.img");
        ASSERT_EQ(disk_.compare(0, 9, "/dev/loop"), 0) << "no loop device: " << disk_;
        std::system(("partx -a " + disk_ + " 2>/dev/null").c_str());
        // A root with a shell for the tools' scripts, as small as a restored system can be.
        Run(
            Shell("mkfs.ext4 -q ${DISK}p1 && mount ${DISK}p1 $ROOT && cd $ROOT && "
                  "mkdir -p usr/sbin bin lib64 lib/x86_64-linux-gnu && cp /bin/dash bin/sh && "
                  "cp /lib/x86_64-linux-gnu/libc.so.6 lib/x86_64-linux-gnu/ && "
                  "cp /lib64/ld-linux-x86-64.so.2 lib64/"));
        const FileDescriptor folder(::open((work_ + "/D").c_str(), O_RDONLY | O_DIRECTORY));
        std::string problem;
        StagedRecord::Write(folder, problem);
        ASSERT_EQ(Output("test -f " + work_ + "/D/Disques/Enregistrement.txt && echo yes"), "yes")
            << problem;
    }

    void TearDown() override {
        if (!root_.empty()) {
            std::system(("umount -R " + root_ + " 2>/dev/null").c_str());
        }
        if (!disk_.empty()) {
            // Partitions that partx added outlive the loop device: the next test to take it
            // would find them.
            std::system(("partx -d " + disk_ + " 2>/dev/null; losetup -d " + disk_).c_str());
        }
        if (!work_.empty()) {
            std::system(("rm -rf " + work_).c_str());
        }
    }

    static void Run(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::string Shell(const std::string& snippet) const {
        return "W=" + work_ + " ROOT=" + root_ + " DISK=" + disk_ +
               " PROG=" KESTRIX_RESTORE_PROGRAM " sh -c '" + snippet + "'";
    }

    std::string work_;
    std::string root_;
    std::string disk_;
};

TEST_P(StagedBoot, SaysWhatRanAndLeavesTheMountsAsTheyWere) {
    const Row& row = GetParam();
    if (row.needs != nullptr && ::access(row.needs, F_OK) != 0) {
        GTEST_SKIP() << "needs " << row.needs << " (Debian's grub-pc-bin)";
    }
    Write(root_ + "/usr/sbin/grub-install",
          std::string("#!/bin/sh\necho \"$@\" >/grub-install.ran\n") + row.grubInstall + "\n");
    Run("chmod 755 " + root_ + "/usr/sbin/grub-install");
    Run(Shell(row.prepare));
    const std::string before = Output("findmnt -rn -o TARGET,SOURCE,FSTYPE");
    Run(Shell(row.run));
    const std::string out = Output("cat " + work_ + "/out");
    EXPECT_EQ(Output("cat " + work_ + "/status"), std::to_string(row.status)) << out;
    std::size_t at = 0;
    for (const std::string& line : row.lines) {
        const std::string expected = Expand(line, root_, disk_);
        const std::size_t found = out.find(expected, at);
        EXPECT_NE(found, std::string::npos) << "expected, in order: " << expected << "\n" << out;
        at = found == std::string::npos ? at : found;
    }
    EXPECT_EQ(Output("findmnt -rn -o TARGET,SOURCE,FSTYPE"), before) << out;
    EXPECT_EQ(Output("test -f " + root_ + "/grub-install.ran && echo yes") == "yes", row.loaderRan)
        << out;
    // Nothing the repair started is left running in the root.
    EXPECT_EQ(Output("fuser -m " + root_ + " 2>/dev/null"), "") << out;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StagedBoot,
    ::testing::Values(
        Row{"grub-install fails on the wrong target",
            "echo \"grub-install: error: cannot find a GRUB drive for $2.\" >&2; exit 1",
            "true",
            kRun,
            1,
            {"Disque cible : $DISK, par l'identifiant de sa table",
             "$ chroot $ROOT /usr/sbin/grub-install --target=i386-pc $DISK\n"
             "grub-install: error: cannot find a GRUB drive for $DISK.\n"
             " <!> grub-install a échoué (code 1)",
             " * démonté : $ROOT/sys", " * démonté : $ROOT/proc", " * démonté : $ROOT/dev",
             "Démarrage NON réparé : le chargeur de démarrage n'a pas été installé"},
            true},
        Row{"grub-install succeeds: its own /proc inside the root",
            "test -r /proc/self/status || exit 3",
            "true",
            kRun,
            0,
            {"$ chroot $ROOT /usr/sbin/grub-install --target=i386-pc $DISK\n"
             " -> grub-install a réussi",
             "Démarrage réparé : le chargeur est installé et chaque étape a réussi."},
            true},
        Row{"a root without grub-install: the rescue system's, writing into the root's /boot",
            "exit 0",
            "rm $ROOT/usr/sbin/grub-install",
            "$PROG --amorcage --racine $ROOT --oui $W/D >$W/out 2>&1; echo $? >$W/status; "
            "dd if=$DISK bs=440 count=1 2>/dev/null | grep -aq GRUB && echo MBR-GRUB >>$W/out; "
            "test -f $ROOT/boot/grub/i386-pc/core.img && echo CORE-IMG >>$W/out",
            0,
            {"$ /usr/sbin/grub-install --boot-directory=$ROOT/boot --target=i386-pc $DISK\n",
             " -> grub-install a réussi", "Démarrage réparé", "MBR-GRUB", "CORE-IMG"},
            false,
            "/usr/lib/grub/i386-pc/boot.img"},
        Row{"a link where /proc should be: nothing is mounted through it, nothing runs",
            "exit 0",
            "mkdir -p $W/ailleurs && ln -s $W/ailleurs $ROOT/proc",
            kRun,
            1,
            {" * mount --bind /dev $ROOT/dev",
             " <!> $ROOT/proc est un lien ou n'est pas un dossier : rien n'y est monté",
             " <!> Un montage manque : aucune commande n'est lancée", " * démonté : $ROOT/dev",
             "Démarrage NON réparé"},
            false},
        Row{"a stop signal while grub-install runs: it is stopped, the mounts are undone",
            ": >/started; sleep 30",
            "cp /bin/sleep $ROOT/bin/",
            "$PROG --amorcage --racine $ROOT --oui $W/D >$W/out 2>&1 & p=$!; n=0; "
            "while [ ! -e $ROOT/started ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done; "
            "kill -TERM $p; wait $p; echo $? >$W/status",
            1,
            {" <!> grub-install a été arrêté par le signal 15",
             " <!> Interrompu (signal 15) : les étapes suivantes ne sont pas faites",
             " * démonté : $ROOT/dev", "Démarrage NON réparé"},
            true},
        Row{"a no to the question: nothing mounted, nothing run",
            "exit 0",
            "true",
            "echo n | $PROG --amorcage --racine $ROOT $W/D >$W/out 2>&1; echo $? >$W/status",
            2,
            {" * monter /dev sur $ROOT/dev", "Réparer le démarrage ainsi ? (o/N) ",
             "Réparation annulée : rien n'a été monté ni lancé."},
            false}));

}  // namespace
