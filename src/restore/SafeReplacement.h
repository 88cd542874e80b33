#pragma once

#include <string>

#include "restore/FileDescriptor.h"

// Puts a copy in place of a file so that a crash never leaves a half-written file: the bytes go
// to a temporary file in the same directory, which is flushed to disk and then renamed over the
// target. A replaced file keeps its owner and permission bits and its old content stays beside
// it; a new file gets mode 0600. Throws SystemFailure, leaving the target as it was.
class SafeReplacement {
public:
    enum class Outcome { Created, Replaced, Unchanged };

    struct Result {
        Outcome outcome = Outcome::Unchanged;
        std::string keptAs;  // the name the old content was kept under, when Replaced
    };

    static constexpr const char* kKeptSuffix = ".avant-restauration";
    static constexpr unsigned kNewFileMode = 0600;

    // Restores `copyPath` as `name` in `directory`. A target that exists must be a regular file.
    static Result Restore(const std::string& copyPath, const std::string& directory,
                          const std::string& name);

    // True when both files hold the same bytes. Throws SystemFailure (ReadCopy for `a`,
    // ReadTarget for `b`) on a read error.
    static bool SameContent(const FileDescriptor& a, const FileDescriptor& b);
};
