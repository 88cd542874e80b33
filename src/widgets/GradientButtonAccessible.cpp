#include "widgets/GradientButtonAccessible.h"

#include "widgets/TZederuGradientButton.h"

GradientButtonAccessible::GradientButtonAccessible(TZederuGradientButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

QString GradientButtonAccessible::SpokenCaption(const QString& caption) {
    QString spoken;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;  // "&&" stands for one ampersand
        }
        spoken += caption.at(i);
    }
    while (spoken.endsWith(QLatin1Char(' '))) {
        spoken.chop(1);
    }
    return spoken;
}

QString GradientButtonAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        return SpokenCaption(static_cast<TZederuGradientButton*>(widget())->caption());
    }
    return QAccessibleWidget::text(t);
}

QStringList GradientButtonAccessible::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void GradientButtonAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        auto* button = static_cast<TZederuGradientButton*>(widget());
        if (button->isEnabled() && button->isVisible()) {
            button->performAccelerator();
        }
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
