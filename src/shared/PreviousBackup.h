#pragma once

#include <string>
#include <vector>

#include "shared/Catalogue.h"
#include "shared/CopyMap.h"
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
    // None when its Kestrix.noms cannot be read: a copy could then be taken for another's.
    bool Find(const std::string& record, const std::string& name, Lines& lines) const;

    // The copy of the source recorded as `record` whose file name is `name`: the one its
    // Kestrix.noms gives, or `name`.
    std::string CopyOf(const std::string& record, const std::string& name) const;

    // The copies this backup lists, which Kestrix wrote: every name of its manifests, and the
    // name of each catalogue record whose name and folder cannot be told apart otherwise (one
    // comma). In byte order, once each.
    std::vector<std::string> CopyNames() const;

    // The name this backup is kept under among the earlier ones, from its date:
    // "2026-12-07_11-15-45" for a catalogue dated 07/12/2026,11:15:45, else from the
    // catalogue's time of change. Empty when there is no catalogue.
    std::string EarlierName() const;

    const Catalogue& GetCatalogue() const { return catalogue_; }

private:
    Catalogue catalogue_;
    long long catalogueTime_ = -1;  // its time of change, seconds since the epoch
    std::string hashes_;
    std::string rights_;
    CopyMap copyMap_;
    bool copyMapDamaged_ = false;
};
