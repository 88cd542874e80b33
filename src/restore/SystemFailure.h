#pragma once

#include <exception>
#include <string>

// A system call that failed while reading or restoring a file, or a check that refused it: what
// was being done, errno (0 for a refusal) and, for a refusal, what was found (a mode, a path, an
// owner) and in which file of the backup (its path under the backup folder, "" for the folder).
class SystemFailure : public std::exception {
public:
    enum class Step {
        OpenBackup,
        BackupWritable,
        ForeignOwner,  // a file or folder of the backup that nobody trusted owns
        ReadCatalogue,
        TooLarge,  // a catalogue or manifest larger than any backup writes
        CatalogueWritable,
        ReadManifest,
        ManifestWritable,
        OpenCopies,
        CopiesWritable,
        OpenCopy,
        CopyNotRegular,
        CopyWritable,
        CopyOwner,
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

    SystemFailure(Step step, int error, std::string found = {}, std::string subject = {})
        : step_(step), error_(error), found_(std::move(found)), subject_(std::move(subject)) {}

    Step GetStep() const { return step_; }
    int Error() const { return error_; }
    const std::string& Found() const { return found_; }
    const std::string& Subject() const { return subject_; }
    const char* what() const noexcept override { return "restore: system call failed"; }

private:
    Step step_;
    int error_;
    std::string found_;
    std::string subject_;
};
