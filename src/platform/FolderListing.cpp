#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/NativeNames.h"

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::vector<FolderEntry> ListFolder(const QString& path, bool files, bool hidden) {
    std::vector<FolderEntry> entries;
    const int fd =
        ::open(FileSystem::NativePath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return entries;
    }
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return entries;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 ||
            (!hidden && name[0] == '.')) {
            continue;
        }
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            folder = ::fstatat(::dirfd(dir.get()), name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (folder || files) {
            entries.push_back({NativeNames::Decode(QByteArray(name)), folder});
        }
    }
    return entries;
}
