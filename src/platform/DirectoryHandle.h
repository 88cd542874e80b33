#pragma once

#include <sys/types.h>
#include <QByteArray>
#include <QString>
#include <utility>

#include "shared/FileDescriptor.h"

// An open directory through which the files below it are reached by name. Once open, the
// directory stays the same whatever is later renamed or replaced along its path, and no name
// looked up through it is ever followed as a symbolic link.
class DirectoryHandle {
public:
    enum class Entry { Missing, Directory, Other };

    DirectoryHandle() = default;
    // Takes over an open directory.
    explicit DirectoryHandle(FileDescriptor fd) : fd_(std::move(fd)) {}

    // Opens `path` as a directory; a link in it is followed, since the destination the user
    // chose may be one. Throws Failure.
    static DirectoryHandle Open(const QString& path);

    // A handle that is not open and fails every use with the system error `errorNumber`, so
    // that the operations that need the directory report why it could not be had.
    static DirectoryHandle Failed(int errorNumber);

    bool IsOpen() const { return static_cast<bool>(fd_); }
    int get() const { return fd_.Get(); }
    const FileDescriptor& Descriptor() const { return fd_; }

    // Throws Failure, with the error that kept the directory from opening, when it is not open.
    void RequireOpen() const;

    // What stands at `name`, without following a link there.
    Entry Find(const QByteArray& name) const;

    // Opens the subdirectory `name`; a link there is refused. Throws Failure.
    DirectoryHandle OpenSubdirectory(const QByteArray& name) const;

    // Creates the subdirectory `name` with mode 0755 whatever the umask. Throws Failure.
    void CreateSubdirectory(const QByteArray& name) const;

    // Removes whatever stands at `name` (a directory excepted) and creates a new, empty file
    // there with exactly `mode`, never through a link. Throws Failure.
    FileDescriptor CreateFile(const QByteArray& name, mode_t mode) const;

    // Flushes the directory's entries to the disk. Throws Failure.
    void Sync() const;

    // Gives a directory made by Kestrix mode 0755, keeping a set-group-ID bit it inherited.
    static void SetCreatedMode(int fd);

private:
    FileDescriptor fd_;
    int openError_ = 0;
};
