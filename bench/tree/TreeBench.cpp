// The folder tree on this machine, headless: the first build (the desktop, "Poste de travail"
// and its drives, "/" selected and opened, as on the browse page), then the opening of a folder
// of 10 000 subfolders (listing, sorting, the nodes, the first paint) and its opening again.
//
//   bench_tree [rounds, default 10] [subfolders, default 10000]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "widgets/TSystemTreeView.h"

namespace {

double Milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void Print(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-44s best %8.1f ms   median %8.1f ms   worst %8.1f ms\n", what, times.front(),
                times[times.size() / 2], times.back());
}

QTreeWidgetItem* Selected(const TSystemTreeView& tree) {
    return tree.selectedItems().value(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;

    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("big"));
    for (int i = 1; i <= count; ++i) {
        // Mixed case and numbers: the collation and the natural order have work to do.
        const QString name = (i % 2 ? QStringLiteral("Dossier ") : QStringLiteral("dossier ")) +
                             QString::number((i * 7919) % count);
        QDir().mkpath(big + QLatin1Char('/') + name + QLatin1Char('_') + QString::number(i));
    }
    std::printf("bench_tree: %d rounds, a folder of %d subfolders in %s\n", rounds, count,
                qPrintable(dir.path()));

    std::vector<double> firstBuild, rebuild, open, painted, reopen, walk;
    for (int round = 0; round < rounds; ++round) {
        TSystemTreeView tree;
        tree.resize(289, 153);
        tree.setSelection(QStringLiteral("/"));
        QElapsedTimer timer;
        timer.start();
        tree.show();  // The first build happens here.
        firstBuild.push_back(Milliseconds(timer));
        QCoreApplication::processEvents();

        timer.start();
        tree.Rebuild();
        rebuild.push_back(Milliseconds(timer));

        // The temporary folder opens, listing "big" as a node not listed yet.
        tree.setSelection(dir.path());
        QCoreApplication::processEvents();
        QTreeWidgetItem* folder = Selected(tree)->child(0);
        if (TSystemTreeView::PathOf(folder) != big || folder->childCount() != 0) {
            std::fputs("bench_tree: the folder has no fresh node\n", stderr);
            return 1;
        }
        timer.start();
        folder->setExpanded(true);
        open.push_back(Milliseconds(timer));
        if (folder->childCount() != count) {
            std::fprintf(stderr, "bench_tree: %d nodes listed\n", folder->childCount());
            return 1;
        }
        tree.repaint();
        painted.push_back(Milliseconds(timer));

        folder->setExpanded(false);
        timer.start();
        folder->setExpanded(true);
        tree.repaint();
        reopen.push_back(Milliseconds(timer));

        timer.start();
        tree.setSelection(big);
        walk.push_back(Milliseconds(timer));
    }
    Print("first build (Bureau, Poste de travail, /)", firstBuild);
    Print("rebuild (a mount or unmount)", rebuild);
    Print("opening the folder: listed, sorted, nodes", open);
    Print("opening the folder, painted", painted);
    Print("opening it again, painted", reopen);
    Print("selecting it by its path (a walk)", walk);
    return 0;
}
