#include "FakeWindow.h"

void FakeWindow::PumpMessages() {
    ++pumps;
    if (onPump) {
        onPump();
    }
}

void FakeWindow::SetTicked(const QStringList& paths) {
    entries.clear();
    for (const QString& path : paths) {
        entries.push_back(ListEntry{path, true, true});
    }
}
