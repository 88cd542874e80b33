#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "report/UserInterface.h"

// Records what the reporter asks of the window; message boxes take queued answers (OK by
// default, "Oui" for a question when nothing is queued).
class RecordingUi : public UserInterface {
public:
    struct Box {
        MessageIcon icon;
        MessageButtons buttons;
        QString text;
    };

    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override {
        boxes.push_back({icon, buttons, text});
        if (!answers.empty()) {
            const MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void RequestEnd() override { ++endRequests; }
    void RunShutdownStage() override {
        ++shutdownStages;
        if (onShutdownStage) {
            onShutdownStage();
        }
    }

    QStringList MessageTexts() const {
        QStringList texts;
        for (const Box& box : boxes) {
            texts << box.text;
        }
        return texts;
    }

    std::vector<Box> boxes;
    std::deque<MessageAnswer> answers;
    int endRequests = 0;
    int shutdownStages = 0;
    std::function<void()> onShutdownStage;
};
