#pragma once

#include <QAccessibleWidget>

class TZederuGradientButton;

// What assistive technology sees of a gradient button: a push button named by its caption
// (without "&" and the trailing blanks), described by its hint, answering the "press" action.
class GradientButtonAccessible : public QAccessibleWidget {
public:
    explicit GradientButtonAccessible(TZederuGradientButton* button);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // The caption as read aloud: "&Suivant       " is "Suivant".
    static QString SpokenCaption(const QString& caption);
};
