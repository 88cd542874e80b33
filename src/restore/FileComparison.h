#pragma once

#include <string>

#include "shared/FileDescriptor.h"

// How the file in place compares with its copy in the backup.
struct FileComparison {
    enum class Result { Identical, Different, Missing, NotRegular, Unreadable };

    Result result = Result::Unreadable;
    int error = 0;  // errno when Unreadable

    // Follows a symbolic link at `livePath`, as the backup did when it read the file; `copy` is
    // the copy, open.
    static FileComparison Of(const std::string& livePath, const FileDescriptor& copy);
};
