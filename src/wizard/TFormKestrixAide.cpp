#include "wizard/TFormKestrixAide.h"
#include "wizard/WizardBevel.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPalette>

#include "widgets/TZederuGradientButton.h"
#include "widgets/TZederuWallpaper.h"

namespace {

const QString kHtmlHelp = QStringLiteral("./Aide/HTML/Index.htm");

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QImage Picture(const char* name) {
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(name));
}

// A button of the window: vertical gradient, picture on the left, the main window's design
// colours until the window is first shown.
TZederuGradientButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                                  const QString& hint, const char* glyph, int spacing,
                                  const QRect& place) {
    auto* button = new TZederuGradientButton(parent);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setToolTip(hint);
    button->setLayout(TZederuGradientButton::blGlyphLeft);
    button->setVertical(true);
    button->setSpacing(spacing);
    button->setGlyph(Picture(glyph));
    button->setLightColor(0x00E0E0E0);
    button->setShadowColor(clSilver);
    button->setGeometry(place);
    return button;
}

QUrl HelpUrl(const QString& fragment) {
    QUrl url = QUrl::fromLocalFile(QFileInfo(kHtmlHelp).absoluteFilePath());
    url.setFragment(fragment);
    return url;
}

}  // namespace

TFormKestrixAide::TFormKestrixAide(QWidget* owner, std::function<bool(const QUrl&)> openUrl)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      openUrl_(std::move(openUrl)) {
    setObjectName(QStringLiteral("FormKestrixAide"));
    setWindowTitle(QStringLiteral("Aide - A propos de Kestrix"));
    setFixedSize(345, 353);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    setAutoFillBackground(true);

    ZederuWallpaperAide = new TZederuWallpaper(this);
    ZederuWallpaperAide->setObjectName(QStringLiteral("ZederuWallpaperAide"));
    ZederuWallpaperAide->setAlignClient(true);
    ZederuWallpaperAide->setImage(Picture("texture.png"));
    ZederuWallpaperAide->setTransColor(0x02BFBFBF);
    MakeBevel(this, QStringLiteral("BevelImage"), QRect(8, 16, 330, 115), WizardBevel::Shape::Box,
              QFrame::Sunken);
    auto* title = new QLabel(QStringLiteral("Kestrix 1.1 - copie de secours des fichiers de "
                                            "démarrage du système"),
                             this);
    title->setObjectName(QStringLiteral("LabelAboutTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setWordWrap(true);
    title->setGeometry(40, 144, 265, 17);
    MakeBevel(this, QStringLiteral("BevelAboutHaut"), QRect(8, 160, 329, 9),
              WizardBevel::Shape::BottomLine, QFrame::Raised);
    MakeLabel(this, QStringLiteral("LabelAbout1"), QStringLiteral("Site Internet :"), 104, 197);
    MakeLabel(this, QStringLiteral("LabelAbout2"), QStringLiteral("Adresse e-mail :"), 104, 229);
    MakeLabel(this, QStringLiteral("LabelAbout3"), QStringLiteral("Page Web :"), 104, 261);
    MakeBevel(this, QStringLiteral("BevelAboutBas"), QRect(8, 296, 329, 10),
              WizardBevel::Shape::BottomLine, QFrame::Raised);
    MakeLabel(this, QStringLiteral("LabelAboutAide"), QStringLiteral("Aide :"), 16, 325);

    BtnHTML = MakeButton(this, QStringLiteral("BtnHTML"), QStringLiteral("Format HTML       "),
                         QStringLiteral("Affiche l'aide au format HTML dans votre navigateur Web"),
                         "html.png", 21, QRect(56, 318, 105, 25));
    BtnHLP = MakeButton(this, QStringLiteral("BtnHLP"), QStringLiteral("Format HLP        "),
                        QStringLiteral("Affiche le fichier d'aide au format Windows HLP"),
                        "hlp.png", 25, QRect(168, 318, 97, 25));
    BtnOK = MakeButton(this, QStringLiteral("BtnOK"), QStringLiteral("OK     "), QString(),
                       "valider.png", 15, QRect(288, 318, 49, 25));

    connect(BtnHTML, &TZederuGradientButton::clicked, this, [this] { BtnHTMLClick(); });
    connect(BtnHLP, &TZederuGradientButton::clicked, this, [this] { BtnHLPClick(); });
    connect(BtnOK, &TZederuGradientButton::clicked, this, [this] { BtnOKClick(); });
}

void TFormKestrixAide::ShowFromMain(const MainLook& look) {
    if (isHidden()) {
        FormShow(look);
        show();
    }
    raise();
    activateWindow();
}

void TFormKestrixAide::FormShow(const MainLook& look) {
    ZederuWallpaperAide->setHidden(!look.textureShown);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, look.windowColour);
    setPalette(colours);
    for (TZederuGradientButton* button : {BtnHLP, BtnHTML, BtnOK}) {
        button->setLightColor(look.buttonLight);
        button->setShadowColor(look.buttonShadow);
    }
}

void TFormKestrixAide::BtnHTMLClick() {
    openUrl_(HelpUrl(QString()));
}

void TFormKestrixAide::BtnHLPClick() {
    // There is no Windows help engine here: the HTML help opens at the same topic.
    openUrl_(HelpUrl(QStringLiteral("Presentation")));
}

void TFormKestrixAide::BtnOKClick() {
    close();
}
