#include "StagedMounts.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <vector>

#include "platform/SystemError.h"

namespace StagedMounts {

namespace {

std::vector<QByteArray>& Mounts() {
    static std::vector<QByteArray> mounts;
    return mounts;
}

}  // namespace

bool Enter(QString& why) {
    if (::geteuid() != 0) {
        why = QStringLiteral("mounting a tmpfs needs root");
        return false;
    }
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        why = QStringLiteral("no private mount namespace here: ") + SystemErrorMessage(errno);
        return false;
    }
    return true;
}

void MountTmpfs(const QString& where, const char* options) {
    Mounts().push_back(QFile::encodeName(where));
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0, options), 0)
        << SystemErrorMessage(errno).toStdString();
}

void RemountReadOnly(const QString& where) {
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(where).constData(), nullptr,
                      MS_REMOUNT | MS_RDONLY, nullptr),
              0)
        << SystemErrorMessage(errno).toStdString();
}

void UnmountAll() {
    while (!Mounts().empty()) {
        ::umount2(Mounts().back().constData(), MNT_DETACH);
        Mounts().pop_back();
    }
}

}  // namespace StagedMounts
