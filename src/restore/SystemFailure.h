#pragma once

#include <exception>
#include <string>

// A system call that failed while reading or restoring a file, or a check that refused it: what
// was being done, errno (0 for a refusal) and, for a refusal, what was found (a mode, a path).
class SystemFailure : public std::exception {
public:
    enum class Step {
        OpenBackup,
        ReadCatalogue,
        CatalogueWritable,
        ReadManifest,
        ManifestWritable,
        OpenCopies,
        CopiesWritable,
        OpenCopy,
        CopyNotRegular,
        CopyWritable,
        ReadCopy,
        CopyChanged,
        OpenDirectory,
        DirectoryMoved,
        DirectoryWritable,
        ReadTarget,
        TargetNotRegular,
        CreateTemporary,
        WriteTemporary,
        Owner,
        Mode,
        Flush,
        KeepOld,
        Rename,
        FlushDirectory
    };

    SystemFailure(Step step, int error, std::string found = {})
        : step_(step), error_(error), found_(std::move(found)) {}

    Step GetStep() const { return step_; }
    int Error() const { return error_; }
    const std::string& Found() const { return found_; }
    const char* what() const noexcept override { return "restore: system call failed"; }

private:
    Step step_;
    int error_;
    std::string found_;
};
