#include "SampleProgramFolder.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Large enough that its copy takes many blocks, so that the bar is seen part-filled.
constexpr qint64 kLargeFileSize = 16LL * 1024 * 1024;

// The about window shows the help file's address inside the program folder: a fixed folder gives
// the picture the same text at every run.
constexpr char kFixedProgramFolder[] = "/tmp/Kestrix";

QByteArray LargeFileBytes() {
    QByteArray bytes(kLargeFileSize, Qt::Uninitialized);
    quint32 state = 0x6B657374;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

}  // namespace

SampleProgramFolder::SampleProgramFolder(const QString& programFolder)
    : root_(QDir::tempPath() + QStringLiteral("/kx-XXXXXX")) {
    if (!root_.isValid()) {
        error_ = QStringLiteral("cannot create a temporary folder: ") + root_.errorString();
        return;
    }
    if (!programFolder.isEmpty()) {
        programFolder_ = QFileInfo(programFolder).absoluteFilePath();
        if (!QFileInfo(programFolder_ + QStringLiteral("/Data/Kestrix.dat")).isFile()) {
            error_ = programFolder_ + QStringLiteral(" has no Data/Kestrix.dat");
        }
        return;
    }
    // Made here and now, or not used: what is already there may be another run's, or anyone's.
    if (::mkdir(kFixedProgramFolder, 0700) == 0) {
        programFolder_ = QLatin1String(kFixedProgramFolder);
        ownsFixedFolder_ = true;
    } else {
        std::fprintf(stderr,
                     "kestrix_screenshots: %s: %s; the about window shows a temporary program "
                     "folder\n",
                     kFixedProgramFolder, std::strerror(errno));
        programFolder_ = root_.filePath(QStringLiteral("Kestrix"));
    }
    LayOutProgramFolder();
}

SampleProgramFolder::~SampleProgramFolder() {
    if (ownsFixedFolder_) {
        QDir(programFolder_).removeRecursively();
    }
}

bool SampleProgramFolder::LayOutProgramFolder() {
    const QDir folder(programFolder_);
    if (!folder.mkpath(QStringLiteral("Data")) || !folder.mkpath(QStringLiteral("Rapports"))) {
        error_ = QStringLiteral("cannot create ") + programFolder_;
        return false;
    }
    QStringList listed;
    if (!Copy(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini"),
              folder.filePath(QStringLiteral("Data/Kestrix.ini"))) ||
        !Copy(QStringLiteral(KESTRIX_PROGRAM_DIR "/Data/Kestrix.res"),
              folder.filePath(QStringLiteral("Data/Kestrix.res"))) ||
        !LayOutSampleSystem(listed)) {
        return false;
    }
    return Write(folder.filePath(QStringLiteral("Data/Kestrix.dat")),
                 (listed.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

bool SampleProgramFolder::LayOutSampleSystem(QStringList& listed) {
    struct SampleFile {
        const char* path;
        QByteArray bytes;
    };
    const SampleFile files[] = {
        {"etc/fstab",
         "# <file system> <mount point> <type> <options> <dump> <pass>\n"
         "UUID=3f0c6a2e-5b1d-4c7e-9a0f-1d2e3f4a5b6c / ext4 errors=remount-ro 0 1\n"
         "UUID=8d7c6b5a-4f3e-2d1c-0b9a-8f7e6d5c4b3a none swap sw 0 0\n"},
        {"etc/hostname", "poste-kestrix\n"},
        {"etc/hosts", "127.0.0.1\tlocalhost\n127.0.1.1\tposte-kestrix\n"},
        {"etc/passwd",
         "root:x:0:0:root:/root:/bin/bash\n"
         "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n"},
        {"etc/group", "root:x:0:\ndaemon:x:1:\n"},
        {"etc/default/grub",
         "GRUB_DEFAULT=0\nGRUB_TIMEOUT=5\nGRUB_CMDLINE_LINUX_DEFAULT=\"quiet\"\n"},
        {"vmlinuz", LargeFileBytes()},
    };
    // Short paths: the copy label of the backup page is 169 pixels wide.
    const QDir system(root_.path());
    for (const SampleFile& file : files) {
        const QString path = system.filePath(QLatin1String(file.path));
        if (!QDir().mkpath(QFileInfo(path).path()) || !Write(path, file.bytes)) {
            return false;
        }
        listed << path;
    }
    // A file the machine does not have: shown greyed in the list.
    listed.insert(1, system.filePath(QStringLiteral("etc/crypttab")));
    return true;
}

bool SampleProgramFolder::Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        error_ = QStringLiteral("cannot write ") + path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

bool SampleProgramFolder::Copy(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        error_ =
            QStringLiteral("cannot read ") + from + QStringLiteral(": ") + source.errorString();
        return false;
    }
    return Write(to, source.readAll());
}
