#pragma once

#include <functional>
#include <string>
#include <vector>

#include "restore/BackupFolder.h"
#include "restore/PlanItem.h"
#include "restore/SystemFailure.h"
#include "shared/AlignedBuffer.h"
#include "shared/ContentHash.h"
#include "shared/FileDescriptor.h"
#include "shared/Manifest.h"

// Checks copies against the manifest of their backup. Before a restore, the sizes of all of
// them come first, as a size costs no read: a truncated copy is refused without reading it, and
// before the other copies are hashed; then the hashes of the copies whose size is right.
class CopyVerifier {
public:
    // Hashes an open copy from where it stands; throws SystemFailure.
    using Hasher = std::function<std::string(const FileDescriptor&)>;
    // Told why a copy cannot be opened; true when that refuses the item, which is then left
    // unchecked.
    using Refuser = std::function<bool(PlanItem&, const SystemFailure&)>;

    // Without `hasher`, copies are read through one large buffer of the verifier's.
    CopyVerifier(const Manifest& manifest, const BackupFolder& folder, bool force,
                 Hasher hasher = {});

    // The hash of the whole of `fd`, read from its start, as xxh128sum prints it. Throws
    // SystemFailure (ReadCopy).
    static std::string HashOf(const FileDescriptor& fd);

    // Sets `check`, `expected` and `found` of each item for which `wanted` holds.
    void Check(std::vector<PlanItem>& items,
               const std::function<bool(const PlanItem&)>& wanted) const;

    // The same in one pass, for a check that changes nothing: each copy is opened once, its
    // size compared and, when it is right, its bytes hashed on that handle. A copy that cannot
    // be opened goes to `refuse` first.
    void CheckEach(std::vector<PlanItem>& items,
                   const std::function<bool(const PlanItem&)>& wanted,
                   const Refuser& refuse) const;

private:
    void CheckSize(PlanItem& item) const;
    void CheckHash(PlanItem& item) const;
    // Hashes `copy`, just opened, and sets `check` by `entry`.
    void Compare(PlanItem& item, const ManifestEntry& entry, const FileDescriptor& copy) const;

    const Manifest& manifest_;
    const BackupFolder& folder_;
    bool force_;
    Hasher hasher_;
    AlignedBuffer buffer_;
    mutable ContentHash hash_;  // reset for each copy
};
