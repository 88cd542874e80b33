#include "restore/FrenchTexts.h"

#include <cctype>
#include <cerrno>

#include "restore/Paths.h"
#include "restore/RecordSplit.h"
#include "shared/BackupNames.h"
#include "shared/CommitIntent.h"

namespace FrenchTexts {

namespace {

std::string Quoted(const std::string& bytes) {
    return "« " + Printable(bytes) + " »";
}

std::string ErrorName(int error) {
    switch (error) {
        case EROFS:
            return "système de fichiers en lecture seule";
        case EACCES:
            return "accès refusé";
        case EPERM:
            return "opération non permise";
        case ENOSPC:
            return "plus de place sur le disque";
        case EDQUOT:
            return "quota de disque dépassé";
        case ENOENT:
            return "fichier ou dossier absent";
        case ENOTDIR:
            return "un élément du chemin n'est pas un dossier";
        case EISDIR:
            return "c'est un dossier";
        case EIO:
            return "erreur d'entrée-sortie";
        case ENAMETOOLONG:
            return "nom trop long";
        case ELOOP:
            return "lien symbolique";
        case EEXIST:
            return "le fichier existe déjà";
        case EBUSY:
            return "ressource occupée";
        case ENODEV:
            return "ce type de système de fichiers est inconnu du noyau";
        case EINVAL:
            return "n'est pas un fichier ordinaire";
        case ENOMEM:
            return "mémoire insuffisante";
        default:
            return "erreur système";
    }
}

}  // namespace

std::string Usage() {
    return "Remet en place les fichiers d'une sauvegarde faite par Kestrix. Un jour de\n"
           "secours, le système endommagé monté sur /mnt, depuis le dossier de la sauvegarde :\n"
           "  sudo ./Restore.exe --verifier              les copies sont-elles intactes ?\n"
           "  sudo ./Restore.exe --disques               les disques sont-ils intacts ?\n"
           "  sudo ./Restore.exe --liste --racine /mnt   ce qui serait remis, et où\n"
           "  sudo ./Restore.exe --oui --racine /mnt     tout remettre en place\n"
           "  sudo ./Restore.exe --amorcage --racine /mnt   le refaire démarrer\n"
           "\n"
           "Usage : Restore.exe [--liste | --comparer | --verifier | --disques] [--oui]\n"
           "                   [--force] [--racine RACINE] [DOSSIER [FICHIER...]]\n"
           "        Restore.exe --amorcage --racine RACINE [--disque DISQUE] [--oui]\n"
           "                   [--force] [DOSSIER]\n"
           "\n"
           "  DOSSIER          le dossier de la sauvegarde, qui contient Kestrix.dat et le\n"
           "                   sous-dossier Kestrix (par défaut : le dossier de ce programme)\n"
           "  FICHIER          ne traite que ces fichiers, nommés par leur copie (passwd) ou\n"
           "                   leur chemin (/etc/passwd) ; DOSSIER est alors obligatoire\n"
           "  --liste          montre ce qui serait restauré, sans rien changer\n"
           "  --comparer       dit pour chaque fichier s'il est identique à sa copie (et\n"
           "                   s'il a les droits enregistrés), différent ou absent, sans\n"
           "                   rien changer\n"
           "  --verifier       vérifie la taille et l'empreinte de chaque copie avec les\n"
           "                   fichiers de contrôle de la sauvegarde, sans rien changer\n"
           "  --disques        compare les disques et le démarrage enregistrés avec cette\n"
           "                   machine et donne les commandes qui remettent ce qui manque,\n"
           "                   sans rien changer (code 0 : identiques, 1 : différents,\n"
           "                   2 : enregistrement illisible ou refusé)\n"
           "  --amorcage       réinstalle le chargeur de démarrage (GRUB) et refait les\n"
           "                   images initramfs du système restauré sous RACINE, avec ses\n"
           "                   propres outils, sur le disque que l'enregistrement désigne ;\n"
           "                   remet les entrées EFI enregistrées (code 0 : démarrage\n"
           "                   réparé, 1 : une étape a échoué, 2 : rien n'a été fait)\n"
           "  --disque DISQUE  avec --amorcage : le disque où installer le chargeur, quand\n"
           "                   l'enregistrement ne permet pas de le reconnaître\n"
           "  --oui            restaure (ou répare) sans poser de question\n"
           "  --force          passe outre les droits trop larges décrits plus bas\n"
           "  --racine RACINE  restaure sous RACINE, par exemple /mnt pour un système\n"
           "                   endommagé monté depuis un système de secours\n"
           "  -h, --help       affiche cette aide\n"
           "\n"
           "Chaque fichier est d'abord écrit dans un fichier temporaire de son dossier, mis\n"
           "sur le disque, puis renommé : un arrêt brutal ne laisse jamais un fichier à moitié\n"
           "écrit. Son ancien contenu est gardé à côté de lui sous le nom\n"
           "<nom>.avant-restauration. Avant la question, chaque fichier est montré avec le\n"
           "dossier réel où il sera écrit (liens résolus) et les droits, le propriétaire et\n"
           "le groupe qu'il aura. Un fichier déjà identique à sa copie n'est pas réécrit :\n"
           "seuls ses droits, son propriétaire et son groupe sont rétablis s'ils diffèrent.\n"
           "\n"
           "À côté de Kestrix.dat, une sauvegarde a deux fichiers de contrôle :\n"
           "Kestrix.xxh128 (l'empreinte XXH128 de chaque copie) et Kestrix.droits (les\n"
           "droits, le propriétaire, le groupe et la taille de chaque fichier d'origine).\n"
           "Avant d'écrire un fichier, la taille puis l'empreinte de sa copie sont vérifiées :\n"
           "une copie abîmée, ou absente des fichiers de contrôle, n'est pas restaurée. Un\n"
           "fichier, absent ou remplacé, prend les droits, le propriétaire et le groupe de\n"
           "Kestrix.droits : les noms sont cherchés dans etc/passwd et etc/group du système\n"
           "restauré (sous RACINE avec --racine), les numéros servent quand un nom n'y est\n"
           "pas. Une sauvegarde sans fichiers de contrôle ne peut pas être vérifiée : un\n"
           "fichier remplacé y garde son propriétaire et ses droits, un fichier absent est\n"
           "recréé avec les droits de sa copie, et, pour root, avec le propriétaire et le\n"
           "groupe de sa copie. Les bits set-uid et set-gid ne sont\n"
           "jamais remis. Pour vérifier une sauvegarde sans rien changer :\n"
           "  cd DOSSIER && xxh128sum -c Kestrix.xxh128    (paquet xxhash)\n"
           "  Restore.exe --verifier DOSSIER\n"
           "\n"
           "Qui peut modifier le catalogue, un fichier de contrôle, le dossier Kestrix ou\n"
           "une copie choisit ce que root écrira, et où : il pourrait faire écrire ses\n"
           "propres fichiers dans /etc. Une sauvegarde dont le catalogue, un fichier de\n"
           "contrôle ou le dossier Kestrix est modifiable par d'autres que son propriétaire\n"
           "(son groupe ou tous) est donc refusée ; une telle copie est ignorée seule, et\n"
           "les autres sont traitées. Kestrix écrit ses copies modifiables par leur seul\n"
           "propriétaire. Les fichiers d'une clé FAT montée par le bureau (0644, dossiers\n"
           "0755) conviennent. Pour root, un\n"
           "dossier de destination modifiable par tous sans le bit « sticky » est ignoré :\n"
           "un autre utilisateur pourrait y changer les fichiers pendant la restauration. Un\n"
           "dossier de destination remplacé pendant la question (par un lien vers un autre\n"
           "dossier) est ignoré lui aussi. --force passe outre les droits, jamais le lien.\n"
           "\n"
           "Pour root, la sauvegarde, son dossier Kestrix, son catalogue et ses fichiers de\n"
           "contrôle doivent appartenir à root, à l'utilisateur qui lance Restore.exe ou à\n"
           "l'administrateur qui l'a lancé par sudo ou pkexec, et ces deux dossiers ne\n"
           "doivent être modifiables que par leur propriétaire (ou « sticky » et à root).\n"
           "Une copie doit appartenir à l'un d'eux ou au propriétaire que Kestrix.droits\n"
           "donne à son original ; sinon elle est ignorée. Une clé montée par root depuis\n"
           "un système de secours convient ; une clé montée par le bureau pour\n"
           "l'administrateur convient avec sudo ou pkexec :\n"
           "  sudo Restore.exe /media/cle\n"
           "Sinon, vérifiez la sauvegarde, puis donnez --force. Un lien sur le chemin d'un\n"
           "fichier à restaurer n'est suivi que s'il appartient à root ou au propriétaire de\n"
           "ce vers quoi il mène, et que personne d'autre ne peut modifier son dossier ;\n"
           "sinon le fichier est ignoré. Un catalogue ou un fichier de contrôle de plus de\n"
           "16 Mio est refusé.\n"
           "\n"
           "Une sauvegarde dont Kestrix n'a pas fini la mise en place (arrêt brutal, coupure\n"
           "de courant) est d'abord terminée par la restauration ; --liste, --comparer et\n"
           "--verifier la lisent telle qu'elle sera une fois terminée, sans rien changer.\n"
           "\n"
           "Code de sortie : 0 quand tout ce qui était demandé a été fait ; 1 quand un\n"
           "fichier a été ignoré ou n'a pas pu être restauré (avec --comparer : quand un\n"
           "fichier n'est pas identique à sa copie ou n'a pas ses droits ; avec --verifier :\n"
           "quand une copie n'est pas conforme ou que la sauvegarde n'a pas de fichiers de\n"
           "contrôle), quand un FICHIER nommé ne désigne rien, quand la\n"
           "sauvegarde n'est pas entière (elle ne contient aucun fichier, ou le catalogue et\n"
           "les fichiers de contrôle ne s'accordent pas), dans tous les modes, ou quand une\n"
           "sauvegarde ou une autre restauration utilise le dossier ; 2 pour une erreur\n"
           "d'utilisation, une sauvegarde refusée, un catalogue ou un fichier de contrôle\n"
           "illisible, une mise en place interrompue qui ne peut pas être terminée, ou un\n"
           "manque de mémoire.\n";
}

std::string SystemError(int error) {
    return ErrorName(error) + " (code " + std::to_string(error) + ")";
}

std::string StepText(SystemFailure::Step step) {
    using Step = SystemFailure::Step;
    switch (step) {
        case Step::OpenBackup:
            return "ouverture du dossier de la sauvegarde impossible";
        case Step::BackupWritable:
            return "le dossier de la sauvegarde est modifiable par d'autres que son propriétaire";
        case Step::ForeignOwner:
            return "un fichier de la sauvegarde appartient à un autre utilisateur";
        case Step::ReadCatalogue:
            return "lecture du catalogue impossible";
        case Step::TooLarge:
            return "fichier trop grand";
        case Step::CatalogueWritable:
            return "le catalogue est modifiable par d'autres que son propriétaire";
        case Step::ReadManifest:
            return "lecture du fichier de contrôle impossible";
        case Step::ManifestWritable:
            return "le fichier de contrôle est modifiable par d'autres que son propriétaire";
        case Step::OpenCopies:
            return "ouverture du dossier Kestrix impossible";
        case Step::CopiesWritable:
            return "le dossier Kestrix est modifiable par d'autres que son propriétaire";
        case Step::OpenCopy:
            return "ouverture de la copie impossible";
        case Step::CopyNotRegular:
            return "la copie n'est pas un fichier ordinaire";
        case Step::CopyWritable:
            return "la copie est modifiable par d'autres que son propriétaire";
        case Step::CopyOwner:
            return "la copie appartient à un autre utilisateur que root, vous ou le propriétaire "
                   "de son original";
        case Step::ReadCopy:
            return "lecture de la copie impossible";
        case Step::CopyChanged:
            return "la copie a changé depuis sa vérification";
        case Step::OpenDirectory:
            return "ouverture du dossier impossible";
        case Step::DirectoryMoved:
            return "le dossier a changé depuis l'examen du catalogue";
        case Step::DirectoryWritable:
            return "le dossier est modifiable par tous, sans le bit « sticky »";
        case Step::ReadTarget:
            return "lecture du fichier en place impossible";
        case Step::TargetNotRegular:
            return "le fichier en place n'est pas un fichier ordinaire";
        case Step::CreateTemporary:
            return "création du fichier temporaire impossible";
        case Step::WriteTemporary:
            return "écriture du fichier temporaire impossible";
        case Step::Owner:
            return "impossible de garder le propriétaire du fichier";
        case Step::Mode:
            return "impossible de donner ses droits au fichier";
        case Step::Flush:
            return "mise sur disque impossible";
        case Step::KeepOld:
            return "impossible de garder l'ancien contenu";
        case Step::Rename:
            return "remplacement du fichier impossible";
        case Step::FlushDirectory:
            return "mise sur disque du dossier impossible (le fichier a été remplacé)";
    }
    return "échec";
}

std::string Failure(const SystemFailure& failure) {
    using Step = SystemFailure::Step;
    const std::string step = StepText(failure.GetStep());
    switch (failure.GetStep()) {
        case Step::CopyWritable:
        case Step::DirectoryWritable:
            return step + " (droits " + failure.Found() + ") ; --force pour passer outre";
        case Step::CopyOwner:
            return step + " (" + failure.Found() + ") ; vérifiez la sauvegarde, puis --force pour "
                          "passer outre";
        case Step::DirectoryMoved:
            return step + " : il mène maintenant vers " + Printable(failure.Found());
        case Step::CopyChanged:
            return step + " (empreinte XXH128 " + failure.Found() + ")";
        default:
            return step + " : " + SystemError(failure.Error());
    }
}

std::string Refused(const std::string& what, const std::string& mode) {
    return Printable(what) + " est modifiable par d'autres que son propriétaire (droits " + mode +
           ") : restauration refusée, car qui peut l'écrire choisirait ce que root écrit, et "
           "où ; --force pour passer outre";
}

std::string Subject(const std::string& folder, const std::string& relative) {
    const std::string path = relative.empty() ? folder : Paths::Join(folder, relative);
    const std::string::size_type slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    if (relative.empty()) {
        return "le dossier de la sauvegarde " + path;
    }
    if (name == BackupNames::kCopies || relative == CommitIntent::kStagingName) {
        return "le dossier " + path;
    }
    if (name == BackupNames::kCatalogue) {
        return "le catalogue " + path;
    }
    if (name == BackupNames::kHashFile || name == BackupNames::kRightsFile) {
        return "le fichier de contrôle " + path;
    }
    return "le fichier " + path;
}

std::string Untrusted(const std::string& what, const std::string& owner) {
    return Printable(what) + " appartient à l'utilisateur " + Printable(owner) +
           ", qui n'est ni root, ni vous, ni l'administrateur qui a lancé sudo ou pkexec : "
           "restauration refusée, car il pourrait choisir ce que root écrit, et où ; vérifiez la "
           "sauvegarde, puis --force pour passer outre";
}

std::string CopyRefusal(const SystemFailure& failure) {
    if (failure.GetStep() == SystemFailure::Step::CopyOwner) {
        return "appartient à l'utilisateur " + Printable(failure.Found()) +
               ", qui n'est ni root, ni vous, ni l'administrateur qui a lancé sudo ou pkexec, ni "
               "le propriétaire de son original : il pourrait choisir ce que root écrit ; "
               "vérifiez-la, puis --force pour passer outre";
    }
    return "est modifiable par d'autres que son propriétaire (droits " + failure.Found() +
           ") : qui peut l'écrire choisirait ce que root écrit ; --force pour passer outre";
}

std::string TooLarge(const std::string& what, const std::string& size) {
    return Printable(what) + " est trop grand (" + size + " octets, au plus 16777216) : ce n'est "
           "pas un fichier d'une sauvegarde de Kestrix, restauration refusée ; vérifiez la "
           "sauvegarde";
}

std::string Mode(mode_t mode) {
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i, mode >>= 3) {
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + (mode & 7));
    }
    return text;
}

std::string SkipReason(const PlanItem& item) {
    using Skip = PlanItem::Skip;
    switch (item.skip) {
        case Skip::None:
            return {};
        case Skip::Malformed: {
            const std::string_view record = item.record;
            if (record.size() > RecordSplit::kMaxRecord) {
                return "ligne illisible, trop longue (" + std::to_string(record.size()) +
                       " octets, au plus " + std::to_string(RecordSplit::kMaxRecord) + ")";
            }
            const std::size_t comma = record.find(',');
            if (comma != std::string_view::npos && comma > RecordSplit::kMaxName &&
                record.find('/') > comma) {
                return "ligne illisible, nom de fichier trop long (au plus " +
                       std::to_string(RecordSplit::kMaxName) + " octets)";
            }
            return "ligne illisible, sans nom de fichier ni dossier";
        }
        case Skip::Ambiguous: {
            std::string names;
            for (const std::string& candidate : item.candidates) {
                names += (names.empty() ? "" : ", ") + Quoted(candidate);
            }
            return "nom ambigu, à cause des virgules : les copies " + names +
                   " existent toutes dans Kestrix/, on ne sait pas laquelle est la bonne";
        }
        case Skip::NoCopy:
            return "la copie Kestrix/" + Printable(item.copy) + " manque dans la sauvegarde";
        case Skip::NoDirectory:
            return "le dossier d'origine n'est pas connu (le fichier avait été sauvegardé sans "
                   "chemin) : on ne sait pas où le remettre";
        case Skip::RelativeDirectory:
            return "le dossier d'origine " + Quoted(item.directory) +
                   " est relatif : on ne sait pas où le remettre";
        case Skip::Superseded:
            return "un fichier plus récent du même nom (ligne " + std::to_string(item.laterLine) +
                   ", dossier " + Printable(item.laterDirectory) +
                   ") a remplacé sa copie dans Kestrix/ : seul celui-là peut être restauré";
        case Skip::Duplicate:
            return "en double dans le catalogue, restauré par la ligne " +
                   std::to_string(item.laterLine);
        case Skip::NoTargetDirectory:
            return "le dossier " + Printable(item.targetDirectory) + " n'existe pas";
        case Skip::DirectoryUnusable:
            return "le dossier " + Printable(item.targetDirectory) +
                   " est inaccessible : " + SystemError(item.error);
        case Skip::OutsideRoot:
            return "le dossier " + Printable(item.targetDirectory) +
                   " mène hors de la racine (vers " + Printable(item.realDirectory) + ")";
        case Skip::LinkRefused:
            return "le lien " + Quoted(item.link) + " " + item.linkWhy + " : il n'est pas suivi";
        case Skip::TargetIsLink:
            return Printable(item.targetPath) +
                   " est un lien symbolique : remettez ce fichier à la main si besoin";
        case Skip::TargetNotRegular:
            return Printable(item.targetPath) + " n'est pas un fichier ordinaire";
        case Skip::TargetUnusable:
            return Printable(item.targetPath) + " est inaccessible : " + SystemError(item.error);
        case Skip::Unverified:
            return "copie Kestrix/" + Printable(item.copy) + " " + CheckText(item);
        case Skip::CopyRefused:
            return "la copie Kestrix/" + Printable(item.copy) + " " + item.refusal;
    }
    return {};
}

std::string CheckText(const PlanItem& item) {
    using Check = PlanItem::Check;
    switch (item.check) {
        case Check::NotChecked:
            break;
        case Check::Match:
            return "conforme";
        case Check::NotListed:
            return "non vérifiable (absente de " + item.found + ")";
        case Check::SizeDiffers:
            return "abîmée (taille attendue " + item.expected + " octets, trouvée " + item.found +
                   " octets)";
        case Check::HashDiffers:
            return "abîmée (empreinte XXH128 attendue " + item.expected + ", trouvée " +
                   item.found + ")";
        case Check::Unreadable:
            return "non vérifiable (" + item.found + ")";
    }
    return {};
}

std::string Printable(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            text += "\\x";
            text += digits[byte >> 4];
            text += digits[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

std::string Question(int count) {
    return "Restaurer ces " + std::to_string(count) + " fichiers ? (o/N) ";
}

bool IsYes(const std::string& answer) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    std::string::size_type begin = 0;
    std::string::size_type end = answer.size();
    while (begin < end && blank(answer[begin])) {
        ++begin;
    }
    while (end > begin && blank(answer[end - 1])) {
        --end;
    }
    std::string word;
    for (std::string::size_type i = begin; i < end; ++i) {
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(answer[i])));
    }
    return word == "o" || word == "oui";
}

std::string Summary(const Counts& counts) {
    return std::to_string(counts.written) + " fichiers écrits, " +
           std::to_string(counts.repaired) + " aux droits rétablis, " +
           std::to_string(counts.unchanged) + " déjà à jour, " + std::to_string(counts.ignored) +
           " ignorés";
}

}  // namespace FrenchTexts
