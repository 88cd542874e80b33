// Kestrix.droits on hostile bytes: no entry without the header, each entry's mode within 07777,
// its ids below -1 (chown's "no change"), its names non-empty, and its line written back is
// the line that was read when the names need no number in their place.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "FuzzCheck.h"
#include "shared/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Manifest manifest;
    manifest.ParseRights(bytes);
    const bool header = bytes.substr(0, bytes.find('\n')) == Manifest::kRightsHeader;
    FuzzCheck(header != manifest.RightsBadLines().badHeader, "the header is the first line");
    FuzzCheck(header || manifest.RightsLines() == 0, "no line without the header");
    FuzzCheck(manifest.HashLines() == 0, "no hashes from a rights file");
    for (std::size_t i = 0; i < manifest.Size(); ++i) {
        const std::string name(manifest.Name(i));
        FuzzCheck(i == 0 || manifest.Name(i - 1) < name, "names once each, in byte order");
        const std::optional<ManifestEntry> entry = manifest.Find(name);
        FuzzCheck(entry && entry->hasRights && !entry->hasHash, "a rights entry");
        FuzzCheck((entry->mode & ~07777u) == 0, "mode within 07777");
        FuzzCheck(entry->uid != static_cast<uid_t>(-1) && entry->gid != static_cast<gid_t>(-1),
                  "ids are never chown's -1");
        FuzzCheck(!entry->owner.empty() && !entry->group.empty() &&
                      entry->owner.size() <= Manifest::kMaxName &&
                      entry->group.size() <= Manifest::kMaxName,
                  "bounded account names");
        FuzzCheck(!name.empty() && name.size() <= Manifest::kMaxName &&
                      name.find_first_of(std::string("/\0\n", 3)) == std::string::npos,
                  "a plain copy name");
        if (entry->owner.find('\t') == std::string::npos &&
            entry->group.find('\t') == std::string::npos) {
            const std::string line = Manifest::RightsLine(name, *entry);
            // Numbers may have had leading zeros; the line read back parses to the same entry.
            Manifest again;
            again.ParseRights(std::string(Manifest::kRightsHeader) + '\n' + line);
            const std::optional<ManifestEntry> back = again.Find(name);
            FuzzCheck(back && back->mode == entry->mode && back->uid == entry->uid &&
                          back->gid == entry->gid && back->size == entry->size &&
                          back->owner == entry->owner && back->group == entry->group,
                      "an entry written back reads the same");
        }
    }
    return 0;
}
