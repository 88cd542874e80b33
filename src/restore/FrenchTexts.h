#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "restore/PlanItem.h"
#include "restore/SystemFailure.h"

// Every text the restore program shows, in French.
namespace FrenchTexts {

std::string Usage();

// "système de fichiers en lecture seule (code 30)".
std::string SystemError(int error);

// What was being done when a restore failed: "création du fichier temporaire".
std::string StepText(SystemFailure::Step step);

// Why a file was not restored or compared: "création du fichier temporaire impossible :
// système de fichiers en lecture seule (code 30)".
std::string Failure(const SystemFailure& failure);

// Why the catalogue or the Kestrix folder, `what` ("le catalogue /media/cle/Kestrix.dat"), is
// refused: others may write it (`mode`, "0666").
std::string Refused(const std::string& what, const std::string& mode);

// A file or folder of the backup at `relative` under `folder`, as the refusals name it: "le
// catalogue /media/cle/Kestrix.dat", "le dossier de la sauvegarde /media/cle".
std::string Subject(const std::string& folder, const std::string& relative);

// Why a backup is refused when `what` belongs to `owner` ("1001 (mallory)"), whom nobody
// trusted vouches for.
std::string Untrusted(const std::string& what, const std::string& owner);

// Why a copy is not used, after its name, when others may write it (CopyWritable) or nobody
// trusted owns it (CopyOwner).
std::string CopyRefusal(const SystemFailure& failure);

// Why a catalogue or manifest, `what`, is refused: `size` bytes, more than any backup writes.
std::string TooLarge(const std::string& what, const std::string& size);

// Permission bits with the set-ID and sticky bits, as four octal digits: "0640".
std::string Mode(mode_t mode);

// Why a record is not restored, from the record's point of view.
std::string SkipReason(const PlanItem& item);

// How a copy compares with the manifest: "abîmée (taille attendue 40 octets, trouvée 12
// octets)".
std::string CheckText(const PlanItem& item);

// A name or path as it can be shown on a terminal: control bytes become \xNN.
std::string Printable(std::string_view bytes);

// "Restaurer ces N fichiers ? (o/N) ".
std::string Question(int count);

// True for "o", "oui" (any case, blanks around); anything else is no.
bool IsYes(const std::string& answer);

// What a restore did with the files asked.
struct Counts {
    int written = 0;    // created or replaced
    int repaired = 0;   // the same bytes, given their recorded rights
    int unchanged = 0;  // the same bytes and rights
    int ignored = 0;
};

// "3 fichiers écrits, 2 aux droits rétablis, 9 déjà à jour, 0 ignorés".
std::string Summary(const Counts& counts);

}  // namespace FrenchTexts
