#include "platform/SourceFolders.h"

#include <sys/stat.h>
#include <sys/xattr.h>

const SourceFolders::Folder& SourceFolders::Look(const std::string& path) {
    const auto found = folders_.find(path);
    if (found != folders_.end()) {
        return found->second;
    }
    Folder folder;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        folder.known = true;
        folder.mode = st.st_mode;
        folder.gid = st.st_gid;
        // The system keeps an access control list only when it gives more than the mode.
        folder.accessList = ::getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) > 0;
    }
    return folders_.emplace(path, folder).first->second;
}
