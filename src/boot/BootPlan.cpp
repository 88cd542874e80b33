#include "boot/BootPlan.h"

#include <cctype>
#include <initializer_list>

namespace {

const char* const kEspPoints[] = {"/boot/efi", "/efi"};

bool IsEspType(const std::string& type) {
    std::string lower;
    for (const char c : type) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == kEspType || lower == kEspMbrType || lower == "0xef";
}

}  // namespace

const RecordedFileSystem* BootPlan::RecordedEsp(const DiskRecord& record) {
    for (const char* point : kEspPoints) {
        for (const RecordedFileSystem& fs : record.fileSystems) {
            if (fs.mountPoint == point) {
                return &fs;
            }
        }
    }
    for (const RecordedFileSystem& fs : record.fileSystems) {
        const RecordedPartition* partition = record.FindPartition(fs.device);
        if (partition != nullptr && IsEspType(partition->type) && !fs.mountPoint.empty()) {
            return &fs;
        }
    }
    return nullptr;
}

namespace {

BootStep Skipped(std::string why) {
    BootStep step;
    step.skipped = std::move(why);
    return step;
}

BootStep Command(BootCommand::Role role, bool inRoot, std::vector<std::string> arguments) {
    BootStep step;
    step.command.role = role;
    step.command.inRoot = inRoot;
    step.command.arguments = std::move(arguments);
    return step;
}

// The restored system's own program, else none.
const std::string* OwnTool(const BootFacts& facts, const std::string& name) {
    const auto found = facts.rootTools.find(name);
    return found == facts.rootTools.end() ? nullptr : &found->second;
}

// The restored system's own program, else this system's; `inRoot` says which.
const std::string* AnyTool(const BootFacts& facts, const std::string& name, bool& inRoot) {
    inRoot = true;
    if (const std::string* own = OwnTool(facts, name)) {
        return own;
    }
    inRoot = false;
    const auto found = facts.rescueTools.find(name);
    return found == facts.rescueTools.end() ? nullptr : &found->second;
}

void AddLoader(BootPlan& plan, const DiskRecord& record, const BootFacts& facts) {
    bool inRoot = true;
    const std::string* grub = AnyTool(facts, "grub-install", inRoot);
    if (grub == nullptr) {
        BootStep step = Skipped(
            "grub-install manque au système restauré et à ce système de secours : le chargeur "
            "de démarrage ne peut pas être installé (installez le paquet grub-pc ou "
            "grub-efi-amd64-bin sur le système de secours)");
        step.loaderMissing = true;
        plan.steps.push_back(step);
        return;
    }
    // From the rescue system, every path is its own: the root's are given under it.
    const std::string under = inRoot ? std::string() : facts.root;
    std::vector<std::string> base = {*grub};
    if (!inRoot) {
        base.push_back("--boot-directory=" + facts.root + "/boot");
    }
    if (!plan.efi) {
        base.push_back("--target=i386-pc");
        base.push_back(facts.disk);
        plan.steps.push_back(Command(BootCommand::Role::Loader, inRoot, base));
        return;
    }
    const std::string& kernel = record.boot.kernel;
    const bool arm = kernel.size() >= 6 && kernel.compare(kernel.size() - 6, 6, "-arm64") == 0;
    base.push_back(std::string("--target=") + (arm ? "arm64-efi" : "x86_64-efi"));
    base.push_back("--efi-directory=" + under + plan.espPoint);
    std::vector<std::string> named = base;
    if (!record.boot.efiId.empty()) {
        named.push_back("--bootloader-id=" + record.boot.efiId);
    }
    if (!facts.efiVariables) {
        named.push_back("--no-nvram");
    }
    plan.steps.push_back(Command(BootCommand::Role::Loader, inRoot, named));
    if (!facts.efiVariables) {
        // Without an entry the firmware still starts \EFI\BOOT\BOOTX64.EFI.
        base.push_back("--removable");
        base.push_back("--no-nvram");
        plan.steps.push_back(Command(BootCommand::Role::Removable, inRoot, base));
    }
}

// The first of `choices` (a program and its arguments) that the restored system has, run in it;
// skipped for `why` when it has none.
BootStep FirstOwnTool(const BootFacts& facts, BootCommand::Role role,
                      std::initializer_list<std::vector<std::string>> choices, const char* why) {
    for (std::vector<std::string> words : choices) {
        if (const std::string* tool = OwnTool(facts, words.front())) {
            words.front() = *tool;
            return Command(role, true, std::move(words));
        }
    }
    return Skipped(why);
}

void AddConfigAndInitramfs(BootPlan& plan, const BootFacts& facts) {
    plan.steps.push_back(FirstOwnTool(
        facts, BootCommand::Role::Config,
        {{"update-grub"}, {"grub-mkconfig", "-o", "/boot/grub/grub.cfg"}},
        "le système restauré n'a ni update-grub ni grub-mkconfig : son grub.cfg est gardé tel "
        "qu'il a été restauré"));
    plan.steps.push_back(FirstOwnTool(
        facts, BootCommand::Role::Initramfs,
        {{"update-initramfs", "-u", "-k", "all"}, {"dracut", "--regenerate-all", "--force"}},
        "le système restauré n'a pas d'outil d'initramfs (ni update-initramfs ni dracut) : ses "
        "images initramfs ne sont pas refaites"));
}

void AddEfiEntries(BootPlan& plan, const DiskRecord& record, const BootFacts& facts,
                   const std::string& recordedDisk) {
    if (record.boot.entries.empty() && record.boot.order.empty()) {
        return;
    }
    if (!facts.efiVariables) {
        plan.steps.push_back(Skipped(
            "ce système de secours n'a pas démarré en EFI : les entrées et l'ordre de démarrage "
            "enregistrés ne peuvent pas être remis ; le chargeur est aussi mis dans "
            "\\EFI\\BOOT\\BOOTX64.EFI, que le micrologiciel démarre sans entrée"));
        return;
    }
    bool inRoot = true;
    const std::string* efibootmgr = AnyTool(facts, "efibootmgr", inRoot);
    if (efibootmgr == nullptr) {
        plan.steps.push_back(Skipped(
            "efibootmgr manque au système restauré et à ce système de secours : les entrées et "
            "l'ordre de démarrage enregistrés ne sont pas remis"));
        return;
    }
    for (const RecordedBootEntry& entry : record.boot.entries) {
        const RecordedPartition* partition = record.FindPartitionByUuid(entry.partUuid);
        // Entries of other disks, and those without a loader (network, firmware), stay as they are.
        if (partition == nullptr || partition->disk != recordedDisk || entry.loader.empty()) {
            continue;
        }
        BootStep step = Command(
            BootCommand::Role::EfiEntry, inRoot,
            {*efibootmgr, "--create", "--disk", facts.disk, "--part",
             std::to_string(partition->number), "--label", entry.label, "--loader", entry.loader});
        step.command.entry = &entry;
        plan.steps.push_back(step);
    }
    if (!record.boot.order.empty()) {
        std::string order;
        for (const std::string& number : record.boot.order) {
            order += (order.empty() ? "" : ",") + number;
        }
        plan.steps.push_back(
            Command(BootCommand::Role::BootOrder, inRoot, {*efibootmgr, "--bootorder", order}));
    }
}

}  // namespace

const RecordedFileSystem* BootPlan::RecordedRoot(const DiskRecord& record,
                                                 const std::string& uuid) {
    const RecordedFileSystem* found = nullptr;
    for (const RecordedFileSystem& fs : record.fileSystems) {
        if (!uuid.empty() && fs.uuid == uuid && (found == nullptr || fs.mountPoint == "/")) {
            found = &fs;
        }
    }
    return found;
}

const RecordedDisk* BootPlan::BootDisk(const DiskRecord& record, const std::string& rootUuid) {
    const RecordedFileSystem* root = RecordedRoot(record, rootUuid);
    if (root == nullptr) {
        return nullptr;
    }
    // A root on LVM, LUKS or RAID is no partition: the recorded machine's /boot, then its EFI
    // system partition, sit on the disk it started from.
    std::vector<const RecordedFileSystem*> candidates = {root};
    if (root->mountPoint == "/") {
        for (const char* point : {"/boot", kEspPoints[0], kEspPoints[1]}) {
            for (const RecordedFileSystem& fs : record.fileSystems) {
                if (fs.mountPoint == point) {
                    candidates.push_back(&fs);
                }
            }
        }
    }
    for (const RecordedFileSystem* fs : candidates) {
        const RecordedPartition* partition = record.FindPartition(fs->device);
        if (partition != nullptr) {
            return record.FindDisk(partition->disk);
        }
    }
    return nullptr;
}

BootPlan BootPlan::Make(const DiskRecord& record, const BootFacts& facts) {
    BootPlan plan;
    if (facts.rootUuid.empty()) {
        plan.refusal = "aucun système de fichiers n'est monté sur " + facts.root +
                       " : montez-y d'abord la racine du système restauré";
        return plan;
    }
    const RecordedFileSystem* recordedRoot = RecordedRoot(record, facts.rootUuid);
    const bool recordedMachine = recordedRoot != nullptr && recordedRoot->mountPoint == "/";
    const RecordedDisk* bootDisk = BootDisk(record, facts.rootUuid);
    const std::string recordedDisk = bootDisk == nullptr ? "" : bootDisk->name;
    if (facts.diskGiven && !facts.diskFound) {
        plan.refusal = facts.disk +
                       " n'est pas un disque de cette machine (une partition ne convient pas) : "
                       "lsblk -d montre les disques";
        return plan;
    }
    if (!facts.diskGiven) {
        if (recordedDisk.empty()) {
            plan.refusal = "le système de fichiers monté sur " + facts.root + " (UUID " +
                           facts.rootUuid +
                           ") ne mène à aucun disque de l'enregistrement : donnez le disque "
                           "où installer le chargeur avec --disque /dev/sdX";
            return plan;
        }
        if (facts.disk.empty() || facts.diskBySize) {
            plan.refusal = "le disque enregistré /dev/" + recordedDisk +
                           (facts.disk.empty() ? " n'est pas sur cette machine"
                                               : " n'est pas identifié sur cette machine (" +
                                                     facts.disk + " n'a que sa taille)") +
                           " : donnez le disque où installer le chargeur avec --disque /dev/sdX";
            return plan;
        }
    }
    if (recordedMachine && (record.boot.firmware == "efi" || record.boot.firmware == "bios")) {
        plan.efi = record.boot.firmware == "efi";
        plan.firmwareWhy = "comme l'enregistrement";
    } else {
        plan.efi = facts.diskHasEsp && !facts.diskHasBiosBoot;
        plan.firmwareWhy = plan.efi ? "le disque a une partition système EFI"
                                    : "le disque n'a pas de partition système EFI seule";
    }
    plan.mounts = {{BootMount::Kind::Bind, "/dev", "/dev"},
                   {BootMount::Kind::Bind, "/proc", "/proc"},
                   {BootMount::Kind::Bind, "/sys", "/sys"}};
    if (plan.efi) {
        const RecordedFileSystem* esp = RecordedEsp(record);
        plan.espPoint = !facts.espMountedAt.empty()                  ? facts.espMountedAt
                        : esp != nullptr && !esp->mountPoint.empty() ? esp->mountPoint
                                                                     : kEspPoints[0];
        if (facts.efiVariables) {
            plan.mounts.push_back(
                {BootMount::Kind::EfiVariables, "efivarfs", "/sys/firmware/efi/efivars"});
        }
        if (facts.espMountedAt.empty()) {
            if (facts.espDevice.empty()) {
                plan.refusal = "la partition système EFI (" + plan.espPoint + ") n'est pas sur " +
                               facts.disk +
                               " : remettez d'abord sa table et son système de fichiers "
                               "(Restore.exe --disques dit comment)";
                return plan;
            }
            plan.mounts.push_back({BootMount::Kind::EfiPartition, facts.espDevice, plan.espPoint});
        }
    }
    AddLoader(plan, record, facts);
    AddConfigAndInitramfs(plan, facts);
    // Another machine's entries would name partitions this disk does not have.
    if (plan.efi && recordedMachine) {
        AddEfiEntries(plan, record, facts, recordedDisk);
    }
    return plan;
}
