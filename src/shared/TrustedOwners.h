#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <vector>

// Who may own a backup that root restores: root, the user running the program and the
// administrator who called it through sudo or pkexec (a stick the desktop mounted for them).
// Anyone else who owns a file of the backup could choose what root writes, and where. Run as
// another user than root, the program can write nothing that user could not: all owners pass.
class TrustedOwners {
public:
    static TrustedOwners OfProcess();

    bool Includes(uid_t owner) const;

    // A folder of a backup that nobody but its owner may change: not writable by its group or
    // others, or sticky and root's (others may add names there, never replace one).
    static bool OnlyOwnerChanges(const struct stat& folder);

private:
    bool everyone_ = true;
    std::vector<uid_t> owners_;
};
