#pragma once

#include <QStandardPaths>
#include <QString>

// The user's own folders, as the desktop names them (XDG user directories).
namespace UserFolders {

QString Home();

// The desktop folder; the home folder where there is none (as for root).
QString Desktop();

// A user directory when it exists as a folder, else empty.
QString Existing(QStandardPaths::StandardLocation location);

// Where the trash keeps the files put in it.
QString TrashFiles();

}  // namespace UserFolders
