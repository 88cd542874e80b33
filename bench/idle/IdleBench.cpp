// Processor time of an idle wizard, headless, on the welcome page and on the general options
// page, with the step timer at 1 ms and at 10 ms; then the wall time of an unattended backup
// run by the built program beyond the copying itself.
//
//   bench_idle [seconds per measure, default 10]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/AppControl.h"
#include "widgets/TZederuGradientButton.h"
#include "wizard/TFormKestrix.h"

namespace {

double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void CopyProgramFolder(const QString& to) {
    namespace fs = std::filesystem;
    fs::copy(fs::path(KESTRIX_PROGRAM_DIR), fs::path(to.toStdString()),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const QString res = to + QStringLiteral("/Data/Kestrix.res");
    if (!QFile::exists(res)) {
        QFile file(res);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(60 * 1024, 'R'));
    }
}

// Share of one core used by an idle wizard on `etape` over `seconds`.
double IdleShare(int etape, int interval, int seconds) {
    WizardHooks hooks;
    hooks.answerMessage = [](MessageIcon, MessageButtons buttons, const QString&) {
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    };
    TFormKestrix window({QStringLiteral("kestrix")}, hooks);
    window.findChild<QTimer*>(QStringLiteral("TimerEtapes"))->setInterval(interval);
    window.ShowAtLoopStart();
    if (etape == 71) {
        emit window.findChild<TZederuGradientButton*>(QStringLiteral("BtnOptions"))->clicked();
    }
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();

    const double before = ProcessorSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = ProcessorSeconds() - before;
    return 100.0 * used / (static_cast<double>(wall.nsecsElapsed()) / 1e9);
}

// Median wall time in milliseconds of `kestrix /rep DIR /auto` from a copy of the program
// folder, and of copying the same files with the standard library.
void UnattendedRun(const QString& folder) {
    std::vector<double> runs;
    std::vector<double> copies;
    for (int i = 0; i < 5; ++i) {
        const QString dest = folder + QStringLiteral("/dest") + QString::number(i);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        QElapsedTimer wall;
        wall.start();
        process.start(folder + QStringLiteral("/kestrix"),
                      {QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
        process.waitForFinished(60000);
        runs.push_back(static_cast<double>(wall.nsecsElapsed()) / 1e6);

        // The copying itself: the same sources into a fresh folder.
        const QString plain = folder + QStringLiteral("/plain") + QString::number(i);
        QDir().mkpath(plain);
        QFile list(folder + QStringLiteral("/Data/Kestrix.dat"));
        list.open(QIODevice::ReadOnly);
        const QList<QByteArray> sources = list.readAll().split('\n');
        wall.restart();
        for (QByteArray source : sources) {
            source = source.trimmed();
            if (!source.isEmpty() && QFile::exists(QString::fromLocal8Bit(source))) {
                QFile::copy(QString::fromLocal8Bit(source),
                            plain + QLatin1Char('/') +
                                QFileInfo(QString::fromLocal8Bit(source)).fileName());
            }
        }
        copies.push_back(static_cast<double>(wall.nsecsElapsed()) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    std::sort(copies.begin(), copies.end());
    std::printf(
        "kestrix /rep DIR /auto (shipped list): %.0f ms wall, copying alone %.1f ms, "
        "beyond the copying %.0f ms (median of 5)\n",
        runs[2], copies[2], runs[2] - copies[2]);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    QTemporaryDir folder;
    CopyProgramFolder(folder.path());
    QDir::setCurrent(folder.path());
    AppControl::SetHeadless(true);

    for (const int interval : {1, 10}) {
        for (const int etape : {1, 71}) {
            std::printf("idle wizard, page %d, timer %d ms: %.2f %% of one core over %d s\n", etape,
                        interval, IdleShare(etape, interval, seconds), seconds);
            std::fflush(stdout);
        }
    }
    UnattendedRun(folder.path());
    return 0;
}
