// Times RunBackup against cp on the same page-cached file set at each block size, and measures
// the peak memory of a run. Usage: bench_copy [total MiB] [file count] [work folder]
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>

#include "HeadlessWindow.h"
#include "backup/BackupEngine.h"
#include "config/BlockSize.h"
#include "report/Reporter.h"

namespace {

constexpr int kRepeats = 5;

void WriteRandomFile(const QString& path, qint64 size, std::mt19937_64& random) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0;) {
        auto* words = reinterpret_cast<quint64*>(chunk.data());
        for (int i = 0; i < chunk.size() / 8; ++i) {
            words[i] = random();
        }
        const qint64 n = std::min<qint64>(left, chunk.size());
        file.write(chunk.constData(), n);
        left -= n;
    }
}

// Reads every file once so that all runs find them in the page cache.
void Warm(const QStringList& files) {
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            while (file.read(buffer.data(), buffer.size()) > 0) {
            }
        }
    }
}

void ClearCopies(const QString& folder) {
    QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files)) {
        dir.remove(name);
    }
}

double TimeBackup(HeadlessWindow& window, BackupEngine& engine, const QString& copies) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        ClearCopies(copies);
        QElapsedTimer timer;
        timer.start();
        engine.RunBackup();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    if (window.MessagesShown() != 0) {
        std::fprintf(stderr, "the backup showed messages: the timing is not valid\n");
        std::exit(2);
    }
    return best;
}

double TimeCp(const QStringList& options, const QStringList& files, const QString& copies) {
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        ClearCopies(copies);
        QElapsedTimer timer;
        timer.start();
        const int status = QProcess::execute(QStringLiteral("cp"),
                                             options + QStringList{QStringLiteral("--")} + files +
                                                 QStringList{copies + QLatin1Char('/')});
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        if (status != 0) {
            std::fprintf(stderr, "cp failed\n");
            std::exit(2);
        }
    }
    return best;
}

long PeakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// The peak memory of a child process that runs `work` (or nothing) after the common set-up.
long ChildPeak(const std::function<void()>& work) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (work) {
            work();
        }
        const long peak = PeakMemoryKiB();
        (void)!::write(pipeFds[1], &peak, sizeof peak);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    long peak = -1;
    (void)!::read(pipeFds[0], &peak, sizeof peak);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return peak;
}

std::vector<ListEntry> Ticked(const QStringList& files) {
    std::vector<ListEntry> entries;
    for (const QString& path : files) {
        entries.push_back(ListEntry{path, true, true});
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 totalMiB = args.size() > 1 ? args[1].toLongLong() : 1024;
    const int fileCount = args.size() > 2 ? args[2].toInt() : 20;
    const QString base = args.size() > 3 ? args[3] : QStringLiteral("/dev/shm");

    QTemporaryDir work(base + QStringLiteral("/kestrix-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot create a work folder in %s\n", qPrintable(base));
        return 2;
    }
    // A program folder as the engine expects it: Data/Kestrix.res, Rapports.
    QDir(work.path()).mkpath(QStringLiteral("Program/Data"));
    QDir(work.path()).mkpath(QStringLiteral("Program/Rapports"));
    QDir(work.path()).mkpath(QStringLiteral("Sources"));
    QDir(work.path()).mkpath(QStringLiteral("Save/Kestrix"));
    QDir(work.path()).mkpath(QStringLiteral("Big"));
    std::mt19937_64 random(42);
    WriteRandomFile(work.filePath(QStringLiteral("Program/Data/Kestrix.res")), 60000, random);
    QDir::setCurrent(work.filePath(QStringLiteral("Program")));

    QStringList files;
    const qint64 fileSize = totalMiB * 1048576 / fileCount;
    for (int i = 0; i < fileCount; ++i) {
        files << work.filePath(
            QStringLiteral("Sources/file%1.bin").arg(i, 2, 10, QLatin1Char('0')));
        WriteRandomFile(files.last(), fileSize, random);
    }
    Warm(files);
    const QString copies = work.filePath(QStringLiteral("Save/Kestrix"));
    const double mib = static_cast<double>(fileSize) * fileCount / 1048576.0;

    HeadlessWindow window;
    Reporter reporter(window);
    reporter.SetReportNumber(1);
    reporter.StartReport();
    BackupEngine engine(reporter, window);
    window.SetEditChemin(work.filePath(QStringLiteral("Save")));
    window.SetFileEntries(Ticked(files));

    std::printf("Kestrix copy benchmark: %d files, %.0f MiB in all, in %s (best of %d)\n",
                fileCount, mib, qPrintable(base), kRepeats);
    const double cpNever = TimeCp({QStringLiteral("--sparse=never")}, files, copies);
    const double cpPlain = TimeCp({}, files, copies);
    std::printf("cp --sparse=never: %7.3f s  %7.0f MiB/s\n", cpNever, mib / cpNever);
    std::printf("cp               : %7.3f s  %7.0f MiB/s\n\n", cpPlain, mib / cpPlain);
    std::printf(
        "| block   | RunBackup s | MiB/s | vs cp --sparse=never | vs cp | vs own 200 Ko |\n");
    std::printf(
        "|---------|-------------|-------|----------------------|-------|---------------|\n");
    std::vector<double> times(7);
    for (int position = 6; position >= 0; --position) {
        window.SetTrackBarPosition(position);
        times[position] = TimeBackup(window, engine, copies);
    }
    for (int position = 0; position <= 6; ++position) {
        const double t = times[position];
        std::printf("| %3d Ko  | %11.3f | %5.0f | %20.2f | %5.2f | %13.2f |\n",
                    BlockSize::Bytes(position) / 1024, t, mib / t, cpNever / t, cpPlain / t,
                    t / times[6]);
    }

    // Peak memory: an idle process after the same set-up, a run of the whole set, and a run of
    // one file of the same total size.
    const QString bigFile = work.filePath(QStringLiteral("Big/one.bin"));
    WriteRandomFile(bigFile, fileSize * fileCount, random);
    Warm({bigFile});
    window.SetTrackBarPosition(BlockSize::kDefaultPosition);
    const long idle = ChildPeak(nullptr);
    const long manyFiles = ChildPeak([&] {
        ClearCopies(copies);
        engine.RunBackup();
    });
    const long oneFile = ChildPeak([&] {
        ClearCopies(copies);
        window.SetFileEntries(Ticked({bigFile}));
        engine.RunBackup();
    });
    std::printf(
        "\nPeak memory (VmHWM): idle %ld KiB; run of %d files %ld KiB (+%ld); run of one "
        "%.0f MiB file %ld KiB (+%ld)\n",
        idle, fileCount, manyFiles, manyFiles - idle, mib, oneFile, oneFile - idle);
    ClearCopies(copies);
    return 0;
}
