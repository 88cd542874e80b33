#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "boot/BootPlan.h"
#include "shared/FileDescriptor.h"

// The mounts a boot repair makes under the restored root, undone in the reverse order when the
// stack goes, whatever happened in between. Each mount point is reached one name at a time from
// the root without following a link, so that a link in the restored files cannot send a mount
// elsewhere on the rescue system; a missing mount point is made as a folder of root's.
class MountStack {
public:
    MountStack(std::string root, std::ostream& out) : root_(std::move(root)), out_(out) {}
    ~MountStack();
    MountStack(const MountStack&) = delete;
    MountStack& operator=(const MountStack&) = delete;

    // Makes `mount`, saying it; false after a line that says why it could not be made.
    bool Mount(const BootMount& mount);

    // Undoes every mount made, the last first; false when one could only be detached or stays.
    bool Undo();

private:
    // The folder `inside` the root, made where missing; closed after a line when it cannot be.
    FileDescriptor OpenPoint(const std::string& inside);

    std::string root_;
    std::ostream& out_;
    std::vector<std::string> made_;  // full paths, in the order they were mounted
};
