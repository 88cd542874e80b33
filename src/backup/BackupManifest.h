#pragma once

#include <sys/stat.h>
#include <QByteArray>
#include <string>
#include <unordered_map>

#include "platform/DirectoryHandle.h"
#include "shared/FileDescriptor.h"

// Writes the two manifests beside the catalogue (their format: shared/Manifest.h), one line
// per copy, in step with its records. The lines are written a block at a time: nothing reads the
// manifests before Close, and a write lost on the way fails Append or Close.
class BackupManifest {
public:
    // What the manifests tell of one copy.
    struct Copy {
        QByteArray name;   // in the copies' folder
        std::string hash;  // 32 lower-case hexadecimal digits
        struct stat source {};
        qint64 size = 0;  // bytes written
    };

    // Replaces both manifests in `directory` (mode 0644); Kestrix.droits gets its header line.
    // Throws Failure.
    void Create(const DirectoryHandle& directory);

    bool IsOpen() const { return static_cast<bool>(hashes_) && static_cast<bool>(rights_); }

    // Throws Failure, also when the manifests are not open.
    void Append(const Copy& copy);
    // Adds lines of another backup's manifests as they are (each with its LF). Throws Failure.
    void AppendLines(const std::string& hashLine, const std::string& rightsLine);

    // Flushes and closes both; throws Failure when a write is lost.
    void Close();

    // The Kestrix.droits line of `copy`, with the owner and group names of this system.
    std::string RightsLine(const Copy& copy);

private:
    // Writes what `pending` holds once it fills a block, or `always`. Throws Failure.
    static void Write(const FileDescriptor& fd, std::string& pending, bool always);

    FileDescriptor hashes_;
    FileDescriptor rights_;
    std::string hashesPending_;
    std::string rightsPending_;
    // The names of the owners and groups met since Create: each is looked up once a run.
    std::unordered_map<uid_t, std::string> owners_;
    std::unordered_map<gid_t, std::string> groups_;
};
