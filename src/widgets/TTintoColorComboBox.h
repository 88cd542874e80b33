#pragma once

#include "platform/TColor.h"

#include <QComboBox>
#include <QString>

// A drop-down list of named colours: each entry shows a swatch and the colour's name in one of
// five languages; the last entry opens the colour dialog for any other colour. The chosen colour
// is ColorValue (system colours stay references) and, in web notation, HTMLcolor. Setting a
// value from code never emits changed(); a choice by the user always does, also when the colour
// dialog is cancelled.
class TTintoColorComboBox : public QComboBox {
    Q_OBJECT
    Q_PROPERTY(TCLanguage Language READ language WRITE setLanguage)
    Q_PROPERTY(QString HTMLcolor READ htmlColor WRITE setHtmlColor)
    Q_PROPERTY(int ColorValue READ colorValue WRITE setColorValue)
    Q_PROPERTY(bool ShowSysColors READ showSysColors WRITE setShowSysColors)

public:
    enum TCLanguage { lgFrench, lgDanish, lgEnglish, lgPortuguese, lgSystem };
    Q_ENUM(TCLanguage)

    static constexpr int kItemHeight = 16;

    explicit TTintoColorComboBox(QWidget* parent = nullptr);

    TCLanguage language() const { return language_; }
    void setLanguage(TCLanguage language);
    QString htmlColor() const { return htmlColor_; }
    // "#RRGGBB" in any letter case; text whose pairs are not hexadecimal is refused.
    void setHtmlColor(const QString& html);
    TColor colorValue() const { return colorValue_; }
    void setColorValue(TColor colour);
    bool showSysColors() const { return showSysColors_; }
    void setShowSysColors(bool show);

    // The position of the custom entry (42 with the system colours, 16 without).
    int customIndex() const;
    // The text form held by an entry ("clRed", "$00C8C8C8").
    QString entryText(int index) const;
    // The name shown for an entry in the current language.
    QString entryName(int index) const;
    // Draws one entry: background, swatch and name, in the rectangle of the entry.
    void drawEntry(QPainter& painter, const QRect& rect, int index, bool selected) const;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refill();
    void userChoice(int index);

    TCLanguage language_ = lgSystem;
    QString htmlColor_ = QStringLiteral("#000000");
    TColor colorValue_ = 0;
    bool showSysColors_ = false;
};
