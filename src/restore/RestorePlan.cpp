#include "restore/RestorePlan.h"

#include <sys/stat.h>
#include <cerrno>
#include <map>

#include "restore/Paths.h"
#include "restore/RecordSplit.h"
#include "shared/LinkWalk.h"

namespace {

PlanItem::Skip SkipOf(RecordSplit::Kind kind) {
    switch (kind) {
        case RecordSplit::Kind::Found:
            return PlanItem::Skip::None;
        case RecordSplit::Kind::NoCopy:
            return PlanItem::Skip::NoCopy;
        case RecordSplit::Kind::Ambiguous:
            return PlanItem::Skip::Ambiguous;
        case RecordSplit::Kind::Malformed:
            break;
    }
    return PlanItem::Skip::Malformed;
}

// Only the last record of a name has its copy in Kestrix/: each backed-up file overwrote the
// copy of the same name before it.
void MarkSuperseded(std::vector<PlanItem>& items) {
    std::map<std::string, std::size_t> last;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].skip == PlanItem::Skip::None) {
            last[items[i].name] = i;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        PlanItem& item = items[i];
        if (item.skip != PlanItem::Skip::None) {
            continue;
        }
        const PlanItem& winner = items[last[item.name]];
        if (&winner == &item) {
            continue;
        }
        item.skip = winner.directory == item.directory ? PlanItem::Skip::Duplicate
                                                       : PlanItem::Skip::Superseded;
        item.laterLine = winner.line;
        item.laterDirectory = winner.directory;
    }
}

void CheckTarget(PlanItem& item, const std::string& root) {
    if (item.directory.empty()) {
        item.skip = PlanItem::Skip::NoDirectory;
        return;
    }
    if (item.directory.front() != '/') {
        item.skip = PlanItem::Skip::RelativeDirectory;
        return;
    }
    LinkWalk::Refusal refusal;
    const FileDescriptor directory =
        LinkWalk::Open(item.targetDirectory, LinkWalk::Last::Place, refusal);
    if (!refusal.link.empty()) {
        item.skip = PlanItem::Skip::LinkRefused;
        item.link = refusal.link;
        item.linkOwner = refusal.owner;
        return;
    }
    if (!directory || !LinkWalk::PathOf(directory, item.realDirectory)) {
        item.skip = errno == ENOENT || errno == ENOTDIR ? PlanItem::Skip::NoTargetDirectory
                                                        : PlanItem::Skip::DirectoryUnusable;
        item.error = errno;
        return;
    }
    struct stat st {};
    if (::stat(item.realDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        item.skip = PlanItem::Skip::NoTargetDirectory;
        return;
    }
    if (!root.empty() && !Paths::IsWithin(item.realDirectory, root)) {
        item.skip = PlanItem::Skip::OutsideRoot;
        return;
    }
    if (::lstat(item.RealTarget().c_str(), &st) != 0) {
        if (errno != ENOENT) {
            item.skip = PlanItem::Skip::TargetUnusable;
            item.error = errno;
        }
        return;
    }
    item.targetExists = true;
    if (S_ISLNK(st.st_mode)) {
        item.skip = PlanItem::Skip::TargetIsLink;
    } else if (!S_ISREG(st.st_mode)) {
        item.skip = PlanItem::Skip::TargetNotRegular;
    }
}

}  // namespace

RestorePlan RestorePlan::Make(const Catalogue& catalogue, const BackupFolder& folder,
                              const std::string& root) {
    RestorePlan plan;
    for (const CatalogueLine& line : catalogue.Records()) {
        PlanItem item;
        item.line = line.number;
        item.record = line.text;
        // Only regular files are copies: the backup writes no links, and one would lead out of
        // the backup; "." and ".." are folders, so never names.
        const RecordSplit split = RecordSplit::Of(
            line.text, [&folder](const std::string& name) { return folder.HasCopy(name); });
        item.skip = SkipOf(split.kind);
        item.name = split.name;
        item.directory = split.directory;
        item.candidates = split.candidates;
        if (!item.name.empty()) {
            item.targetDirectory = root == "/" ? item.directory : root + item.directory;
            item.targetPath = Paths::Join(item.targetDirectory, item.name);
        }
        plan.items_.push_back(std::move(item));
    }
    MarkSuperseded(plan.items_);
    for (PlanItem& item : plan.items_) {
        if (item.skip == PlanItem::Skip::None) {
            CheckTarget(item, root);
        }
    }
    return plan;
}

int RestorePlan::RestorableCount() const {
    int count = 0;
    for (const PlanItem& item : items_) {
        count += item.Restorable() ? 1 : 0;
    }
    return count;
}

int RestorePlan::IgnoredCount() const {
    int count = 0;
    for (const PlanItem& item : items_) {
        count += item.Ignored() ? 1 : 0;
    }
    return count;
}
