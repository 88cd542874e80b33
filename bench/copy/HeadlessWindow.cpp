#include "HeadlessWindow.h"

#include <QCoreApplication>
#include <cstdio>

MessageAnswer HeadlessWindow::ShowMessage(MessageIcon, MessageButtons buttons,
                                          const QString& text) {
    ++messages_;
    std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

ListEntry HeadlessWindow::FileEntry(int index) const {
    return entries_.at(static_cast<std::size_t>(index));
}

void HeadlessWindow::PumpMessages() {
    QCoreApplication::processEvents();
}
