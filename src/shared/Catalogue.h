#pragma once

#include <string>
#include <vector>

#include "shared/CatalogueLine.h"

// The catalogue Kestrix.dat that a backup leaves in its folder: a line "date,time", then one
// record "name,directory" per copied file. Lines end with CR LF (LF alone is accepted too) and
// are kept as raw bytes: names are in the encoding of the system that made the backup.
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

    // Reads the catalogue bytes. Empty lines among the records are passed over.
    static Catalogue Parse(const std::string& bytes);

    Status GetStatus() const { return status_; }
    const std::string& FirstLine() const { return firstLine_; }
    const std::string& Date() const { return date_; }
    const std::string& Time() const { return time_; }
    const std::vector<CatalogueLine>& Records() const { return records_; }

private:
    Status status_ = Status::Empty;
    std::string firstLine_;
    std::string date_;
    std::string time_;
    std::vector<CatalogueLine> records_;
};
