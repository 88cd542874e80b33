#include "platform/UserFolders.h"

#include <QDir>
#include <QFileInfo>

namespace UserFolders {

namespace {

QString IfFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir() ? QDir::cleanPath(path) : QString();
}

}  // namespace

QString Home() {
    return QDir::cleanPath(QDir::homePath());
}

QString Desktop() {
    const QString desktop = Existing(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? Home() : desktop;
}

QString Existing(QStandardPaths::StandardLocation location) {
    return IfFolder(QStandardPaths::writableLocation(location));
}

QString TrashFiles() {
    return IfFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                    QStringLiteral("/Trash/files"));
}

}  // namespace UserFolders
