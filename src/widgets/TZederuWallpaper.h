#pragma once

#include "platform/TColor.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

// Fills its whole area with a small picture repeated in rows and columns: a textured window
// background. It lies behind its siblings and, while AlignClient is set, covers its parent.
class TZederuWallpaper : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QImage Image READ image WRITE setImage)
    Q_PROPERTY(int TransColor READ transColor WRITE setTransColor)
    Q_PROPERTY(bool AlignClient READ alignClient WRITE setAlignClient)

public:
    explicit TZederuWallpaper(QWidget* parent = nullptr);

    QImage image() const { return image_; }
    // A picture: TransColor becomes its bottom-left pixel (marked 0x02000000), the area is at
    // once painted in the parent's background colour, and the tiles follow at the next paint.
    // No picture: the tile is emptied and this control paints nothing.
    void setImage(const QImage& image);
    TColor transColor() const { return transColor_; }
    void setTransColor(TColor colour);
    bool alignClient() const { return alignClient_; }
    void setAlignClient(bool align);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void followParent();

    QImage image_;
    // The tile in the screen's pixel format, and the whole area tiled with it: both are made
    // again only when the picture or the size changes.
    QPixmap tile_;
    QPixmap composed_;
    TColor transColor_ = 0;
    bool alignClient_ = true;
    bool parentFillPending_ = false;
};
