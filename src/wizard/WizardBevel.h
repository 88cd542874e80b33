#pragma once

#include <QFrame>
#include <QRect>
#include <QString>

// A bevel of the wizard's windows: a box frame, or a line along the bottom edge of its box. It
// only draws: the mouse goes through it to the controls it frames.
class WizardBevel : public QFrame {
    Q_OBJECT
public:
    enum class Shape { Box, BottomLine };

    WizardBevel(QWidget* parent, Shape shape, QFrame::Shadow shadow);

    Shape shape() const { return shape_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Shape shape_;
    QFrame::Shadow shadow_;
};

// A named bevel at its place.
WizardBevel* MakeBevel(QWidget* parent, const QString& name, const QRect& place,
                       WizardBevel::Shape shape, QFrame::Shadow shadow);
