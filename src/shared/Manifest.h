#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "shared/ManifestEntry.h"

// The manifest files a backup leaves beside its catalogue: Kestrix.xxh128, in the format of
// xxh128sum ("<hash>  Kestrix/<name>", so that `xxh128sum -c` checks a backup), and
// Kestrix.droits, a header line then tab-separated "mode, owner, group, uid, gid, size, path"
// lines, which keep what a FAT medium loses. Both end their lines with LF and hold names as raw
// bytes; when a path has several lines, the last one holds. Reads only the bytes given: lines
// longer than any the backup writes, and names longer than a file name, are bad lines.
class Manifest {
public:
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxName = 255;
    // The first line of Kestrix.droits, without its line end.
    static const char kRightsHeader[];

    // "<hash>  Kestrix/<name>\n"
    static std::string HashLine(const std::string& name, const std::string& hash);
    // "0640\troot\tshadow\t0\t42\t1234\tKestrix/<name>\n" from the rights of `entry`; an
    // owner or group name that is empty or would break the line is written as its number.
    static std::string RightsLine(const std::string& name, const ManifestEntry& entry);

    // The lines that could not be read in one file.
    struct BadLines {
        int count = 0;
        int first = 0;           // its line number, counted from 1
        bool badHeader = false;  // Kestrix.droits: the first line is not the header
    };

    void ParseHashes(const std::string& bytes);
    void ParseRights(const std::string& bytes);

    // The entry of the copy Kestrix/<name>, or null when neither file names it.
    const ManifestEntry* Find(const std::string& name) const;

    // The copies that either file names, in byte order.
    std::vector<std::string> Names() const;
    // The lines read from each file (the header apart).
    int HashLines() const { return hashLines_; }
    int RightsLines() const { return rightsLines_; }

    const BadLines& HashBadLines() const { return hashBad_; }
    const BadLines& RightsBadLines() const { return rightsBad_; }

private:
    std::map<std::string, ManifestEntry> entries_;
    BadLines hashBad_;
    BadLines rightsBad_;
    int hashLines_ = 0;
    int rightsLines_ = 0;
};
