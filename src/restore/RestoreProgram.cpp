#include "restore/RestoreProgram.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <system_error>
#include <utility>
#include <vector>

#include "boot/BootRepair.h"
#include "disks/DiskCheck.h"
#include "restore/CopyVerifier.h"
#include "restore/FileComparison.h"
#include "restore/FrenchTexts.h"
#include "restore/NameSet.h"
#include "restore/Paths.h"
#include "restore/RecordSplit.h"
#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"
#include "restore/TargetDirectory.h"
#include "shared/BackupNames.h"
#include "shared/CommitIntent.h"

using FrenchTexts::Printable;

namespace {

const char kProgram[] = "Restore.exe";
constexpr std::size_t kShownStart = 64;

// Copies that the restore program can check: those of the records that name a copy, once each.
bool HasCopy(const PlanItem& item) {
    using Skip = PlanItem::Skip;
    return item.skip != Skip::Malformed && item.skip != Skip::Ambiguous &&
           item.skip != Skip::NoCopy && item.skip != Skip::Superseded &&
           item.skip != Skip::Duplicate && item.skip != Skip::CopyRefused;
}

// Why a file of the backup in `folder` is refused: its owner, its size or its mode.
std::string RefusalText(const SystemFailure& failure, const std::string& folder) {
    const std::string what = FrenchTexts::Subject(folder, failure.Subject());
    switch (failure.GetStep()) {
        case SystemFailure::Step::ForeignOwner:
            return FrenchTexts::Untrusted(what, failure.Found());
        case SystemFailure::Step::TooLarge:
            return FrenchTexts::TooLarge(what, failure.Found());
        default:
            return FrenchTexts::Refused(what, failure.Found());
    }
}

// Why the catalogue or a manifest (`what` and its `path`) of the backup in `folder` cannot be
// read: refused for its owner, its size or its mode, or unreadable.
std::string ReadFailureText(const SystemFailure& failure, const std::string& folder,
                            const std::string& what, const std::string& path) {
    switch (failure.GetStep()) {
        case SystemFailure::Step::ForeignOwner:
        case SystemFailure::Step::TooLarge:
            return RefusalText(failure, folder);
        case SystemFailure::Step::CatalogueWritable:
        case SystemFailure::Step::ManifestWritable:
            return FrenchTexts::Refused(what + path, failure.Found());
        default:
            return what + Printable(path) +
                   " est illisible : " + FrenchTexts::SystemError(failure.Error());
    }
}

// Who may have made a record of the disks that root then reads.
RecordReader::Trust TrustOf(const TrustedOwners& owners, bool force) {
    return RecordReader::Trust{[&owners](uid_t owner) { return owners.Includes(owner); },
                               DescribeOwner, FrenchTexts::SystemError, force};
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int RestoreProgram::Run(const CommandLine& line, const std::string& programFolder) {
    if (!line.error.empty()) {
        return UsageError(line.error);
    }
    if (line.help) {
        out_ << FrenchTexts::Usage();
        return kDone;
    }
    const std::string path = line.hasFolder ? line.folder : programFolder;
    if (path.empty()) {
        return UsageError(
            "le dossier de ce programme est introuvable : donnez le dossier de la sauvegarde");
    }
    if (line.mode == CommandLine::Mode::Disks) {
        const TrustedOwners owners = TrustedOwners::OfProcess();
        return DiskCheck(out_, err_, SystemRoots()).Run(path, TrustOf(owners, line.force));
    }
    std::string root;
    if (line.hasRoot && (!Paths::Real(line.root, root) || !IsDirectory(root))) {
        return UsageError("la racine " + Printable(line.root) + " n'est pas un dossier");
    }
    if (line.mode == CommandLine::Mode::Boot) {
        if (root == "/") {
            return UsageError("--amorcage répare le système monté sous la racine donnée, pas ce "
                              "système de secours : --racine /mnt");
        }
        const TrustedOwners owners = TrustedOwners::OfProcess();
        return BootRepair(in_, out_, err_)
            .Run(path, root, line.disk, line.yes, TrustOf(owners, line.force));
    }
    std::unique_ptr<BackupFolder> folder;
    try {
        folder = std::make_unique<BackupFolder>(path);
    } catch (const SystemFailure& failure) {
        if (failure.Error() == ENOENT || failure.Error() == ENOTDIR) {
            return UsageError("le dossier de la sauvegarde " + Printable(path) + " n'existe pas");
        }
        return UsageError("le dossier de la sauvegarde " + Printable(path) +
                          " est inaccessible : " + FrenchTexts::SystemError(failure.Error()));
    }
    // Before an unfinished switch is finished or undone: that moves files as root.
    try {
        folder->Vouch(line.force);
    } catch (const SystemFailure& failure) {
        err_ << kProgram << " : " << RefusalText(failure, path) << "\n";
        return kUsage;
    }
    BackupFolder::Recovery recovery = BackupFolder::Recovery::None;
    try {
        recovery = folder->Prepare(line.mode == CommandLine::Mode::Restore);
    } catch (const std::system_error& failure) {
        err_ << kProgram << " : la mise en place interrompue de la sauvegarde dans "
             << Printable(path) << " ne peut être ni terminée ni lue : "
             << FrenchTexts::SystemError(failure.code().value()) << "\n";
        return kUsage;
    }
    if (recovery == BackupFolder::Recovery::Busy) {
        err_ << kProgram << " : une sauvegarde ou une restauration utilise déjà le dossier "
             << Printable(path) << " ; attendez qu'elle soit terminée, puis recommencez\n";
        return kIncomplete;
    }
    if (recovery == BackupFolder::Recovery::Damaged) {
        err_ << kProgram << " : le fichier " << Printable(Paths::Join(path, CommitIntent::kFileName))
             << " n'est pas une validation de Kestrix (endommagé ou déposé par un autre "
                "programme) : il est laissé de côté et la sauvegarde est lue telle qu'elle est ; "
                "vérifiez-la avec --verifier, puis supprimez ce fichier\n";
    }

    const std::string catalogPath = Paths::Join(path, BackupNames::kCatalogue);
    Catalogue catalogue;
    try {
        catalogue = Catalogue::Parse(folder->ReadCatalogue(line.force));
    } catch (const SystemFailure& failure) {
        if (failure.GetStep() == SystemFailure::Step::ReadCatalogue &&
            failure.Error() == ENOENT) {
            return UsageError(Printable(path) + " ne contient pas de sauvegarde de Kestrix (" +
                              BackupNames::kCatalogue +
                              " n'y est pas) : donnez le dossier de la sauvegarde après les "
                              "options, par exemple " +
                              kProgram + " --liste /media/cle/Save");
        }
        err_ << kProgram << " : " << ReadFailureText(failure, path, "le catalogue ", catalogPath)
             << "\n";
        return kUsage;
    }
    if (catalogue.GetStatus() == Catalogue::Status::Empty) {
        err_ << kProgram << " : le catalogue " << Printable(catalogPath) << " est vide\n";
        return kUsage;
    }
    if (catalogue.GetStatus() == Catalogue::Status::NoDateLine) {
        err_ << kProgram << " : " << Printable(catalogPath)
             << " n'est pas le catalogue d'une sauvegarde (sa première ligne n'a pas la date et "
                "l'heure de la sauvegarde)\n";
        return kUsage;
    }
    // A check of the copies names no owner, looks at no target and reads every copy.
    const bool verifying = line.mode == CommandLine::Mode::Verify;
    try {
        folder->OpenCopies(line.force);
        if (verifying) {
            folder->ListCopies();
        }
    } catch (const SystemFailure& failure) {
        const std::string copies = Paths::Join(path, BackupNames::kCopies);
        err_ << kProgram << " : ";
        if (failure.GetStep() == SystemFailure::Step::CopiesWritable) {
            err_ << FrenchTexts::Refused("le dossier " + copies, failure.Found());
        } else {
            err_ << "le dossier " << Printable(copies)
                 << " est inaccessible : " << FrenchTexts::SystemError(failure.Error());
        }
        err_ << "\n";
        return kUsage;
    }

    if (!ReadManifest(*folder, line.force)) {
        return kUsage;
    }
    folder->UseManifest(manifest_);

    ShowHeader(catalogue, path, root);
    ShowRecovery(recovery);
    if (!catalogue.HasRecords()) {
        err_ << kProgram << " : la sauvegarde ne contient aucun fichier\n";
        return kIncomplete;
    }
    ShowManifestState();
    if (!verifying) {
        const std::string system = root.empty() ? "/" : root;
        users_ = AccountTable::Read(system, "passwd", line.force);
        groups_ = AccountTable::Read(system, "group", line.force);
    }
    RestorePlan plan(catalogue, *folder, root,
                     verifying ? RestorePlan::Targets::Ignore : RestorePlan::Targets::Check,
                     &copyMap_);
    if (!line.files.empty()) {
        const std::vector<std::string> unmatched = plan.Select(line.files);
        for (const std::string& name : unmatched) {
            err_ << kProgram << " : « " << Printable(name)
                 << " » ne désigne aucun fichier de la sauvegarde (ni le nom d'une copie, ni "
                    "un chemin d'origine, ni un chemin à restaurer) ; "
                 << kProgram << " --liste " << Printable(path) << " les montre tous\n";
        }
        if (!unmatched.empty()) {
            err_ << kProgram << " : rien n'a été fait\n";
            return kIncomplete;
        }
    }
    if (!verifying) {
        RefuseUntrustedCopies(plan, *folder, line.force);
    }
    // Whatever the mode does, a backup whose records and manifests disagree is not whole.
    const int whole = ShowDisagreement(catalogue, plan) ? kDone : kIncomplete;
    const int done = RunMode(plan, *folder, line);
    if (deniedCopies_ > 0 && ::geteuid() != 0) {
        err_ << kProgram << " : " << deniedCopies_
             << (deniedCopies_ == 1 ? " copie n'est lisible" : " copies ne sont lisibles")
             << " que par root : lancez sudo " << kProgram << " ou pkexec " << kProgram << "\n";
    }
    return done == kDone ? whole : done;
}

int RestoreProgram::RunMode(RestorePlan& plan, const BackupFolder& folder,
                            const CommandLine& line) {
    switch (line.mode) {
        case CommandLine::Mode::List:
            return List(plan, folder, line.force);
        case CommandLine::Mode::Compare:
            return Compare(plan, folder, line.force);
        case CommandLine::Mode::Verify:
            return Verify(plan, folder, line.force);
        case CommandLine::Mode::Restore:
        case CommandLine::Mode::Disks:
        case CommandLine::Mode::Boot:
            break;
    }
    return Restore(plan, folder, line);
}

void RestoreProgram::RefuseUntrustedCopies(RestorePlan& plan, const BackupFolder& folder,
                                           bool force) {
    for (PlanItem& item : plan.Copies()) {
        if (!item.asked) {
            continue;
        }
        try {
            folder.OpenCopy(item.copy, force);
        } catch (const SystemFailure& failure) {
            // A copy that cannot be opened is told by each mode as it reads it.
            RefuseCopy(item, failure);
        }
    }
}

bool RestoreProgram::RefuseCopy(PlanItem& item, const SystemFailure& failure) {
    if (failure.Error() == EACCES) {
        ++deniedCopies_;
    }
    if (failure.GetStep() != SystemFailure::Step::CopyWritable &&
        failure.GetStep() != SystemFailure::Step::CopyOwner) {
        return false;
    }
    item.skip = PlanItem::Skip::CopyRefused;
    item.refusal = FrenchTexts::CopyRefusal(failure);
    return true;
}

void RestoreProgram::ShowRecovery(BackupFolder::Recovery recovery) {
    switch (recovery) {
        case BackupFolder::Recovery::Finished:
            out_ << " <i> La mise en place de la dernière sauvegarde avait été interrompue : "
                    "elle vient d'être terminée.\n\n";
            break;
        case BackupFolder::Recovery::Pending:
            out_ << " <i> La mise en place de la dernière sauvegarde a été interrompue : elle est "
                    "lue telle qu'elle sera une fois terminée, sans rien changer.\n\n";
            break;
        case BackupFolder::Recovery::Undone:
            out_ << " <i> Une sauvegarde interrompue avait laissé des fichiers provisoires : ils "
                    "ont été supprimés, la sauvegarde précédente reste entière.\n\n";
            break;
        case BackupFolder::Recovery::None:
        case BackupFolder::Recovery::Busy:
        case BackupFolder::Recovery::Damaged:
            break;
    }
}

bool RestoreProgram::ShowDisagreement(const Catalogue& catalogue, const RestorePlan& plan) {
    if (!hasManifest_ || missingManifest_ != nullptr) {
        return true;
    }
    bool agree = true;
    const auto missing = [&](std::string_view name, const std::string& where) {
        out_ << " <!> Kestrix/" << Printable(name) << " figure dans " << where << "\n";
        agree = false;
    };
    // Each name is named once: those of the manifests by a bit each, the others by where they
    // stand in the catalogue.
    std::vector<bool> recorded(manifest_.Size());
    NameSet unlisted(catalogue);
    int records = 0;
    plan.ForEachItem([&](const PlanItem& item) {
        if (item.skip == PlanItem::Skip::Malformed || item.skip == PlanItem::Skip::Ambiguous) {
            return;
        }
        ++records;
        const std::size_t index = manifest_.IndexOf(item.copy);
        std::optional<ManifestEntry> entry;
        if (index < recorded.size()) {
            if (recorded[index]) {
                return;
            }
            recorded[index] = true;
            entry = manifest_.Entry(index);
        } else if (!unlisted.Insert(item.record.substr(0, item.name.size()))) {
            return;
        }
        if (!entry || !entry->hasHash) {
            missing(item.copy, std::string("le catalogue mais pas dans ") + BackupNames::kHashFile);
        }
        if (!entry || !entry->hasRights) {
            missing(item.copy,
                    std::string("le catalogue mais pas dans ") + BackupNames::kRightsFile);
        }
    });
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        if (!recorded[i]) {
            missing(manifest_.Name(i),
                    "les fichiers de contrôle mais dans aucun enregistrement du catalogue");
        }
    }
    for (const auto& [file, lines] :
         {std::make_pair(BackupNames::kHashFile, manifest_.HashLines()),
          std::make_pair(BackupNames::kRightsFile, manifest_.RightsLines())}) {
        if (lines != records) {
            out_ << " <!> Le catalogue a " << records << " enregistrements, mais " << file << " a "
                 << lines << " lignes\n";
            agree = false;
        }
    }
    if (!agree) {
        out_ << " <!> Le catalogue et les fichiers de contrôle ne s'accordent pas : la sauvegarde "
                "n'est pas entière.\n\n";
    }
    return agree;
}

bool RestoreProgram::ReadManifest(const BackupFolder& folder, bool force) {
    for (const char* file : {BackupNames::kHashFile, BackupNames::kRightsFile}) {
        std::string bytes;
        try {
            if (!folder.ReadManifest(file, force, bytes)) {
                missingManifest_ = file;
                continue;
            }
        } catch (const SystemFailure& failure) {
            err_ << kProgram << " : "
                 << ReadFailureText(failure, folder.Path(), "le fichier de contrôle ",
                                    Paths::Join(folder.Path(), file))
                 << "\n";
            return false;
        }
        hasManifest_ = true;
        if (std::string(file) == BackupNames::kHashFile) {
            manifest_.ParseHashes(std::move(bytes));
        } else {
            manifest_.ParseRights(std::move(bytes));
        }
    }
    std::string names;
    try {
        if (!folder.ReadManifest(BackupNames::kCopyMap, force, names)) {
            return true;
        }
    } catch (const SystemFailure& failure) {
        err_ << kProgram << " : "
             << ReadFailureText(failure, folder.Path(), "le fichier ",
                                Paths::Join(folder.Path(), BackupNames::kCopyMap))
             << "\n";
        return false;
    }
    // Without it, a copy under a name of its own could be taken for another file's.
    if (const int bad = copyMap_.Parse(names); bad != 0) {
        err_ << kProgram << " : la ligne " << bad << " de "
             << Printable(Paths::Join(folder.Path(), BackupNames::kCopyMap))
             << " est illisible : on ne peut pas savoir quelle copie revient à quel fichier ; "
                "rien n'a été fait\n";
        return false;
    }
    return true;
}

void RestoreProgram::ShowManifestState() {
    if (!hasManifest_) {
        out_ << "Cette sauvegarde n'a pas de fichier de contrôle (" << BackupNames::kHashFile
             << ") : ses copies ne peuvent pas être vérifiées.\n\n";
        return;
    }
    const auto show = [this](const char* file, const Manifest::BadLines& bad) {
        if (bad.count > 0) {
            out_ << " <!> " << file << " : " << bad.count
                 << " lignes illisibles ignorées (la première : ligne " << bad.first
                 << ") ; leurs copies ne seront pas restaurées\n";
        }
    };
    if (missingManifest_ != nullptr) {
        out_ << " <!> " << missingManifest_
             << " manque dans la sauvegarde : aucune copie ne peut être vérifiée ni restaurée\n";
        return;
    }
    show(BackupNames::kHashFile, manifest_.HashBadLines());
    if (manifest_.RightsBadLines().badHeader) {
        out_ << " <!> " << BackupNames::kRightsFile
             << " : sa première ligne n'est pas l'en-tête attendu, aucune de ses lignes n'est "
                "lue ; aucune copie ne sera restaurée\n";
    } else {
        show(BackupNames::kRightsFile, manifest_.RightsBadLines());
    }
}

int RestoreProgram::UsageError(const std::string& message) {
    err_ << kProgram << " : " << message << "\n"
         << "Pour l'aide : " << kProgram << " --help\n";
    return kUsage;
}

void RestoreProgram::ShowHeader(const Catalogue& catalogue, const std::string& folder,
                                const std::string& root) {
    out_ << "Kestrix - Restauration des fichiers\n"
         << "Sauvegarde du ";
    ShowPrintable(catalogue.Date());
    out_ << " à ";
    ShowPrintable(catalogue.Time());
    out_ << "\n"
         << "Dossier de la sauvegarde : " << Printable(folder) << "\n";
    if (!root.empty()) {
        out_ << "Restauration sous la racine : " << Printable(root) << "\n";
    }
    out_ << "\n";
}

void RestoreProgram::ShowPrintable(std::string_view bytes) {
    constexpr std::size_t kPiece = 1 << 16;
    for (std::size_t start = 0; start < bytes.size(); start += kPiece) {
        out_ << Printable(bytes.substr(start, kPiece));
    }
}

void RestoreProgram::ShowSkipped(const PlanItem& item) {
    // A line too long to be a record is shown by its start only.
    const std::string shown = item.record.size() > RecordSplit::kMaxRecord
                                  ? std::string(item.record.substr(0, kShownStart)) + "..."
                                  : std::string(item.record);
    out_ << (item.Ignored() ? " <!> " : " <i> ") << "Ligne " << item.line << " « "
         << Printable(shown) << " » : " << (item.Ignored() ? "ignorée, " : "")
         << FrenchTexts::SkipReason(item) << "\n";
}

std::string RestoreProgram::RightsAfter(const PlanItem& item, const BackupFolder& folder,
                                        bool force) const {
    struct stat now {};
    const bool exists = ::lstat(item.RealTarget().c_str(), &now) == 0 && S_ISREG(now.st_mode);
    SafeReplacement::Expected expected = ExpectedOf(item);
    if (!expected.hasRights) {
        // Without manifests a file in place keeps its own, a new one takes its copy's.
        if (!exists) {
            try {
                now = {};
                if (::fstat(folder.OpenCopy(item.copy, force).Get(), &now) != 0) {
                    return {};
                }
            } catch (const SystemFailure&) {
                return {};
            }
        }
        expected.mode = now.st_mode & 07777;
        expected.uid = now.st_uid;
        expected.gid = now.st_gid;
    }
    // A file in place without manifests is left as it is, set-ID bits included.
    const SafeReplacement::Expected after =
        exists && !expected.hasRights ? expected : SafeReplacement::Attributes(expected);
    std::string text = "droits " + Rights(after.mode, after.uid, after.gid);
    if (exists && expected.hasRights &&
        ((now.st_mode & 07777) != after.mode || now.st_uid != after.uid ||
         now.st_gid != after.gid)) {
        text += " (au lieu de droits " + Rights(now.st_mode, now.st_uid, now.st_gid) + ")";
    }
    return text;
}

std::string RestoreProgram::Owners(uid_t uid, gid_t gid) const {
    const auto named = [](const AccountTable& table, unsigned id) {
        std::string name;
        return table.NameOf(id, name) ? Printable(name) + " (" + std::to_string(id) + ")"
                                      : std::to_string(id);
    };
    return "propriétaire " + named(users_, uid) + ", groupe " + named(groups_, gid);
}

std::string RestoreProgram::Rights(mode_t mode, uid_t uid, gid_t gid) const {
    return FrenchTexts::Mode(mode) + ", " + Owners(uid, gid);
}

RestoreProgram::Shown RestoreProgram::ShowPlan(const RestorePlan& plan, const BackupFolder& folder,
                                               bool force) {
    Shown shown;
    plan.ForEachItem([&](const PlanItem& item) {
        if (!item.asked) {
            return;
        }
        if (!item.Restorable()) {
            shown.ignored += item.Ignored() ? 1 : 0;
            ShowSkipped(item);
            return;
        }
        ++shown.restorable;
        out_ << " * Kestrix/" << Printable(item.copy) << " -> " << Printable(item.targetPath);
        if (!item.targetExists) {
            out_ << " (absent : sera recréé avec les droits "
                 << (hasManifest_ ? "de Kestrix.droits" : "de sa copie") << ")";
        }
        out_ << "\n   -> écrit dans " << Printable(item.realDirectory);
        const std::string rights = RightsAfter(item, folder, force);
        if (!rights.empty()) {
            out_ << ", " << rights;
        }
        out_ << "\n";
    });
    out_ << "\n";
    return shown;
}

int RestoreProgram::List(const RestorePlan& plan, const BackupFolder& folder, bool force) {
    const Shown shown = ShowPlan(plan, folder, force);
    out_ << shown.restorable << " fichiers à restaurer, " << shown.ignored << " ignorés\n";
    const auto earlier = folder.EarlierBackups();
    if (!earlier.empty()) {
        const std::string all = Paths::Join(folder.Path(), BackupNames::kEarlier);
        out_ << "\nSauvegardes précédentes, de la plus ancienne à la plus récente (pour en "
                "restaurer une : Restore.exe --oui "
             << Printable(all) << "/<nom>) :\n";
        for (const auto& [name, date] : earlier) {
            out_ << " * " << Printable(Paths::Join(all, name)) << " : "
                 << (date.empty() ? std::string("sans catalogue lisible")
                                  : "sauvegarde du " + Printable(date))
                 << "\n";
        }
    }
    return shown.ignored == 0 ? kDone : kIncomplete;
}

int RestoreProgram::Compare(const RestorePlan& plan, const BackupFolder& folder, bool force) {
    int identical = 0;
    int different = 0;
    int rights = 0;  // the same bytes with other rights
    int missing = 0;
    int ignored = 0;
    plan.ForEachItem([&](const PlanItem& item) {
        if (!item.asked) {
            return;
        }
        if (!item.Restorable()) {
            ignored += item.Ignored() ? 1 : 0;
            ShowSkipped(item);
            return;
        }
        out_ << " * " << Printable(item.targetPath) << " : ";
        FileDescriptor copy;
        try {
            copy = folder.OpenCopy(item.copy, force);
        } catch (const SystemFailure& failure) {
            ++ignored;
            out_ << "comparaison impossible : " << FrenchTexts::Failure(failure) << "\n";
            return;
        }
        FileDescriptor directory;
        try {
            directory = TargetDirectory::OpenForReading(item.realDirectory);
        } catch (const SystemFailure& failure) {
            ++ignored;
            out_ << "comparaison impossible : " << FrenchTexts::Failure(failure) << "\n";
            return;
        }
        const FileComparison comparison = FileComparison::Of(directory, item.name, copy);
        switch (comparison.result) {
            case FileComparison::Result::Identical: {
                // Against the record itself, whoever compares: a restore as root gives that.
                const SafeReplacement::Expected recorded = ExpectedOf(item);
                const SafeReplacement::Expected wanted =
                    SafeReplacement::AttributesInPlace(recorded, comparison.mode, comparison.uid,
                                                       comparison.gid, true);
                if (recorded.hasRights &&
                    (comparison.mode != wanted.mode || comparison.uid != wanted.uid ||
                     comparison.gid != wanted.gid)) {
                    ++rights;
                    out_ << "identique à la copie, mais droits "
                         << Rights(comparison.mode, comparison.uid, comparison.gid)
                         << " au lieu de " << Rights(wanted.mode, wanted.uid, wanted.gid) << "\n";
                    break;
                }
                ++identical;
                out_ << "identique à la copie\n";
                break;
            }
            case FileComparison::Result::Different:
                ++different;
                out_ << "différent de la copie\n";
                break;
            case FileComparison::Result::Missing:
                ++missing;
                out_ << "absent\n";
                break;
            case FileComparison::Result::NotRegular:
                ++ignored;
                out_ << "n'est pas un fichier ordinaire\n";
                break;
            case FileComparison::Result::Unreadable:
                ++ignored;
                out_ << "comparaison impossible : " << FrenchTexts::SystemError(comparison.error)
                     << "\n";
                break;
        }
    });
    out_ << "\n"
         << identical << " identiques, " << different << " différents, " << rights
         << " aux droits différents, " << missing << " absents, " << ignored << " ignorés\n";
    return different + rights + missing + ignored == 0 ? kDone : kIncomplete;
}

int RestoreProgram::Verify(RestorePlan& plan, const BackupFolder& folder, bool force) {
    if (!hasManifest_) {
        // Still told which copies only root may read.
        RefuseUntrustedCopies(plan, folder, force);
        out_ << "Aucune copie n'a été vérifiée.\n";
        return kIncomplete;
    }
    // Each copy is refused, or checked, as it is read.
    CopyVerifier(manifest_, folder, force)
        .CheckEach(
            plan.Copies(), [](const PlanItem& item) { return item.asked && HasCopy(item); },
            [this](PlanItem& item, const SystemFailure& failure) {
                return RefuseCopy(item, failure);
            });
    int matching = 0;
    int damaged = 0;
    int unverified = 0;
    int ignored = 0;
    plan.ForEachItem([&](const PlanItem& item) {
        if (!item.asked) {
            return;
        }
        if (!HasCopy(item)) {
            if (item.Ignored()) {
                ++ignored;
                ShowSkipped(item);
            }
            return;
        }
        out_ << " * Kestrix/" << Printable(item.copy) << " : " << FrenchTexts::CheckText(item)
             << "\n";
        switch (item.check) {
            case PlanItem::Check::Match:
                ++matching;
                break;
            case PlanItem::Check::SizeDiffers:
            case PlanItem::Check::HashDiffers:
                ++damaged;
                break;
            default:
                ++unverified;
                break;
        }
    });
    const TrustedOwners owners = TrustedOwners::OfProcess();
    const bool recordWhole = DiskCheck::VerifyRecord(out_, folder.Path(), TrustOf(owners, force));
    out_ << "\n"
         << matching << " conformes, " << damaged << " abîmées, " << unverified
         << " non vérifiables, " << ignored << " ignorées\n";
    return damaged + unverified + ignored == 0 && recordWhole ? kDone : kIncomplete;
}

SafeReplacement::Expected RestoreProgram::ExpectedOf(const PlanItem& item) const {
    SafeReplacement::Expected expected;
    const std::optional<ManifestEntry> found =
        hasManifest_ ? manifest_.Find(item.copy) : std::nullopt;
    if (!found || !found->hasRights) {
        return expected;
    }
    const ManifestEntry& entry = *found;
    expected.hash = entry.hash;
    expected.hasRights = true;
    expected.mode = entry.mode;
    unsigned id = 0;
    expected.uid = users_.Find(entry.owner, id) ? id : entry.uid;
    expected.gid = groups_.Find(entry.group, id) ? id : entry.gid;
    return expected;
}

int RestoreProgram::Restore(RestorePlan& plan, const BackupFolder& folder,
                            const CommandLine& line) {
    if (hasManifest_) {
        CopyVerifier(manifest_, folder, line.force).Check(plan.Copies(), [](const PlanItem& item) {
            return item.asked && item.Restorable();
        });
        for (PlanItem& item : plan.Copies()) {
            if (item.Restorable() && item.check != PlanItem::Check::Match) {
                item.skip = PlanItem::Skip::Unverified;
            }
        }
    }
    const Shown shown = ShowPlan(plan, folder, line.force);
    const int count = shown.restorable;
    FrenchTexts::Counts counts;
    counts.ignored = shown.ignored;
    if (count > 0 && !line.yes) {
        out_ << FrenchTexts::Question(count) << std::flush;
        std::string answer;
        if (!std::getline(in_, answer) || !FrenchTexts::IsYes(answer)) {
            out_ << "\nRestauration annulée : aucun fichier n'a été modifié.\n"
                 << FrenchTexts::Summary({0, 0, 0, counts.ignored + count}) << "\n";
            return kIncomplete;
        }
        out_ << "\n";
    }
    for (const PlanItem& item : plan.Copies()) {
        if (!item.Restorable() || !item.asked) {
            continue;
        }
        out_ << " * " << Printable(item.targetPath) << " : ";
        try {
            const FileDescriptor copy = folder.OpenCopy(item.copy, line.force);
            const FileDescriptor directory = TargetDirectory::Open(item.realDirectory, line.force);
            const SafeReplacement::Result result =
                SafeReplacement::Restore(copy, directory, item.name, ExpectedOf(item));
            switch (result.outcome) {
                case SafeReplacement::Outcome::Created:
                    ++counts.written;
                    out_ << "restauré ; il n'existait plus et a été recréé avec les droits "
                         << FrenchTexts::Mode(result.mode) << " ("
                         << Owners(result.uid, result.gid) << ")\n";
                    break;
                case SafeReplacement::Outcome::Replaced:
                    ++counts.written;
                    out_ << "restauré ; l'ancien contenu est gardé dans "
                         << Printable(Paths::Join(item.targetDirectory, result.keptAs)) << "\n";
                    break;
                case SafeReplacement::Outcome::RightsRepaired:
                    ++counts.repaired;
                    out_ << "droits rétablis : " << Rights(result.mode, result.uid, result.gid)
                         << " (au lieu de " << Rights(result.oldMode, result.oldUid, result.oldGid)
                         << ")\n";
                    break;
                case SafeReplacement::Outcome::Unchanged:
                    ++counts.unchanged;
                    out_ << "déjà identique à la copie, laissé tel quel\n";
                    break;
            }
        } catch (const SystemFailure& failure) {
            ++counts.ignored;
            out_ << "NON restauré, " << FrenchTexts::Failure(failure) << "\n";
        }
    }
    out_ << "\n" << FrenchTexts::Summary(counts) << "\n";
    return counts.ignored == 0 ? kDone : kIncomplete;
}
