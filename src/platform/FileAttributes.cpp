#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>


namespace FileAttributes {

bool RemoveReadOnly(const FileDescriptor& file, const struct stat& status) {
    if ((status.st_mode & S_IWUSR) != 0 || ::geteuid() == 0 || status.st_uid != ::geteuid()) {
        return false;
    }
    return ::fchmod(file.Get(), (status.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace FileAttributes
