#include "backup/BackupManifest.h"

#include <grp.h>
#include <pwd.h>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/Failure.h"

const QByteArray BackupManifest::kRightsHeader =
    QByteArrayLiteral("mode\tpropri\xC3\xA9taire\tgroupe\tuid\tgid\ttaille\tchemin\n");

namespace {

const QByteArray kCopies = QByteArrayLiteral("Kestrix/");

// A name fit for a tab-separated line, or the number when there is none.
QByteArray NameOr(const char* name, unsigned number) {
    const QByteArray text(name != nullptr ? name : "");
    if (text.isEmpty() || text.contains('\t') || text.contains('\n')) {
        return QByteArray::number(number);
    }
    return text;
}

QByteArray OwnerName(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    return NameOr(found != nullptr ? found->pw_name : nullptr, uid);
}

QByteArray GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    return NameOr(found != nullptr ? found->gr_name : nullptr, gid);
}

void WriteAll(UniqueFd& fd, const QByteArray& bytes) {
    if (!fd) {
        errno = EBADF;
        KESTRIX_FAIL("the manifests are not open");
    }
    fd.writeAll(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

void BackupManifest::Create(const DirectoryHandle& directory) {
    hashes_ = UniqueFd();
    rights_ = UniqueFd();
    UniqueFd hashes = directory.CreateFile(QByteArrayLiteral("Kestrix.xxh128"), 0644);
    UniqueFd rights = directory.CreateFile(QByteArrayLiteral("Kestrix.droits"), 0644);
    WriteAll(rights, kRightsHeader);
    hashes_ = std::move(hashes);
    rights_ = std::move(rights);
}

void BackupManifest::Append(const Copy& copy) {
    WriteAll(hashes_, HashLine(copy));
    WriteAll(rights_, RightsLine(copy));
}

void BackupManifest::Close() {
    hashes_.flushAndClose();
    rights_.flushAndClose();
}

QByteArray BackupManifest::HashLine(const Copy& copy) {
    return copy.hash + "  " + kCopies + copy.name + '\n';
}

QByteArray BackupManifest::RightsLine(const Copy& copy) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(copy.source.st_mode & 07777));
    return QByteArray(mode) + '\t' + OwnerName(copy.source.st_uid) + '\t' +
           GroupName(copy.source.st_gid) + '\t' + QByteArray::number(copy.source.st_uid) + '\t' +
           QByteArray::number(copy.source.st_gid) + '\t' + QByteArray::number(copy.size) + '\t' +
           kCopies + copy.name + '\n';
}
