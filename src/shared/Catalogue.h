#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "shared/CatalogueLine.h"

// The catalogue Kestrix.dat that a backup leaves in its folder: a line "date,time", then one
// record "name,directory" per copied file. Lines end with CR LF (LF alone is accepted too) and
// are kept as raw bytes: names are in the encoding of the system that made the backup. Only the
// bytes are held: records are walked one at a time, never copied, so that a catalogue costs its
// size once whatever its lines hold.
class Catalogue {
public:
    enum class Status { Valid, Empty, NoDateLine };

    // Written after every line.
    static const char kLineEnd[];

    // The record of a copied list entry: "fstab,/etc" for /etc/fstab, "vmlinuz,/" for /vmlinuz,
    // "fstab," for fstab.
    static std::string Record(const std::string& entryPath);
    // The part of an entry's path after its last separator: the name of its copy.
    static std::string FileName(const std::string& entryPath);

    // Takes the catalogue bytes.
    static Catalogue Parse(std::string bytes);

    Status GetStatus() const { return status_; }
    // Views into Bytes().
    std::string_view FirstLine() const;
    std::string_view Date() const;
    std::string_view Time() const;
    std::string_view Bytes() const { return bytes_; }

    // Whether a valid catalogue has any record.
    bool HasRecords() const;
    // Calls `visit` with each record of a valid catalogue, in order; empty lines among the
    // records are passed over.
    void ForEachRecord(const std::function<void(const CatalogueLine&)>& visit) const;

private:
    // The first record from the line at `start`, numbered on from `line.number`; `start` then
    // moves past it. False at the end.
    bool NextRecord(std::size_t& start, CatalogueLine& line) const;

    std::string bytes_;
    Status status_ = Status::Empty;
    std::size_t firstLineSize_ = 0;  // without its line end
    std::size_t comma_ = 0;          // in the first line
    std::size_t recordsStart_ = 0;   // the line after the first
};
