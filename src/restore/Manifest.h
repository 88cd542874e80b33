#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "restore/ManifestEntry.h"

// The manifest files a backup leaves beside its catalogue: Kestrix.xxh128, in the format of
// xxh128sum ("<hash>  Kestrix/<name>"), and Kestrix.droits, a header line then tab-separated
// "mode, owner, group, uid, gid, size, path" lines. Both end their lines with LF and hold names
// as raw bytes; when a path has several lines, the last one holds. Reads only the bytes given:
// lines longer than any the backup writes, and names longer than a file name, are bad lines.
class Manifest {
public:
    static constexpr std::size_t kMaxLine = 4096;
    static constexpr std::size_t kMaxName = 255;
    static constexpr const char* kHashFile = "Kestrix.xxh128";
    static constexpr const char* kRightsFile = "Kestrix.droits";
    static const char kRightsHeader[];

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

    const BadLines& HashBadLines() const { return hashBad_; }
    const BadLines& RightsBadLines() const { return rightsBad_; }

private:
    std::map<std::string, ManifestEntry> entries_;
    BadLines hashBad_;
    BadLines rightsBad_;
};
