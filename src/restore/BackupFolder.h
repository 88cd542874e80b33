#pragma once

#include <string>

#include "shared/FileDescriptor.h"

// A backup folder, opened once: the catalogue, the Kestrix/ folder and each copy are reached
// through its handle without following links, and each is checked on the handle that is then
// read. Whoever could write one of them could choose what root writes and where, so one that
// its owner's group or others may write is refused unless `force` is given.
class BackupFolder {
public:
    // Throws SystemFailure (OpenBackup).
    explicit BackupFolder(const std::string& path);

    const std::string& Path() const { return path_; }

    // The whole of Kestrix.dat. Throws SystemFailure (ReadCatalogue, CatalogueWritable).
    std::string ReadCatalogue(bool force) const;

    // The whole of the manifest file `name` (Kestrix.xxh128, Kestrix.droits), checked as the
    // catalogue is; false when the backup has none. Throws SystemFailure (ReadManifest,
    // ManifestWritable).
    bool ReadManifest(const char* name, bool force, std::string& bytes) const;

    // Opens Kestrix/; when it is absent the backup has no copy. Throws SystemFailure
    // (OpenCopies, CopiesWritable).
    void OpenCopies(bool force);

    // True when Kestrix/<name> is a regular file; a link is no copy.
    bool HasCopy(const std::string& name) const;

    // Kestrix/<name>, open for reading. Throws SystemFailure (OpenCopy, CopyNotRegular,
    // CopyWritable).
    FileDescriptor OpenCopy(const std::string& name, bool force) const;

private:
    std::string path_;
    FileDescriptor folder_;
    FileDescriptor copies_;
};
