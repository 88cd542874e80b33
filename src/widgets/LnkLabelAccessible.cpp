#include "widgets/LnkLabelAccessible.h"

#include "widgets/TLnkLabel.h"

LnkLabelAccessible::LnkLabelAccessible(TLnkLabel* label)
    : QAccessibleWidget(label, QAccessible::Link) {}

QString LnkLabelAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        return static_cast<TLnkLabel*>(widget())->text();
    }
    if (t == QAccessible::Value) {
        return static_cast<TLnkLabel*>(widget())->link();
    }
    return QAccessibleWidget::text(t);
}

QStringList LnkLabelAccessible::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void LnkLabelAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        static_cast<TLnkLabel*>(widget())->follow();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
