#pragma once

#include <string>
#include <vector>

#include "shared/CommitIntent.h"
#include "shared/FileDescriptor.h"

// The switch from one backup in a folder D to the next, and its recovery. A run writes the whole
// new backup under the hidden staging folder D/.kestrix-nouvelle, leaving every file of the
// previous backup as it is, then commits:
//
//  1. every new file was flushed (fdatasync) before its rename inside the staging folder; the
//     staging folder and its Kestrix/ are flushed (fsync), so each staged name holds its data;
//  2. the intent file is written in the staging folder, flushed, and renamed to
//     D/.kestrix-validation; D is flushed. This rename is the commit: before it D holds the
//     previous backup whole (the staging folder is a leftover that the next run removes), after
//     it the new one (whoever opens D next finishes what follows);
//  3. the replaced backup, staged as an earlier one (hard links to its files, its disk record
//     included), is moved file by file into D/Kestrix.historique/<name>/, its catalogue last, and the earlier backups that go
//     are renamed into the staging folder; Kestrix.historique/ is flushed. Each new copy is renamed from the staging folder
//     into D/Kestrix/ (a rename of a name already moved is skipped, so the step can be taken
//     again after a crash); D/Kestrix/ is flushed;
//  4. the copies that the previous backup's catalogue and manifests list and the new one does
//     not hold are removed from D/Kestrix/ (a name Kestrix did not write stays); D/Kestrix/ is
//     flushed;
//  5. the new files of D (catalogue, manifests, Restore.exe, Autoexec.bat) are renamed into D,
//     and each new folder of D (the disk record) replaces the previous one; D is flushed;
//  6. the staging folder is removed, then the intent file; D is flushed.
//
// A crash at any point leaves either no intent (the previous backup is untouched) or an intent
// whose steps 3 to 6 can be taken again from the start. On a journaling file system the same
// holds after a power cut, since each rename is made durable in order by the flushes above.
// Everything is reached through the open folder D, never through a link.
//
// Failures throw std::system_error with the system's error number (EBADMSG: an intent that is no
// intent of Kestrix's).
class GenerationSwitch {
public:
    // Opens the folder `name` of `at` without following a link; not open when it is missing.
    static FileDescriptor OpenFolder(int at, const char* name);
    // The names in `folder`, "." and ".." apart.
    static std::vector<std::string> Names(const FileDescriptor& folder);

    // True when an intent of Kestrix's stands in D, or one that cannot be read now; false when
    // none does or what stands there is no intent.
    static bool HasIntent(const FileDescriptor& folder);

    // Reads D's intent file; false when there is none. Throws EBADMSG when what stands there is
    // no intent of Kestrix's (damaged, a link, a folder...).
    static bool ReadIntent(const FileDescriptor& folder, CommitIntent& intent);

    // True when D holds the staging folder of a run (interrupted, or before its commit).
    static bool HasStaging(const FileDescriptor& folder);

    // Steps 3 to 6 for `intent`, which stands in D.
    static void Finish(const FileDescriptor& folder, const CommitIntent& intent);

    // Removes what interrupted runs left in D: the staging folder, the only place where a run
    // writes under a temporary name. Only when D holds no intent: finish it first.
    static void RemoveLeftovers(const FileDescriptor& folder);

    // The names in D/Kestrix/ that `intent`, once finished, does not hold: names Kestrix did not
    // write, left in place. In byte order.
    static std::vector<std::string> Foreign(const FileDescriptor& folder,
                                            const CommitIntent& intent);

    // Makes a new, empty staging folder (0700) with its Kestrix/ and opens both. Leftovers must
    // be gone.
    static void MakeStaging(const FileDescriptor& folder, FileDescriptor& staging,
                            FileDescriptor& stagingCopies);

    // Earlier backups: each a folder D/Kestrix.historique/<name>/ laid out as D itself, named
    // from its date so that the oldest sorts first. Their names, oldest first; `taken`, when
    // given, gets every name of that form that something stands at.
    static std::vector<std::string> EarlierBackups(const FileDescriptor& folder,
                                                   std::vector<std::string>* taken = nullptr);
    // False when something else than a folder (a file, a link) stands at Kestrix.historique.
    static bool CanKeepEarlier(const FileDescriptor& folder);

    // Stages the backup that stands in D, to be kept as an earlier one by the commit whose
    // intent names it: D's files of the backup, its disk record and the copies `copies` of
    // D/Kestrix/, each a hard link or, on a medium without them, a flushed copy with its mode,
    // owner and group.
    // False when D holds no backup. Throws std::system_error (ENOSPC when there is no room).
    static bool StagePrevious(const FileDescriptor& folder, const FileDescriptor& staging,
                              const std::vector<std::string>& copies);
    // Takes back what StagePrevious staged, whole or in part.
    static void UnstagePrevious(const FileDescriptor& staging);

    // Removes the earlier backup `name` outside a commit, when room is short: renamed into the
    // staging folder at once (a crash leaves it there for the next run to remove), then
    // removed.
    static void DropEarlier(const FileDescriptor& folder, const FileDescriptor& staging,
                            const std::string& name);

    // Replaces the staged copy `name` by a hard link to D/Kestrix/<name>, which holds the same
    // bytes, mode, owner and group, so that the two backups share its data. False, and the
    // staged copy as it was, where the medium has no hard links.
    static bool ShareCopy(const FileDescriptor& copies, const FileDescriptor& staging,
                          const FileDescriptor& stagingCopies, const std::string& name);

    // Steps 1 to 6: the files of `intent` stand whole in the staging folder. A failure before
    // the intent stands (a folder at one of the new backup's names among them) leaves the
    // previous backup whole and the staging folder as it is.
    static void Commit(const FileDescriptor& folder, const FileDescriptor& staging,
                       const FileDescriptor& stagingCopies, const CommitIntent& intent);
};
