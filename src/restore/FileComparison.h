#pragma once

#include <sys/types.h>

#include <string>

#include "shared/FileDescriptor.h"

// How the file in place compares with its copy in the backup.
struct FileComparison {
    enum class Result { Identical, Different, Missing, NotRegular, Unreadable };

    Result result = Result::Unreadable;
    int error = 0;  // errno when Unreadable
    // The file in place, when Identical or Different.
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;

    // The file `name` of the open folder `directory`, never through a link: one put at the name
    // since the plan looked at it is NotRegular. `copy` is the copy, open.
    static FileComparison Of(const FileDescriptor& directory, const std::string& name,
                             const FileDescriptor& copy);
};
