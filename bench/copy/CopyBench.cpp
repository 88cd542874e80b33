// Times the unattended run of the built program and RunBackup, driving the real main window
// headless, against cp and against a plain read/write loop on the same page-cached file set at
// each block size, and measures the peak memory of a run.
// Usage: bench_copy [total MiB] [file count] [work folder] [rounds]
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <random>

#include <fcntl.h>

#include "config/BlockSize.h"
#include "platform/CheckedIo.h"
#include "shared/AlignedBuffer.h"
#include "shared/FileDescriptor.h"
#include "wizard/TFormKestrix.h"

namespace {

constexpr int kDefaultRounds = 10;

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

// Every run starts from an empty destination: the copies' folder alone, nothing of an earlier
// run (its catalogue, manifests or any hidden folder of its own).
void ClearDestination(const QString& destination) {
    QDir(destination).removeRecursively();
    QDir().mkpath(destination + QStringLiteral("/Kestrix"));
}

QString CopiesOf(const QString& destination) {
    return destination + QStringLiteral("/Kestrix");
}

void Click(QWidget& window, const char* name) {
    auto* button = window.findChild<QWidget*>(QString::fromLatin1(name));
    if (!button) {
        std::fprintf(stderr, "no button %s\n", name);
        std::exit(2);
    }
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    QTest::qWait(40);  // the page of the new step is laid out at the next tick
}

// One backup as a person makes it, from the welcome page to the end page and back; only the
// click on "Démarrer", which runs the whole backup, is timed.
double TimeBackup(QWidget& window, const QString& destination, const int& messages) {
    ClearDestination(destination);
    Click(window, "BtnSuivant");
    Click(window, "BtnSuivant");
    Click(window, "BtnSuivant");
    auto* start = window.findChild<QWidget*>(QStringLiteral("BtnDemarrer"));
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(start, Qt::LeftButton, Qt::NoModifier, start->rect().center());
    const double seconds = timer.nsecsElapsed() / 1e9;
    QTest::qWait(40);
    Click(window, "BtnPrecedent");
    if (messages != 0) {
        std::fprintf(stderr, "the backup showed messages: the timing is not valid\n");
        std::exit(2);
    }
    return seconds;
}

double TimeCp(const QStringList& options, const QStringList& files, const QString& destination) {
    ClearDestination(destination);
    const QString copies = CopiesOf(destination);
    QElapsedTimer timer;
    timer.start();
    const int status =
        QProcess::execute(QStringLiteral("cp"), options + QStringList{QStringLiteral("--")} +
                                                    files + QStringList{copies + QLatin1Char('/')});
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (status != 0) {
        std::fprintf(stderr, "cp failed\n");
        std::exit(2);
    }
    return seconds;
}

// What cp would do with plain reads and writes: one 128 KiB buffer, no in-kernel copy.
double TimeReadWrite(const QStringList& files, const QString& destination) {
    const AlignedBuffer buffer(128 * 1024);
    ClearDestination(destination);
    const QString copies = CopiesOf(destination);
    QElapsedTimer timer;
    timer.start();
    for (const QString& path : files) {
        FileDescriptor in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
        const QString target = copies + QLatin1Char('/') + QFileInfo(path).fileName();
        FileDescriptor out(::open(QFile::encodeName(target).constData(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        for (std::int64_t n; (n = CheckedIo::Read(in, buffer.Data(), buffer.Size())) > 0;) {
            CheckedIo::WriteAll(out, buffer.Data(), static_cast<std::size_t>(n));
        }
        CheckedIo::Close(out);
    }
    return timer.nsecsElapsed() / 1e9;
}

// The whole unattended run of the built program, from its start to its end, as a scheduled
// job makes it: `kestrix /rep D /nobat /auto` in its program folder, without a display.
double TimeUnattended(const QString& programFolder, const QString& destination) {
    ClearDestination(destination);
    QDir(programFolder + QStringLiteral("/Rapports")).removeRecursively();
    QDir().mkpath(programFolder + QStringLiteral("/Rapports"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QLatin1String(name));
    }
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(programFolder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(
        programFolder + QStringLiteral("/kestrix"),
        {QStringLiteral("/rep"), destination, QStringLiteral("/nobat"), QStringLiteral("/auto")});
    const bool finished = process.waitForFinished(600000);
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "the unattended run failed (status %d): the timing is not valid\n",
                     process.exitCode());
        std::exit(2);
    }
    return seconds;
}

QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
               : QStringLiteral("?");
}

// The values measured for one contender: the best time, or the median of ratios.
struct Samples {
    std::vector<double> values;
    void Add(double value) { values.push_back(value); }
    double Best() const { return *std::min_element(values.begin(), values.end()); }
    double Worst() const { return *std::max_element(values.begin(), values.end()); }
    double Median() const {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

// One paired ratio's summary line, against its target.
void PrintSummary(const char* what, const Samples& ratios, double target) {
    std::printf("%-55s median %5.2f  min %5.2f  max %5.2f  target <= %.2f: %s\n", what,
                ratios.Median(), ratios.Best(), ratios.Worst(), target,
                ratios.Median() <= target ? "met" : "MISSED");
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

// Starts a new peak: the kernel resets VmHWM to the current resident size.
void ResetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) {
        std::fprintf(stderr, "cannot reset the peak memory\n");
    }
}

// The source list that the file page loads.
void WriteList(const QStringList& files) {
    QFile list(QStringLiteral("Data/Kestrix.dat"));
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        list.write(QFile::encodeName(files.join(QLatin1Char('\n')))) < 0) {
        std::fprintf(stderr, "cannot write the list\n");
        std::exit(2);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 totalMiB = args.size() > 1 ? args[1].toLongLong() : 1024;
    const int fileCount = args.size() > 2 ? args[2].toInt() : 20;
    const QString base = args.size() > 3 ? args[3] : QStringLiteral("/dev/shm");
    const int rounds = args.size() > 4 ? std::max(1, args[4].toInt()) : kDefaultRounds;

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
    // The built program, run from this program folder for the unattended runs.
    if (!QFile::copy(QStringLiteral(KESTRIX_PROGRAM_DIR "/kestrix"), QStringLiteral("kestrix"))) {
        std::fprintf(stderr, "cannot copy %s\n", KESTRIX_PROGRAM_DIR "/kestrix");
        return 2;
    }
    QFile(QStringLiteral("kestrix"))
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QStringList files;
    const qint64 fileSize = totalMiB * 1048576 / fileCount;
    for (int i = 0; i < fileCount; ++i) {
        files << work.filePath(
            QStringLiteral("Sources/file%1.bin").arg(i, 2, 10, QLatin1Char('0')));
        WriteRandomFile(files.last(), fileSize, random);
    }
    Warm(files);
    // The program folder's settings, and its list naming these files.
    QFile::copy(QStringLiteral(KESTRIX_SOURCE_DIR "/data/Data/Kestrix.ini"),
                QStringLiteral("Data/Kestrix.ini"));
    WriteList(files);
    const QString save = work.filePath(QStringLiteral("Save"));
    const QString program = work.filePath(QStringLiteral("Program"));
    const double mib = static_cast<double>(fileSize) * fileCount / 1048576.0;

    // The real main window, headless; the run drives its labels, bar and message pump.
    int messages = 0;
    WizardHooks hooks;
    hooks.answerMessage = [&messages](MessageIcon, MessageButtons buttons, const QString& text) {
        ++messages;
        std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    };
    TFormKestrix window({QStringLiteral("kestrix")}, hooks);
    window.show();
    window.SetEditChemin(save);

    // Peak memory: the idle window, a run of the whole set, and a run of one file of the same
    // total size.
    const QString bigFile = work.filePath(QStringLiteral("Big/one.bin"));
    WriteRandomFile(bigFile, fileSize * fileCount, random);
    Warm({bigFile});
    ResetPeakMemory();
    QTest::qWait(500);
    const long idle = PeakMemoryKiB();
    ResetPeakMemory();
    TimeBackup(window, save, messages);
    const long manyFiles = PeakMemoryKiB();
    WriteList({bigFile});
    ResetPeakMemory();
    TimeBackup(window, save, messages);
    const long oneFile = PeakMemoryKiB();
    WriteList(files);

    std::printf("Kestrix copy benchmark: %d files, %.0f MiB in all, in %s (%d rounds)\n", fileCount,
                mib, qPrintable(base), rounds);
    std::printf("load average at the start: %s\n\n", qPrintable(LoadAverage()));
    // cp 9 copies in the kernel (copy_file_range) unless reflinks are refused too: with both
    // options it makes plain reads and writes, as Kestrix does. This machine's speed drifts
    // over seconds, so each of Kestrix's runs is paired with the cp runs right before or after
    // it (the order alternates from round to round) and compared by the median of the paired
    // time ratios.
    const QStringList plainReadsAndWrites{QStringLiteral("--sparse=never"),
                                          QStringLiteral("--reflink=never")};
    Samples cpNever;
    Samples cpPlain;
    Samples readWrite;
    Samples unattended;
    Samples unattendedVsNever;
    Samples unattendedVsPlain;
    std::vector<Samples> backups(7);
    std::vector<Samples> pairedRatios(7);
    std::printf("Paired rounds: Kestrix's time / cp's time (above 1: slower than cp)\n");
    std::printf(
        "round | unattended / cp --sparse=never --reflink=never | unattended / cp | "
        "window at 2 Ko / cp --sparse=never --reflink=never\n");
    for (int round = 0; round < rounds; ++round) {
        const bool kestrixFirst = round % 2 == 0;
        double run = 0;
        double never = 0;
        double plain = 0;
        if (kestrixFirst) {
            run = TimeUnattended(program, save);
            never = TimeCp(plainReadsAndWrites, files, save);
            plain = TimeCp({}, files, save);
        } else {
            plain = TimeCp({}, files, save);
            never = TimeCp(plainReadsAndWrites, files, save);
            run = TimeUnattended(program, save);
        }
        unattended.Add(run);
        cpNever.Add(never);
        cpPlain.Add(plain);
        unattendedVsNever.Add(run / never);
        unattendedVsPlain.Add(run / plain);
        readWrite.Add(TimeReadWrite(files, save));
        for (int position = 6; position >= 0; --position) {
            window.SetTrackBarPosition(position);
            double cp = 0;
            double backup = 0;
            if (kestrixFirst) {
                backup = TimeBackup(window, save, messages);
                cp = TimeCp(plainReadsAndWrites, files, save);
            } else {
                cp = TimeCp(plainReadsAndWrites, files, save);
                backup = TimeBackup(window, save, messages);
            }
            cpNever.Add(cp);
            backups[position].Add(backup);
            pairedRatios[position].Add(backup / cp);
        }
        std::printf("%5d | %46.2f | %15.2f | %50.2f\n", round + 1, run / never, run / plain,
                    pairedRatios[0].values.back());
        std::fflush(stdout);
    }
    std::printf("\nSummary of the paired ratios (%d rounds; load average at the end: %s)\n", rounds,
                qPrintable(LoadAverage()));
    PrintSummary("unattended run / cp --sparse=never --reflink=never", unattendedVsNever, 1.05);
    PrintSummary("unattended run / cp", unattendedVsPlain, 1.3);
    PrintSummary("window at 2 Ko / cp --sparse=never --reflink=never", pairedRatios[0], 1.1);

    std::printf("\nunattended run                    : %7.3f s  %7.0f MiB/s (best)\n",
                unattended.Best(), mib / unattended.Best());
    std::printf("cp --sparse=never --reflink=never : %7.3f s  %7.0f MiB/s (best)\n", cpNever.Best(),
                mib / cpNever.Best());
    std::printf("cp                                : %7.3f s  %7.0f MiB/s (best)\n", cpPlain.Best(),
                mib / cpPlain.Best());
    std::printf("read/write 128 KiB                : %7.3f s  %7.0f MiB/s (best)\n\n",
                readWrite.Best(), mib / readWrite.Best());
    std::printf("The window's RunBackup at each block size (time ratios: above 1 is slower)\n");
    std::printf(
        "| block  | RunBackup s (best) | MiB/s | / cp --sparse=never --reflink=never (paired "
        "median) "
        "| / cp | / read/write | / own 200 Ko |\n");
    std::printf(
        "|--------|--------------------|-------|---------------------------------------------------"
        "--"
        "|------|--------------|--------------|\n");
    for (int position = 0; position <= 6; ++position) {
        const double t = backups[position].Best();
        std::printf("| %3d Ko | %18.3f | %5.0f | %51.2f | %4.2f | %12.2f | %12.2f |\n",
                    BlockSize::Bytes(position) / 1024, t, mib / t, pairedRatios[position].Median(),
                    t / cpPlain.Best(), t / readWrite.Best(), t / backups[6].Best());
    }
    std::printf(
        "\nPeak memory (VmHWM): idle %ld KiB; run of %d files %ld KiB (+%ld); run of one "
        "%.0f MiB file %ld KiB (+%ld)\n",
        idle, fileCount, manyFiles, manyFiles - idle, mib, oneFile, oneFile - idle);
    ClearDestination(save);
    return 0;
}
