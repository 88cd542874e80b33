#include "platform/MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <set>

#include "platform/NativeNames.h"

namespace MountTable {

namespace {

// mountinfo writes a space, tab, newline and backslash of a name as \ooo.
QString Unescape(const QByteArray& field) {
    QByteArray bytes;
    bytes.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                bytes.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        bytes.append(field[i]);
    }
    return NativeNames::Decode(bytes);
}

const std::set<QString>& PseudoTypes() {
    static const std::set<QString> types{
        QStringLiteral("autofs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("bpf"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("configfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("devpts"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.lxcfs"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.snapfuse"),
        QStringLiteral("fusectl"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("mqueue"),
        QStringLiteral("nfsd"),
        QStringLiteral("nsfs"),
        QStringLiteral("overlay"),
        QStringLiteral("proc"),
        QStringLiteral("pstore"),
        QStringLiteral("ramfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("securityfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("squashfs"),
        QStringLiteral("sysfs"),
        QStringLiteral("tracefs"),
    };
    return types;
}

bool Below(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Places where the system, not the user, mounts things.
bool InSystemPlace(const QString& mountPoint) {
    if (Below(mountPoint, QStringLiteral("/run/media"))) {
        return false;
    }
    for (const char* place : {"/proc", "/sys", "/dev", "/run", "/var/run", "/snap", "/var/snap",
                              "/var/lib/docker", "/var/lib/containers"}) {
        if (Below(mountPoint, QLatin1String(place))) {
            return true;
        }
    }
    return mountPoint == QLatin1String("/tmp") || mountPoint == QLatin1String("/var/tmp");
}

QString Caption(const QString& path) {
    return path == QLatin1String("/") ? path : path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The device node a source names, links resolved ("/dev/disk/by-uuid/..." gives "/dev/sdb1").
QString DeviceNode(const QString& source) {
    const QString resolved = QFileInfo(source).canonicalFilePath();
    return resolved.isEmpty() ? source : resolved;
}

bool SystemRemovable(const QString& source) {
    const QString name = QFileInfo(DeviceNode(source)).fileName();
    const QString block = QStringLiteral("/sys/class/block/") + name;
    for (const QString& flag :
         {block + QStringLiteral("/removable"), block + QStringLiteral("/../removable")}) {
        QFile file(flag);
        if (file.open(QIODevice::ReadOnly)) {
            return file.readAll().trimmed() == "1";
        }
    }
    return false;
}

// udev writes unsafe bytes of a label as \xHH.
QString UnescapeLabel(const QString& name) {
    QByteArray bytes;
    const QByteArray raw = QFile::encodeName(name);
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
            bool ok = false;
            const int value = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        bytes.append(raw[i]);
    }
    return QString::fromUtf8(bytes);
}

QString SystemLabel(const QString& source) {
    const QString device = DeviceNode(source);
    const QDir labels(QStringLiteral("/dev/disk/by-label"));
    for (const QFileInfo& link : labels.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == device) {
            return UnescapeLabel(link.fileName());
        }
    }
    return {};
}

}  // namespace

std::vector<Mount> Parse(const QByteArray& text) {
    std::vector<Mount> mounts;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (separator < 6 || separator + 2 >= fields.size()) {
            continue;
        }
        mounts.push_back({Unescape(fields[3]), Unescape(fields[4]), Unescape(fields[separator + 1]),
                          Unescape(fields[separator + 2])});
    }
    return mounts;
}

bool IsDrive(const Mount& mount) {
    return mount.mountPoint.startsWith(QLatin1Char('/')) && mount.root == QLatin1String("/") &&
           PseudoTypes().count(mount.type) == 0 && !InSystemPlace(mount.mountPoint);
}

std::vector<Drive> Drives(const std::vector<Mount>& mounts, const DeviceFacts& facts) {
    std::map<QString, const Mount*> top;
    for (const Mount& mount : mounts) {
        top[mount.mountPoint] = &mount;
    }
    std::vector<Drive> drives{{QStringLiteral("/"), QStringLiteral("/"), false}};
    for (const auto& [path, mount] : top) {
        if (path == QLatin1String("/") || !IsDrive(*mount)) {
            continue;
        }
        Drive drive{path, Caption(path), false};
        const bool device = mount->source.startsWith(QLatin1String("/dev/"));
        drive.removable = Below(path, QStringLiteral("/media")) ||
                          Below(path, QStringLiteral("/run/media")) ||
                          (device && facts.removable && facts.removable(mount->source));
        if (drive.removable && device && facts.label) {
            const QString label = facts.label(mount->source);
            if (!label.isEmpty()) {
                drive.caption = label;
            }
        }
        drives.push_back(drive);
    }
    return drives;
}

DeviceFacts SystemDeviceFacts() {
    return {SystemRemovable, SystemLabel};
}

}  // namespace MountTable
