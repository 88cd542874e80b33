#include "restore/TargetDirectory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "restore/FrenchTexts.h"
#include "restore/SystemFailure.h"
#include "shared/LinkWalk.h"

using Step = SystemFailure::Step;

FileDescriptor TargetDirectory::OpenForReading(const std::string& planned) {
    FileDescriptor directory(::open(planned.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory) {
        throw SystemFailure(Step::OpenDirectory, errno);
    }
    std::string real;
    if (!LinkWalk::PathOf(directory, real)) {
        throw SystemFailure(Step::OpenDirectory, errno);
    }
    // The plan checked `planned` against the restore root; any other folder was never checked.
    if (real != planned) {
        throw SystemFailure(Step::DirectoryMoved, 0, real);
    }
    return directory;
}

FileDescriptor TargetDirectory::Open(const std::string& planned, bool force) {
    FileDescriptor directory = OpenForReading(planned);
    struct stat st {};
    if (::fstat(directory.Get(), &st) != 0) {
        throw SystemFailure(Step::OpenDirectory, errno);
    }
    // There anyone could put a link or another file at the name between two of root's steps.
    if (!force && ::geteuid() == 0 && (st.st_mode & S_IWOTH) != 0 && (st.st_mode & S_ISVTX) == 0) {
        throw SystemFailure(Step::DirectoryWritable, 0, FrenchTexts::Mode(st.st_mode));
    }
    return directory;
}
