#include "restore/CopyVerifier.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "restore/FrenchTexts.h"
#include "shared/BackupNames.h"
#include "shared/ContentHash.h"

namespace {

// Sequential reads of many copies in a row: large enough that a big copy takes few calls.
constexpr std::size_t kReadBuffer = 1 << 20;

std::string HashRest(const FileDescriptor& fd, const AlignedBuffer& buffer, ContentHash& hash) {
    hash.Reset();
    for (;;) {
        const long n = fd.Read(buffer.Data(), buffer.Size());
        if (n < 0) {
            throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
        }
        if (n == 0) {
            return hash.Hex();
        }
        hash.Update(buffer.Data(), static_cast<std::size_t>(n));
    }
}

// False, with the file that lacks it, unless both manifest files list the copy.
bool Listed(PlanItem& item, const std::optional<ManifestEntry>& entry) {
    if (entry && entry->hasRights && entry->hasHash) {
        return true;
    }
    item.check = PlanItem::Check::NotListed;
    item.found = entry && entry->hasRights ? BackupNames::kHashFile : BackupNames::kRightsFile;
    return false;
}

bool SizeMatches(PlanItem& item, const ManifestEntry& entry, const struct stat& st) {
    if (static_cast<std::uint64_t>(st.st_size) == entry.size) {
        return true;
    }
    item.check = PlanItem::Check::SizeDiffers;
    item.expected = std::to_string(entry.size);
    item.found = std::to_string(st.st_size);
    return false;
}

void Unreadable(PlanItem& item, const SystemFailure& failure) {
    item.check = PlanItem::Check::Unreadable;
    item.found = FrenchTexts::Failure(failure);
}

}  // namespace

CopyVerifier::CopyVerifier(const Manifest& manifest, const BackupFolder& folder, bool force,
                           Hasher hasher)
    : manifest_(manifest),
      folder_(folder),
      force_(force),
      hasher_(std::move(hasher)),
      buffer_(kReadBuffer) {}

std::string CopyVerifier::HashOf(const FileDescriptor& fd) {
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
    }
    ContentHash hash;
    return HashRest(fd, AlignedBuffer(1 << 16), hash);
}

void CopyVerifier::Check(std::vector<PlanItem>& items,
                         const std::function<bool(const PlanItem&)>& wanted) const {
    for (PlanItem& item : items) {
        if (wanted(item)) {
            CheckSize(item);
        }
    }
    for (PlanItem& item : items) {
        if (item.check == PlanItem::Check::NotChecked && wanted(item)) {
            CheckHash(item);
        }
    }
}

// Leaves `check` NotChecked when the size is right.
void CopyVerifier::CheckSize(PlanItem& item) const {
    const std::optional<ManifestEntry> entry = manifest_.Find(item.copy);
    if (!Listed(item, entry)) {
        return;
    }
    try {
        struct stat st {};
        folder_.OpenCopy(item.copy, force_, &st);
        SizeMatches(item, *entry, st);
    } catch (const SystemFailure& failure) {
        Unreadable(item, failure);
    }
}

void CopyVerifier::CheckHash(PlanItem& item) const {
    try {
        Compare(item, *manifest_.Find(item.copy), folder_.OpenCopy(item.copy, force_));
    } catch (const SystemFailure& failure) {
        Unreadable(item, failure);
    }
}

void CopyVerifier::Compare(PlanItem& item, const ManifestEntry& entry,
                           const FileDescriptor& copy) const {
    const std::string hash = hasher_ ? hasher_(copy) : HashRest(copy, buffer_, hash_);
    item.check = hash == entry.hash ? PlanItem::Check::Match : PlanItem::Check::HashDiffers;
    if (item.check == PlanItem::Check::HashDiffers) {
        item.expected = entry.hash;
        item.found = hash;
    }
}

void CopyVerifier::CheckEach(std::vector<PlanItem>& items,
                             const std::function<bool(const PlanItem&)>& wanted,
                             const Refuser& refuse) const {
    for (PlanItem& item : items) {
        if (!wanted(item)) {
            continue;
        }
        const std::optional<ManifestEntry> entry = manifest_.Find(item.copy);
        FileDescriptor copy;
        struct stat st {};
        try {
            copy = folder_.OpenCopyNonBlocking(item.copy, force_, st);
        } catch (const SystemFailure& failure) {
            // A refusal comes before what the manifests lack, as it names the danger.
            if (!refuse(item, failure) && Listed(item, entry)) {
                Unreadable(item, failure);
            }
            continue;
        }
        if (!Listed(item, entry) || !SizeMatches(item, *entry, st)) {
            continue;
        }
        try {
            Compare(item, *entry, copy);
        } catch (const SystemFailure& failure) {
            Unreadable(item, failure);
        }
    }
}
