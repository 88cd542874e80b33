#include "restore/RestoreProgram.h"

#include <sys/stat.h>
#include <istream>
#include <ostream>

#include "restore/FileComparison.h"
#include "restore/FrenchTexts.h"
#include "restore/Paths.h"
#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"

using FrenchTexts::Printable;

namespace {

const char kProgram[] = "Restore.exe";

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
    const std::string folder = line.hasFolder ? line.folder : programFolder;
    if (folder.empty()) {
        return UsageError(
            "le dossier de ce programme est introuvable : donnez le dossier de la sauvegarde");
    }
    if (!IsDirectory(folder)) {
        return UsageError("le dossier de la sauvegarde " + Printable(folder) + " n'existe pas");
    }
    std::string root;
    if (line.hasRoot && (!Paths::Real(line.root, root) || !IsDirectory(root))) {
        return UsageError("la racine " + Printable(line.root) + " n'est pas un dossier");
    }

    const std::string path = Paths::Join(folder, "Kestrix.dat");
    Catalogue catalogue;
    try {
        catalogue = Catalogue::Parse(Paths::ReadWholeFile(path));
    } catch (const SystemFailure& failure) {
        err_ << kProgram << " : le catalogue " << Printable(path)
             << " est illisible : " << FrenchTexts::SystemError(failure.Error()) << "\n";
        return kUsage;
    }
    if (catalogue.GetStatus() == Catalogue::Status::Empty) {
        err_ << kProgram << " : le catalogue " << Printable(path) << " est vide\n";
        return kUsage;
    }
    if (catalogue.GetStatus() == Catalogue::Status::NoDateLine) {
        err_ << kProgram << " : " << Printable(path)
             << " n'est pas le catalogue d'une sauvegarde (sa première ligne n'a pas la date et "
                "l'heure de la sauvegarde)\n";
        return kUsage;
    }

    ShowHeader(catalogue, folder, root);
    const RestorePlan plan = RestorePlan::Make(catalogue, folder, root);
    switch (line.mode) {
        case CommandLine::Mode::List:
            return List(plan);
        case CommandLine::Mode::Compare:
            return Compare(plan);
        case CommandLine::Mode::Restore:
            break;
    }
    return Restore(plan, line.yes);
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
    out_ << (item.Ignored() ? " <!> " : " <i> ") << "Ligne " << item.line << " « "
         << Printable(item.record) << " » : " << (item.Ignored() ? "ignorée, " : "")
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
            out_ << " (absent : sera créé avec les droits 0600)";
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

int RestoreProgram::Compare(const RestorePlan& plan) {
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
        const FileComparison comparison = FileComparison::Of(item.RealTarget(), item.copyPath);
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

int RestoreProgram::Restore(const RestorePlan& plan, bool yes) {
    ShowPlan(plan);
    const int count = plan.RestorableCount();
    int ignored = plan.IgnoredCount();
    if (count > 0 && !yes) {
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
            const SafeReplacement::Result result =
                SafeReplacement::Restore(item.copyPath, item.realDirectory, item.name);
            ++restored;
            switch (result.outcome) {
                case SafeReplacement::Outcome::Created:
                    out_ << "restauré ; il n'existait plus et a été créé avec les droits 0600 "
                            "(vérifiez son propriétaire et ses droits)\n";
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
            out_ << "NON restauré, " << FrenchTexts::StepText(failure.GetStep()) << " : "
                 << FrenchTexts::SystemError(failure.Error()) << "\n";
        }
    }
    out_ << "\n" << FrenchTexts::Summary(restored, ignored) << "\n";
    return ignored == 0 ? kDone : kIncomplete;
}
