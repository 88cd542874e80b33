#include "restore/CopyVerifier.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "restore/FrenchTexts.h"
#include "restore/SystemFailure.h"
#include "shared/AlignedBuffer.h"
#include "shared/BackupNames.h"
#include "shared/ContentHash.h"

std::string CopyVerifier::HashOf(const FileDescriptor& fd) {
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
    }
    ContentHash hash;
    const AlignedBuffer buffer(1 << 16);
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
    const std::optional<ManifestEntry> entry = manifest_.Find(item.name);
    if (!entry || !entry->hasRights || !entry->hasHash) {
        item.check = PlanItem::Check::NotListed;
        item.found = entry && entry->hasRights ? BackupNames::kHashFile : BackupNames::kRightsFile;
        return;
    }
    try {
        const FileDescriptor copy = folder_.OpenCopy(item.name, force_);
        struct stat st {};
        if (::fstat(copy.Get(), &st) != 0) {
            throw SystemFailure(SystemFailure::Step::ReadCopy, errno);
        }
        if (static_cast<std::uint64_t>(st.st_size) != entry->size) {
            item.check = PlanItem::Check::SizeDiffers;
            item.expected = std::to_string(entry->size);
            item.found = std::to_string(st.st_size);
        }
    } catch (const SystemFailure& failure) {
        item.check = PlanItem::Check::Unreadable;
        item.found = FrenchTexts::Failure(failure);
    }
}

void CopyVerifier::CheckHash(PlanItem& item) const {
    const ManifestEntry entry = *manifest_.Find(item.name);
    try {
        const std::string hash = hasher_(folder_.OpenCopy(item.name, force_));
        item.check = hash == entry.hash ? PlanItem::Check::Match : PlanItem::Check::HashDiffers;
        if (item.check == PlanItem::Check::HashDiffers) {
            item.expected = entry.hash;
            item.found = hash;
        }
    } catch (const SystemFailure& failure) {
        item.check = PlanItem::Check::Unreadable;
        item.found = FrenchTexts::Failure(failure);
    }
}
