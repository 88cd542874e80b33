#pragma once

#include <sys/stat.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "restore/TrustedOwners.h"
#include "shared/FolderLock.h"
#include "shared/FileDescriptor.h"
#include "shared/GenerationView.h"
#include "shared/Manifest.h"

// A backup folder, opened once: the catalogue, the Kestrix/ folder and each copy are reached
// through its handle without following links, and each is checked on the handle that is then
// read. Whoever could write one of them could choose what root writes and where, so one that
// its owner's group or others may write, or, run as root, that nobody trusted owns, is refused
// unless `force` is given: the folders, catalogue and manifests refuse the whole backup, a copy
// only itself.
class BackupFolder {
public:
    // Throws SystemFailure (OpenBackup).
    explicit BackupFolder(const std::string& path);

    const std::string& Path() const { return path_; }

    // The earlier backups kept in Kestrix.historique/, oldest first: each name, and the date
    // and time of its catalogue ("01/12/2026 à 03:00:00"; empty when it has none).
    std::vector<std::pair<std::string, std::string>> EarlierBackups() const;

    // What an interrupted backup run had left, and what became of it.
    enum class Recovery {
        None,
        Busy,      // another backup run or restore works on the folder: nothing was done
        Finished,  // a switch to a new backup was finished
        Pending,   // a switch is unfinished and the backup is read as it will be once finished
        Undone,    // the files of a run that never switched were removed
        Damaged    // what stands at the intent file's name is no intent of Kestrix's: the
                   // backup is read as it stands, nothing is moved or removed
    };

    // Checks, before anything is read or changed, that only trusted owners could have made the
    // backup: the folder itself and Kestrix/ (none but their owner may change them, or they are
    // sticky and root's), the catalogue, the manifests and the intent file, here and in the
    // staging folder of an unfinished switch. Nothing else can then change what stands at their
    // names; each copy is checked when it is opened. Must come before Prepare. Throws
    // SystemFailure (ForeignOwner with the owner, BackupWritable, CopiesWritable,
    // CatalogueWritable or ManifestWritable with the mode, TooLarge; the subject names the
    // file).
    void Vouch(bool force) const;

    // The owners the manifest records for the sources: a copy may be owned by its source's.
    void UseManifest(const Manifest& manifest) { manifest_ = &manifest; }

    // Takes the folder's lock (exclusive when `changes`, shared for a reader; one who has no
    // lock of their own, as a user reading root's backup, reads unlocked), then deals with
    // what an interrupted backup run left: a restore (`changes`) finishes an unfinished switch,
    // or removes the staging folder of a run that never switched; a reader that changes nothing,
    // or a restore from a read-only medium, reads the backup as it will be once the switch is
    // finished. Must come before any other call. Throws std::system_error when an unfinished
    // switch can be neither finished nor read.
    Recovery Prepare(bool changes);

    // A catalogue or manifest larger than this is refused: no backup of boot files comes near,
    // and reading it would cost as much memory.
    static constexpr off_t kMaxFile = 16 << 20;

    // The whole of Kestrix.dat. Throws SystemFailure (ReadCatalogue, CatalogueWritable,
    // ForeignOwner, TooLarge with the size in bytes).
    std::string ReadCatalogue(bool force) const;

    // The whole of the manifest file `name` (Kestrix.xxh128, Kestrix.droits, Kestrix.noms), checked as the
    // catalogue is; false when the backup has none. Throws SystemFailure (ReadManifest,
    // ManifestWritable, ForeignOwner, TooLarge).
    bool ReadManifest(const char* name, bool force, std::string& bytes) const;

    // Checks the folders of the copies (Kestrix/, and the staging folder's while a switch is
    // unfinished); a missing one holds no copy. Throws SystemFailure (OpenCopies,
    // CopiesWritable).
    void OpenCopies(bool force) const;

    // Lists the regular files of those folders once, so that HasCopy then asks the file system
    // nothing: for a run that reads every copy anyway. A folder that cannot be listed is asked
    // name by name.
    void ListCopies();

    // True when Kestrix/<name> is a regular file; a link is no copy.
    bool HasCopy(const std::string& name) const;

    // Kestrix/<name>, open for reading; its status in `status` when given. Throws
    // SystemFailure (OpenCopy, CopyNotRegular, CopyWritable, CopyOwner).
    FileDescriptor OpenCopy(const std::string& name, bool force,
                            struct stat* status = nullptr) const;

    // The same, left in the non-blocking mode it is opened in, in case a FIFO stood at the name:
    // plain reads of a regular file ignore it, and a check of every copy spares a call each.
    FileDescriptor OpenCopyNonBlocking(const std::string& name, bool force,
                                       struct stat& status) const;

private:
    std::string path_;
    FileDescriptor folder_;
    std::unique_ptr<FolderLock> lock_;
    std::unique_ptr<GenerationView> view_;
    const TrustedOwners trusted_ = TrustedOwners::OfProcess();
    const Manifest* manifest_ = nullptr;
    // The regular files of a folder of copies, once listed.
    struct Listing {
        bool listed = false;
        std::unordered_set<std::string> names;
    };
    Listing copies_;
    Listing stagedCopies_;
};
