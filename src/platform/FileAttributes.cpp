#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>


namespace FileAttributes {

void RemoveReadOnly(const FileDescriptor& file) {
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || (st.st_mode & S_IWUSR) != 0 || ::geteuid() == 0 ||
        st.st_uid != ::geteuid()) {
        return;
    }
    ::fchmod(file.Get(), (st.st_mode & 07777) | S_IWUSR);
}

}  // namespace FileAttributes
