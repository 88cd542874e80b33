#pragma once

#include <string>
#include <vector>

#include "shared/Catalogue.h"
#include "shared/FileDescriptor.h"

// What a run may carry over from the backup it replaces when it cannot copy a file again: the
// file's record in the previous catalogue and the lines of its copy in the two manifests, taken
// as they are, so that the copy left in D/Kestrix/ stays restorable and checkable.
class PreviousBackup {
public:
    struct Lines {
        std::string record;      // without its line end
        std::string hashLine;    // with its LF
        std::string rightsLine;  // with its LF
    };

    // Reads the catalogue and the manifests of D, never through a link. A file that is missing,
    // unreadable, not a regular file or larger than 16 MiB leaves nothing to carry.
    static PreviousBackup Read(const FileDescriptor& folder);

    // The lines of the copy `name` when the previous catalogue records the same source as
    // `record` and both manifests have a line for Kestrix/<name> (the last one of each counts).
    bool Find(const std::string& record, const std::string& name, Lines& lines) const;

    // The copies this backup lists, which Kestrix wrote: every name of its manifests, and the
    // name of each catalogue record whose name and folder cannot be told apart otherwise (one
    // comma). In byte order, once each.
    std::vector<std::string> CopyNames() const;

private:
    Catalogue catalogue_;
    std::string hashes_;
    std::string rights_;
};
