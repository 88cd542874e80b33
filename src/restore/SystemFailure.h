#pragma once

#include <exception>

// A system call that failed while reading or restoring a file: what was being done, and errno.
class SystemFailure : public std::exception {
public:
    enum class Step {
        ReadCatalogue,
        OpenCopy,
        CopyNotRegular,
        ReadCopy,
        OpenDirectory,
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

    SystemFailure(Step step, int error) : step_(step), error_(error) {}

    Step GetStep() const { return step_; }
    int Error() const { return error_; }
    const char* what() const noexcept override { return "restore: system call failed"; }

private:
    Step step_;
    int error_;
};
