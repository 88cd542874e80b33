#include "BackupFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FileBytes.h"
#include "report/RunReport.h"

BackupFixture::BackupFixture() {
    reporter.SetClock([] { return QDateTime(QDate(2026, 12, 7), QTime(11, 15, 45)); });
    reporter.SetReportNumber(1);
    reporter.StartReport();
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.res")), RestoreBytes());
    dest = folder.file(QStringLiteral("Save"));
    QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    QDir().mkpath(folder.file(QStringLiteral("src")));
    // Everyone may pass through the sources' folders, as through /etc: a copy keeps its source's
    // own bits.
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                             QFile::ExeOther);
    job.destination = dest;
}

void BackupFixture::Tick(const QStringList& paths) {
    job.lines.clear();
    for (const QString& path : paths) {
        job.lines.push_back(Listed(path));
    }
}

JobLine BackupFixture::Listed(const QString& path) {
    return JobLine{path, true, true, {JobFile{path, QFileInfo(path).fileName()}}};
}

void BackupFixture::Load() {
    if (std::optional<std::vector<JobLine>> lines = engine.LoadFileList()) {
        job.lines = std::move(*lines);
    }
}

QByteArray BackupFixture::RestoreBytes() {
    return Pattern(60000, 7);
}

QByteArray BackupFixture::Pattern(qint64 size, int seed) {
    QByteArray bytes(static_cast<int>(size), Qt::Uninitialized);
    quint32 state = static_cast<quint32>(seed) * 2654435761u + 1;
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[static_cast<int>(i)] = static_cast<char>(state >> 24);
    }
    return bytes;
}

QString BackupFixture::Source(const QString& name, const QByteArray& bytes) {
    const QString path = folder.file(QStringLiteral("src/") + name);
    writeBytes(path, bytes);
    return path;
}

QStringList BackupFixture::Section(const QString& title) const {
    const QStringList& lines = reporter.Report().Lines();
    const int titleIndex = lines.indexOf(QStringLiteral(" # ") + title);
    if (titleIndex < 3) {
        ADD_FAILURE() << "no section " << title.toStdString();
        return {};
    }
    int end = lines.indexOf(RunReport::kTildes, titleIndex);
    end = end < 0 ? lines.size() : end - 1;
    return lines.mid(titleIndex - 3, end - (titleIndex - 3));
}

const QString BackupFixture::kNoError =
    QStringLiteral("  <i> Aucune erreur ne semble s'être produite.");

QStringList BackupFixture::RunStart(const QString& stages, const QString& freeText) {
    return {QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat"),
            QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée"),
            QString(),
            QStringLiteral(" - Etape 1 sur ") + stages +
                QStringLiteral(" : Ecriture de l'application de restauration"),
            QStringLiteral(" * Espace disque disponible : ") + freeText,
            QStringLiteral(" * Copie du fichier \"Restore.exe\"..."),
            QStringLiteral("   -> 59 Ko copiés - Espace libre restant : ") + freeText,
            QString(),
            QStringLiteral(" - Etape 2 sur ") + stages +
                QStringLiteral(" : Copie des fichiers de la sauvegarde")};
}

QStringList BackupFixture::FileStart(const QString& path) {
    return {QString(), QStringLiteral(" * Traitement du fichier \"") + path + QLatin1Char('"'),
            QStringLiteral("    -> Modification des attributs..."),
            QStringLiteral("    -> Ouverture du fichier source..."),
            QStringLiteral("    -> Ouverture du fichier destination...")};
}

QStringList BackupFixture::CopiedFile(const QString& path, const QString& freeText, bool first) {
    QStringList lines = FileStart(path);
    lines << QStringLiteral("    -> Espace disque disponible : ") + freeText;
    if (first) {
        lines << QStringLiteral("    -> Lecture des données source...")
              << QStringLiteral("    -> Ecriture des données source...");
    }
    lines << QStringLiteral("    -> Fermeture des fichiers...")
          << QStringLiteral("    -> Ecriture des infos de configuration...")
          << QStringLiteral("    <!> Copie du fichier réussie !");
    return lines;
}

QStringList BackupFixture::Heading(const QString& title) {
    const QString titleLine = QStringLiteral(" # ") + title;
    return {QString(),
            RunReport::kTildes,
            QString(),
            titleLine,
            QStringLiteral(" ") + QString(titleLine.size() - 1, QLatin1Char('-')),
            QString()};
}

void BackupFixture::FixFreeSpace(qint64 bytes) {
    engine.SetFreeSpaceQuery([this, bytes](const QString& path) {
        queriedPaths << path;
        return bytes;
    });
}

QString BackupFixture::SavedReportPath() const {
    return folder.file(QStringLiteral("Rapports/Rapport 01 - Lundi 07 Décembre 2026.txt"));
}
