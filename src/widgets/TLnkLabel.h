#pragma once

#include "platform/TColor.h"

#include <QLabel>
#include <QString>
#include <QUrl>
#include <functional>

// A text label that behaves as a hyperlink: EnterFontColor under the mouse, LeaveFontColor
// otherwise; a left click opens Link with the user's default program and makes VisitedColor the
// colour shown once the mouse has left. A new label looks like a link: blue, underlined, a hand
// cursor, transparent, red under the mouse, navy once visited.
class TLnkLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Link READ link WRITE setLink)
    Q_PROPERTY(int EnterFontColor READ enterFontColor WRITE setEnterFontColor)
    Q_PROPERTY(int LeaveFontColor READ leaveFontColor WRITE setLeaveFontColor)
    Q_PROPERTY(int VisitedColor READ visitedColor WRITE setVisitedColor)
    Q_PROPERTY(int FontColor READ fontColor WRITE setFontColor)

public:
    static constexpr const char* kDefaultLink = "mailto:contact@kestrix.example";

    explicit TLnkLabel(QWidget* parent = nullptr);
    explicit TLnkLabel(const QString& caption, QWidget* parent = nullptr);

    QString link() const { return link_; }
    void setLink(const QString& link) { link_ = link; }
    TColor enterFontColor() const { return enterFontColor_; }
    void setEnterFontColor(TColor colour) { enterFontColor_ = colour; }
    TColor leaveFontColor() const { return leaveFontColor_; }
    void setLeaveFontColor(TColor colour) { leaveFontColor_ = colour; }
    TColor visitedColor() const { return visitedColor_; }
    void setVisitedColor(TColor colour) { visitedColor_ = colour; }
    // The colour the text is drawn in now; repaints only when it changes.
    TColor fontColor() const { return fontColor_; }
    void setFontColor(TColor colour);
    // What opens the link; by default the desktop's handler of the address.
    void setOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }
    // What a click does: opens Link, then shows as visited once the mouse has left.
    void follow();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFontColor();

    QString link_ = QString::fromLatin1(kDefaultLink);
    TColor enterFontColor_ = clRed;
    TColor leaveFontColor_ = clBlue;
    TColor visitedColor_ = clNavy;
    TColor fontColor_ = clBlue;
    bool pressed_ = false;
    std::function<bool(const QUrl&)> opener_;
};
