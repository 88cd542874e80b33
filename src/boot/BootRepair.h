#pragma once

#include <iosfwd>
#include <string>

#include "boot/BootPlan.h"
#include "disks/DiskRecord.h"
#include "disks/RecordReader.h"
#include "disks/SystemRoots.h"

// Restore.exe --amorcage: makes the system restored under a root start again, with its own
// tools. Reads the record of the backup, plans from it and from what the machine shows, shows
// the plan and asks, then mounts what the tools need, runs them one by one and undoes the mounts
// whatever happened. Never partitions, formats or writes a partition table.
class BootRepair {
public:
    // 0: the boot loader was installed and every step that could run succeeded; 1: something
    // failed or was interrupted; 2: nothing was done (refused, unreadable record, answered no).
    enum ExitStatus { kRepaired = 0, kFailed = 1, kNothingDone = 2 };

    BootRepair(std::istream& in, std::ostream& out, std::ostream& err, SystemRoots roots = {})
        : in_(in), out_(out), err_(err), roots_(std::move(roots)) {}

    // The record of the backup in `folder`, the system under `root` (links resolved), the
    // target disk given with --disque or empty.
    int Run(const std::string& folder, const std::string& root, const std::string& disk, bool yes,
            const RecordReader::Trust& trust);

    // Carries out `plan` for the system under `root`, without asking.
    int Carry(const DiskRecord& record, const BootPlan& plan, const std::string& root);

private:
    void Show(const DiskRecord& record, const BootFacts& facts, const BootPlan& plan);
    // The command as a shell would take it, "chroot /mnt" first when it runs inside the root.
    static std::string Shown(const BootCommand& command, const std::string& root);
    // Runs one step; false when it failed. `loaderDone` says whether the loader is in place.
    bool RunStep(const DiskRecord& record, const BootStep& step, const std::string& root,
                 bool loaderDone);

    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    SystemRoots roots_;
};
