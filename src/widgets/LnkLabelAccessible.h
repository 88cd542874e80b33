#pragma once

#include <QAccessibleWidget>

class TLnkLabel;

// What assistive technology sees of a link label: a link named by its text, described by its
// hint, whose "press" action follows it.
class LnkLabelAccessible : public QAccessibleWidget {
public:
    explicit LnkLabelAccessible(TLnkLabel* label);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
};
