#include "backup/BackupManifest.h"

#include <grp.h>
#include <pwd.h>
#include <cerrno>
#include <vector>

#include "platform/CheckedIo.h"
#include "platform/Failure.h"
#include "shared/BackupNames.h"
#include "shared/Manifest.h"

namespace {

// Empty where the system has no name for the number.
std::string OwnerName(uid_t uid) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found);
    return found != nullptr && found->pw_name != nullptr ? found->pw_name : "";
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found);
    return found != nullptr && found->gr_name != nullptr ? found->gr_name : "";
}

void WriteAll(const FileDescriptor& fd, const std::string& bytes) {
    if (!fd) {
        errno = EBADF;
        KESTRIX_FAIL("the manifests are not open");
    }
    CheckedIo::WriteAll(fd, bytes.data(), bytes.size());
}

}  // namespace

void BackupManifest::Create(const DirectoryHandle& directory) {
    hashes_ = FileDescriptor();
    rights_ = FileDescriptor();
    owners_.clear();
    groups_.clear();
    FileDescriptor hashes = directory.CreateFile(BackupNames::kHashFile, 0644);
    FileDescriptor rights = directory.CreateFile(BackupNames::kRightsFile, 0644);
    WriteAll(rights, std::string(Manifest::kRightsHeader) + '\n');
    hashes_ = std::move(hashes);
    rights_ = std::move(rights);
}

void BackupManifest::Append(const Copy& copy) {
    WriteAll(hashes_, Manifest::HashLine(copy.name.toStdString(), copy.hash));
    WriteAll(rights_, RightsLine(copy));
}

void BackupManifest::AppendLines(const std::string& hashLine, const std::string& rightsLine) {
    WriteAll(hashes_, hashLine);
    WriteAll(rights_, rightsLine);
}

void BackupManifest::Close() {
    CheckedIo::FlushAndClose(hashes_);
    CheckedIo::FlushAndClose(rights_);
}

std::string BackupManifest::RightsLine(const Copy& copy) {
    ManifestEntry entry;
    entry.mode = copy.source.st_mode;
    const auto owner = owners_.find(copy.source.st_uid);
    entry.owner =
        owner != owners_.end()
            ? owner->second
            : owners_.emplace(copy.source.st_uid, OwnerName(copy.source.st_uid)).first->second;
    const auto group = groups_.find(copy.source.st_gid);
    entry.group =
        group != groups_.end()
            ? group->second
            : groups_.emplace(copy.source.st_gid, GroupName(copy.source.st_gid)).first->second;
    entry.uid = copy.source.st_uid;
    entry.gid = copy.source.st_gid;
    entry.size = static_cast<std::uint64_t>(copy.size);
    return Manifest::RightsLine(copy.name.toStdString(), entry);
}
