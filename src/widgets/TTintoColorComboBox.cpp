#include "widgets/TTintoColorComboBox.h"

#include "widgets/SystemColours.h"
#include "widgets/TintoColorDelegate.h"
#include "widgets/TintoColorNames.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace {

bool IsHexPair(const QString& text, int at) {
    if (text.size() < at + 2) {
        return false;
    }
    for (int i = at; i < at + 2; ++i) {
        const QChar c = text.at(i);
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('F')))) {
            return false;
        }
    }
    return true;
}

}  // namespace

TTintoColorComboBox::TTintoColorComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TintoColorDelegate(this));
    resize(135, height());
    refill();
    connect(this, &QComboBox::activated, this, &TTintoColorComboBox::userChoice);
}

int TTintoColorComboBox::customIndex() const {
    return showSysColors_ ? kTintoEntryCount - 1 : kTintoBasicCount;
}

QString TTintoColorComboBox::entryText(int index) const {
    return itemData(index).toString();
}

QString TTintoColorComboBox::entryName(int index) const {
    const int entry = index == customIndex() ? kTintoEntryCount - 1 : index;
    return TintoEntryName(language_, entry);
}

void TTintoColorComboBox::refill() {
    clear();
    const int listed = showSysColors_ ? kTintoEntryCount - 1 : kTintoBasicCount;
    for (int i = 0; i < listed; ++i) {
        addItem(entryName(i), ColorToText(TintoEntryValue(i)));
    }
    addItem(entryName(customIndex()), ColorToText(kTintoCustomStart));
    setCurrentIndex(0);
}

void TTintoColorComboBox::setShowSysColors(bool show) {
    if (show == showSysColors_) {
        return;
    }
    showSysColors_ = show;
    refill();
    // The new list shows the colour that is set, not whatever entry comes first.
    setColorValue(colorValue_);
}

void TTintoColorComboBox::setLanguage(TCLanguage language) {
    if (language == language_) {
        return;
    }
    language_ = language;
    for (int i = 0; i < count(); ++i) {
        setItemText(i, entryName(i));
    }
    update();
}

void TTintoColorComboBox::setColorValue(TColor colour) {
    const QString text = ColorToText(colour);
    int found = -1;
    for (int i = 0; i < count(); ++i) {
        if (entryText(i) == text) {
            found = i;
        }
    }
    if (found < 0) {
        found = customIndex();
        if (entryText(found) != text) {
            setItemData(found, text);
            update();
        }
    }
    setCurrentIndex(found);
    colorValue_ = colour;
    htmlColor_ = WebNotation(colour);
}

void TTintoColorComboBox::setHtmlColor(const QString& html) {
    const QString upper = html.isEmpty() ? QStringLiteral("#000000") : html.toUpper();
    if (!IsHexPair(upper, 1) || !IsHexPair(upper, 3) || !IsHexPair(upper, 5)) {
        return;
    }
    TColor colour = 0;
    const QString text =
        QStringLiteral("$00") + upper.mid(5, 2) + upper.mid(3, 2) + upper.mid(1, 2);
    if (!TextToColor(text, &colour)) {
        return;
    }
    if (colour != colorValue_) {
        setColorValue(colour);
    }
    htmlColor_ = upper;
}

void TTintoColorComboBox::userChoice(int index) {
    if (index == customIndex()) {
        TColor initial = kTintoCustomStart;
        TextToColor(entryText(index), &initial);
        QColorDialog dialog(TColorToQColor(initial), this);
        dialog.setWindowTitle(QStringLiteral("Couleurs"));
        if (dialog.exec() == QDialog::Accepted) {
            setColorValue(QColorToTColor(dialog.selectedColor()));
        } else {
            // Nothing chosen: the box shows the colour that is still set.
            setColorValue(colorValue_);
        }
    } else if (index >= 0) {
        TColor colour = 0;
        if (TextToColor(entryText(index), &colour)) {
            setColorValue(colour);
        }
    }
    emit changed();
}

void TTintoColorComboBox::drawEntry(QPainter& painter, const QRect& rect, int index,
                                    bool selected) const {
    const QColor background =
        selected ? palette().color(QPalette::Highlight) : palette().color(QPalette::Base);
    const QColor foreground =
        selected ? palette().color(QPalette::HighlightedText) : palette().color(QPalette::Text);
    painter.save();
    painter.fillRect(rect, background);

    // The swatch's right edge is fixed at x = 24 whatever the entry's left edge.
    TColor colour = 0;
    TextToColor(entryText(index), &colour);
    const QRect swatch(QPoint(rect.left() + 4, rect.top() + 4), QPoint(23, rect.bottom() - 1));
    if (swatch.isValid()) {
        painter.fillRect(swatch, TColorToQColor(colour));
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    }

    painter.setPen(foreground);
    painter.setFont(font());
    const QRect nameBox(QPoint(rect.left() + 30, rect.top()), rect.bottomRight());
    painter.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     entryName(index));
    painter.restore();
}

void TTintoColorComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() >= 0) {
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, this);
        drawEntry(painter, field, currentIndex(), hasFocus());
    }
}
