#pragma once

#include <sys/types.h>

#include <string>
#include <unordered_map>

// The folders above a run's sources, each looked at once a run (its status and whether an access
// control list gives it more readers than its mode): a run copies many files from few folders.
class SourceFolders {
public:
    struct Folder {
        bool known = false;  // false when the folder could not be looked at
        mode_t mode = 0;
        gid_t gid = 0;
        bool accessList = false;
    };

    // `path` is absolute, links resolved.
    const Folder& Look(const std::string& path);

private:
    std::unordered_map<std::string, Folder> folders_;
};
