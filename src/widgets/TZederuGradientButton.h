#pragma once

#include "platform/TColor.h"

#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

// A push button whose face is a two-colour gradient, with a caption ("&" marks the accelerator
// letter, Alt + letter), an optional glyph drawn without its transparent colour, a classic or a
// flat frame, group behaviour for buttons that stay down, and an optional drop-down menu.
class TZederuGradientButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int LightColor READ lightColor WRITE setLightColor)
    Q_PROPERTY(int ShadowColor READ shadowColor WRITE setShadowColor)
    Q_PROPERTY(QImage Glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(bool GrayedInactive READ grayedInactive WRITE setGrayedInactive)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(TButtonLayout Layout READ layout WRITE setLayout)
    Q_PROPERTY(int BevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(bool Down READ isDown WRITE setDown)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool AllowAllUp READ allowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(bool Flat READ isFlat WRITE setFlat)
    Q_PROPERTY(bool MarkDropDown READ markDropDown WRITE setMarkDropDown)
    Q_PROPERTY(int Spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(bool Vertical READ isVertical WRITE setVertical)
    Q_PROPERTY(bool WindowCaption READ windowCaption WRITE setWindowCaption)

public:
    enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(TButtonLayout)

    explicit TZederuGradientButton(QWidget* parent = nullptr);

    TColor lightColor() const { return lightColor_; }
    void setLightColor(TColor colour);
    TColor shadowColor() const { return shadowColor_; }
    void setShadowColor(TColor colour);
    QImage glyph() const { return glyph_; }
    // Copies the picture; its bottom-left pixel becomes the transparent colour (white for a
    // monochrome picture).
    void setGlyph(const QImage& glyph);
    QRgb glyphTransparentColor() const { return transparent_; }
    QMenu* dropDownMenu() const { return menu_; }
    void setDropDownMenu(QMenu* menu);
    bool grayedInactive() const { return grayedInactive_; }
    void setGrayedInactive(bool grayed);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    TButtonLayout layout() const { return layout_; }
    void setLayout(TButtonLayout layout);
    int bevelWidth() const { return bevelWidth_; }
    void setBevelWidth(int bevelWidth);
    bool isDown() const { return down_; }
    void setDown(bool down);
    int groupIndex() const { return groupIndex_; }
    void setGroupIndex(int groupIndex);
    bool allowAllUp() const { return allowAllUp_; }
    void setAllowAllUp(bool allow) { allowAllUp_ = allow; }
    bool isFlat() const { return flat_; }
    void setFlat(bool flat);
    bool markDropDown() const { return markDropDown_; }
    void setMarkDropDown(bool mark);
    int spacing() const { return spacing_; }
    void setSpacing(int spacing);
    bool isVertical() const { return vertical_; }
    void setVertical(bool vertical);
    bool windowCaption() const { return windowCaption_; }
    void setWindowCaption(bool windowCaption) { windowCaption_ = windowCaption; }

    // Where the caption and the glyph go for the current size, font and properties.
    QPoint captionPosition() const;
    QPoint glyphPosition() const;
    bool isPressed() const { return pressed_; }
    bool isHot() const { return hot_; }

    // The accelerator letter of the caption (the character after a single "&"), or a null
    // character when there is none.
    QChar acceleratorLetter() const;
    // What the accelerator does: press, release and click, letting events run in between.
    void performAccelerator();

signals:
    void clicked();
    void doubleClicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void pressDown();
    void release();
    int dropDownReserve() const;
    void drawGradient(QPainter& painter) const;
    void drawFrame(QPainter& painter) const;
    QImage keyedGlyph() const;

    TColor lightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
    QImage glyph_;
    QRgb transparent_ = 0;
    QPointer<QMenu> menu_;
    bool grayedInactive_ = true;
    QString caption_;
    TButtonLayout layout_ = blGlyphTop;
    int bevelWidth_ = 1;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool markDropDown_ = true;
    int spacing_ = 1;
    bool vertical_ = false;
    bool windowCaption_ = false;

    bool hot_ = true;
    bool pressed_ = false;
    bool clickArmed_ = false;
    bool keyArmed_ = false;
};
