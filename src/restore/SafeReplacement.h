#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <string>

#include "shared/FileDescriptor.h"

// Puts a copy in place of a file so that a crash never leaves a half-written file: the bytes go
// to a temporary file in the target's folder, which is flushed to disk and then renamed over the
// target, all through the open folder; the old content of a replaced file stays beside it.
// A verified backup gives the hash the written bytes must have, and the mode, owner and group
// the file gets, whether it was missing or replaced: whoever could change a file in place must
// not choose what root's restored file becomes. Without them a replaced file keeps its owner and
// permission bits, and a missing file comes back with its copy's. Either way a new mode loses the
// set-ID bits (a backup medium must not install set-ID programs), and as another user than root
// the group bits go unless the group is the recorded one. A file that already holds the copy's
// bytes is left in place, and only gets the recorded mode, owner and group when it lacks them.
// Throws SystemFailure, leaving the target as it was.
class SafeReplacement {
public:
    enum class Outcome { Created, Replaced, RightsRepaired, Unchanged };

    struct Result {
        Outcome outcome = Outcome::Unchanged;
        std::string keptAs;  // the name the old content was kept under, when Replaced
        // The file, when Created or RightsRepaired.
        mode_t mode = 0;
        uid_t uid = 0;
        gid_t gid = 0;
        // What it had before, when RightsRepaired.
        mode_t oldMode = 0;
        uid_t oldUid = 0;
        gid_t oldGid = 0;
    };

    // What the manifest of the backup says.
    struct Expected {
        std::string hash;  // of the bytes written; empty when there is none to check
        bool hasRights = false;
        mode_t mode = 0;
        uid_t uid = 0;
        gid_t gid = 0;
    };

    static constexpr const char* kKeptSuffix = ".avant-restauration";

    // The mode, owner and group a file given `recorded` gets, as Restore gives them; run by
    // another user than root (`asRoot` false), the file is theirs.
    static Expected Attributes(const Expected& recorded, bool asRoot = ::geteuid() == 0);
    // Those that a file in place with the copy's bytes, `mode`, `uid` and `gid` gets: when it
    // keeps its owner and group, the set-ID bits that both it and the record have stay, since
    // they were found, not given back; a new owner never gets them.
    static Expected AttributesInPlace(const Expected& recorded, mode_t mode, uid_t uid, gid_t gid,
                                      bool asRoot = ::geteuid() == 0);

    // Restores `copy` as `name` in `directory`. A target that exists must be a regular file.
    // Throws SystemFailure (CopyChanged, with both hashes) when the bytes written do not have
    // the expected hash: the copy changed since it was checked.
    static Result Restore(const FileDescriptor& copy, const FileDescriptor& directory,
                          const std::string& name, const Expected& expected);
    // Without a manifest.
    static Result Restore(const FileDescriptor& copy, const FileDescriptor& directory,
                          const std::string& name);

    // True when both files hold the same bytes. Throws SystemFailure (ReadCopy for `a`,
    // ReadTarget for `b`) on a read error.
    static bool SameContent(const FileDescriptor& a, const FileDescriptor& b);
};
