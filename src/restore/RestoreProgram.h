#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "restore/AccountTable.h"
#include "restore/BackupFolder.h"
#include "restore/CommandLine.h"
#include "restore/RestorePlan.h"
#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"
#include "shared/CopyMap.h"
#include "shared/Manifest.h"

// The restore program from a parsed command line to its exit status: reads the catalogue and
// the manifest, shows the plan, asks, restores, compares or verifies, and ends with a summary
// line. The answer to the
// question is read from `in` just before the first file is written.
class RestoreProgram {
public:
    enum ExitStatus { kDone = 0, kIncomplete = 1, kUsage = 2 };

    RestoreProgram(std::istream& in, std::ostream& out, std::ostream& err)
        : in_(in), out_(out), err_(err) {}

    // `programFolder` is the folder that holds the program, the default backup folder; empty
    // when it could not be found.
    int Run(const CommandLine& line, const std::string& programFolder);

private:
    int UsageError(const std::string& message);
    void ShowHeader(const Catalogue& catalogue, const std::string& folder, const std::string& root);
    // `bytes` made printable a piece at a time: a date line may be as long as the catalogue.
    void ShowPrintable(std::string_view bytes);
    // False after an error message when a manifest file is refused or unreadable.
    bool ReadManifest(const BackupFolder& folder, bool force);
    void ShowManifestState();
    int RunMode(RestorePlan& plan, const BackupFolder& folder, const CommandLine& line);
    // What was done with what an interrupted backup run left.
    void ShowRecovery(BackupFolder::Recovery recovery);
    // Names each copy that the catalogue and the manifests do not both hold, and counts that
    // differ; false when there is any.
    bool ShowDisagreement(const Catalogue& catalogue, const RestorePlan& plan);
    void ShowSkipped(const PlanItem& item);
    // Skips, with its reason, each copy that others may write or that nobody trusted owns: such
    // a copy alone is refused, the others are used. Counts the copies this user may not read.
    void RefuseUntrustedCopies(RestorePlan& plan, const BackupFolder& folder, bool force);
    // Refuses `item` when `failure` says others may write its copy or nobody trusted owns it;
    // counts a copy this user may not read.
    bool RefuseCopy(PlanItem& item, const SystemFailure& failure);
    // The records shown by ShowPlan: those to restore, and those ignored.
    struct Shown {
        int restorable = 0;
        int ignored = 0;
    };
    // Each file to restore, the real folder it is written into and the mode, owner and group
    // it will have.
    Shown ShowPlan(const RestorePlan& plan, const BackupFolder& folder, bool force);
    // "droits 0640, propriétaire 0, groupe 42" for the file of `item` once restored; empty when
    // its copy cannot be read.
    std::string RightsAfter(const PlanItem& item, const BackupFolder& folder, bool force) const;
    // "propriétaire root (0), groupe shadow (42)": names of the system restored into, the
    // number alone where it has none.
    std::string Owners(uid_t uid, gid_t gid) const;
    // "0644, propriétaire root (0), groupe shadow (42)".
    std::string Rights(mode_t mode, uid_t uid, gid_t gid) const;
    int List(const RestorePlan& plan, const BackupFolder& folder, bool force);
    int Compare(const RestorePlan& plan, const BackupFolder& folder, bool force);
    int Verify(RestorePlan& plan, const BackupFolder& folder, bool force);
    int Restore(RestorePlan& plan, const BackupFolder& folder, const CommandLine& line);
    SafeReplacement::Expected ExpectedOf(const PlanItem& item) const;

    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    bool hasManifest_ = false;               // at least one of the two files
    const char* missingManifest_ = nullptr;  // the other one, when it is absent
    Manifest manifest_;
    CopyMap copyMap_;
    int deniedCopies_ = 0;  // copies that only root may read, for another user
    // The names of the system restored into, which may differ from the one that made the
    // backup.
    AccountTable users_;
    AccountTable groups_;
};
