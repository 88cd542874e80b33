#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/ManifestEntry.h"

// The manifest files a backup leaves beside its catalogue: Kestrix.xxh128, in the format of
// xxh128sum ("<hash>  Kestrix/<name>", so that `xxh128sum -c` checks a backup), and
// Kestrix.droits, a header line then tab-separated "mode, owner, group, uid, gid, size, path"
// lines, which keep what a FAT medium loses. Both end their lines with LF and hold names as raw
// bytes; when a path has several lines, the last one holds. Reads only the bytes given: lines
// longer than any the backup writes, and names longer than a file name, are bad lines.
// Each file is kept as its bytes with a sorted index of its names (4 bytes a line read, 8 a
// name), and an entry is read from its lines when asked for; files of 4 GiB at most.
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

    // Reading a file again replaces what was read from it.
    void ParseHashes(std::string bytes);
    void ParseRights(std::string bytes);

    // The entry of the copy Kestrix/<name>, or none when neither file names it.
    std::optional<ManifestEntry> Find(std::string_view name) const;

    // The copies that either file names, once each and in byte order: Name(i) for i < Size().
    std::size_t Size() const { return index_.size(); }
    std::string_view Name(std::size_t i) const;
    ManifestEntry Entry(std::size_t i) const;
    // The i of `name`, or Size() when neither file names it.
    std::size_t IndexOf(std::string_view name) const;

    // The lines read from each file (the header apart).
    int HashLines() const { return hashLines_; }
    int RightsLines() const { return rightsLines_; }

    const BadLines& HashBadLines() const { return hashBad_; }
    const BadLines& RightsBadLines() const { return rightsBad_; }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    // Where the name of a copy starts in the last line of each file that names it, or kNone.
    struct Lines {
        std::uint32_t hash = kNone;
        std::uint32_t rights = kNone;
    };

    std::string_view NameOf(const Lines& lines) const;
    // Puts the lines read from one file, given by where their names start, into the index:
    // the last line of each name, beside the other file's. `field` says which file.
    void Index(std::vector<std::uint32_t> names, std::uint32_t Lines::*field);

    std::string hashes_;
    std::string rights_;
    std::vector<Lines> index_;  // in the byte order of the names
    BadLines hashBad_;
    BadLines rightsBad_;
    int hashLines_ = 0;
    int rightsLines_ = 0;
};
