#pragma once

#include <QFrame>
#include <QRect>
#include <QString>

// A bevel of the wizard's windows: a named frame of the given shape and shadow at its place.
QFrame* MakeBevel(QWidget* parent, const QString& name, const QRect& place, QFrame::Shape shape,
                  QFrame::Shadow shadow);
