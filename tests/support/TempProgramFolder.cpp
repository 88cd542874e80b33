#include "TempProgramFolder.h"

#include <QFile>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

void copyShipped(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString sourcePath = source.filePath(name);
        const QString targetPath = to + QLatin1Char('/') + name;
        if (QFileInfo(sourcePath).isDir()) {
            copyShipped(sourcePath, targetPath);
        } else {
            QFile::copy(sourcePath, targetPath);
            QFile(targetPath).setPermissions(QFile(sourcePath).permissions() | QFile::WriteOwner);
        }
    }
}

}  // namespace

TempProgramFolder::TempProgramFolder(Contents contents) : previous_(QDir::currentPath()) {
    if (!dir_.isValid()) {
        throw std::runtime_error("cannot create a temporary program folder");
    }
    if (contents == Contents::Shipped) {
        copyShipped(QStringLiteral(KESTRIX_PROGRAM_DIR), dir_.path());
        // As shipped, whatever runs of the built program left in build/Kestrix.
        const QDir folder(dir_.path());
        QDir(folder.filePath(QStringLiteral("Rapports"))).removeRecursively();
        folder.mkpath(QStringLiteral("Rapports"));
        QFile::remove(folder.filePath(QStringLiteral("Rapport Important.txt")));
        QFile::remove(folder.filePath(QStringLiteral("Data/Kestrix.ini")));
        QFile::copy(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini"),
                    folder.filePath(QStringLiteral("Data/Kestrix.ini")));
        QFile(folder.filePath(QStringLiteral("Data/Kestrix.ini")))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                            QFile::ReadOther);
    } else if (contents == Contents::Folders) {
        QDir(dir_.path()).mkpath(QStringLiteral("Data"));
        QDir(dir_.path()).mkpath(QStringLiteral("Rapports"));
    }
    QDir::setCurrent(dir_.path());
}

TempProgramFolder::~TempProgramFolder() {
    QDir::setCurrent(previous_);
    // By bytes: QTemporaryDir removes by QString names, which cannot spell a name that is not
    // UTF-8, and would leave such a file and its folders behind.
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(dir_.path()).toStdString(), ignored);
}
