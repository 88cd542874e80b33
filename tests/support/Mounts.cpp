#include "Mounts.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFile>
#include <vector>

namespace Mounts {

std::string EnterPrivateNamespace() {
    if (::unshare(CLONE_NEWNS) != 0) {
        return std::string("no mount namespace (needs root or CAP_SYS_ADMIN): ") +
               std::strerror(errno);
    }
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("cannot make mounts private: ") + std::strerror(errno);
    }
    return {};
}

Mount Mount::Tmpfs(const QString& path, qint64 bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("kestrix-test", target.constData(), "tmpfs", 0, options.constData()) != 0) {
        return Mount(QByteArray());
    }
    return Mount(target);
}

Mount Mount::Bind(const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    if (::mount(target.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0) {
        return Mount(QByteArray());
    }
    return Mount(target);
}

namespace {

// A mount namespace of the process's own and the mount point `path`; empty when both are there.
std::string PrepareMountPoint(const QString& path) {
    std::string why = EnterPrivateNamespace();
    if (why.empty() && !QDir().mkpath(path)) {
        why = "cannot make the mount point";
    }
    return why;
}

}  // namespace

Mount Mount::Ext4(const QString& image, const QString& path, qint64 bytes, std::string& why) {
    why = PrepareMountPoint(path);
    if (!why.empty()) {
        return Mount(QByteArray());
    }
    const std::string file = QFile::encodeName(image).toStdString();
    const std::string make = "truncate -s " + std::to_string(bytes) + " '" + file +
                             "' && mkfs.ext4 -q -F '" + file +
                             "' >/dev/null 2>&1 && mount -o loop '" + file + "' '" +
                             QFile::encodeName(path).toStdString() + "' 2>/dev/null";
    if (std::system(make.c_str()) != 0) {
        why = "cannot make and mount an ext4 image through a loop device here";
        return Mount(QByteArray());
    }
    return Mount(QFile::encodeName(path));
}

Mount Mount::Fat(const QString& image, const QString& path, qint64 bytes, std::string& why) {
    why = PrepareMountPoint(path);
    if (!why.empty()) {
        return Mount(QByteArray());
    }
    const std::string file = QFile::encodeName(image).toStdString();
    const std::string target = QFile::encodeName(path).toStdString();
    const std::string options = "uid=1000,gid=1000,umask=022";
    const std::string make = "truncate -s " + std::to_string(bytes) + " '" + file +
                             "' && mkfs.vfat '" + file + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) {
        why = "cannot make a FAT image (mkfs.vfat from dosfstools)";
        return Mount(QByteArray());
    }
    const std::string kernel =
        "mount -t vfat -o loop," + options + " '" + file + "' '" + target + "' 2>/dev/null";
    const std::string fuse =
        "fusefat -o rw+," + options + " '" + file + "' '" + target + "' >/dev/null 2>&1";
    if (std::system(kernel.c_str()) != 0 && std::system(fuse.c_str()) != 0) {
        why = "neither the kernel (vfat) nor fusefat can mount a FAT image here";
        return Mount(QByteArray());
    }
    why.clear();
    return Mount(QFile::encodeName(path));
}

Mount::~Mount() {
    if (!path_.isEmpty()) {
        ::umount2(path_.constData(), MNT_DETACH);
    }
}

bool Mount::MakeReadOnly(bool bind) const {
    const unsigned long flags = MS_REMOUNT | MS_RDONLY | (bind ? MS_BIND : 0);
    return !path_.isEmpty() && ::mount(nullptr, path_.constData(), nullptr, flags, nullptr) == 0;
}

void Fill(const QString& folder) {
    const QByteArray name = QFile::encodeName(folder + QStringLiteral("/filler"));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    const std::vector<char> block(4096, 'x');
    // Whole blocks first, then single bytes, until the file system refuses.
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

}  // namespace Mounts
