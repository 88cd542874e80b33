#pragma once

#include <QColor>
#include <QUrl>
#include <QWidget>
#include <functional>

#include "platform/TColor.h"

class TLnkLabel;
class TZederuGradientButton;
class TZederuWallpaper;

// The about window: created once, hidden until "Aide" asks for it, hidden again by "OK", Escape
// or its close box. It never blocks the main window.
class TFormKestrixAide : public QWidget {
    Q_OBJECT
public:
    // What FormShow copies from the main window each time the window becomes visible.
    struct MainLook {
        bool textureShown;
        QColor windowColour;
        TColor buttonLight;
        TColor buttonShadow;
    };

    // The program's name and version with its short notice, one line in LabelAboutTitle.
    static const QString kNotice;

    TFormKestrixAide(QWidget* owner, std::function<bool(const QUrl&)> openUrl);

    // Shows the window with the main window's look, or brings it to the front when it is
    // already shown (its look then stays as it was).
    void ShowFromMain(const MainLook& look);

protected:
    // Escape closes it, as it closes any dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormShow(const MainLook& look);
    void BtnHTMLClick();
    void BtnHLPClick();
    void BtnOKClick();

    std::function<bool(const QUrl&)> openUrl_;
    TZederuWallpaper* ZederuWallpaperAide;
    TZederuGradientButton* BtnHTML;
    TZederuGradientButton* BtnHLP;
    TZederuGradientButton* BtnOK;
    TLnkLabel* LnkLabelWebSite;
    TLnkLabel* LnkLabelMail;
    TLnkLabel* LnkLabelWebPage;
};
