#pragma once

#include <QObject>

class TZederuGradientButton;
class QWidget;

// Routes Alt + letter to the gradient buttons of the active window: the first visible, enabled
// button in the window's control order whose caption's "&" letter matches acts, as if pressed,
// released and clicked. One application-wide filter serves every button.
class ButtonAccelerators : public QObject {
    Q_OBJECT

public:
    // Installs the filter on the application once; later calls do nothing.
    static void Install();

    // The button that a letter reaches in a window, or nullptr.
    static TZederuGradientButton* Target(QWidget* window, QChar letter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ButtonAccelerators(QObject* parent);
};
