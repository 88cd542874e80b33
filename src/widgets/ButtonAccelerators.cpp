#include "widgets/ButtonAccelerators.h"

#include "widgets/TZederuGradientButton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

ButtonAccelerators::ButtonAccelerators(QObject* parent) : QObject(parent) {}

void ButtonAccelerators::Install() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr ||
        app->findChild<ButtonAccelerators*>(QString(), Qt::FindDirectChildrenOnly)) {
        return;
    }
    app->installEventFilter(new ButtonAccelerators(app));
}

TZederuGradientButton* ButtonAccelerators::Target(QWidget* window, QChar letter) {
    if (window == nullptr || letter.isNull()) {
        return nullptr;
    }
    const QChar wanted = letter.toUpper();
    // findChildren walks the tree depth first in each parent's child order: the control order.
    const auto buttons = window->findChildren<TZederuGradientButton*>();
    for (TZederuGradientButton* button : buttons) {
        if (button->window() == window && button->isVisible() && button->isEnabled() &&
            button->acceleratorLetter().toUpper() == wanted) {
            return button;
        }
    }
    return nullptr;
}

bool ButtonAccelerators::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::AltModifier || key->isAutoRepeat()) {
        return false;
    }
    const int code = key->key();
    if (code <= 0 || code > 0xFFFF) {
        return false;
    }
    TZederuGradientButton* button =
        Target(static_cast<QWidget*>(watched)->window(), QChar(static_cast<char16_t>(code)));
    if (button == nullptr) {
        return false;
    }
    button->performAccelerator();
    return true;
}
