#include "restore/RestoreProgram.h"

#include <sys/stat.h>
#include <cerrno>
#include <istream>
#include <memory>
#include <ostream>

#include "restore/FileComparison.h"
#include "restore/FrenchTexts.h"
#include "restore/Paths.h"
#include "restore/RecordSplit.h"
#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"
#include "restore/TargetDirectory.h"

using FrenchTexts::Printable;

namespace {

const char kProgram[] = "Restore.exe";
constexpr std::size_t kShownStart = 64;

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
    std::string root;
    if (line.hasRoot && (!Paths::Real(line.root, root) || !IsDirectory(root))) {
        return UsageError("la racine " + Printable(line.root) + " n'est pas un dossier");
    }

    const std::string catalogPath = Paths::Join(path, "Kestrix.dat");
    Catalogue catalogue;
    try {
        catalogue = Catalogue::Parse(folder->ReadCatalogue(line.force));
    } catch (const SystemFailure& failure) {
        err_ << kProgram << " : ";
        if (failure.GetStep() == SystemFailure::Step::CatalogueWritable) {
            err_ << FrenchTexts::Refused("le catalogue " + catalogPath, failure.Found());
        } else {
            err_ << "le catalogue " << Printable(catalogPath)
                 << " est illisible : " << FrenchTexts::SystemError(failure.Error());
        }
        err_ << "\n";
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
    try {
        folder->OpenCopies(line.force);
    } catch (const SystemFailure& failure) {
        const std::string copies = Paths::Join(path, "Kestrix");
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

    ShowHeader(catalogue, path, root);
    const RestorePlan plan = RestorePlan::Make(catalogue, *folder, root);
    switch (line.mode) {
        case CommandLine::Mode::List:
            return List(plan);
        case CommandLine::Mode::Compare:
            return Compare(plan, *folder, line.force);
        case CommandLine::Mode::Restore:
            break;
    }
    return Restore(plan, *folder, line);
}

int RestoreProgram::UsageError(const std::string& message) {
    err_ << kProgram << " : " << message << "\n"
         << "Pour l'aide : " << kProgram << " --help\n";
    return kUsage;
}

void RestoreProgram::ShowHeader(const Catalogue& catalogue, const std::string& folder,
                                const std::string& root) {
    out_ << "Kestrix - Restauration des fichiers\n"
         << "Sauvegarde du " << Printable(catalogue.Date()) << " à " << Printable(catalogue.Time())
         << "\n"
         << "Dossier de la sauvegarde : " << Printable(folder) << "\n";
    if (!root.empty()) {
        out_ << "Restauration sous la racine : " << Printable(root) << "\n";
    }
    out_ << "\n";
}

void RestoreProgram::ShowSkipped(const PlanItem& item) {
    // A line too long to be a record is shown by its start only.
    const std::string shown = item.record.size() > RecordSplit::kMaxRecord
                                  ? item.record.substr(0, kShownStart) + "..."
                                  : item.record;
    out_ << (item.Ignored() ? " <!> " : " <i> ") << "Ligne " << item.line << " « "
         << Printable(shown) << " » : " << (item.Ignored() ? "ignorée, " : "")
         << FrenchTexts::SkipReason(item) << "\n";
}

void RestoreProgram::ShowPlan(const RestorePlan& plan) {
    if (plan.Items().empty()) {
        out_ << "Le catalogue ne nomme aucun fichier.\n";
    }
    for (const PlanItem& item : plan.Items()) {
        if (!item.Restorable()) {
            ShowSkipped(item);
            continue;
        }
        out_ << " * Kestrix/" << Printable(item.name) << " -> " << Printable(item.targetPath);
        if (!item.targetExists) {
            out_ << " (absent : sera recréé avec les droits de sa copie)";
        }
        out_ << "\n";
    }
    out_ << "\n";
}

int RestoreProgram::List(const RestorePlan& plan) {
    ShowPlan(plan);
    out_ << plan.RestorableCount() << " fichiers à restaurer, " << plan.IgnoredCount()
         << " ignorés\n";
    return plan.IgnoredCount() == 0 ? kDone : kIncomplete;
}

int RestoreProgram::Compare(const RestorePlan& plan, const BackupFolder& folder, bool force) {
    int identical = 0;
    int different = 0;
    int missing = 0;
    int ignored = plan.IgnoredCount();
    for (const PlanItem& item : plan.Items()) {
        if (!item.Restorable()) {
            ShowSkipped(item);
            continue;
        }
        out_ << " * " << Printable(item.targetPath) << " : ";
        FileDescriptor copy;
        try {
            copy = folder.OpenCopy(item.name, force);
        } catch (const SystemFailure& failure) {
            ++ignored;
            out_ << "comparaison impossible : " << FrenchTexts::Failure(failure) << "\n";
            continue;
        }
        const FileComparison comparison = FileComparison::Of(item.RealTarget(), copy);
        switch (comparison.result) {
            case FileComparison::Result::Identical:
                ++identical;
                out_ << "identique à la copie\n";
                break;
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
    }
    out_ << "\n"
         << identical << " identiques, " << different << " différents, " << missing << " absents, "
         << ignored << " ignorés\n";
    return different + missing + ignored == 0 ? kDone : kIncomplete;
}

int RestoreProgram::Restore(const RestorePlan& plan, const BackupFolder& folder,
                            const CommandLine& line) {
    ShowPlan(plan);
    const int count = plan.RestorableCount();
    int ignored = plan.IgnoredCount();
    if (count > 0 && !line.yes) {
        out_ << FrenchTexts::Question(count) << std::flush;
        std::string answer;
        if (!std::getline(in_, answer) || !FrenchTexts::IsYes(answer)) {
            out_ << "\nRestauration annulée : aucun fichier n'a été modifié.\n"
                 << FrenchTexts::Summary(0, ignored + count) << "\n";
            return kIncomplete;
        }
        out_ << "\n";
    }
    int restored = 0;
    for (const PlanItem& item : plan.Items()) {
        if (!item.Restorable()) {
            continue;
        }
        out_ << " * " << Printable(item.targetPath) << " : ";
        try {
            const FileDescriptor copy = folder.OpenCopy(item.name, line.force);
            const FileDescriptor directory = TargetDirectory::Open(item.realDirectory, line.force);
            const SafeReplacement::Result result =
                SafeReplacement::Restore(copy, directory, item.name);
            ++restored;
            switch (result.outcome) {
                case SafeReplacement::Outcome::Created:
                    out_ << "restauré ; il n'existait plus et a été recréé avec les droits "
                         << FrenchTexts::Mode(result.mode) << " (propriétaire " << result.uid
                         << ", groupe " << result.gid << ")\n";
                    break;
                case SafeReplacement::Outcome::Replaced:
                    out_ << "restauré ; l'ancien contenu est gardé dans "
                         << Printable(Paths::Join(item.targetDirectory, result.keptAs)) << "\n";
                    break;
                case SafeReplacement::Outcome::Unchanged:
                    out_ << "déjà identique à la copie, laissé tel quel\n";
                    break;
            }
        } catch (const SystemFailure& failure) {
            ++ignored;
            out_ << "NON restauré, " << FrenchTexts::Failure(failure) << "\n";
        }
    }
    out_ << "\n" << FrenchTexts::Summary(restored, ignored) << "\n";
    return ignored == 0 ? kDone : kIncomplete;
}
