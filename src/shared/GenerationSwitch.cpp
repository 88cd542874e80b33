#include "shared/GenerationSwitch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "shared/BackupNames.h"
#include "shared/DurableSteps.h"

namespace {

using DurableSteps::Kind;

constexpr char kIntentInStaging[] = "validation";
// Deeper than anything Kestrix makes: a planted tree that deep is not removed.
constexpr int kMaxDepth = 4;

[[noreturn]] void Fail(const std::string& what, int error = errno) {
    throw std::system_error(error, std::generic_category(), what);
}

void Sync(const FileDescriptor& directory) {
    if (::fsync(directory.Get()) != 0) {
        Fail("cannot flush a folder of the backup");
    }
    DurableSteps::Done(Kind::Flush);
}


// What stands at `name`, without following a link: 0 when nothing does.
mode_t TypeAt(const FileDescriptor& folder, const std::string& name) {
    struct stat st {};
    if (::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return 0;
        }
        Fail("cannot look at " + name);
    }
    return st.st_mode & S_IFMT;
}

void Unlink(const FileDescriptor& folder, const std::string& name) {
    if (::unlinkat(folder.Get(), name.c_str(), 0) != 0 && errno != ENOENT) {
        Fail("cannot remove " + name);
    }
    DurableSteps::Done(Kind::Unlink);
}

// Removes the folder `name` of `parent` with everything in it; links in it are removed, never
// followed.
void RemoveTree(const FileDescriptor& parent, const std::string& name, int depth) {
    if (depth > kMaxDepth) {
        Fail("too deep to remove: " + name, ENAMETOOLONG);
    }
    const FileDescriptor folder = GenerationSwitch::OpenFolder(parent.Get(), name.c_str());
    if (folder) {
        for (const std::string& entry : GenerationSwitch::Names(folder)) {
            if (TypeAt(folder, entry) == S_IFDIR) {
                RemoveTree(folder, entry, depth + 1);
            } else {
                Unlink(folder, entry);
            }
        }
    }
    if (::unlinkat(parent.Get(), name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
        Fail("cannot remove " + name);
    }
    DurableSteps::Done(Kind::RemoveDirectory);
}

// Moves `name` from `from` to `to`; a name already moved by an earlier attempt is skipped.
void MoveIfThere(const FileDescriptor& from, const FileDescriptor& to, const std::string& name) {
    if (!from) {
        return;
    }
    if (::renameat(from.Get(), name.c_str(), to.Get(), name.c_str()) != 0) {
        if (errno == ENOENT) {
            return;
        }
        Fail("cannot put " + name + " in place");
    }
    DurableSteps::Done(Kind::Rename);
}

FileDescriptor MakeFolder(const FileDescriptor& parent, const char* name, mode_t mode) {
    if (::mkdirat(parent.Get(), name, 0700) != 0) {
        Fail(std::string("cannot create ") + name);
    }
    DurableSteps::Done(Kind::MakeDirectory);
    FileDescriptor folder = GenerationSwitch::OpenFolder(parent.Get(), name);
    if (!folder) {
        Fail(std::string("cannot open ") + name);
    }
    // Exactly `mode` whatever the umask, keeping a set-group-ID bit inherited from the parent;
    // a file system without modes refuses, harmlessly.
    struct stat st {};
    const mode_t inherited = ::fstat(folder.Get(), &st) == 0 ? (st.st_mode & S_ISGID) : 0;
    ::fchmod(folder.Get(), mode | inherited);
    return folder;
}

// A first backup's copies go in at once: the staged copies' folder takes the place of D's empty
// one, with its mode, owner and group. False, and D's folder left as it is, where it is not
// empty, holds an access control list, differs in owner or group, or cannot be replaced (a
// mount point): the copies then go one by one.
bool ReplaceEmptyCopies(const FileDescriptor& folder, const FileDescriptor& staging,
                        const FileDescriptor& stagingCopies, const FileDescriptor& copies) {
    struct stat now {};
    struct stat staged {};
    if (::fstat(copies.Get(), &now) != 0 || ::fstat(stagingCopies.Get(), &staged) != 0 ||
        now.st_uid != staged.st_uid || now.st_gid != staged.st_gid ||
        ::fgetxattr(copies.Get(), "system.posix_acl_access", nullptr, 0) >= 0 ||
        ::fgetxattr(copies.Get(), "system.posix_acl_default", nullptr, 0) >= 0 ||
        !GenerationSwitch::Names(copies).empty() ||
        ::fchmod(stagingCopies.Get(), now.st_mode & 07777) != 0 ||
        ::renameat(staging.Get(), BackupNames::kCopies, folder.Get(), BackupNames::kCopies) != 0) {
        return false;
    }
    DurableSteps::Done(Kind::Rename);
    return true;
}

// Where the backup being replaced is staged as an earlier one, and what an earlier backup that
// goes is called in the staging folder until it is removed with it.
constexpr char kStagedEarlier[] = "historique";
const std::string kDroppedPrefix = "efface-";

// Renames the folder `name` of `from` to `toName` in `to`; one already moved is skipped.
void MoveFolderIfThere(const FileDescriptor& from, const std::string& name,
                       const FileDescriptor& to, const std::string& toName) {
    if (!from || !to) {
        return;
    }
    if (::renameat(from.Get(), name.c_str(), to.Get(), toName.c_str()) != 0) {
        if (errno == ENOENT) {
            return;
        }
        Fail("cannot move " + name);
    }
    DurableSteps::Done(Kind::Rename);
}

// `name` of `from` as `name` of `to`: a hard link, or, where the medium has none, a flushed
// copy with the same mode, owner and group. Only regular files; anything else is passed over.
void LinkOrCopy(const FileDescriptor& from, const FileDescriptor& to, const std::string& name) {
    if (TypeAt(from, name) != S_IFREG) {
        return;
    }
    if (::linkat(from.Get(), name.c_str(), to.Get(), name.c_str(), 0) == 0) {
        DurableSteps::Done(Kind::Create);
        return;
    }
    if (errno != EPERM && errno != EMLINK && errno != EXDEV && errno != ENOTSUP &&
        errno != EOPNOTSUPP) {
        Fail("cannot keep " + name);
    }
    const FileDescriptor source(
        ::openat(from.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!source || ::fstat(source.Get(), &st) != 0) {
        Fail("cannot read " + name);
    }
    FileDescriptor copy(::openat(to.Get(), name.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!copy) {
        Fail("cannot keep " + name);
    }
    DurableSteps::Done(Kind::Create);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const long n = source.Read(buffer.data(), buffer.size());
        if (n < 0) {
            Fail("cannot read " + name);
        }
        if (n == 0) {
            break;
        }
        if (!copy.WriteAll(buffer.data(), static_cast<std::size_t>(n))) {
            Fail("cannot keep " + name);
        }
    }
    // A medium without owners or modes refuses, harmlessly: it gives every file the same.
    if (::fchown(copy.Get(), st.st_uid, st.st_gid) == 0) {
        ::fchmod(copy.Get(), st.st_mode & 07777);
    }
    if (!copy.FlushAndClose()) {
        Fail("cannot keep " + name);
    }
    DurableSteps::Done(Kind::Write);
}


// Opens the folder `name` of `parent`, made (with `mode`) when missing.
FileDescriptor OpenOrMakeFolder(const FileDescriptor& parent, const char* name, mode_t mode) {
    FileDescriptor folder = GenerationSwitch::OpenFolder(parent.Get(), name);
    return folder ? std::move(folder) : MakeFolder(parent, name, mode);
}

// Moves the backup staged as an earlier one into Kestrix.historique/<name>/, one file at a time
// (some FAT drivers lose what a renamed folder holds); files already moved are skipped, so the
// step can be taken again. The catalogue goes last: until then the earlier backup is not one.
void KeepStaged(const FileDescriptor& staging, const FileDescriptor& earlier,
                const std::string& name) {
    const FileDescriptor staged =
        staging ? GenerationSwitch::OpenFolder(staging.Get(), kStagedEarlier) : FileDescriptor();
    if (!staged) {
        return;
    }
    const FileDescriptor kept = OpenOrMakeFolder(earlier, name.c_str(), 0755);
    const FileDescriptor keptCopies = OpenOrMakeFolder(kept, BackupNames::kCopies, 0755);
    const FileDescriptor stagedCopies = GenerationSwitch::OpenFolder(staged.Get(), BackupNames::kCopies);
    if (stagedCopies) {
        for (const std::string& copy : GenerationSwitch::Names(stagedCopies)) {
            MoveIfThere(stagedCopies, keptCopies, copy);
        }
    }
    Sync(keptCopies);
    const FileDescriptor stagedRecord =
        GenerationSwitch::OpenFolder(staged.Get(), BackupNames::kDiskRecord);
    if (stagedRecord) {
        const FileDescriptor keptRecord = OpenOrMakeFolder(kept, BackupNames::kDiskRecord, 0755);
        for (const std::string& file : GenerationSwitch::Names(stagedRecord)) {
            MoveIfThere(stagedRecord, keptRecord, file);
        }
        Sync(keptRecord);
    }
    for (const char* file : {BackupNames::kHashFile, BackupNames::kRightsFile,
                             BackupNames::kCopyMap, BackupNames::kRestoreProgram,
                             BackupNames::kAutoexec, BackupNames::kCatalogue}) {
        MoveIfThere(staged, kept, file);
    }
    Sync(kept);
}

// The names in `folder`, "." and ".." apart; with `foldersOnly`, those the listing gives as
// folders or as of a kind it does not tell.
std::vector<std::string> ListNames(const FileDescriptor& folder, bool foldersOnly) {
    const int fd = ::openat(folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* const listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (listing == nullptr) {
        if (fd >= 0) {
            ::close(fd);
        }
        Fail("cannot list a folder of the backup");
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." &&
            (!foldersOnly || entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN)) {
            names.push_back(name);
        }
        errno = 0;
    }
    const int error = errno;
    ::closedir(listing);
    if (error != 0) {
        Fail("cannot list a folder of the backup", error);
    }
    return names;
}

}  // namespace

std::vector<std::string> GenerationSwitch::Names(const FileDescriptor& folder) {
    return ListNames(folder, false);
}

FileDescriptor GenerationSwitch::OpenFolder(int at, const char* name) {
    FileDescriptor folder(::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder && errno != ENOENT) {
        Fail(std::string("cannot open ") + name);
    }
    return folder;
}

bool GenerationSwitch::ReadIntent(const FileDescriptor& folder, CommitIntent& intent) {
    const FileDescriptor file(::openat(folder.Get(), CommitIntent::kFileName,
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        if (errno == ENOENT) {
            return false;
        }
        const int error = errno;
        // ELOOP: a link stands there.
        Fail(error == ELOOP ? "not an intent file" : "cannot open the intent file",
             error == ELOOP ? EBADMSG : error);
    }
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0) {
        Fail("cannot read the intent file");
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > CommitIntent::kMaxSize) {
        Fail("not an intent file", EBADMSG);
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long n = file.Read(buffer, sizeof buffer);
        if (n < 0) {
            Fail("cannot read the intent file");
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > CommitIntent::kMaxSize) {
            Fail("not an intent file", EBADMSG);
        }
    }
    if (!CommitIntent::Parse(bytes, intent)) {
        Fail("not an intent file", EBADMSG);
    }
    return true;
}

bool GenerationSwitch::HasIntent(const FileDescriptor& folder) {
    CommitIntent intent;
    try {
        return ReadIntent(folder, intent);
    } catch (const std::system_error& failure) {
        return failure.code().value() != EBADMSG;
    }
}

bool GenerationSwitch::HasStaging(const FileDescriptor& folder) {
    return TypeAt(folder, CommitIntent::kStagingName) != 0;
}

void GenerationSwitch::Finish(const FileDescriptor& folder, const CommitIntent& intent) {
    const FileDescriptor staging = OpenFolder(folder.Get(), CommitIntent::kStagingName);
    FileDescriptor stagingCopies =
        staging ? OpenFolder(staging.Get(), BackupNames::kCopies) : FileDescriptor();
    FileDescriptor copies = OpenFolder(folder.Get(), BackupNames::kCopies);
    if (!copies) {
        copies = MakeFolder(folder, BackupNames::kCopies, 0755);
    }
    if (stagingCopies && ReplaceEmptyCopies(folder, staging, stagingCopies, copies)) {
        stagingCopies = FileDescriptor();
        copies = OpenFolder(folder.Get(), BackupNames::kCopies);
        Sync(folder);
    }
    if (!intent.history.empty() || !intent.dropped.empty()) {
        FileDescriptor earlier = OpenFolder(folder.Get(), BackupNames::kEarlier);
        if (!earlier) {
            earlier = MakeFolder(folder, BackupNames::kEarlier, 0755);
            Sync(folder);
        }
        if (!intent.history.empty()) {
            KeepStaged(staging, earlier, intent.history);
        }
        // Each goes whole at once, into the staging folder that step 6 removes.
        for (const std::string& name : intent.dropped) {
            if (staging) {
                MoveFolderIfThere(earlier, name, staging, kDroppedPrefix + name);
            } else if (TypeAt(earlier, name) == S_IFDIR) {
                RemoveTree(earlier, name, 0);
            }
        }
        Sync(earlier);
    }
    for (const std::string& name : intent.staged) {
        MoveIfThere(stagingCopies, copies, name);
    }
    Sync(copies);
    // Only what the replaced backup lists goes: a name that Kestrix did not write stays.
    for (const std::string& name : intent.removed) {
        if (!intent.HoldsCopy(name) && TypeAt(copies, name) != S_IFDIR) {
            Unlink(copies, name);
        }
    }
    Sync(copies);
    for (const std::string& name : intent.files) {
        MoveIfThere(staging, folder, name);
    }
    // The copies' names of the replaced backup say nothing of the new one's.
    if (std::find(intent.files.begin(), intent.files.end(), BackupNames::kCopyMap) ==
            intent.files.end() &&
        TypeAt(folder, BackupNames::kCopyMap) == S_IFREG) {
        Unlink(folder, BackupNames::kCopyMap);
    }
    // A folder is replaced whole: the previous one goes first, then the new one moves in; a
    // folder already moved by an earlier attempt is no longer in the staging folder.
    for (const std::string& name : intent.folders) {
        if (staging && TypeAt(staging, name) == S_IFDIR) {
            if (TypeAt(folder, name) == S_IFDIR) {
                RemoveTree(folder, name, 0);
            } else {
                Unlink(folder, name);
            }
            MoveIfThere(staging, folder, name);
        }
    }
    Sync(folder);
    if (staging) {
        RemoveTree(folder, CommitIntent::kStagingName, 0);
    }
    Unlink(folder, CommitIntent::kFileName);
    Sync(folder);
}

void GenerationSwitch::RemoveLeftovers(const FileDescriptor& folder) {
    const mode_t staging = TypeAt(folder, CommitIntent::kStagingName);
    if (staging == S_IFDIR) {
        RemoveTree(folder, CommitIntent::kStagingName, 0);
    } else if (staging != 0) {
        Unlink(folder, CommitIntent::kStagingName);
    } else {
        return;
    }
    Sync(folder);
}

std::vector<std::string> GenerationSwitch::Foreign(const FileDescriptor& folder,
                                                   const CommitIntent& intent) {
    std::vector<std::string> foreign;
    const FileDescriptor copies = OpenFolder(folder.Get(), BackupNames::kCopies);
    if (copies) {
        for (std::string& name : Names(copies)) {
            if (!intent.HoldsCopy(name)) {
                foreign.push_back(std::move(name));
            }
        }
    }
    std::sort(foreign.begin(), foreign.end());
    return foreign;
}

void GenerationSwitch::MakeStaging(const FileDescriptor& folder, FileDescriptor& staging,
                                   FileDescriptor& stagingCopies) {
    staging = MakeFolder(folder, CommitIntent::kStagingName, 0700);
    stagingCopies = MakeFolder(staging, BackupNames::kCopies, 0700);
}

void GenerationSwitch::Commit(const FileDescriptor& folder, const FileDescriptor& staging,
                              const FileDescriptor& stagingCopies, const CommitIntent& intent) {
    // A folder standing at a name of the new backup would stop the switch half-way, for this
    // run and every later one: it is found before anything is decided.
    const FileDescriptor copies = OpenFolder(folder.Get(), BackupNames::kCopies);
    if (TypeAt(folder, CommitIntent::kFileName) == S_IFDIR) {
        Fail("a folder stands at the intent file's name", EISDIR);
    }
    // Another file system mounted on D/Kestrix/ takes no rename from the staging folder: every
    // later run would find the switch stopped there.
    struct stat copiesStatus {};
    struct stat stagingStatus {};
    if (copies && ::fstat(copies.Get(), &copiesStatus) == 0 &&
        ::fstat(stagingCopies.Get(), &stagingStatus) == 0 &&
        copiesStatus.st_dev != stagingStatus.st_dev) {
        Fail("another file system is mounted on the copies' folder", EXDEV);
    }
    if (!intent.history.empty() || !intent.dropped.empty()) {
        const mode_t earlier = TypeAt(folder, BackupNames::kEarlier);
        if (earlier != 0 && earlier != S_IFDIR) {
            Fail("something else than a folder stands at " + std::string(BackupNames::kEarlier),
                 ENOTDIR);
        }
        const FileDescriptor all = OpenFolder(folder.Get(), BackupNames::kEarlier);
        if (all && !intent.history.empty() && TypeAt(all, intent.history) != 0) {
            Fail("an earlier backup stands at " + intent.history, EEXIST);
        }
    }
    for (const std::string& name : intent.files) {
        if (TypeAt(folder, name) == S_IFDIR) {
            Fail("a folder stands at " + name, EISDIR);
        }
    }
    if (copies) {
        // Listed once: the copies' folder holds the previous backup's copies, a name each.
        const std::vector<std::string> listed = ListNames(copies, true);
        const std::unordered_set<std::string> folders(listed.begin(), listed.end());
        for (const std::string& name : intent.staged) {
            if (folders.count(name) != 0 && TypeAt(copies, name) == S_IFDIR) {
                Fail("a folder stands at " + name, EISDIR);
            }
        }
    }
    Sync(stagingCopies);
    Sync(staging);
    FileDescriptor file(::openat(staging.Get(), kIntentInStaging,
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) {
        Fail("cannot create the intent file");
    }
    DurableSteps::Done(Kind::Create);
    // Readable like the catalogue, so that a user may check the backup it belongs to.
    ::fchmod(file.Get(), 0644);
    const std::string bytes = intent.Serialize();
    if (!file.WriteAll(bytes.data(), bytes.size()) || !file.FlushAndClose()) {
        Fail("cannot write the intent file");
    }
    if (::renameat(staging.Get(), kIntentInStaging, folder.Get(), CommitIntent::kFileName) != 0) {
        Fail("cannot put the intent file in place");
    }
    DurableSteps::Done(Kind::Rename);
    Sync(folder);
    Finish(folder, intent);
}

std::vector<std::string> GenerationSwitch::EarlierBackups(const FileDescriptor& folder,
                                                          std::vector<std::string>* taken) {
    std::vector<std::string> names;
    const FileDescriptor earlier = OpenFolder(folder.Get(), BackupNames::kEarlier);
    if (earlier) {
        for (std::string& name : Names(earlier)) {
            if (!CommitIntent::IsEarlierName(name)) {
                continue;
            }
            if (TypeAt(earlier, name) == S_IFDIR) {
                names.push_back(name);
            }
            if (taken != nullptr) {
                taken->push_back(std::move(name));
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool GenerationSwitch::CanKeepEarlier(const FileDescriptor& folder) {
    const mode_t earlier = TypeAt(folder, BackupNames::kEarlier);
    return earlier == 0 || earlier == S_IFDIR;
}

bool GenerationSwitch::StagePrevious(const FileDescriptor& folder, const FileDescriptor& staging,
                                     const std::vector<std::string>& copies) {
    if (TypeAt(folder, BackupNames::kCatalogue) != S_IFREG) {
        return false;
    }
    const FileDescriptor kept = MakeFolder(staging, kStagedEarlier, 0755);
    const FileDescriptor keptCopies = MakeFolder(kept, BackupNames::kCopies, 0755);
    for (const char* name : {BackupNames::kCatalogue, BackupNames::kHashFile,
                             BackupNames::kRightsFile, BackupNames::kCopyMap,
                             BackupNames::kRestoreProgram, BackupNames::kAutoexec}) {
        LinkOrCopy(folder, kept, name);
    }
    const FileDescriptor previous = OpenFolder(folder.Get(), BackupNames::kCopies);
    if (previous) {
        for (const std::string& name : copies) {
            LinkOrCopy(previous, keptCopies, name);
        }
    }
    Sync(keptCopies);
    // The disk record of the replaced backup goes with it: the map of the disks it was made on.
    const FileDescriptor record = OpenFolder(folder.Get(), BackupNames::kDiskRecord);
    if (record) {
        const FileDescriptor keptRecord = MakeFolder(kept, BackupNames::kDiskRecord, 0755);
        for (const std::string& name : Names(record)) {
            LinkOrCopy(record, keptRecord, name);
        }
        Sync(keptRecord);
    }
    Sync(kept);
    return true;
}

void GenerationSwitch::UnstagePrevious(const FileDescriptor& staging) {
    if (TypeAt(staging, kStagedEarlier) != 0) {
        RemoveTree(staging, kStagedEarlier, 0);
    }
}

void GenerationSwitch::DropEarlier(const FileDescriptor& folder, const FileDescriptor& staging,
                                   const std::string& name) {
    const FileDescriptor earlier = OpenFolder(folder.Get(), BackupNames::kEarlier);
    if (!earlier || !CommitIntent::IsEarlierName(name)) {
        return;
    }
    MoveFolderIfThere(earlier, name, staging, kDroppedPrefix + name);
    Sync(earlier);
    if (TypeAt(staging, kDroppedPrefix + name) != 0) {
        RemoveTree(staging, kDroppedPrefix + name, 0);
    }
}

bool GenerationSwitch::ShareCopy(const FileDescriptor& copies, const FileDescriptor& staging,
                                 const FileDescriptor& stagingCopies, const std::string& name) {
    constexpr char kShared[] = "partage";
    if (::linkat(copies.Get(), name.c_str(), staging.Get(), kShared, 0) != 0) {
        return false;
    }
    DurableSteps::Done(Kind::Create);
    if (::renameat(staging.Get(), kShared, stagingCopies.Get(), name.c_str()) != 0) {
        Unlink(staging, kShared);
        return false;
    }
    DurableSteps::Done(Kind::Rename);
    return true;
}
