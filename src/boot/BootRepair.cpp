#include "boot/BootRepair.h"

#include <csignal>
#include <istream>
#include <map>
#include <ostream>

#include "boot/BootEntries.h"
#include "boot/BootSurvey.h"
#include "boot/MountStack.h"
#include "boot/ProgramRun.h"
#include "boot/StopSignals.h"
#include "disks/BlockDevices.h"
#include "disks/DiskCheck.h"
#include "disks/RepairCommands.h"
#include "restore/FrenchTexts.h"

using FrenchTexts::Printable;

namespace {

const char kProgram[] = "Restore.exe";

std::string Name(const BootCommand& command) {
    const std::string& path = command.arguments.front();
    return path.substr(path.rfind('/') + 1);
}

bool LoaderRole(BootCommand::Role role) {
    return role == BootCommand::Role::Loader || role == BootCommand::Role::Removable;
}

}  // namespace

int BootRepair::Run(const std::string& folder, const std::string& root, const std::string& disk,
                    bool yes, const RecordReader::Trust& trust) {
    DiskRecord record;
    std::map<std::string, std::string> files;
    if (!DiskCheck::Load(err_, folder, trust, record, files)) {
        return kNothingDone;
    }
    const BootFacts facts = BootSurvey::Read(record, root, disk, roots_);
    const BootPlan plan = BootPlan::Make(record, facts);
    if (!plan.refusal.empty()) {
        err_ << kProgram << " : " << Printable(plan.refusal) << " ; rien n'a été fait\n";
        return kNothingDone;
    }
    Show(record, facts, plan);
    if (!yes) {
        out_ << "Réparer le démarrage ainsi ? (o/N) " << std::flush;
        std::string answer;
        if (!std::getline(in_, answer) || !FrenchTexts::IsYes(answer)) {
            out_ << "\nRéparation annulée : rien n'a été monté ni lancé.\n";
            return kNothingDone;
        }
        out_ << "\n";
    }
    return Carry(record, plan, root);
}

void BootRepair::Show(const DiskRecord& record, const BootFacts& facts, const BootPlan& plan) {
    out_ << "Kestrix - Réparation du démarrage\n"
         << "Enregistrement des disques du " << Printable(record.date) << " (machine "
         << Printable(record.host.empty() ? "sans nom" : record.host) << ")\n"
         << "Système restauré : " << Printable(facts.root) << " (système de fichiers UUID "
         << Printable(facts.rootUuid) << ")\n"
         << "Disque cible : " << Printable(facts.disk) << ", " << Printable(facts.diskHow) << "\n"
         << "Démarrage : " << (plan.efi ? "EFI" : "BIOS") << " (" << plan.firmwareWhy << ")";
    if (plan.efi) {
        out_ << ", partition système EFI " << Printable(facts.espDevice)
             << (facts.espMountedAt.empty() ? " à monter sur " : " déjà montée sur ")
             << Printable(facts.root + plan.espPoint);
    }
    out_ << "\n\nCe qui sera fait, dans l'ordre (rien n'est partitionné ni formaté) :\n";
    for (const BootMount& mount : plan.mounts) {
        out_ << " * monter " << Printable(mount.source) << " sur "
             << Printable(facts.root + mount.target) << "\n";
    }
    for (const BootStep& step : plan.steps) {
        if (!step.skipped.empty()) {
            out_ << " <i> " << Printable(step.skipped) << "\n";
            continue;
        }
        out_ << " * " << Printable(Shown(step.command, facts.root));
        if (step.command.role == BootCommand::Role::EfiEntry) {
            out_ << "   (si l'entrée manque)";
        } else if (step.command.role == BootCommand::Role::BootOrder) {
            out_ << "   (avec les numéros qu'ont alors ces entrées)";
        }
        out_ << "\n";
    }
    out_ << " * démonter ce qui a été monté\n\n";
}

std::string BootRepair::Shown(const BootCommand& command, const std::string& root) {
    std::string line = command.inRoot ? "chroot " + RepairCommands::Quote(root) : "";
    for (const std::string& word : command.arguments) {
        line += (line.empty() ? "" : " ") + RepairCommands::Quote(word);
    }
    return line;
}

int BootRepair::Carry(const DiskRecord& record, const BootPlan& plan, const std::string& root) {
    const StopSignals signals;
    bool failed = false;
    bool loaderDone = false;
    bool loaderFailed = false;
    {
        MountStack mounts(root, out_);
        out_ << "Montages :\n";
        bool mounted = true;
        for (const BootMount& mount : plan.mounts) {
            mounted = mounted && StopSignals::Received() == 0 && mounts.Mount(mount);
        }
        out_ << "\n" << std::flush;
        if (!mounted) {
            // The tools would run against the rescue system's own /dev, /proc or ESP.
            failed = true;
            out_ << " <!> Un montage manque : aucune commande n'est lancée\n\n";
        }
        for (const BootStep& step : plan.steps) {
            if (!mounted || StopSignals::Received() != 0) {
                break;
            }
            if (!step.skipped.empty()) {
                out_ << " <i> " << Printable(step.skipped) << "\n\n";
                loaderFailed = loaderFailed || step.loaderMissing;
                continue;
            }
            const bool ok = RunStep(record, step, root, loaderDone);
            failed = failed || !ok;
            if (LoaderRole(step.command.role)) {
                loaderFailed = loaderFailed || !ok;
                loaderDone = !loaderFailed;
            }
        }
        if (const int signal = StopSignals::Received()) {
            failed = true;
            out_ << " <!> Interrompu (signal " << signal
                 << ") : les étapes suivantes ne sont pas faites\n\n";
        }
        out_ << "Démontages :\n";
        failed = !mounts.Undo() || failed;
    }
    out_ << "\n";
    if (loaderDone && !failed) {
        out_ << "Démarrage réparé : le chargeur est installé et chaque étape a réussi. "
                "Redémarrez sans le système de secours.\n";
        return kRepaired;
    }
    out_ << "Démarrage NON réparé : "
         << (loaderDone ? "le chargeur est installé, mais une étape a échoué (voir plus haut)"
                        : "le chargeur de démarrage n'a pas été installé")
         << " ; ne redémarrez pas avant d'avoir corrigé ce qui est dit plus haut.\n";
    return kFailed;
}

bool BootRepair::RunStep(const DiskRecord& record, const BootStep& step, const std::string& root,
                         bool loaderDone) {
    BootCommand command = step.command;
    const bool efiStep =
        command.role == BootCommand::Role::EfiEntry || command.role == BootCommand::Role::BootOrder;
    if (efiStep && !loaderDone) {
        out_ << " <i> " << Printable(Shown(command, root))
             << " : pas lancé, le chargeur n'est pas installé\n\n";
        return true;
    }
    if (command.role == BootCommand::Role::EfiEntry && command.entry != nullptr) {
        const std::string number =
            BootEntries::NumberNow(*command.entry, BlockDevices::BootVariables(roots_.Efivars()));
        if (!number.empty()) {
            out_ << " * entrée « " << Printable(command.entry->label) << " » déjà présente (Boot"
                 << number << ") : laissée telle quelle\n\n";
            return true;
        }
    }
    if (command.role == BootCommand::Role::BootOrder) {
        const std::string order =
            BootEntries::OrderNow(record.boot, BlockDevices::BootVariables(roots_.Efivars()));
        if (order.empty()) {
            out_ << " <!> aucune des entrées de l'ordre de démarrage enregistré n'est présente : "
                    "l'ordre n'est pas changé\n\n";
            return false;
        }
        command.arguments.back() = order;
    }
    out_ << "$ " << Printable(Shown(command, root)) << "\n" << std::flush;
    err_.flush();
    const ProgramRun::Result result =
        ProgramRun::Run(command.arguments, command.inRoot ? root : "");
    if (!result.started) {
        out_ << " <!> " << Printable(Name(command))
             << " n'a pas pu être lancé : " << FrenchTexts::SystemError(result.error) << "\n\n";
        return false;
    }
    if (result.status == 0) {
        out_ << " -> " << Printable(Name(command)) << " a réussi\n\n";
        return true;
    }
    out_ << " <!> " << Printable(Name(command));
    if (result.signal != 0) {
        out_ << " a été arrêté par le signal " << result.signal;
    } else {
        out_ << " a échoué (code " << result.status << ")";
    }
    out_ << "\n\n";
    return false;
}
