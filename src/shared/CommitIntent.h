#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The intent file of a commit: which files make up the new backup. It is written, flushed and put
// in place as D/.kestrix-validation once every new file stands whole in the staging folder; from
// then on the new backup is the backup, and whoever opens D next (the next run, the restore
// program) finishes moving its files into place before anything else. Text, one entry a line:
//
//   Kestrix validation 1
//   copie<TAB><name>     a new copy, in the staging folder's Kestrix/
//   garde<TAB><name>     a copy of the previous backup, carried over in D/Kestrix/
//   fichier<TAB><name>   a new file of D itself (Kestrix.dat, the manifests, Restore.exe...)
//   ancienne<TAB><name>  a copy that the replaced backup lists and the new one does not hold: the
//                        only names the switch removes from D/Kestrix/
//   historique<TAB><name>  the replaced backup, staged as a whole earlier one, is kept as
//                        D/Kestrix.historique/<name>/
//   efface<TAB><name>    the earlier backup D/Kestrix.historique/<name>/ goes
//   dossier<TAB><name>   a new folder of D (the disk record), replacing the previous one whole
//   fin
class CommitIntent {
public:
    static constexpr const char* kFileName = ".kestrix-validation";
    static constexpr const char* kStagingName = ".kestrix-nouvelle";
    // An intent larger than this is no intent of Kestrix's.
    static constexpr std::size_t kMaxSize = 16u << 20;

    std::vector<std::string> staged;  // copies
    std::vector<std::string> kept;    // copies carried over
    std::vector<std::string> files;   // files of D itself
    std::vector<std::string> removed; // copies of the replaced backup that go
    std::string history;              // the name the replaced backup is kept under, or empty
    std::vector<std::string> dropped; // earlier backups that go
    // Folders of D itself.
    std::vector<std::string> folders;

    // True when `name` is a copy of the new backup, new or carried over.
    bool HoldsCopy(const std::string& name) const;
    bool Stages(const std::string& name) const;
    bool HoldsFolder(const std::string& name) const;

    std::string Serialize() const;
    // False when `bytes` are not a whole intent: a line of another kind, a name that is not a
    // plain file name (or, for files of D, not one of the backup's), no closing line.
    static bool Parse(const std::string& bytes, CommitIntent& intent);

    // A name a copy may have: not empty, no '/', no NUL, no line end, not "." or "..", at most
    // 255 bytes.
    static bool IsPlainName(const std::string& name);
    // A name an earlier backup may have: its date, "2026-12-01_03-00-00", with "-02" to "-99"
    // when two meet. No other folder of Kestrix.historique/ is taken for one.
    static bool IsEarlierName(const std::string& name);
    // The files of D that a commit may put in place.
    static bool IsBackupFile(const std::string& name);
    // The folders of D that a commit may put in place.
    static bool IsBackupFolder(const std::string& name);
};
