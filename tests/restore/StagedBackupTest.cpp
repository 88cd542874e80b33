#include "StagedBackupTest.h"

#include "restore/Paths.h"

using namespace RestoreFiles;

StagedBackupTest::StagedBackupTest() {
    Paths::Real(temp_.path().toStdString(), base_);
    save_ = base_ + "/save";
    root_ = base_ + "/mnt";
    etc_ = root_ + "/etc";
    MakeDirectories(save_ + "/Kestrix");
    MakeDirectories(etc_);
    Write(save_ + "/Kestrix.dat", CatalogueBytes({"fstab,/etc", "hosts,/etc"}));
    Write(save_ + "/Kestrix/fstab", kFstab);
    Write(save_ + "/Kestrix/hosts", kHosts);
    Write(etc_ + "/fstab", kOldFstab);
}

std::string StagedBackupTest::HostsLine(const std::string& end) const {
    return " * " + etc_ + "/hosts : " + end;
}

ProcessRun StagedBackupTest::InBackup(const std::string& command) const {
    return RunInFolder(save_, command);
}
