// The restore plan on hostile input: a catalogue, the two manifests and a description of the
// files and links around them (NUL-separated), staged in a fresh folder for each input. Whatever
// they hold, a file to restore is written only inside the restore root, into the folder its
// record names, from a copy that stands in the backup, and only when its copy matches a manifest
// that lists it.
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "restore/BackupFolder.h"
#include "restore/CopyVerifier.h"
#include "restore/Paths.h"
#include "restore/RestorePlan.h"
#include "shared/Catalogue.h"
#include "shared/Manifest.h"

namespace {

std::vector<std::string> Split(const std::string& bytes, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find(separator, start)) != std::string::npos;
         start = end + 1) {
        parts.push_back(bytes.substr(start, end - start));
    }
    parts.push_back(bytes.substr(start));
    return parts;
}

// A name under the staging folder: relative, without "..".
bool Inside(const std::string& path) {
    return !path.empty() && path.size() < 200 && path.front() != '/' &&
           path.find("..") == std::string::npos;
}

// "d save/Kestrix/x", "f mnt/etc/hosts", "l mnt/etc ../elsewhere": at most 24 entries.
void Stage(const std::string& base, const std::string& tree) {
    int entries = 0;
    for (const std::string& line : Split(tree, '\n')) {
        if (line.size() < 3 || line[1] != ' ' || ++entries > 24) {
            continue;
        }
        const std::string rest = line.substr(2);
        const std::size_t blank = rest.find(' ');
        const std::string path = rest.substr(0, blank);
        if (!Inside(path)) {
            continue;
        }
        const std::string full = base + "/" + path;
        if (line[0] == 'd') {
            ::mkdir(full.c_str(), 0755);
        } else if (line[0] == 'f') {
            const int fd = ::open(full.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd >= 0) {
                const ssize_t written = ::write(fd, path.data(), path.size());
                static_cast<void>(written);
                ::close(fd);
            }
        } else if (line[0] == 'l' && blank != std::string::npos) {
            ::symlink(rest.substr(blank + 1).c_str(), full.c_str());
        }
    }
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> parts =
        Split(std::string(reinterpret_cast<const char*>(data), size), '\0');
    if (parts.size() != 4) {
        return 0;
    }
    char templ[] = "/tmp/fuzz-plan-XXXXXX";
    const char* made = ::mkdtemp(templ);
    FuzzCheck(made != nullptr, "a staging folder");
    std::string base;
    FuzzCheck(Paths::Real(made, base), "its real path");
    for (const char* folder : {"/save", "/save/Kestrix", "/mnt"}) {
        ::mkdir((base + folder).c_str(), 0755);
    }
    Stage(base, parts[3]);
    {
        const Catalogue catalogue = Catalogue::Parse(parts[0]);
        Manifest manifest;
        manifest.ParseHashes(parts[1]);
        manifest.ParseRights(parts[2]);
        const std::string root = base + "/mnt";
        BackupFolder folder(base + "/save");
        folder.Prepare(false);
        folder.UseManifest(manifest);
        RestorePlan plan(catalogue, folder, root);
        CopyVerifier(manifest, folder, true).Check(plan.Copies(), [](const PlanItem& item) {
            return item.Restorable();
        });
        int records = 0;
        catalogue.ForEachRecord([&](const CatalogueLine&) { ++records; });
        int items = 0;
        std::size_t shown = 0;
        plan.ForEachItem([&](const PlanItem& item) {
            ++items;
            if (!item.Restorable()) {
                return;
            }
            ++shown;
            FuzzCheck(Paths::IsWithin(item.realDirectory, root), "written inside the root");
            FuzzCheck(item.targetDirectory == root + item.directory, "into the record's folder");
            FuzzCheck(item.targetPath == Paths::Join(item.targetDirectory, item.name),
                      "the shown path is the written one");
            FuzzCheck(folder.HasCopy(item.name), "from a copy of the backup");
            const std::optional<ManifestEntry> entry = manifest.Find(item.name);
            FuzzCheck(item.check != PlanItem::Check::Match ||
                          (entry && entry->hasHash && entry->hasRights),
                      "a match is listed in both manifests");
        });
        FuzzCheck(items == records, "one item a record");
        FuzzCheck(shown == static_cast<std::size_t>(std::count_if(
                               plan.Copies().begin(), plan.Copies().end(),
                               [](const PlanItem& item) { return item.Restorable(); })),
                  "what is restored is what was shown");
    }
    ::nftw(base.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
