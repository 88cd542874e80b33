#include "StagedDesktop.h"

#include <sched.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/MountTable.h"

namespace {

constexpr char kMedia[] = "/media";
constexpr char kKey[] = "/media/CLE-USB";

void Say(const QString& text) {
    std::fprintf(stderr, "kestrix_screenshots: %s\n", text.toLocal8Bit().constData());
}

QString Reason() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool Below(const QString& path, const QString& folder) {
    return folder == QLatin1String("/") || path == folder ||
           path.startsWith(folder + QLatin1Char('/'));
}

// Whether a mount at `mountPoint` holds (or would hide) one of the paths.
bool HoldsAny(const QString& mountPoint, const QStringList& paths) {
    for (const QString& path : paths) {
        if (Below(path, mountPoint)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool StagedDesktop::EnterPrivateMounts() {
    if (::unshare(CLONE_NEWNS) != 0) {
        Say(QStringLiteral("no mount table of its own (unshare: ") + Reason() +
            QStringLiteral("): the folder tree shows this machine's drives"));
        return false;
    }
    // Nothing mounted or detached here may reach the machine's own table.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        Say(QStringLiteral("no mount table of its own (private mounts: ") + Reason() +
            QStringLiteral("): the folder tree shows this machine's drives"));
        return false;
    }
    return true;
}

StagedDesktop::StagedDesktop(bool privateMounts, const QStringList& needed)
    : root_(QDir::tempPath() + QStringLiteral("/kx-XXXXXX")) {
    if (!root_.isValid()) {
        error_ = QStringLiteral("cannot create a temporary folder: ") + root_.errorString();
        return;
    }
    if (!LayOutHome() || !privateMounts) {
        return;
    }
    QStringList kept = needed;
    for (QString& path : kept) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        path =
            canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
    }
    DetachDrives(kept);
    MountKey(kept);
}

StagedDesktop::~StagedDesktop() {
    // The key's folder in root_ cannot be removed while something is mounted on it.
    if (keyMounted_) {
        ::umount2(kKey, MNT_DETACH);
    }
    if (mediaBound_) {
        ::umount2(kMedia, MNT_DETACH);
    }
}

QString StagedDesktop::selection() const {
    return keyMounted_ ? QLatin1String(kKey) + QStringLiteral("/Sauvegardes")
                       : home_ + QStringLiteral("/Documents");
}

bool StagedDesktop::LayOutHome() {
    home_ = root_.filePath(QStringLiteral("camille"));
    const QStringList folders{QStringLiteral("Bureau"),          QStringLiteral("Documents"),
                              QStringLiteral("Images"),          QStringLiteral("Modèles"),
                              QStringLiteral("Musique"),         QStringLiteral("Public"),
                              QStringLiteral("Téléchargements"), QStringLiteral("Vidéos")};
    // The settings folder beside the home folder: its hidden folders would show in the tree.
    const QString config = root_.filePath(QStringLiteral("config"));
    if (!MakeFolders(home_, folders) || !MakeFolders(root_.path(), {QStringLiteral("config")}) ||
        !MakeFolders(home_ + QStringLiteral("/Bureau"),
                     {QStringLiteral("Factures"), QStringLiteral("Photos de vacances"),
                      QStringLiteral("Projets")})) {
        return false;
    }
    // The desktop and the other user folders, named as a French desktop names them.
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    const QByteArray text = QStringLiteral(
                                "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n"
                                "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                                "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
                                "XDG_MUSIC_DIR=\"$HOME/Musique\"\n"
                                "XDG_PICTURES_DIR=\"$HOME/Images\"\n"
                                "XDG_PUBLICSHARE_DIR=\"$HOME/Public\"\n"
                                "XDG_TEMPLATES_DIR=\"$HOME/Modèles\"\n"
                                "XDG_VIDEOS_DIR=\"$HOME/Vidéos\"\n")
                                .toUtf8();
    if (!dirs.open(QIODevice::WriteOnly) || dirs.write(text) != text.size()) {
        error_ = QStringLiteral("cannot write ") + dirs.fileName() + QStringLiteral(": ") +
                 dirs.errorString();
        return false;
    }
    qputenv("HOME", QFile::encodeName(home_));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    return true;
}

void StagedDesktop::DetachDrives(const QStringList& needed) {
    // Detaching a mount takes the ones below it along, and may bare one it covered: the table is
    // read again after each.
    QSet<QString> kept;
    for (;;) {
        QFile table(QStringLiteral("/proc/self/mountinfo"));
        if (!table.open(QIODevice::ReadOnly)) {
            Say(
                QStringLiteral("cannot read the mount table: the folder tree shows this "
                               "machine's drives"));
            return;
        }
        QString next;
        for (const MountTable::Drive& drive :
             MountTable::Drives(MountTable::Parse(table.readAll()), {})) {
            if (drive.path != QLatin1String("/") && !kept.contains(drive.path)) {
                next = drive.path;
                break;
            }
        }
        if (next.isEmpty()) {
            return;
        }
        if (HoldsAny(next, needed)) {
            Say(QStringLiteral("keeps the drive ") + next +
                QStringLiteral(" in the folder tree: it holds what the tool uses"));
            kept.insert(next);
        } else if (::umount2(QFile::encodeName(next).constData(), MNT_DETACH) != 0) {
            Say(QStringLiteral("keeps the drive ") + next +
                QStringLiteral(" in the folder tree (") + Reason() + QLatin1Char(')'));
            kept.insert(next);
        }
    }
}

void StagedDesktop::MountKey(const QStringList& needed) {
    // The folder that the key's staged /media is laid out in.
    const QString media = root_.filePath(QStringLiteral("media"));
    for (const QString& path : needed) {
        if (Below(path, QLatin1String(kMedia))) {
            Say(QStringLiteral("no USB key in the folder tree: ") + path +
                QStringLiteral(" is below ") + QLatin1String(kMedia));
            return;
        }
    }
    const QFileInfo existing{QLatin1String(kMedia)};
    if (!existing.isDir() || existing.isSymLink() ||
        !QDir().mkpath(media + QStringLiteral("/CLE-USB"))) {
        Say(QStringLiteral("no USB key in the folder tree: no folder ") + QLatin1String(kMedia));
        return;
    }
    // A folder bound over /media is no drive, so the key shows alone, and the machine's /media
    // stays as it is.
    if (::mount(QFile::encodeName(media).constData(), kMedia, nullptr, MS_BIND, nullptr) != 0) {
        Say(QStringLiteral("no USB key in the folder tree (bind over /media: ") + Reason() +
            QLatin1Char(')'));
        return;
    }
    mediaBound_ = true;
    if (::mount("tmpfs", kKey, "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=1m,mode=0755") !=
        0) {
        Say(QStringLiteral("no USB key in the folder tree (tmpfs: ") + Reason() + QLatin1Char(')'));
        return;
    }
    keyMounted_ = true;
    if (!MakeFolders(QLatin1String(kKey),
                     {QStringLiteral("Archives 2023/Comptes"), QStringLiteral("Photos/Été 2024"),
                      QStringLiteral("Sauvegardes")})) {
        Say(error_);
        error_.clear();
        ::umount2(kKey, MNT_DETACH);
        keyMounted_ = false;
    }
}

bool StagedDesktop::MakeFolders(const QString& parent, const QStringList& names) {
    const QDir folder(parent);
    for (const QString& name : names) {
        if (!folder.mkpath(name)) {
            error_ = QStringLiteral("cannot create ") + folder.filePath(name);
            return false;
        }
    }
    return true;
}
