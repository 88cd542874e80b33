#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "restore/BackupFolder.h"
#include "restore/PlanItem.h"
#include "restore/RecordSplit.h"
#include "shared/Catalogue.h"
#include "shared/CopyMap.h"

// What a restore from one backup folder would do with each record of its catalogue: which copy
// goes where, and why a record is skipped. Reads the file system but changes nothing. Items are
// made one record at a time and handed on, never all kept: the plan holds only the item of
// the last record of each name that has a copy, so that its memory grows with the copies in
// the backup, not with the records.
class RestorePlan {
public:
    // Whether the targets are looked at: a check of the copies alone opens none of them.
    enum class Targets { Check, Ignore };

    // Splits each record, asking `folder` which copies exist, and checks the target of the last
    // record of each copy, unless `targets` says otherwise. A record that `copyMap` names has the
    // copy it gives; any other the copy of its own name. `root` is the canonical restore root,
    // or empty to restore in place. The catalogue and the map outlive the plan.
    RestorePlan(const Catalogue& catalogue, const BackupFolder& folder, const std::string& root,
                Targets targets = Targets::Check, const CopyMap* copyMap = nullptr);

    // Restricts the plan to the records that one of `names` names, by its copy's name ("passwd"
    // or "Kestrix/passwd"), its original path ("/etc/passwd") or its target path; the others
    // are no longer `asked`. Returns the names that name no record.
    std::vector<std::string> Select(const std::vector<std::string>& names);

    // Makes the item of each record in catalogue order and hands it to `visit`; asks the file
    // system nothing more. The items of Copies() are handed as they stand.
    void ForEachItem(const std::function<void(const PlanItem&)>& visit) const;

    // The item of the last record of each name that has a copy, in catalogue order: the only
    // records that may be restored, and each copy once. For the checks of the copies, which may
    // still refuse an item.
    std::vector<PlanItem>& Copies() { return copies_; }
    const std::vector<PlanItem>& Copies() const { return copies_; }

private:
    // The split of a record and, in `copy`, the name of its copy.
    RecordSplit Split(std::string_view record,
                      const std::function<bool(const std::string&)>& copyExists,
                      std::string& copy) const;
    PlanItem Item(const CatalogueLine& line, RecordSplit split, std::string copy) const;
    // Whether `name` names `item`; whether one of the names selected does.
    bool Names(const PlanItem& item, const std::string& name) const;
    bool Asked(const PlanItem& item) const;

    const Catalogue& catalogue_;
    const CopyMap* copyMap_;
    std::string root_;
    // Each copy found, and the index in copies_ of its last record.
    std::unordered_map<std::string, std::size_t> names_;
    std::vector<PlanItem> copies_;
    std::vector<std::string> selected_;  // empty: every record is asked
};
