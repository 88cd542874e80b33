#pragma once

#include <QString>

enum class MessageIcon { Error, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// What the engine asks of the main window: one message-box function (titled "Erreur" or
// "Avertissement" by its icon), the request to end the application, and the shutdown stage.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                                      const QString& text) = 0;

    // Sets the end-of-application request; it takes effect when control is back in the main
    // event loop, and neither closes an open message box nor stops a running backup.
    virtual void RequestEnd() = 0;

    // Runs the shutdown stage now, as "Quitter" does: the settings are written and the report
    // saved inside the call, and the program ends once control is back in the event loop.
    virtual void RunShutdownStage() = 0;
};
