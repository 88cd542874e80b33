#include "restore/BackupFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include "restore/FrenchTexts.h"
#include "restore/SystemFailure.h"
#include "shared/BackupNames.h"
#include "shared/CommitIntent.h"
#include "shared/GenerationSwitch.h"
#include "shared/PreviousBackup.h"

namespace {

using Step = SystemFailure::Step;

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Refuses a file or folder that someone else than its owner may change.
void CheckOnlyOwnerWrites(const struct stat& st, Step refusal, bool force) {
    if (!force && (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        throw SystemFailure(refusal, 0, FrenchTexts::Mode(st.st_mode));
    }
}

struct stat StatOf(const FileDescriptor& fd, Step step) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw SystemFailure(step, errno);
    }
    return st;
}

void CheckOwner(const struct stat& st, const TrustedOwners& trusted, const std::string& subject,
                bool force) {
    if (!force && !trusted.Includes(st.st_uid)) {
        throw SystemFailure(Step::ForeignOwner, 0, DescribeOwner(st.st_uid), subject);
    }
}

// A folder of the backup that nobody but its owner may change.
void CheckFolder(const struct stat& st, Step refusal, const TrustedOwners& trusted,
                 const std::string& subject) {
    CheckOwner(st, trusted, subject, false);
    if (!TrustedOwners::OnlyOwnerChanges(st)) {
        throw SystemFailure(refusal, 0, FrenchTexts::Mode(st.st_mode), subject);
    }
}

// Checks the entries of D (or of its staging folder) that decide what is restored; a missing
// one, or one that is neither a file nor a folder, is left to its reading to report.
void VouchEntries(int folder, const std::string& prefix, const TrustedOwners& trusted) {
    const std::pair<const char*, Step> entries[] = {
        {BackupNames::kCopies, Step::CopiesWritable},
        {BackupNames::kCatalogue, Step::CatalogueWritable},
        {BackupNames::kHashFile, Step::ManifestWritable},
        {BackupNames::kRightsFile, Step::ManifestWritable},
        {BackupNames::kCopyMap, Step::ManifestWritable},
        {CommitIntent::kFileName, Step::ManifestWritable}};
    for (const auto& [name, refusal] : entries) {
        struct stat st {};
        if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        const std::string subject = prefix + name;
        if (S_ISDIR(st.st_mode)) {
            CheckFolder(st, refusal, trusted, subject);
        } else if (S_ISREG(st.st_mode)) {
            CheckOwner(st, trusted, subject, false);
            if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
                throw SystemFailure(refusal, 0, FrenchTexts::Mode(st.st_mode), subject);
            }
        }
    }
}

// Reads the whole of a file that decides what is restored; false when it is absent.
bool ReadTrusted(int folder, const char* name, Step readStep, Step refusal, bool force,
                 const TrustedOwners& trusted, std::string& bytes) {
    const FileDescriptor fd(::openat(folder, name, kReadFlags));
    if (!fd) {
        if (errno == ENOENT && readStep == Step::ReadManifest) {
            return false;
        }
        throw SystemFailure(readStep, errno);
    }
    const struct stat st = StatOf(fd, readStep);
    if (!S_ISREG(st.st_mode)) {
        throw SystemFailure(readStep, EINVAL);
    }
    CheckOnlyOwnerWrites(st, refusal, force);
    CheckOwner(st, trusted, name, force);
    if (st.st_size > BackupFolder::kMaxFile) {
        throw SystemFailure(Step::TooLarge, 0, std::to_string(st.st_size), name);
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const long n = fd.Read(buffer, sizeof buffer);
        if (n < 0) {
            throw SystemFailure(readStep, errno);
        }
        if (n == 0) {
            return true;
        }
        // A file that grows while read.
        if (bytes.size() + static_cast<std::size_t>(n) >
            static_cast<std::size_t>(BackupFolder::kMaxFile)) {
            throw SystemFailure(Step::TooLarge, 0,
                                "plus de " + std::to_string(BackupFolder::kMaxFile), name);
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// Adds the names of the regular files in `folder` to `names`, links not followed; false when
// the folder cannot be listed.
bool ListRegularFiles(int folder, std::unordered_set<std::string>& names) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (listing == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            regular = ::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(st.st_mode);
        }
        if (regular) {
            names.emplace(entry->d_name);
        }
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(listing);
    if (!complete) {
        names.clear();
    }
    return complete;
}

}  // namespace

BackupFolder::BackupFolder(const std::string& path)
    : path_(path), folder_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!folder_) {
        throw SystemFailure(Step::OpenBackup, errno);
    }
}

void BackupFolder::Vouch(bool force) const {
    if (force) {
        return;
    }
    CheckFolder(StatOf(folder_, Step::OpenBackup), Step::BackupWritable, trusted_, "");
    VouchEntries(folder_.Get(), "", trusted_);
    const FileDescriptor staging(::openat(folder_.Get(), CommitIntent::kStagingName,
                                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (staging) {
        const std::string prefix = std::string(CommitIntent::kStagingName) + "/";
        CheckFolder(StatOf(staging, Step::OpenBackup), Step::CopiesWritable, trusted_,
                    CommitIntent::kStagingName);
        VouchEntries(staging.Get(), prefix, trusted_);
    }
}

BackupFolder::Recovery BackupFolder::Prepare(bool changes) {
    lock_ = std::make_unique<FolderLock>(folder_, changes);
    if (lock_->Result() == FolderLock::Outcome::Busy) {
        return Recovery::Busy;
    }
    Recovery recovery = Recovery::None;
    if (changes) {
        CommitIntent intent;
        bool pending = false;
        try {
            pending = GenerationSwitch::ReadIntent(folder_, intent);
        } catch (const std::system_error& failure) {
            // No intent of Kestrix's: nothing is moved or removed on its word.
            if (failure.code().value() != EBADMSG) {
                throw;
            }
            view_ = std::make_unique<GenerationView>(folder_);
            return Recovery::Damaged;
        }
        if (pending) {
            try {
                GenerationSwitch::Finish(folder_, intent);
                recovery = Recovery::Finished;
            } catch (const std::system_error& failure) {
                // A rescue medium: the switch is read as it will be once finished.
                if (failure.code().value() != EROFS) {
                    throw;
                }
            }
        } else {
            const bool staged = GenerationSwitch::HasStaging(folder_);
            try {
                GenerationSwitch::RemoveLeftovers(folder_);
                recovery = staged ? Recovery::Undone : Recovery::None;
            } catch (const std::system_error&) {
                // What cannot be removed is no part of the backup, and the next run removes it.
            }
        }
    }
    view_ = std::make_unique<GenerationView>(folder_);
    return view_->Damaged() ? Recovery::Damaged : view_->Pending() ? Recovery::Pending : recovery;
}

std::string BackupFolder::ReadCatalogue(bool force) const {
    std::string bytes;
    ReadTrusted(view_->FolderOfFile(BackupNames::kCatalogue), BackupNames::kCatalogue,
                Step::ReadCatalogue, Step::CatalogueWritable, force, trusted_, bytes);
    return bytes;
}

bool BackupFolder::ReadManifest(const char* name, bool force, std::string& bytes) const {
    const int folder = view_->FolderOfFile(name);
    return folder >= 0 && ReadTrusted(folder, name, Step::ReadManifest, Step::ManifestWritable,
                                      force, trusted_, bytes);
}

void BackupFolder::OpenCopies(bool force) const {
    if (view_->CopiesError() != 0) {
        throw SystemFailure(Step::OpenCopies, view_->CopiesError());
    }
    // Missing folders hold no copy.
    for (const FileDescriptor* copies : {&view_->Copies(), &view_->StagedCopies()}) {
        if (*copies) {
            CheckOnlyOwnerWrites(StatOf(*copies, Step::OpenCopies), Step::CopiesWritable, force);
        }
    }
}

void BackupFolder::ListCopies() {
    for (const auto& [copies, listing] : {std::make_pair(&view_->Copies(), &copies_),
                                          std::make_pair(&view_->StagedCopies(), &stagedCopies_)}) {
        if (*copies) {
            listing->listed = ListRegularFiles(copies->Get(), listing->names);
        }
    }
}

bool BackupFolder::HasCopy(const std::string& name) const {
    const int copies = view_->FolderOfCopy(name);
    if (copies < 0) {
        return false;
    }
    const Listing& listing = copies == view_->Copies().Get() ? copies_ : stagedCopies_;
    if (listing.listed) {
        return listing.names.count(name) != 0;
    }
    struct stat st {};
    return ::fstatat(copies, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
}

FileDescriptor BackupFolder::OpenCopyNonBlocking(const std::string& name, bool force,
                                                 struct stat& status) const {
    const int copies = view_->FolderOfCopy(name);
    if (copies < 0) {
        throw SystemFailure(Step::OpenCopy, ENOENT);
    }
    FileDescriptor copy(::openat(copies, name.c_str(), kReadFlags));
    if (!copy) {
        throw SystemFailure(Step::OpenCopy, errno);
    }
    status = StatOf(copy, Step::OpenCopy);
    const struct stat& st = status;
    if (!S_ISREG(st.st_mode)) {
        throw SystemFailure(Step::CopyNotRegular, EINVAL);
    }
    CheckOnlyOwnerWrites(st, Step::CopyWritable, force);
    // As root a copy takes its source's owner, which the manifest records.
    if (!force && !trusted_.Includes(st.st_uid)) {
        const std::optional<ManifestEntry> entry =
            manifest_ != nullptr ? manifest_->Find(name) : std::nullopt;
        if (!entry || !entry->hasRights || entry->uid != st.st_uid) {
            throw SystemFailure(Step::CopyOwner, 0, DescribeOwner(st.st_uid));
        }
    }
    return copy;
}

FileDescriptor BackupFolder::OpenCopy(const std::string& name, bool force,
                                      struct stat* status) const {
    struct stat st {};
    FileDescriptor copy = OpenCopyNonBlocking(name, force, st);
    // Opened without waiting, in case a FIFO stood at the name; a regular file reads as usual.
    if (::fcntl(copy.Get(), F_SETFL, O_RDONLY) != 0) {
        throw SystemFailure(Step::OpenCopy, errno);
    }
    if (status != nullptr) {
        *status = st;
    }
    return copy;
}

std::vector<std::pair<std::string, std::string>> BackupFolder::EarlierBackups() const {
    std::vector<std::pair<std::string, std::string>> earlier;
    try {
        const FileDescriptor all = GenerationSwitch::OpenFolder(folder_.Get(), BackupNames::kEarlier);
        for (const std::string& name : GenerationSwitch::EarlierBackups(folder_)) {
            const FileDescriptor one = GenerationSwitch::OpenFolder(all.Get(), name.c_str());
            const PreviousBackup backup = PreviousBackup::Read(one);
            const Catalogue& catalogue = backup.GetCatalogue();
            std::string date;
            if (catalogue.GetStatus() == Catalogue::Status::Valid) {
                date = std::string(catalogue.Date()) + " à " + std::string(catalogue.Time());
            }
            earlier.emplace_back(name, date);
        }
    } catch (const std::system_error&) {
        // Earlier backups that cannot be listed are no part of this one.
    }
    return earlier;
}
