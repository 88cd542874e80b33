#pragma once

#include <functional>
#include <string>
#include <vector>

#include "restore/BackupFolder.h"
#include "restore/PlanItem.h"
#include "shared/FileDescriptor.h"
#include "shared/Manifest.h"

// Checks copies against the manifest of their backup. The sizes of all of them come first, as
// a size costs no read: a truncated copy is refused without reading it, and before the other
// copies are hashed; then the hashes of the copies whose size is right.
class CopyVerifier {
public:
    // Hashes an open copy; throws SystemFailure.
    using Hasher = std::function<std::string(const FileDescriptor&)>;

    CopyVerifier(const Manifest& manifest, const BackupFolder& folder, bool force,
                 Hasher hasher = HashOf)
        : manifest_(manifest), folder_(folder), force_(force), hasher_(std::move(hasher)) {}

    // The hash of the whole of `fd`, read from its start, as xxh128sum prints it. Throws
    // SystemFailure (ReadCopy).
    static std::string HashOf(const FileDescriptor& fd);

    // Sets `check`, `expected` and `found` of each item for which `wanted` holds.
    void Check(std::vector<PlanItem>& items,
               const std::function<bool(const PlanItem&)>& wanted) const;

private:
    void CheckSize(PlanItem& item) const;
    void CheckHash(PlanItem& item) const;

    const Manifest& manifest_;
    const BackupFolder& folder_;
    bool force_;
    Hasher hasher_;
};
