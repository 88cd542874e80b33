#pragma once

#include <string>

#include "shared/FileDescriptor.h"

// The lock that keeps one backup run or restore at a time on a backup folder D. It is a file of
// a folder that only the caller's account may write (root: /run/kestrix; another account: its
// own runtime folder, kestrix/ in $XDG_RUNTIME_DIR), named after D's device and inode: nobody
// else can open it, so nobody else can take or hold it, whatever D's medium lets its readers do.
// Accounts do not see each other's locks: root's runs and restores exclude each other; a user
// who cannot write root's backups only reads them, and reads them unlocked.
class FolderLock {
public:
    enum class Outcome {
        Held,         // taken, until this object goes
        Busy,         // another run or restore holds it
        Unavailable   // no lock folder of the caller's own (none, or not safe): go on unlocked
    };

    // Takes the lock of the open folder D: exclusive for whoever may change D, shared for a
    // reader. Never waits.
    FolderLock(const FileDescriptor& folder, bool exclusive);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    Outcome Result() const { return outcome_; }

    // Root's lock folder.
    static constexpr char kRootFolder[] = "/run/kestrix";

private:
    FileDescriptor locks_;
    std::string name_;
    FileDescriptor file_;
    bool exclusive_ = false;
    Outcome outcome_ = Outcome::Unavailable;
};
