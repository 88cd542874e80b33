#include "restore/FileComparison.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"

FileComparison FileComparison::Of(const FileDescriptor& directory, const std::string& name,
                                  const FileDescriptor& copy) {
    FileComparison comparison;
    const FileDescriptor live(::openat(directory.Get(), name.c_str(),
                                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!live) {
        if (errno == ENOENT) {
            comparison.result = Result::Missing;
        } else if (errno == ELOOP) {
            comparison.result = Result::NotRegular;
        } else {
            comparison.error = errno;
        }
        return comparison;
    }
    struct stat st {};
    if (::fstat(live.Get(), &st) != 0) {
        comparison.error = errno;
        return comparison;
    }
    if (!S_ISREG(st.st_mode)) {
        comparison.result = Result::NotRegular;
        return comparison;
    }
    comparison.mode = st.st_mode & 07777;
    comparison.uid = st.st_uid;
    comparison.gid = st.st_gid;
    try {
        comparison.result =
            SafeReplacement::SameContent(copy, live) ? Result::Identical : Result::Different;
    } catch (const SystemFailure& failure) {
        comparison.error = failure.Error();
    }
    return comparison;
}
