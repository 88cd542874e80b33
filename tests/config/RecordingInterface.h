#pragma once

#include <QString>
#include <vector>

#include "report/UserInterface.h"

// Records the message boxes and requests that the reporter makes of the window; every box is
// answered with its first button.
class RecordingInterface : public UserInterface {
public:
    struct Box {
        MessageIcon icon;
        MessageButtons buttons;
        QString text;
    };

    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override {
        boxes.push_back({icon, buttons, text});
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    void RequestEnd() override { ++endRequests; }
    void CloseMainWindow() override { ++closeRequests; }

    std::vector<Box> boxes;
    int endRequests = 0;
    int closeRequests = 0;
};
