#include "shared/GenerationView.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "shared/BackupNames.h"
#include "shared/GenerationSwitch.h"

namespace {

bool Exists(const FileDescriptor& folder, const std::string& name) {
    struct stat st {};
    return folder && ::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

GenerationView::GenerationView(const FileDescriptor& folder) : folder_(folder) {
    try {
        pending_ = GenerationSwitch::ReadIntent(folder, intent_);
    } catch (const std::system_error& failure) {
        // No intent of Kestrix's: the backup is read as it stands, for its check to judge.
        if (failure.code().value() != EBADMSG) {
            throw;
        }
        damaged_ = true;
        intent_ = CommitIntent();
    }
    if (pending_) {
        staging_ = GenerationSwitch::OpenFolder(folder.Get(), CommitIntent::kStagingName);
        if (staging_) {
            stagedCopies_ = GenerationSwitch::OpenFolder(staging_.Get(), BackupNames::kCopies);
        }
    }
    copies_ = FileDescriptor(::openat(folder.Get(), BackupNames::kCopies,
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!copies_ && errno != ENOENT) {
        copiesError_ = errno;
    }
}

int GenerationView::FolderOfFile(const std::string& name) const {
    const bool staged = pending_ && std::find(intent_.files.begin(), intent_.files.end(), name) !=
                                        intent_.files.end();
    // The finished switch removes the replaced backup's copies' names when the new one has none.
    if (pending_ && !staged && name == BackupNames::kCopyMap) {
        return -1;
    }
    return staged && Exists(staging_, name) ? staging_.Get() : folder_.Get();
}

int GenerationView::FolderOfCopy(const std::string& name) const {
    if (!pending_) {
        return copies_ ? copies_.Get() : -1;
    }
    if (!intent_.HoldsCopy(name)) {
        return -1;
    }
    if (intent_.Stages(name) && Exists(stagedCopies_, name)) {
        return stagedCopies_.Get();
    }
    return copies_ ? copies_.Get() : -1;
}
