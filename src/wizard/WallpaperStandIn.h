#pragma once

#include <QPixmap>
#include <QWidget>

// Stands in for the wallpaper: the texture tile repeated over the whole widget.
class WallpaperStandIn : public QWidget {
    Q_OBJECT
public:
    WallpaperStandIn(QWidget* parent, const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap tile_;
};
