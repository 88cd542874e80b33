#include "backup/BackupEngine.h"

#include "platform/FreeSpace.h"

const QString BackupEngine::kListFile = QStringLiteral("./Data/Kestrix.dat");
const QString BackupEngine::kRestoreSource = QStringLiteral("./Data/Kestrix.res");

BackupEngine::BackupEngine(Reporter& reporter, BackupControls& controls)
    : reporter_(reporter), controls_(controls), freeSpaceQuery_(&FreeSpace::Available) {}

void BackupEngine::SetFreeSpaceQuery(std::function<qint64(const QString&)> query) {
    freeSpaceQuery_ =
        query ? std::move(query) : std::function<qint64(const QString&)>(&FreeSpace::Available);
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

qint64 BackupEngine::MeasureFreeSpace(const QString& path) const {
    const qint64 value = freeSpaceQuery_(path);
    return value < 0 ? 2147483647 : value;
}

void BackupEngine::PrepareDestination() {}
void BackupEngine::LoadFileList() {}
void BackupEngine::RunBackup() {}
