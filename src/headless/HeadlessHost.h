#pragma once

#include "controller/ControllerHost.h"

// The host of a run that nobody sees: every box takes its default button and goes to stderr,
// and nothing of the progress is shown.
class HeadlessHost : public ControllerHost {
public:
    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override {
        return AnswerOnStderr(icon, buttons, text);
    }
};
