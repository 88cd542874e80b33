#pragma once

#include <string>
#include <vector>

#include "restore/BackupFolder.h"
#include "restore/PlanItem.h"
#include "shared/Catalogue.h"

// What a restore from one backup folder would do with each record of its catalogue: which copy
// goes where, and why a record is skipped. Reads the file system but changes nothing.
class RestorePlan {
public:
    // `folder` holds the copies of the catalogue's files; `root` is the canonical restore
    // root, or empty to restore in place.
    static RestorePlan Make(const Catalogue& catalogue, const BackupFolder& folder,
                            const std::string& root);

    const std::vector<PlanItem>& Items() const { return items_; }
    // For the checks of the copies, which may still refuse an item.
    std::vector<PlanItem>& Items() { return items_; }
    int RestorableCount() const;
    int IgnoredCount() const;

private:
    std::vector<PlanItem> items_;
};
