// Kestrix.xxh128 on hostile bytes: every entry read has a hash that xxh128sum could have
// written and a plain copy name, a line that is read is written back the same, and lines read
// plus bad lines never exceed the lines there are.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "FuzzCheck.h"
#include "shared/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Manifest manifest;
    manifest.ParseHashes(bytes);
    const long lines = std::count(bytes.begin(), bytes.end(), '\n') + 1;
    std::set<std::string> fileLines;
    for (std::size_t start = 0; start <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        fileLines.insert(bytes.substr(start, end - start));
        start = end + 1;
    }
    FuzzCheck(manifest.HashLines() + manifest.HashBadLines().count <= lines,
              "each line is read or bad, once");
    FuzzCheck(manifest.RightsLines() == 0, "no rights from a hash file");
    for (std::size_t i = 0; i < manifest.Size(); ++i) {
        const std::string name(manifest.Name(i));
        FuzzCheck(i == 0 || manifest.Name(i - 1) < name, "names once each, in byte order");
        FuzzCheck(manifest.IndexOf(name) == i, "each name found where it stands");
        const std::optional<ManifestEntry> entry = manifest.Find(name);
        FuzzCheck(entry && entry->hasHash && !entry->hasRights, "a hash entry");
        FuzzCheck(!name.empty() && name.size() <= Manifest::kMaxName &&
                      name.find_first_of(std::string("/\0\n", 3)) == std::string::npos &&
                      name != "." && name != "..",
                  "a plain copy name");
        const std::string line = Manifest::HashLine(name, entry->hash);
        FuzzCheck(entry->hash.find_first_not_of("0123456789abcdef") == std::string::npos &&
                      entry->hash.size() == 32,
                  "32 lower-case hex digits");
        // Several lines may name the copy: the last one read holds, and it is one of them.
        FuzzCheck(fileLines.count(line.substr(0, line.size() - 1)) == 1,
                  "the line read is a line of the file");
    }
    return 0;
}
