#include "FakeWindow.h"

MessageAnswer FakeWindow::ShowMessage(MessageIcon icon, MessageButtons buttons,
                                      const QString& text) {
    messages.push_back({icon, buttons, text});
    if (!answers.empty()) {
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

void FakeWindow::CloseMainWindow() {
    ++closeRequests;
    if (onClose) {
        onClose();
    }
}

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

QStringList FakeWindow::MessageTexts() const {
    QStringList texts;
    for (const Message& message : messages) {
        texts << message.text;
    }
    return texts;
}
