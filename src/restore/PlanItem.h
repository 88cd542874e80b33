#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// One record of the catalogue and what a restore would do with it.
struct PlanItem {
    enum class Skip {
        None,               // to be restored
        Malformed,          // no "name,directory" in the line
        Ambiguous,          // the commas allow several names that all have a copy
        NoCopy,             // its copy is not in the backup
        NoDirectory,        // the file was backed up by a bare relative name
        RelativeDirectory,  // the file was backed up by a relative path
        Superseded,         // a later record of the same name overwrote the copy
        Duplicate,          // a later record names the very same file
        NoTargetDirectory,  // the directory to restore into does not exist
        DirectoryUnusable,  // the directory cannot be resolved (errno in `error`)
        OutsideRoot,        // the directory leads out of the restore root (symbolic link, "..")
        LinkRefused,        // a link on the way that someone else could have made or moved
        TargetIsLink,       // the file in place is a symbolic link
        TargetNotRegular,   // the file in place is a directory, device, pipe...
        TargetUnusable,     // the file in place cannot be examined (errno in `error`)
        Unverified,         // the copy does not match the manifest or cannot be checked
        CopyRefused         // others may write the copy, or nobody trusted owns it (`refusal`)
    };

    // The copy against the manifest of the backup.
    enum class Check {
        NotChecked,
        Match,
        NotListed,    // the manifest file `found` has no line for it
        SizeDiffers,  // sizes in bytes in `expected` and `found`
        HashDiffers,  // hashes in `expected` and `found`
        Unreadable    // `found` says why
    };

    int line = 0;
    std::string_view record;  // in the catalogue's bytes
    std::string name;
    std::string copy;  // in Kestrix/: the name, unless Kestrix.noms gives the copy one of its own
    std::string directory;
    std::vector<std::string> candidates;
    std::string targetDirectory;  // the restore root followed by the record's directory
    std::string targetPath;       // targetDirectory joined with the name, as shown to the user
    std::string realDirectory;    // the canonical directory that is written into
    bool targetExists = false;
    bool asked = true;  // false when files were named and this is none of them
    Skip skip = Skip::None;
    int error = 0;
    int laterLine = 0;  // Superseded, Duplicate: the record that wins
    std::string link;     // LinkRefused: the link and why it was not followed
    std::string linkWhy;
    std::string refusal;  // CopyRefused: why, after the copy's name
    std::string laterDirectory;
    Check check = Check::NotChecked;
    std::string expected;
    std::string found;

    bool Restorable() const { return skip == Skip::None; }
    // A duplicate line is restored through its later twin, so it is not a loss.
    bool Ignored() const { return skip != Skip::None && skip != Skip::Duplicate; }
    std::string RealTarget() const;
};
