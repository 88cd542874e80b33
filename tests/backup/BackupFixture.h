#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "QtPrinters.h"
#include "RecordingProgress.h"
#include "RecordingUi.h"
#include "TempProgramFolder.h"
#include "backup/BackupEngine.h"
#include "backup/BackupJob.h"
#include "report/Reporter.h"

// A program folder with Data/Kestrix.res, a destination folder "Save" with its subfolder, a job
// for it, a recorded user interface and progress, a reporter on a fixed clock (Monday 7 December
// 2026, 11:15:45) and the engine under test.
class BackupFixture : public ::testing::Test {
protected:
    BackupFixture();

    // 60 000 bytes that differ from block to block.
    static QByteArray RestoreBytes();
    // `size` bytes of a pattern that never repeats within a block.
    static QByteArray Pattern(qint64 size, int seed = 1);

    // Writes a source file under the program folder's "src" and returns its path.
    QString Source(const QString& name, const QByteArray& bytes);

    // The report's section with the given title: from the empty line before its tildes to the
    // last line before the next section.
    QStringList Section(const QString& title) const;
    QStringList BackupSection() const {
        return Section(QStringLiteral("Création de la sauvegarde"));
    }

    // The heading lines of a section.
    static QStringList Heading(const QString& title);
    // The backup section's lines up to the files' stage, the free space read once as `freeText`.
    static QStringList RunStart(const QString& stages, const QString& freeText);
    // The lines that open a file's part of the backup section.
    static QStringList FileStart(const QString& path);
    // The lines of one file copied and recorded; the first copied file of a run also has the two
    // data lines.
    static QStringList CopiedFile(const QString& path, const QString& freeText, bool first);
    // The closing line of a section without error.
    static const QString kNoError;

    // Every free-space query answers `bytes`.
    void FixFreeSpace(qint64 bytes);

    QString CopyPath(const QString& name) const {
        return dest + QStringLiteral("/Kestrix/") + name;
    }
    QString SavedReportPath() const;

    // The job's lines: each path ticked, enabled, copied under its file name.
    void Tick(const QStringList& paths);
    // A line as the list gives it for a file that exists.
    static JobLine Listed(const QString& path);
    // The destination stage on the job's destination, which it sets to what the stage returns.
    void Prepare() { job.destination = engine.PrepareDestination(job.destination); }
    // The list stage; the job's lines become the list read, or stay as they were when it could
    // not be read.
    void Load();

    TempProgramFolder folder;
    RecordingUi ui;
    RecordingProgress progress;
    BackupJob job;
    Reporter reporter{ui};
    BackupEngine engine{reporter, progress};
    QString dest;
    QStringList queriedPaths;
};
