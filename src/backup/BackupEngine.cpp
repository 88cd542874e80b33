#include "backup/BackupEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>

#include "backup/CopyNames.h"
#include "backup/DestinationCatalogue.h"
#include "backup/DestinationCheck.h"
#include "backup/JobLines.h"
#include "backup/SourceList.h"
#include "config/BlockSize.h"
#include "config/Settings.h"
#include "disks/StagedRecord.h"
#include "platform/AppControl.h"
#include "platform/BackupFiles.h"
#include "platform/CheckedIo.h"
#include "platform/Directories.h"
#include "platform/Failure.h"
#include "platform/FileAttributes.h"
#include "platform/FileSystem.h"
#include "platform/FreeSpace.h"
#include "platform/NativeNames.h"
#include "platform/PendingFile.h"
#include "platform/SystemError.h"
#include "shared/BackupNames.h"
#include "shared/Catalogue.h"
#include "shared/CopyMap.h"
#include "shared/FolderLock.h"
#include "shared/GenerationSwitch.h"

const QString BackupEngine::kListFile = QStringLiteral("./Data/Kestrix.dat");
const QString BackupEngine::kRestoreSource = QStringLiteral("./Data/Kestrix.res");

namespace {

const QString kSubdirectory = QString::fromLatin1(BackupNames::kCopies);
const QByteArray kSubdirectoryName(BackupNames::kCopies);

// The two buffers of a run: the disk is read and written in pieces of this size, whatever the
// block size that paces the display (at least the largest block, 200 Ko).
constexpr std::size_t kBufferBytes = 1 << 20;

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

}  // namespace

BackupEngine::BackupEngine(Reporter& reporter, BackupProgress& progress)
    : reporter_(reporter), progress_(progress) {}

void BackupEngine::SetFreeSpaceQuery(std::function<qint64(const QString&)> query) {
    freeSpaceQuery_ = std::move(query);
}

QString BackupEngine::FormatFreeSpace(qint64 v) {
    if (v < 1048576) {
        return QString::number(v / 1024) + QStringLiteral(" Ko");
    }
    if (v < 1073741824) {
        return QString::number(v / 1048576) + QStringLiteral(" Mo (") + QString::number(v / 1024) +
               QStringLiteral(" Ko)");
    }
    return QString::number(v / 1073741824) + QStringLiteral(" Go (") +
           QString::number(v / 1048576) + QStringLiteral(" Mo)");
}

void BackupEngine::MarkIncomplete() {
    copyIncomplete_ = true;
    runIncomplete_ = true;
}

void BackupEngine::ReportError(ErrorCode code) {
    switch (reporter_.ReportError(code)) {
        case ErrorOutcome::GoOn:
            break;
        case ErrorOutcome::SkipFreeSpaceChecks:
            reporter_.SetSkipFreeSpaceCheck(true);
            break;
        case ErrorOutcome::EndProgram:
            reporter_.Ui().RequestEnd();
            break;
        case ErrorOutcome::RunShutdownStage:
            // The important report keeps the report up to the last error, with the settings section
            // that the shutdown stage puts right after it.
            reporter_.Ui().RunShutdownStage();
            reporter_.WriteImportantReport();
            break;
    }
}

qint64 BackupEngine::MeasureFreeSpace(const QString& path) const {
    // Every byte of the run goes to the staging folder, once it stands.
    const qint64 value = freeSpaceQuery_ ? freeSpaceQuery_(path)
                         : stagingDirectory_.IsOpen()
                             ? FreeSpace::Available(stagingDirectory_.Descriptor())
                             : FreeSpace::Available(path);
    return value < 0 ? 2147483647 : value;
}

void BackupEngine::ShowError(const QString& text) {
    reporter_.Ui().ShowMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

QString BackupEngine::DestinationPath(const QString& name) const {
    // An empty destination names no file: every write then fails instead of landing in the root.
    return destination_.isEmpty() ? QString() : Directories::Join(destination_, name);
}

QString BackupEngine::PrepareDestination(QString destination) {
    reporter_.BeginStage(QStringLiteral("Préparation du répertoire de destination"));
    unusableLogged_.clear();

    // A lone trailing separator goes ("Save/" -> "Save"); the root "/" stays as it is.
    if (destination.indexOf(QLatin1Char('/')) + 1 == destination.size()) {
        if (destination.size() > 1) {
            destination.chop(1);
        }
        Append(QStringLiteral(" * Répertoire sélectionné : ") + destination);
    }

    try {
        if (DestinationCheck::IsRoot(destination)) {
            errno = EINVAL;
            KESTRIX_FAIL("the root cannot take a backup");
        }
        if (FileSystem::DirectoryExists(destination)) {
            Append(QStringLiteral(" <i> Vérification du répertoire indiqué..."));
            Append(QStringLiteral("     -> Répertoire correct !"));
        }
        if (!FileSystem::DirectoryExists(destination)) {
            Append(
                QStringLiteral(" <i> Le répertoire indiqué n'existe pas, il va donc être créé."));
            Directories::CreateWithParents(destination);
            Append(QStringLiteral("     -> Création du répertoire effectuée"));
        }
        // The subdirectory is reached through the destination, never through a link: a link
        // there is no subdirectory, and creating one in its place fails.
        const DirectoryHandle directory = DirectoryHandle::Open(destination);
        const DirectoryHandle::Entry subdirectory = directory.Find(kSubdirectoryName);
        if (subdirectory == DirectoryHandle::Entry::Directory) {
            Append(QString());
            Append(QStringLiteral(" <i> Vérification du sous-répertoire \"Kestrix\" existant..."));
            Append(QStringLiteral("     -> Sous-répertoire correct !"));
        } else {
            Append(QString());
            Append(QStringLiteral(
                " <i> Le sous-répertoire \"Kestrix\" n'existe pas, il va donc être créé."));
            directory.CreateSubdirectory(kSubdirectoryName);
            Append(QStringLiteral("     -> Création du sous-répertoire effectuée"));
        }
        reporter_.EndStage();
    } catch (const Failure& failure) {
        LogUnusableDestination(destination, failure.errorNumber());
        ReportError(ErrorCode::Repertoire);
    }
    return destination;
}

void BackupEngine::LogUnusableDestination(const QString& destination, int errorNumber) {
    // Once for each destination: the run after a failed preparation meets the same cause.
    if (destination == unusableLogged_) {
        return;
    }
    unusableLogged_ = destination;
    Log(QStringLiteral("le répertoire de destination ") + Quoted(destination) +
        (DestinationCheck::IsRoot(destination)
             ? QStringLiteral(
                   " est la racine du système : choisissez un dossier qui ne sert qu'aux "
                   "sauvegardes, par exemple /var/backups/Save.")
             : QStringLiteral(" n'est pas utilisable : ") +
                   DestinationCheck::WhyUnusable(destination, errorNumber) + QLatin1Char('.')));
}

std::optional<std::vector<JobLine>> BackupEngine::LoadFileList() {
    reporter_.BeginStage(QStringLiteral("Création de la liste des fichiers à sauvegarder"));
    listFailed_ = false;
    missingFiles_.clear();
    leftOut_ = 0;
    std::optional<std::vector<JobLine>> lines;
    QString refusal;
    try {
        Append(QStringLiteral(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste"));
        QList<SourceList::Refused> withNul;
        const QStringList paths = SourceList::Lines(SourceList::Read(kListFile, refusal), &withNul);
        for (const SourceList::Refused& line : withNul) {
            Log(QStringLiteral("la ligne ") + QString::number(line.number) +
                QStringLiteral(" de la liste ") + Quoted(QFileInfo(kListFile).absoluteFilePath()) +
                QStringLiteral(" contient un octet nul, qu'aucun chemin ne peut contenir : ") +
                Quoted(line.text) + QStringLiteral(" n'est pas sauvegardé."));
        }
        Append(QStringLiteral("   -> Chargement de la liste effectué"));
        Append(QString());
        Append(QStringLiteral(" * Traitement des éléments de la liste"));
        JobListing listing = JobLines(paths);
        for (const QString& line : listing.leftOutLines) {
            Append(line);
        }
        missingFiles_ = std::move(listing.missing);
        leftOut_ = listing.leftOut;
        if (leftOut_ > 0) {
            copyIncomplete_ = true;
        }
        lines = std::move(listing.lines);
    } catch (const Failure&) {
        listFailed_ = true;
        if (!refusal.isEmpty()) {
            Log(refusal);
        }
        ReportError(ErrorCode::DressList);
    }
    Append(QStringLiteral("   -> Traitement des données terminé"));
    reporter_.EndStage();
    return lines;
}

BackupEngine::Opening BackupEngine::OpenDestination() {
    destinationDirectory_ = DirectoryHandle::Failed(ENOENT);
    stagingDirectory_ = DirectoryHandle::Failed(ENOENT);
    copiesDirectory_ = DirectoryHandle::Failed(ENOENT);
    previousCopies_ = DirectoryHandle::Failed(ENOENT);
    previous_ = PreviousBackup();
    // An empty destination names no directory: every write then fails instead of landing in
    // the working directory or the root.
    if (destination_.isEmpty()) {
        return Opening::Ready;
    }
    try {
        destinationDirectory_ = DirectoryHandle::Open(destination_);
    } catch (const Failure& failure) {
        // Missing or unusable: each file of the run then fails with its own error.
        LogUnusableDestination(destination_, failure.errorNumber());
        destinationDirectory_ = DirectoryHandle::Failed(failure.errorNumber());
        stagingDirectory_ = DirectoryHandle::Failed(failure.errorNumber());
        copiesDirectory_ = DirectoryHandle::Failed(failure.errorNumber());
        return Opening::Ready;
    }
    try {
        previousCopies_ = destinationDirectory_.OpenSubdirectory(kSubdirectoryName);
    } catch (const Failure&) {
        return Opening::CopiesReplaced;
    }
    const FileDescriptor& folder = destinationDirectory_.Descriptor();
    lock_ = std::make_unique<FolderLock>(folder, true);
    if (lock_->Result() == FolderLock::Outcome::Busy) {
        return Opening::Busy;
    }
    CommitIntent unfinished;
    bool pending = false;
    try {
        pending = GenerationSwitch::ReadIntent(folder, unfinished);
    } catch (const std::system_error& failure) {
        if (failure.code().value() != EBADMSG) {
            return Opening::Unfinished;
        }
        // Nothing is moved or removed on its word; this run's commit replaces it.
        Log(QStringLiteral("le fichier ") +
            Quoted(Directories::Join(destination_, QLatin1String(CommitIntent::kFileName))) +
            QStringLiteral(" n'est pas une validation de Kestrix (endommagé ou déposé par un "
                           "autre programme) : il n'en est pas tenu compte et cette sauvegarde le "
                           "remplace ; si elle ne peut pas être terminée, vérifiez la sauvegarde "
                           "en place avec Restore.exe --verifier."));
    }
    try {
        if (pending) {
            GenerationSwitch::Finish(folder, unfinished);
            // The copies' folder of the backup just finished.
            previousCopies_ = destinationDirectory_.OpenSubdirectory(kSubdirectoryName);
        }
    } catch (const std::exception&) {
        return Opening::Unfinished;
    }
    try {
        GenerationSwitch::RemoveLeftovers(folder);
    } catch (const std::system_error&) {
        // Leftovers are no part of any backup; on a destination that cannot be written the new
        // backup fails file by file below.
    }
    previous_ = PreviousBackup::Read(folder);
    try {
        FileDescriptor staging;
        FileDescriptor stagingCopies;
        GenerationSwitch::MakeStaging(folder, staging, stagingCopies);
        stagingDirectory_ = DirectoryHandle(std::move(staging));
        copiesDirectory_ = DirectoryHandle(std::move(stagingCopies));
        copyFlush_ = CopyFlush(stagingDirectory_.Descriptor());
    } catch (const std::system_error& failure) {
        // A destination that takes no new file (read-only, full): each file fails with it.
        stagingDirectory_ = DirectoryHandle::Failed(failure.code().value());
        copiesDirectory_ = DirectoryHandle::Failed(failure.code().value());
        return Opening::Ready;
    }
    KeepPrevious();
    return Opening::Ready;
}

void BackupEngine::KeepPrevious() {
    keepEarlier_ = EarlierBackupsToKeep();
    previousKept_ = false;
    if (keepEarlier_ == 0) {
        return;
    }
    const FileDescriptor& folder = destinationDirectory_.Descriptor();
    if (previous_.EarlierName().empty()) {
        return;
    }
    if (!GenerationSwitch::CanKeepEarlier(folder)) {
        Log(Quoted(DestinationPath(QString::fromLatin1(BackupNames::kEarlier))) +
            QStringLiteral(" n'est pas un dossier : la sauvegarde en place n'est pas gardée parmi "
                           "les sauvegardes précédentes, la nouvelle la remplace."));
        return;
    }
    const std::vector<std::string> copies = previous_.CopyNames();
    for (;;) {
        try {
            previousKept_ =
                GenerationSwitch::StagePrevious(folder, stagingDirectory_.Descriptor(), copies);
            return;
        } catch (const std::system_error& failure) {
            try {
                GenerationSwitch::UnstagePrevious(stagingDirectory_.Descriptor());
            } catch (const std::system_error&) {
                // Removed with the staging folder.
                return;
            }
            if (failure.code().value() != ENOSPC || !DropOldestEarlier()) {
                Log(QStringLiteral("la sauvegarde en place dans ") + Quoted(destination_) +
                    QStringLiteral(" ne peut pas être gardée parmi les sauvegardes précédentes (") +
                    SystemErrorMessage(failure.code().value()) +
                    QStringLiteral(") : la nouvelle la remplace."));
                return;
            }
        }
    }
}

bool BackupEngine::DropOldestEarlier() {
    if (!stagingDirectory_.IsOpen()) {
        return false;
    }
    const FileDescriptor& folder = destinationDirectory_.Descriptor();
    try {
        const std::vector<std::string> earlier = GenerationSwitch::EarlierBackups(folder);
        if (earlier.empty()) {
            return false;
        }
        GenerationSwitch::DropEarlier(folder, stagingDirectory_.Descriptor(), earlier.front());
        const QString name = NativeNames::Decode(QByteArray::fromStdString(earlier.front()));
        droppedForRoom_ << name;
        Log(QStringLiteral("place insuffisante dans ") + Quoted(destination_) +
            QStringLiteral(" : la sauvegarde précédente ") +
            Quoted(DestinationPath(QString::fromLatin1(BackupNames::kEarlier) + QLatin1Char('/') + name)) +
            QStringLiteral(", la plus ancienne, est supprimée."));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

qint64 BackupEngine::FreeSpaceFor(qint64 size, const QString& path) {
    qint64 free = MeasureFreeSpace(path);
    while (free < size && DropOldestEarlier()) {
        free = MeasureFreeSpace(path);
    }
    return free;
}

void BackupEngine::CloseCatalogue() {
    if (catalogue_.IsOpen()) {
        catalogue_.Close();
    }
    manifest_.Close();
}

void BackupEngine::Log(const QString& line) {
    std::fprintf(stderr, "Kestrix : %s\n", line.toLocal8Bit().constData());
}

namespace {

// "0 fichier copié", "2 fichiers copiés": French counts 0 and 1 in the singular.
QString Counted(int count, const QString& singular, const QString& plural) {
    return QString::number(count) + QLatin1Char(' ') + (count > 1 ? plural : singular);
}

}  // namespace

void BackupEngine::LogMissingFiles() const {
    if (missingFiles_.isEmpty()) {
        return;
    }
    QStringList names;
    for (const QString& path : missingFiles_) {
        names << Quoted(path);
    }
    Log(Counted(static_cast<int>(missingFiles_.size()),
                QStringLiteral("fichier de la liste est absent de cette machine et n'est pas "
                               "sauvegardé : "),
                QStringLiteral("fichiers de la liste sont absents de cette machine et ne sont pas "
                               "sauvegardés : ")) +
        names.join(QStringLiteral(", ")) + QLatin1Char('.'));
}

void BackupEngine::LogEnd(int exitStatus, const QString& reportFile) const {
    if (deniedSources_ > 0 && ::geteuid() != 0) {
        Log(Counted(deniedSources_,
                    QStringLiteral("fichier que seul root peut lire n'a pas été copié"),
                    QStringLiteral("fichiers que seul root peut lire n'ont pas été copiés")) +
            QStringLiteral(" : une sauvegarde du système se lance en root, avec sudo ou pkexec "
                           "(sudo kestrix /auto)."));
    }
    Log(QStringLiteral("fin de la sauvegarde : ") +
        Counted(filesCopied_, QStringLiteral("fichier copié"), QStringLiteral("fichiers copiés")) +
        QStringLiteral(", ") +
        Counted(filesToCopy_ - filesCopied_, QStringLiteral("non copié"),
                QStringLiteral("non copiés")) +
        (readByMore_ > 0
             ? QStringLiteral(", ") +
                   Counted(readByMore_,
                           QStringLiteral("copie lisible par plus d'utilisateurs que l'original"),
                           QStringLiteral("copies lisibles par plus d'utilisateurs que "
                                          "l'original"))
             : QString()) +
        QStringLiteral(", code de sortie ") + QString::number(exitStatus) +
        (distrust_.isEmpty() ? QString()
                             : QStringLiteral(" (destination que Restore.exe refusera)")) +
        (reportFile.isEmpty() ? QStringLiteral(", rapport non enregistré")
                              : QStringLiteral(", rapport ") + Quoted(reportFile)) +
        (droppedForRoom_.isEmpty()
             ? QString()
             : QStringLiteral(", sauvegardes précédentes supprimées faute de place : ") +
                   droppedForRoom_.join(QStringLiteral(", "))) +
        QLatin1Char('.'));
}

void BackupEngine::Discard() {
    // Files still open are closed without a word: none of them will be used.
    catalogue_ = DestinationCatalogue();
    manifest_ = BackupManifest();
    const bool staged = stagingDirectory_.IsOpen();
    stagingDirectory_ = DirectoryHandle::Failed(ENOENT);
    copiesDirectory_ = DirectoryHandle::Failed(ENOENT);
    if (staged) {
        try {
            GenerationSwitch::RemoveLeftovers(destinationDirectory_.Descriptor());
        } catch (const std::exception&) {
            // Left for the next run, which removes it before anything else.
        }
    }
    Log(QStringLiteral("la sauvegarde précédente de ") + Quoted(destination_) +
        QStringLiteral(" est gardée telle quelle : la nouvelle n'a pas pu être terminée."));
}

bool BackupEngine::CommitOrDiscard() {
    bool whole = stagingDirectory_.IsOpen() && !catalogueFailed_ && !listFailed_;
    if (whole) {
        try {
            // Before anything names the copies: a writeback that failed fails the backup.
            copyFlush_.Wait();
            CloseCatalogue();
            if (!copyMapLines_.empty()) {
                WriteCopyMap();
                intent_.files.emplace_back(BackupNames::kCopyMap);
            }
        } catch (const Failure&) {
            ReportError(ErrorCode::SaveDat);
            MarkIncomplete();
            Discard();
            return false;
        }
    }
    if (!whole) {
        MarkIncomplete();
        Discard();
        return true;
    }
    for (const char* file :
         {BackupNames::kCatalogue, BackupNames::kHashFile, BackupNames::kRightsFile}) {
        intent_.files.emplace_back(file);
    }
    intent_.staged.assign(stagedCopies_.begin(), stagedCopies_.end());
    for (std::string& name : previous_.CopyNames()) {
        if (!intent_.HoldsCopy(name)) {
            intent_.removed.push_back(std::move(name));
        }
    }
    NameEarlier();
    std::string unrecorded;
    if (StagedRecord::Write(stagingDirectory_.Descriptor(), unrecorded, diskRoots_)) {
        intent_.folders.emplace_back(BackupNames::kDiskRecord);
    }
    if (!unrecorded.empty()) {
        Log(QString::fromStdString(unrecorded));
    }
    try {
        GenerationSwitch::Commit(destinationDirectory_.Descriptor(), stagingDirectory_.Descriptor(),
                                 copiesDirectory_.Descriptor(), intent_);
    } catch (const std::system_error& failure) {
        errno = failure.code().value();
        ReportError(ErrorCode::SaveDat);
        MarkIncomplete();
        // Before the intent stands, the previous backup is whole and the staging folder goes;
        // after, whoever opens the destination next finishes the switch.
        if (!GenerationSwitch::HasIntent(destinationDirectory_.Descriptor())) {
            Discard();
        }
        stagingDirectory_ = DirectoryHandle::Failed(ENOENT);
        copiesDirectory_ = DirectoryHandle::Failed(ENOENT);
        return false;
    }
    filesCopied_ = static_cast<int>(stagedCopies_.size());
    LogForeignNames();
    stagingDirectory_ = DirectoryHandle::Failed(ENOENT);
    copiesDirectory_ = DirectoryHandle::Failed(ENOENT);
    return true;
}

void BackupEngine::WriteCopyMap() {
    PendingFile file(stagingDirectory_, BackupNames::kCopyMap);
    const std::string bytes = std::string(CopyMap::kHeader) + '\n' + copyMapLines_;
    CheckedIo::WriteAll(file.fd(), bytes.data(), bytes.size());
    file.SetMode(0644);
    file.Commit();
}

void BackupEngine::NameCopies() {
    copyNames_.clear();
    namedBy_.clear();
    copyMapLines_.clear();
    previousNames_.reset();
    QStringList standing;
    if (previousCopies_.IsOpen()) {
        try {
            std::vector<std::string> names = GenerationSwitch::Names(previousCopies_.Descriptor());
            for (const std::string& name : names) {
                standing << NativeNames::Decode(QByteArray::fromStdString(name));
            }
            previousNames_.emplace(std::make_move_iterator(names.begin()),
                                   std::make_move_iterator(names.end()));
        } catch (const std::system_error&) {
            // Unlisted, a name there is replaced as a copy's own name always was.
        }
    } else {
        previousNames_.emplace();
    }
    const std::vector<QString> names =
        CopyNames::Allocate(runSources_, standing, [this](const QString& source) {
            const QString copy = PreviousCopyOf(source);
            return copy == DestinationCatalogue::FileName(source) ? QString() : copy;
        });
    for (std::size_t i = 0; i < runSources_.size(); ++i) {
        copyNames_.insert(runSources_[i], names[i]);
        namedBy_.insert(names[i].toCaseFolded(), runSources_[i]);
    }
}

QString BackupEngine::PreviousCopyOf(const QString& source) const {
    const QByteArray name = NativeNames::Encode(DestinationCatalogue::FileName(source));
    return NativeNames::Decode(QByteArray::fromStdString(previous_.CopyOf(
        Catalogue::Record(NativeNames::Encode(source).toStdString()), name.toStdString())));
}

void BackupEngine::NoteCopyName(const QString& source, const QString& copy) {
    if (copy != DestinationCatalogue::FileName(source)) {
        copyMapLines_ += CopyMap::Line(NativeNames::Encode(copy).toStdString(),
                                       NativeNames::Encode(source).toStdString());
    }
}

void BackupEngine::NameEarlier() {
    std::vector<std::string> earlier;
    std::vector<std::string> standing;
    try {
        earlier = GenerationSwitch::EarlierBackups(destinationDirectory_.Descriptor(), &standing);
    } catch (const std::system_error&) {
        // None are dropped; the replaced one is kept under a name of its own below.
    }
    if (previousKept_) {
        const std::string base = previous_.EarlierName();
        // Two of the same second: the later one sorts after ("-02", "-03"...).
        const bool sameDate =
            !earlier.empty() && earlier.back().compare(0, base.size(), base) == 0;
        const auto taken = [&](const std::string& name) {
            return std::find(standing.begin(), standing.end(), name) != standing.end() ||
                   (sameDate && name <= earlier.back());
        };
        std::string name = base;
        for (int suffix = 2; taken(name) && suffix < 100; ++suffix) {
            char text[8];
            std::snprintf(text, sizeof text, "-%02d", suffix);
            name = base + text;
        }
        if (CommitIntent::IsEarlierName(name) && !taken(name)) {
            intent_.history = name;
        }
    }
    const std::size_t room = !intent_.history.empty() ? static_cast<std::size_t>(keepEarlier_) - 1
                                                      : static_cast<std::size_t>(keepEarlier_);
    if (earlier.size() > room) {
        intent_.dropped.assign(earlier.begin(),
                               earlier.begin() + static_cast<std::ptrdiff_t>(earlier.size() - room));
    }
}

bool BackupEngine::CarryOver(const QString& source) {
    const QString copyName = PreviousCopyOf(source);
    const QByteArray name = NativeNames::Encode(copyName);
    const std::string copy = name.toStdString();
    // A name that another source of this run takes is that source's now.
    const QString holder = namedBy_.value(copyName.toCaseFolded());
    struct stat st {};
    PreviousBackup::Lines lines;
    if ((!holder.isEmpty() && holder != source) || stagedCopies_.count(copy) != 0 ||
        !stagingDirectory_.IsOpen() ||
        !previousCopies_.IsOpen() ||
        ::fstatat(previousCopies_.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) ||
        !previous_.Find(Catalogue::Record(NativeNames::Encode(source).toStdString()), copy,
                        lines)) {
        return false;
    }
    try {
        manifest_.AppendLines(lines.hashLine, lines.rightsLine);
        catalogue_.AppendLine(lines.record);
    } catch (const Failure&) {
        catalogueFailed_ = true;
        return false;
    }
    NoteCopyName(source, copyName);
    intent_.kept.push_back(copy);
    Log(Quoted(source) +
        QStringLiteral(" n'a pas été copié : la copie de la sauvegarde précédente est gardée."));
    return true;
}

void BackupEngine::LogForeignNames() const {
    std::vector<std::string> names;
    try {
        names = GenerationSwitch::Foreign(destinationDirectory_.Descriptor(), intent_);
    } catch (const std::system_error&) {
        return;
    }
    if (names.empty()) {
        return;
    }
    constexpr std::size_t kShown = 10;
    QStringList shown;
    for (std::size_t i = 0; i < names.size() && i < kShown; ++i) {
        shown << Quoted(NativeNames::Decode(QByteArray::fromStdString(names[i])));
    }
    if (names.size() > kShown) {
        shown << QStringLiteral("…");
    }
    Log(Counted(static_cast<int>(names.size()),
                QStringLiteral("nom du dossier ") + Quoted(DestinationPath(kSubdirectory)) +
                    QStringLiteral(" ne vient pas de Kestrix et n'est pas dans la sauvegarde : il "
                                   "est laissé en place : "),
                QStringLiteral("noms du dossier ") + Quoted(DestinationPath(kSubdirectory)) +
                    QStringLiteral(" ne viennent pas de Kestrix et ne sont pas dans la "
                                   "sauvegarde : ils sont laissés en place : ")) +
        shown.join(QStringLiteral(", ")) + QLatin1Char('.'));
}

void BackupEngine::ReleaseDestination() {
    // Closing the lock ends the run's hold on the destination.
    lock_.reset();
    copyFlush_ = CopyFlush();
    sourceFolders_ = SourceFolders();
    destinationDirectory_ = DirectoryHandle::Failed(ENOENT);
    previousCopies_ = DirectoryHandle::Failed(ENOENT);
    previous_ = PreviousBackup();
}

void BackupEngine::EndEarly() {
    MarkIncomplete();
    Discard();
    ReleaseDestination();
    // Saved like at a normal end, so that the lines after an error are kept.
    reporter_.SaveReport();
}

void BackupEngine::StartRun(const BackupJob& job) {
    job_ = &job;
    destination_ = job.destination;
    freeSpaceText_.clear();
    buffers_[0] = AlignedBuffer(kBufferBytes);
    buffers_[1] = AlignedBuffer(kBufferBytes);
    errorReported_ = false;
    lastRunSucceeded_ = false;
    runIncomplete_ = false;
    catalogueFailed_ = false;
    intent_ = CommitIntent();
    droppedForRoom_.clear();
    stagedCopies_.clear();
    filesCopied_ = 0;
    readByMore_ = 0;
    deniedSources_ = 0;
    distrust_.clear();
    // A file listed twice (by two lines, or by a folder and one of its files) is one source:
    // copied, recorded and counted once.
    runSources_.clear();
    QSet<QString> ticked;
    for (const JobLine& line : job.lines) {
        if (line.ticked) {
            for (const JobFile& file : line.files) {
                if (!ticked.contains(file.source)) {
                    ticked.insert(file.source);
                    runSources_.push_back(file.source);
                }
            }
        }
    }
    filesToCopy_ = leftOut_ + static_cast<int>(runSources_.size());
    // A listed file that is missing since the previous backup (deleted on a failing system, or
    // moved away by its owner while the list was read) keeps its copy there, unless a ticked
    // source now takes that copy's name.
    missingByMarker_.clear();
    for (const QString& path : missingFiles_) {
        missingByMarker_.insert(SourceList::MissingMarker(path), path);
    }
}

bool BackupEngine::OpenRun() {
    const Opening opening =
        DestinationCheck::IsRoot(destination_) ? Opening::Refused : OpenDestination();
    if (opening == Opening::Busy) {
        const QString text = QStringLiteral("Le répertoire ") + Quoted(destination_) +
                             QStringLiteral(
                                 " est déjà utilisé par une autre sauvegarde ou une restauration. "
                                 "Attendez qu'elle soit terminée, puis recommencez.");
        Append(QStringLiteral(" <!> ") + text);
        if (!AppControl::Headless()) {
            Log(text);
        }
        ShowError(text);
        MarkIncomplete();
        ReleaseDestination();
        reporter_.SaveReport();
        return false;
    }
    if (opening != Opening::Ready) {
        // The folder of the copies was replaced since it was prepared, or an earlier switch
        // cannot be finished: nothing of the earlier backup is touched. The root takes none.
        if (opening == Opening::Refused) {
            errno = EINVAL;
            LogUnusableDestination(destination_, EINVAL);
        }
        ReportError(ErrorCode::Repertoire);
        EndEarly();
        return false;
    }
    return true;
}

void BackupEngine::CreateCatalogue() {
    try {
        Append(QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat"));
        const QDate date = reporter_.Now().date();
        const QTime time = reporter_.Now().time();
        catalogue_.Create(stagingDirectory_, date, time);
        manifest_.Create(stagingDirectory_);
        Append(QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée"));
    } catch (const Failure&) {
        catalogueFailed_ = true;
        ReportError(ErrorCode::SaveDat);
        errorReported_ = true;
    }
}

bool BackupEngine::WriteRestoreApplication(const QString& stages) {
    bool noRoom = false;
    try {
        const QString status = QStringLiteral("Etape 1 sur ") + stages +
                               QStringLiteral(" : Ecriture de l'application de restauration");
        Append(QString());
        Append(QStringLiteral(" - ") + status);
        progress_.SetStatusText(status);
        if (!reporter_.SkipFreeSpaceCheck()) {
            lastFreeSpace_ = MeasureFreeSpace(destination_);
            FileDescriptor restore = BackupFiles::OpenSource(kRestoreSource);
            const qint64 size = BackupFiles::Status(restore).st_size;
            if (lastFreeSpace_ < size) {
                lastFreeSpace_ = FreeSpaceFor(size, destination_);
            }
            freeSpaceText_ = FormatFreeSpace(lastFreeSpace_);
            Append(QStringLiteral(" * Espace disque disponible : ") + freeSpaceText_);
            CheckedIo::Close(restore);
            if (lastFreeSpace_ < size) {
                Append(QStringLiteral("   -> Pas assez d'espace libre (") + freeSpaceText_ +
                       QStringLiteral(") pour copier l'application de restauration (59 Ko) !"));
                ShowError(QStringLiteral(
                    "Il n'y a pas assez d'espace libre disponible sur le lecteur de destination "
                    "pour copier l'application de restauration des fichiers. Redémarrez la "
                    "sauvegarde sur un lecteur ayant assez d'espace libre. La création de la "
                    "sauvegarde va être arrêtée."));
                noRoom = true;
            }
        }
    } catch (const Failure&) {
        ReportError(ErrorCode::GetFreeSpace);
        errorReported_ = true;
    }
    if (noRoom) {
        EndEarly();
        return false;
    }

    progress_.SetFileShown(false);
    try {
        Append(QStringLiteral(" * Copie du fichier \"Restore.exe\"..."));
        CopyRestoreApplication();
        intent_.files.emplace_back(BackupNames::kRestoreProgram);
        Append(QStringLiteral("   -> 59 Ko copiés - Espace libre restant : ") + freeSpaceText_);
    } catch (const Failure&) {
        ReportError(ErrorCode::CopyFile);
        errorReported_ = true;
        if (destinationDirectory_.Find(BackupNames::kRestoreProgram) !=
            DirectoryHandle::Entry::Missing) {
            Log(
                QStringLiteral("Restore.exe n'a pas été copié : celui de la sauvegarde précédente "
                               "est gardé."));
        }
    }
    return true;
}

void BackupEngine::CopyFiles(const QString& stages) {
    readingLineWritten_ = false;
    writingLineWritten_ = false;
    const QString status = QStringLiteral("Etape 2 sur ") + stages +
                           QStringLiteral(" : Copie des fichiers de la sauvegarde");
    Append(QString());
    Append(QStringLiteral(" - ") + status);
    progress_.SetStatusText(status);
    progress_.SetFileShown(true);

    QSet<QString> copied;
    for (const JobLine& line : job_->lines) {
        if (!line.ticked) {
            // An unticked line copies nothing; the marker of a missing file may keep its copy.
            reporter_.SetCurrentSourcePath(line.text);
            const auto missing = missingByMarker_.find(line.text);
            if (missing != missingByMarker_.end()) {
                const QString path = *missing;
                missingByMarker_.erase(missing);
                if (CarryOver(path)) {
                    MarkIncomplete();
                    ++filesToCopy_;
                }
            }
            Append(QStringLiteral("    -> Ecriture des infos de configuration..."));
            continue;
        }
        for (const JobFile& listed : line.files) {
            const JobFile file{listed.source, copyNames_.value(listed.source, listed.copyName)};
            reporter_.SetCurrentSourcePath(file.source);
            EntryOutcome outcome;
            const bool first = !copied.contains(file.source);
            if (first) {
                copied.insert(file.source);
                try {
                    outcome = CopyEntry(file);
                } catch (const Failure&) {
                    outcome.copied = false;
                    MarkIncomplete();
                    ReportError(ErrorCode::FileError);
                    errorReported_ = true;
                }
                if (!outcome.copied) {
                    CarryOver(file.source);
                }
            }
            RecordCopy(file, outcome);
        }
    }
}

void BackupEngine::RecordCopy(const JobFile& file, const EntryOutcome& outcome) {
    const QString& source = file.source;
    try {
        Append(QStringLiteral("    -> Ecriture des infos de configuration..."));
        if (outcome.copied) {
            // The manifests first: a record of the catalogue always has its lines there.
            manifest_.Append(outcome.copy);
            catalogue_.AppendRecord(source);
            NoteCopyName(source, file.copyName);
            stagedCopies_.insert(outcome.copy.name.toStdString());
            Append(QStringLiteral("    <!> Copie du fichier réussie !"));
            if (outcome.readByMore) {
                Append(QStringLiteral(
                    "    <!> Attention : la copie est lisible par plus d'utilisateurs que "
                    "l'original (le support ne garde pas les droits des fichiers)."));
                Log(QStringLiteral("la copie de ") + Quoted(source) +
                    QStringLiteral(" est lisible par plus d'utilisateurs que l'original (le "
                                   "support ne garde pas les droits des fichiers)."));
                ++readByMore_;
            }
        }
    } catch (const Failure&) {
        // Copied but not recorded: the new catalogue is not whole, so the previous backup stays.
        catalogueFailed_ = true;
        MarkIncomplete();
        ShowError(QStringLiteral("Impossible d'écrire la configuration du fichier \"") + source +
                  QStringLiteral(
                      "\" dans le fichier Kestrix.dat. Vérifiez que le disque de destination ne "
                      "soit pas plein ou protégé en écriture. Vous ne pourrez peut-être pas "
                      "restaurer ce fichier en cas de problème."));
    }
}

void BackupEngine::WriteBootBatch() {
    if (!job_->autoexec) {
        return;
    }
    try {
        WriteAutoexec();
        intent_.files.emplace_back(BackupNames::kAutoexec);
    } catch (const Failure&) {
        ReportError(ErrorCode::SaveAutoexec);
        errorReported_ = true;
    }
}

void BackupEngine::FinishRun() {
    // Only now do the new backup's files reach their names.
    errorReported_ = !CommitOrDiscard() || errorReported_;
    if (destinationDirectory_.IsOpen()) {
        distrust_ = DestinationCheck::Distrust(destination_, destinationDirectory_.get());
        if (!distrust_.isEmpty()) {
            Log(distrust_);
        }
    }
    ReleaseDestination();
    lastRunSucceeded_ = !errorReported_ && !runIncomplete_;
    if (!errorReported_) {
        reporter_.EndStage();
    }
    // Also after an error, so that the lines written since it are not lost.
    reporter_.SaveReport();
}

void BackupEngine::RunBackup(const BackupJob& job) {
    StartRun(job);
    const QString stages = job.autoexec ? QStringLiteral("3") : QStringLiteral("2");
    reporter_.BeginStage(QStringLiteral("Création de la sauvegarde"));
    if (OpenRun()) {
        NameCopies();
        CreateCatalogue();
        if (WriteRestoreApplication(stages)) {
            CopyFiles(stages);
            WriteBootBatch();
            FinishRun();
        }
    }
    job_ = nullptr;
}

void BackupEngine::CopyRestoreApplication() {
    FileDescriptor source = BackupFiles::OpenSource(kRestoreSource);
    PendingFile copy(stagingDirectory_, BackupNames::kRestoreProgram, PendingFile::Naming::Staged);
    qint64 size = 0;
    for (;;) {
        const qint64 n = CheckedIo::Read(source, buffers_[0].Data(), buffers_[0].Size());
        if (n == 0) {
            break;
        }
        CheckedIo::WriteAll(copy.fd(), buffers_[0].Data(), static_cast<std::size_t>(n));
        size += n;
    }
    copy.SetMode(0755);
    copy.Commit(copyFlush_, size);
    CheckedIo::Close(source);
    ShareUnchanged(destinationDirectory_, stagingDirectory_, BackupNames::kRestoreProgram);
}

BackupEngine::EntryOutcome BackupEngine::CopyEntry(const JobFile& file) {
    const QString& source = file.source;
    const QString destination = DestinationPath(Directories::Join(kSubdirectory, file.copyName));
    EntryOutcome outcome;
    progress_.SetFileText(QStringLiteral("Copie de ") + source);
    // Opened once: every later check and change is made on this handle, never by the path
    // again, which someone could meanwhile point elsewhere.
    BackupFiles::RefusedLink refused;
    FileDescriptor input;
    // A source that is there but cannot be read fails after its first report lines.
    std::exception_ptr unreadable;
    struct stat status {};
    try {
        input = BackupFiles::OpenSource(source, refused, status);
    } catch (const Failure& failure) {
        const int error = failure.errorNumber();
        if (error != ENOENT && error != ENOTDIR && error != EISDIR && error != EINVAL &&
            error != ELOOP) {
            unreadable = std::current_exception();
        }
        if (error == EACCES) {
            ++deniedSources_;
        }
    }
    if (!refused.link.isEmpty()) {
        Append(QStringLiteral(" <!> ") + source + QStringLiteral(" : le lien ") +
               Quoted(refused.link) + QLatin1Char(' ') + refused.why +
               QStringLiteral(" : le fichier n'est pas copié."));
        MarkIncomplete();
        return outcome;
    }
    if (!input && !unreadable) {
        ShowError(QStringLiteral("Le fichier ") + Quoted(source) +
                  QStringLiteral(" n'existe pas !"));
        Append(QStringLiteral(" <!> ") + source + QStringLiteral(" : Le fichier n'existe pas !"));
        // Gone since the list was loaded (or moved away by someone who may): a copy that
        // failed, which must not throw away the rest of the backup.
        MarkIncomplete();
        return outcome;
    }

    Append(QString());
    Append(QStringLiteral(" * Traitement du fichier ") + Quoted(source));
    Append(QStringLiteral("    -> Modification des attributs..."));
    if (input && FileAttributes::RemoveReadOnly(input, status)) {
        status = BackupFiles::Status(input);
    }

    Append(QStringLiteral("    -> Ouverture du fichier source..."));
    if (unreadable) {
        std::rethrow_exception(unreadable);
    }
    const qint64 size = status.st_size;

    Append(QStringLiteral("    -> Ouverture du fichier destination..."));
    // Written in the staging folder, which the commit puts in place only once every copy is
    // whole and flushed: a file skipped or failed leaves nothing behind, and the earlier
    // backup's copy of that name as it was.
    outcome.copy.name = NativeNames::Encode(file.copyName);
    outcome.copy.source = status;
    // A folder at the copy's name in the backup would stop its switch: the copy fails now.
    if ((!previousNames_ || previousNames_->count(outcome.copy.name.toStdString()) != 0) &&
        previousCopies_.Find(outcome.copy.name) == DirectoryHandle::Entry::Directory) {
        errno = EISDIR;
        KESTRIX_FAIL("a folder stands at the copy's name");
    }
    PendingFile copy(copiesDirectory_, outcome.copy.name, PendingFile::Naming::Staged);

    bool fits = true;
    if (!reporter_.SkipFreeSpaceCheck()) {
        lastFreeSpace_ = FreeSpaceFor(size, destination);
        freeSpaceText_ = FormatFreeSpace(lastFreeSpace_);
        Append(QStringLiteral("    -> Espace disque disponible : ") + freeSpaceText_);
        // A file exactly as large as the free space fits.
        fits = lastFreeSpace_ >= size;
        if (!fits) {
            reporter_.Ui().ShowMessage(
                MessageIcon::Warning, MessageButtons::Ok,
                QStringLiteral("Il n'y a plus assez d'espace libre disponible sur le lecteur de "
                               "destination pour copier le fichier ") +
                    Quoted(source) +
                    QStringLiteral(". Le programme va donc passer directement au fichier suivant "
                                   "sans se préoccuper de celui-ci."));
            Append(QStringLiteral("        <!> Espace libre insuffisant pour copier le fichier (") +
                   QString::number(size / 1024) + QStringLiteral(" Ko) !"));
            MarkIncomplete();
        }
    }
    // With the checks switched off the file is copied: a lack of room then shows as a write
    // error of the copy.
    if (fits) {
        outcome.copy.size = CopyBlocks(input, copy.fd(), size);
        // A source written, moved, removed or replaced while it was read gives a copy of no
        // moment of it: the copy fails.
        const struct stat after = BackupFiles::Status(input);
        if (after.st_mode != status.st_mode || after.st_size != status.st_size ||
            after.st_nlink == 0 || after.st_mtim.tv_sec != status.st_mtim.tv_sec ||
            after.st_mtim.tv_nsec != status.st_mtim.tv_nsec ||
            after.st_ctim.tv_sec != status.st_ctim.tv_sec ||
            after.st_ctim.tv_nsec != status.st_ctim.tv_nsec) {
            errno = EBUSY;
            KESTRIX_FAIL("the source changed while it was copied");
        }
        outcome.copy.hash = hash_.Hex();
        outcome.readByMore = BackupFiles::MatchOwnerAndMode(
            copy.fd(), input, FileSystem::NativePath(source), status, sourceFolders_);
    }

    Append(QStringLiteral("    -> Fermeture des fichiers..."));
    CheckedIo::Close(input);
    if (fits) {
        copy.Commit(copyFlush_, outcome.copy.size);
        outcome.copied = true;
        ShareUnchanged(previousCopies_, copiesDirectory_, outcome.copy.name);
    }
    return outcome;
}

void BackupEngine::ShareUnchanged(const DirectoryHandle& previous, const DirectoryHandle& staged,
                                  const QByteArray& name) {
    if (!previousKept_ || !previous.IsOpen() || !staged.IsOpen()) {
        return;
    }
    struct stat before {};
    struct stat now {};
    if (::fstatat(previous.get(), name.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstatat(staged.get(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(before.st_mode) || before.st_size != now.st_size ||
        before.st_mode != now.st_mode || before.st_uid != now.st_uid ||
        before.st_gid != now.st_gid) {
        return;
    }
    // The bytes that stand there now, whatever the previous manifest says.
    constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const FileDescriptor old(::openat(previous.get(), name.constData(), kFlags));
    const FileDescriptor fresh(::openat(staged.get(), name.constData(), kFlags));
    if (!old || !fresh) {
        return;
    }
    for (;;) {
        const long n = old.Read(buffers_[0].Data(), buffers_[0].Size());
        if (n < 0 || fresh.Read(buffers_[1].Data(), static_cast<std::size_t>(n)) != n ||
            std::memcmp(buffers_[0].Data(), buffers_[1].Data(), static_cast<std::size_t>(n)) != 0) {
            return;
        }
        if (n == 0) {
            break;
        }
    }
    try {
        GenerationSwitch::ShareCopy(previous.Descriptor(), stagingDirectory_.Descriptor(),
                                    staged.Descriptor(), name.toStdString());
    } catch (const std::system_error&) {
        // The staged file stays as it is.
    }
}

qint64 BackupEngine::CopyBlocks(FileDescriptor& source, FileDescriptor& destination, qint64 size) {
    WriteBehind::Copy writer(writer_, destination);
    qint64 position = 0;
    // The disk is read a whole buffer at a time and each buffer is written behind, while the
    // next is read; the blocks of the track bar pace the display and the message pump over the
    // bytes read. Small blocks then cost no more system calls than large ones.
    qint64 buffered = 0;
    qint64 shown = 0;
    // The amount and the bar are set again only when a block changes what they show: with 2 Ko
    // blocks, a GiB is 524 288 blocks but 100 steps of the bar.
    qint64 amountKo = -1;
    int barPercent = -1;
    for (;;) {
        progress_.Pump();
        if (!readingLineWritten_) {
            Append(QStringLiteral("    -> Lecture des données source..."));
            readingLineWritten_ = true;
        }
        const qint64 block = BlockSize::Bytes(BlockSize::Clamp(job_->trackBarPosition));
        if (shown == buffered) {
            // A file read up to its size is not read again for its end: the status taken
            // after the copy tells whether it grew meanwhile.
            buffered = position == size && size > 0
                           ? 0
                           : CheckedIo::Read(source, writer.NextBuffer(), writer.BufferSize());
            shown = 0;
        }
        const qint64 n = std::min(block, buffered - shown);
        if (!writingLineWritten_) {
            Append(QStringLiteral("    -> Ecriture des données source..."));
            writingLineWritten_ = true;
        }
        if (shown == 0 && buffered > 0) {
            writer.Write(static_cast<std::size_t>(buffered));
        }
        shown += n;
        position += n;
        if (position / 1024 != amountKo) {
            amountKo = position / 1024;
            progress_.SetFileAmount(position, size);
        }
        // An empty file shows a full bar; a file that grew while copied stops at 100.
        const int percent =
            static_cast<int>(std::clamp<qint64>(size > 0 ? position * 100 / size : 100, 0, 100));
        if (percent != barPercent) {
            barPercent = percent;
            progress_.SetPosition(percent);
        }
        progress_.Pump();
        if (n == 0) {
            break;
        }
    }
    writer.Finish();
    return position;
}

void BackupEngine::WriteAutoexec() {
    Append(QString());
    Append(QStringLiteral(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\""));
    progress_.SetStatusText(QStringLiteral("Etape 3 sur 3 : Création du fichier Autoexec.bat"));
    PendingFile file(stagingDirectory_, BackupNames::kAutoexec);
    static const char kContent[] = "Restore.exe\r\n";
    CheckedIo::WriteAll(file.fd(), kContent, sizeof kContent - 1);
    file.SetMode(0644);
    file.Commit();
    Append(QStringLiteral("   -> Création du fichier effectuée"));
}
