#pragma once

#include <iosfwd>
#include <map>
#include <string>

#include "disks/DiskRecord.h"
#include "disks/RecordReader.h"
#include "disks/SystemRoots.h"

// Restore.exe --disques: compares the record of a backup with the machine it runs on, read-only,
// and prints, with this machine's device names, the commands that put back each missing piece.
// Each recorded disk is found by its identity (WWN, serial number, by-id name, the table's
// identifier; by its size only when nothing else matches, which it then says), its table sectors
// read and compared with the recorded ones; file systems are found by UUID, RAID arrays by their
// UUID, LVM volume groups by their physical volumes, EFI entries by their bytes.
class DiskCheck {
public:
    enum ExitStatus { kMatches = 0, kDiffers = 1, kUntrusted = 2 };

    DiskCheck(std::ostream& out, std::ostream& err, SystemRoots roots)
        : out_(out), err_(err), roots_(std::move(roots)) {}

    // The record of the backup in `folder`.
    int Run(const std::string& folder, const RecordReader::Trust& trust);

    // For --verifier: one line for each file of the record against its manifest; false when
    // the record is not whole. A backup without a record passes.
    static bool VerifyRecord(std::ostream& out, const std::string& folder,
                             const RecordReader::Trust& trust);

    // Reads and checks the record of the backup in `folder` and its files, by name; false after
    // a line on `err` saying why it cannot be used.
    static bool Load(std::ostream& err, const std::string& folder,
                     const RecordReader::Trust& trust, DiskRecord& record,
                     std::map<std::string, std::string>& files);

    // The record and its files already read, from the backup in `folder`.
    int Compare(const DiskRecord& record, const std::string& folder);

private:
    std::ostream& out_;
    std::ostream& err_;
    SystemRoots roots_;
    std::map<std::string, std::string> sectors_;  // the record's files, by name
};
