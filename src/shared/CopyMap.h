#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

// Kestrix.noms, the file that says which copy goes back where when a copy does not bear its
// source's name: the first source of a name keeps it, and a later one of the same name
// (compared without regard to case, as FAT compares) is copied under a name of its own. A
// header line, then one line per such copy, tab-separated and LF-ended:
//   copie<TAB>chemin
//   Kestrix/grub~2.cfg<TAB>/boot/efi/EFI/debian/grub.cfg
// The path is the source's, as bytes; it is the last field, so it may hold tabs. A copy that
// bears its source's name has no line, and a backup without such copies has no such file.
class CopyMap {
public:
    static const char kHeader[];

    // "Kestrix/<copy>\t<source>\n"
    static std::string Line(const std::string& copy, const std::string& source);

    // Reads the file's bytes. Returns the number (from 1) of the first line that is not of this
    // form (the header, or a copy that is no plain name, or no tab), 0 when all are: a reader
    // cannot then tell which copy goes where, and takes none of it.
    int Parse(std::string_view bytes);

    // A copy under a name of its own, and its source's file name.
    struct Entry {
        std::string copy;
        std::string name;
    };

    // The entry of the catalogue record `record` ("grub.cfg,/boot/efi/EFI/debian"), or none
    // when its copy bears its source's name.
    const Entry* Find(std::string_view record) const;

    bool Empty() const { return byRecord_.empty(); }

private:
    std::unordered_map<std::string, Entry> byRecord_;
};
