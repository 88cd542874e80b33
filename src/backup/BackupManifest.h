#pragma once

#include <sys/stat.h>
#include <QByteArray>

#include "platform/DirectoryHandle.h"
#include "platform/UniqueFd.h"

// The two manifests beside the catalogue, one line per copy, written in step with its records:
// Kestrix.xxh128 (the copy's hash in the format of xxh128sum, so that `xxh128sum -c` checks a
// backup) and Kestrix.droits (the source's mode, owner, group and size, which a FAT medium does
// not keep). Names are bytes; lines end with LF, as those tools expect.
class BackupManifest {
public:
    // What the manifests tell of one copy.
    struct Copy {
        QByteArray name;  // in the copies' folder
        QByteArray hash;  // 32 lower-case hexadecimal digits
        struct stat source {};
        qint64 size = 0;  // bytes written
    };

    // Replaces both manifests in `directory` (mode 0644); Kestrix.droits gets its header line.
    // Throws Failure.
    void Create(const DirectoryHandle& directory);

    bool IsOpen() const { return static_cast<bool>(hashes_) && static_cast<bool>(rights_); }

    // Throws Failure, also when the manifests are not open.
    void Append(const Copy& copy);

    // Flushes and closes both; throws Failure when a write is lost.
    void Close();

    // "<hash>  Kestrix/<name>\n"
    static QByteArray HashLine(const Copy& copy);
    // "0640\troot\tshadow\t0\t42\t1234\tKestrix/<name>\n"; a number stands for a name that the
    // system does not have.
    static QByteArray RightsLine(const Copy& copy);
    static const QByteArray kRightsHeader;

private:
    UniqueFd hashes_;
    UniqueFd rights_;
};
