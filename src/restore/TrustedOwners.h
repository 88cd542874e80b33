#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Who may own a backup that root restores: root, the user running the program and the
// administrator who called it through sudo or pkexec (a stick the desktop mounted for them).
// Anyone else who owns a file of the backup could choose what root writes, and where. Run as
// another user than root, the program can write nothing that user could not: all owners pass.
class TrustedOwners {
public:
    static TrustedOwners OfProcess();

    bool Includes(uid_t owner) const;

    // "1001 (mallory)", or the number alone when the running system has no such user.
    static std::string Describe(uid_t owner);

private:
    bool everyone_ = true;
    std::vector<uid_t> owners_;
};
