#include "backup/BackupManifest.h"

#include <grp.h>
#include <pwd.h>
#include <cerrno>
#include <utility>
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

constexpr std::size_t kBlockBytes = 64 << 10;

}  // namespace

void BackupManifest::Write(const FileDescriptor& fd, std::string& pending, bool always) {
    if (!fd) {
        errno = EBADF;
        KESTRIX_FAIL("the manifests are not open");
    }
    if (always || pending.size() >= kBlockBytes) {
        const std::string bytes = std::move(pending);
        pending.clear();
        CheckedIo::WriteAll(fd, bytes.data(), bytes.size());
    }
}

void BackupManifest::Create(const DirectoryHandle& directory) {
    hashes_ = FileDescriptor();
    rights_ = FileDescriptor();
    hashesPending_.clear();
    rightsPending_ = std::string(Manifest::kRightsHeader) + '\n';
    owners_.clear();
    groups_.clear();
    hashes_ = directory.CreateFile(BackupNames::kHashFile, 0644);
    rights_ = directory.CreateFile(BackupNames::kRightsFile, 0644);
}

void BackupManifest::Append(const Copy& copy) {
    AppendLines(Manifest::HashLine(copy.name.toStdString(), copy.hash), RightsLine(copy));
}

void BackupManifest::AppendLines(const std::string& hashLine, const std::string& rightsLine) {
    hashesPending_ += hashLine;
    rightsPending_ += rightsLine;
    Write(hashes_, hashesPending_, false);
    Write(rights_, rightsPending_, false);
}

void BackupManifest::Close() {
    if (hashes_ && rights_) {
        Write(hashes_, hashesPending_, true);
        Write(rights_, rightsPending_, true);
    }
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
