#pragma once

#include <QString>
#include <QHash>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <set>
#include <string>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "backup/BackupJob.h"
#include "backup/BackupManifest.h"
#include "backup/BackupProgress.h"
#include "backup/DestinationCatalogue.h"
#include "backup/WriteBehind.h"
#include "disks/SystemRoots.h"
#include "platform/CopyFlush.h"
#include "platform/DirectoryHandle.h"
#include "platform/SourceFolders.h"
#include "report/Reporter.h"
#include "shared/AlignedBuffer.h"
#include "shared/CommitIntent.h"
#include "shared/FolderLock.h"
#include "shared/ContentHash.h"
#include "shared/FileDescriptor.h"
#include "shared/PreviousBackup.h"

// The backup engine: the destination preparation, the source list, the backup run with its
// catalogue and boot batch file. It runs a BackupJob, reports through the program-wide Reporter
// (whose user interface answers its boxes) and shows its progress through `progress`.
class BackupEngine {
public:
    BackupEngine(Reporter& reporter, BackupProgress& progress);

    // Makes the destination and its copies' folder; returns the destination as the run is to
    // use it (a lone trailing separator taken off).
    QString PrepareDestination(QString destination);
    // The lines of the list read from Kestrix.dat; none when it could not be read, and then no
    // backup is committed until it is read again.
    std::optional<std::vector<JobLine>> LoadFileList();
    // `job` is read again during the run (its block size at each block): it must outlive the
    // call.
    void RunBackup(const BackupJob& job);

    // The last measured free space in bytes; 0 before any measurement, kept between runs.
    qint64 LastFreeSpace() const { return lastFreeSpace_; }

    // The journal lines of an unattended run: the listed files that this machine lacks (none:
    // no line), and the end of the run with the files copied into the backup it committed, the
    // ticked or left-out ones it holds no new copy of, the copies the medium let more users
    // read than their sources, the exit status and the report (`reportFile` empty when it could
    // not be saved). Run by another user than root, files that only root may read are told to
    // need sudo or pkexec first.
    void LogMissingFiles() const;
    void LogEnd(int exitStatus, const QString& reportFile) const;

    // One line on stderr, for the journal of an unattended run.
    static void Log(const QString& line);

    // True once a ticked file was not copied and recorded by a run (no room, vanished, failed,
    // no catalogue record, a run ended early), a listed file missing since the previous backup
    // kept its copy there, or a file found under a listed folder could not be read or recorded:
    // the program then exits with status 1.
    bool CopyIncomplete() const { return copyIncomplete_; }

    // Why the restore program would not trust the destination of the last run as root, or
    // empty: the program then exits with status 1 too.
    const QString& Distrust() const { return distrust_; }

    // The last run ended normally, reported no error, and copied and recorded every ticked file.
    bool LastRunSucceeded() const { return lastRunSucceeded_; }

    // Only for tests: replaces the free-space query (a failing query cannot be staged).
    void SetFreeSpaceQuery(std::function<qint64(const QString&)> query);

    // Where the disk record reads the disks from: the machine's own unless set.
    void SetDiskRoots(SystemRoots roots) { diskRoots_ = std::move(roots); }

    // "12 Ko", "3 Mo (3072 Ko)", "1 Go (1024 Mo)".
    static QString FormatFreeSpace(qint64 bytes);

    // Bytes free for the user where `path` lives; a failed query counts as 2147483647.
    qint64 MeasureFreeSpace(const QString& path) const;

    static const QString kListFile;       // ./Data/Kestrix.dat
    static const QString kRestoreSource;  // ./Data/Kestrix.res

private:
    // What became of one ticked entry.
    struct EntryOutcome {
        bool copied = false;
        bool readByMore = false;  // the copy could not keep its source's owner and modes
        BackupManifest::Copy copy;
    };

    // The stages of a run, in order; OpenRun and WriteRestoreApplication return false when the
    // run ended there.
    void StartRun(const BackupJob& job);
    bool OpenRun();
    void CreateCatalogue();
    bool WriteRestoreApplication(const QString& stages);
    void CopyFiles(const QString& stages);
    void WriteBootBatch();
    void FinishRun();

    // One ticked file's copy (one guarded block), then its record.
    EntryOutcome CopyEntry(const JobFile& file);
    void RecordCopy(const JobFile& file, const EntryOutcome& outcome);
    // Returns the number of bytes written, hashed on the way by the writer thread.
    qint64 CopyBlocks(FileDescriptor& source, FileDescriptor& destination, qint64 size);
    void CopyRestoreApplication();
    void WriteAutoexec();
    enum class Opening { Ready, CopiesReplaced, Busy, Unfinished, Refused };
    // Opens the destination for the run and takes its lock, finishes a switch that an earlier
    // run left unfinished, removes what interrupted runs left, and makes the staging folder of
    // the new backup. Ready also when the destination cannot be had: each file then fails with
    // its own error.
    Opening OpenDestination();
    // The end of a run that stops early: nothing committed, the report saved.
    void EndEarly();
    // Flushes and closes the new catalogue and manifests. Throws Failure.
    void CloseCatalogue();
    // Switches the destination to the new backup, or keeps the previous one when the new one
    // cannot be whole; removes the staging folder either way. False when it reported an error.
    bool CommitOrDiscard();
    void Discard();
    void ReleaseDestination();
    // A ticked file that this run did not copy, or a listed one that is missing, keeps the
    // previous backup's copy, record and manifest lines, when that backup holds them for the same
    // source. False when it holds none.
    bool CarryOver(const QString& source);
    // Gives each source of the run its copy's name, once the destination is open: the first of
    // a name keeps it, a later one gets one that no copy of the run and no name in the
    // destination's copies' folder takes, or again the one the previous backup gave it.
    void NameCopies();
    // The copy the previous backup holds of `source`: the name its Kestrix.noms gives it, or
    // its file name.
    QString PreviousCopyOf(const QString& source) const;
    // A copy that does not bear its source's name gets its line in Kestrix.noms.
    void NoteCopyName(const QString& source, const QString& copy);
    // Writes Kestrix.noms in the staging folder. Throws Failure.
    void WriteCopyMap();
    // Names on stderr what stays in the copies' folder without being part of the backup.
    void LogForeignNames() const;
    // Stages the backup being replaced to be kept as an earlier one, when earlier ones are
    // kept; with no room for it, the oldest earlier backups go first.
    void KeepPrevious();
    // Removes the oldest earlier backup, never the current one, and says so; false when there
    // is none.
    bool DropOldestEarlier();
    // The free space of `path`, the oldest earlier backups removed first while `size` does not
    // fit.
    qint64 FreeSpaceFor(qint64 size, const QString& path);
    // A staged file equal to the previous backup's file of that name (bytes, mode, owner,
    // group) shares its data.
    void ShareUnchanged(const DirectoryHandle& previous, const DirectoryHandle& staged,
                        const QByteArray& name);
    // The name the replaced backup is kept under, and the earlier backups past the number kept.
    void NameEarlier();
    QString DestinationPath(const QString& name) const;
    void Append(const QString& line) { reporter_.Append(line); }
    void ShowError(const QString& text);
    // One line on stderr naming why the destination cannot be had.
    void LogUnusableDestination(const QString& destination, int errorNumber);
    void MarkIncomplete();
    // Reports a failure by its code and carries out what follows from it.
    void ReportError(ErrorCode code);

    Reporter& reporter_;
    BackupProgress& progress_;
    // The job of the run in progress.
    const BackupJob* job_ = nullptr;
    // Set by every error the run reports, whatever a stage run in the middle of it did to the
    // stage flag: such a run never closes with the no-error line.
    bool errorReported_ = false;
    // Missing files' markers whose previous copies may be kept, to their paths.
    QHash<QString, QString> missingByMarker_;
    std::function<qint64(const QString&)> freeSpaceQuery_;  // none: the file system's own
    SystemRoots diskRoots_;
    qint64 lastFreeSpace_ = 0;
    bool copyIncomplete_ = false;
    bool runIncomplete_ = false;
    bool lastRunSucceeded_ = false;
    QString distrust_;
    QString unusableLogged_;
    // The list stage failed: no backup is committed from its list.
    bool listFailed_ = false;
    QStringList missingFiles_;
    // Files found under listed folders and left out (a refused link counts one): not copied.
    int leftOut_ = 0;
    int filesToCopy_ = 0;
    int filesCopied_ = 0;
    int readByMore_ = 0;       // copies the medium lets more users read than their sources
    int deniedSources_ = 0;    // sources the run had no right to read

    // Run state: the destination, the last free-space text, the one-time line flags, the two
    // block buffers that serve the whole run.
    QString destination_;
    DirectoryHandle destinationDirectory_;
    std::unique_ptr<FolderLock> lock_;
    // The new backup is written under the staging folder: its files there, its copies in
    // copiesDirectory_; previousCopies_ is the folder of the backup it replaces.
    DirectoryHandle stagingDirectory_;
    DirectoryHandle copiesDirectory_;
    DirectoryHandle previousCopies_;
    // The names in previousCopies_ when the run starts; none when they could not be listed.
    std::optional<std::unordered_set<std::string>> previousNames_;
    // The copies' flushes, gathered before the commit where the destination allows it.
    CopyFlush copyFlush_;
    // The folders above the sources, looked at once a run.
    SourceFolders sourceFolders_;
    PreviousBackup previous_;
    CommitIntent intent_;
    std::set<std::string> stagedCopies_;
    // The run's sources, each once, in list order; each one's copy name, who takes each name
    // (case-folded), and the lines of Kestrix.noms so far.
    std::vector<QString> runSources_;
    QHash<QString, QString> copyNames_;
    QHash<QString, QString> namedBy_;
    std::string copyMapLines_;
    int keepEarlier_ = 0;
    bool previousKept_ = false;
    QStringList droppedForRoom_;
    // The new catalogue or a manifest could not be written whole: nothing is committed.
    bool catalogueFailed_ = false;
    DestinationCatalogue catalogue_;
    BackupManifest manifest_;
    ContentHash hash_;
    QString freeSpaceText_;
    bool readingLineWritten_ = false;
    bool writingLineWritten_ = false;
    AlignedBuffer buffers_[2];
    WriteBehind writer_{hash_, buffers_};
};
