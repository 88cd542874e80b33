#pragma once

#include <gtest/gtest.h>

#include <string>

#include <QTemporaryDir>

#include "RestoreFiles.h"

// A backup in "save" of /etc/fstab and /etc/hosts, to be restored under the root "mnt", whose
// /etc holds an old fstab and no hosts. Every path is a real one, as the restore program prints it.
class StagedBackupTest : public ::testing::Test {
protected:
    inline static const std::string kFstab = "UUID=1 / ext4 errors=remount-ro 0 1\n";
    inline static const std::string kHosts = "127.0.0.1 localhost\n";
    inline static const std::string kOldFstab = "endommagé\n";

    StagedBackupTest();

    // The restore program's line on /etc/hosts, from its end.
    std::string HostsLine(const std::string& end) const;
    // A shell command run in the backup folder, as a user would.
    RestoreFiles::ProcessRun InBackup(const std::string& command) const;

    QTemporaryDir temp_;
    std::string base_;
    std::string save_;
    std::string root_;
    std::string etc_;
};
