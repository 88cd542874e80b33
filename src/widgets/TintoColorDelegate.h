#pragma once

#include <QAbstractItemDelegate>

class TTintoColorComboBox;

// Draws the entries of a colour combo box's list as the box itself draws them.
class TintoColorDelegate : public QAbstractItemDelegate {
    Q_OBJECT

public:
    explicit TintoColorDelegate(TTintoColorComboBox* box);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TTintoColorComboBox* box_;
};
