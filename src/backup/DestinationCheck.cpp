#include "backup/DestinationCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <QStringList>
#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "shared/BackupNames.h"
#include "shared/TrustedOwners.h"

namespace DestinationCheck {

namespace {

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// What the system says of the last folder that exists on the way to a missing one.
QString WhyNoFolderIn(const QString& parent, int errorNumber) {
    const QByteArray native = FileSystem::NativePath(parent);
    struct statvfs vfs {};
    if (::statvfs(native.constData(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) {
        return Quoted(parent) + QStringLiteral(" est sur un système de fichiers en lecture seule");
    }
    if (::access(native.constData(), W_OK | X_OK) != 0 && errno == EACCES) {
        return QStringLiteral("vous n'avez pas le droit d'écrire dans ") + Quoted(parent);
    }
    return SystemErrorMessage(errorNumber);
}

}  // namespace

bool IsRoot(const QString& path) {
    return !path.isEmpty() && path.count(QLatin1Char('/')) == path.size();
}

QString WhyUnusable(const QString& path, int errorNumber) {
    // From the top down, each level as the system reaches it.
    QStringList levels;
    for (QString level = path; !level.isEmpty();) {
        levels.prepend(level);
        const int slash = level.lastIndexOf(QLatin1Char('/'));
        level = slash > 0 ? level.left(slash) : QString();
    }
    QString parent = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString& level : levels) {
        struct stat st {};
        if (::stat(FileSystem::NativePath(level).constData(), &st) != 0) {
            if (errno == EACCES) {
                return QStringLiteral("vous n'avez pas le droit de traverser ") + Quoted(parent);
            }
            return errno == ENOENT ? WhyNoFolderIn(parent, errorNumber) : SystemErrorMessage(errno);
        }
        if (!S_ISDIR(st.st_mode)) {
            return Quoted(level) + QStringLiteral(" existe mais n'est pas un dossier");
        }
        parent = level;
    }
    // The folder is there: what it refuses is a new name in it.
    return WhyNoFolderIn(parent, errorNumber);
}

QString Distrust(const QString& path, int destination) {
    if (::geteuid() != 0) {
        return QString();
    }
    const TrustedOwners trusted = TrustedOwners::OfProcess();
    struct stat folders[2]{};
    const QString names[2] = {path, path + QLatin1Char('/') + QLatin1String(BackupNames::kCopies)};
    const bool found[2] = {
        ::fstat(destination, &folders[0]) == 0,
        ::fstatat(destination, BackupNames::kCopies, &folders[1], AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(folders[1].st_mode)};
    for (int i = 0; i < 2; ++i) {
        if (!found[i]) {
            continue;
        }
        QString why;
        if (!trusted.Includes(folders[i].st_uid)) {
            why = QStringLiteral("le dossier ") + Quoted(names[i]) +
                  QStringLiteral(" appartient à l'utilisateur ") +
                  QString::number(folders[i].st_uid) + QStringLiteral(", ni root ni vous");
        } else if (!TrustedOwners::OnlyOwnerChanges(folders[i])) {
            why =
                QStringLiteral(
                    "d'autres utilisateurs que son propriétaire peuvent modifier le "
                    "dossier ") +
                Quoted(names[i]) + QStringLiteral(" (droits ") +
                QString::number(folders[i].st_mode & 07777, 8).rightJustified(4, QLatin1Char('0')) +
                QLatin1Char(')');
        }
        if (!why.isEmpty()) {
            return why +
                   QStringLiteral(
                       " : Restore.exe refusera cette sauvegarde sans --force. "
                       "Choisissez une destination qui appartient à root et que lui seul peut "
                       "modifier.");
        }
    }
    return QString();
}

}  // namespace DestinationCheck
