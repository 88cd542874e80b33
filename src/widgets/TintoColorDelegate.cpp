#include "widgets/TintoColorDelegate.h"

#include "widgets/TTintoColorComboBox.h"

#include <QPainter>

TintoColorDelegate::TintoColorDelegate(TTintoColorComboBox* box)
    : QAbstractItemDelegate(box), box_(box) {}

void TintoColorDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    box_->drawEntry(*painter, option.rect, index.row(),
                    option.state.testFlag(QStyle::State_Selected));
}

QSize TintoColorDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), TTintoColorComboBox::kItemHeight);
}
