#include "wizard/TFormKestrixAide.h"
#include "wizard/WizardBevel.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <algorithm>

#include "widgets/TLnkLabel.h"
#include "widgets/TZederuGradientButton.h"
#include "widgets/TZederuWallpaper.h"
#include "wizard/KestrixAddresses.h"

namespace {

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

QLabel* MakePicture(QWidget* parent, const QString& name, const char* picture, const QRect& place) {
    auto* image = new QLabel(parent);
    image->setObjectName(name);
    image->setGeometry(place);
    image->setAlignment(Qt::AlignCenter);
    image->setPixmap(QPixmap::fromImage(Picture(picture)));
    return image;
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

}  // namespace

const QString TFormKestrixAide::kNotice =
    QStringLiteral("Kestrix 1.1 - Copie de secours du démarrage");

TFormKestrixAide::TFormKestrixAide(QWidget* owner, std::function<bool(const QUrl&)> openUrl)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      openUrl_(std::move(openUrl)) {
    setObjectName(QStringLiteral("FormKestrixAide"));
    setWindowTitle(QStringLiteral("Aide - A propos de Kestrix"));
    setFixedSize(345, 353);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    // The outline of MS Sans Serif joins "TM" into a trademark sign: "Format HTML" must not
    // read "Format H™L".
    font.setStyleStrategy(QFont::PreferNoShaping);
    setFont(font);
    setAutoFillBackground(true);

    ZederuWallpaperAide = new TZederuWallpaper(this);
    ZederuWallpaperAide->setObjectName(QStringLiteral("ZederuWallpaperAide"));
    ZederuWallpaperAide->setAlignClient(true);
    ZederuWallpaperAide->setImage(Picture("texture.png"));
    ZederuWallpaperAide->setTransColor(0x02BFBFBF);
    MakePicture(this, QStringLiteral("ImageAboutTitle"), "about_title.png", QRect(8, 16, 330, 115));
    MakeBevel(this, QStringLiteral("BevelImage"), QRect(8, 16, 330, 115), WizardBevel::Shape::Box,
              QFrame::Sunken);
    auto* title = new QLabel(kNotice, this);
    title->setObjectName(QStringLiteral("LabelAboutTitle"));
    title->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    title->setWordWrap(true);
    title->setGeometry(40, 144, 265, 17);
    MakeBevel(this, QStringLiteral("BevelAboutHaut"), QRect(8, 160, 329, 9),
              WizardBevel::Shape::BottomLine, QFrame::Raised);
    MakePicture(this, QStringLiteral("ImageAboutLogo"), "about_logo.png", QRect(12, 192, 75, 90));

    const auto link = [this](const char* name, const QString& text, const QUrl& target,
                             const QRect& place) {
        auto* label = new TLnkLabel(this);
        label->setObjectName(QLatin1String(name));
        // As wide as its text, like any label, up to the window's right margin; a longer text
        // (a deep program folder) is shortened in its middle.
        const QFontMetrics metrics(label->font());
        const int room = width() - 8 - place.left();
        const int wanted = std::max(place.width(), metrics.horizontalAdvance(text) + 1);
        label->setGeometry(place.left(), place.top(), std::min(wanted, room), place.height());
        label->setText(metrics.elidedText(text, Qt::ElideMiddle, label->width()));
        label->setLink(target.toString());
        label->setToolTip(target.toString());
        label->setOpener(openUrl_);
        return label;
    };
    MakeLabel(this, QStringLiteral("LabelAbout1"), QStringLiteral("Site Internet :"), 104, 197);
    LnkLabelWebSite = link("LnkLabelWebSite", KestrixAddresses::WebSite().host(),
                           KestrixAddresses::WebSite(), QRect(174, 197, 134, 13));
    MakeLabel(this, QStringLiteral("LabelAbout2"), QStringLiteral("Adresse e-mail :"), 104, 229);
    LnkLabelMail = link("LnkLabelMail", KestrixAddresses::ContactAddress(),
                        KestrixAddresses::ContactLink(), QRect(184, 229, 123, 13));
    MakeLabel(this, QStringLiteral("LabelAbout3"), QStringLiteral("Page Web :"), 104, 261);
    LnkLabelWebPage = link("LnkLabelWebPage", KestrixAddresses::ProductPage().toLocalFile(),
                           KestrixAddresses::ProductPage(), QRect(166, 261, 165, 13));
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
        // Enter or Space closes it, as in any about box.
        BtnOK->setFocus(Qt::OtherFocusReason);
        // Centred with its frame, whose size is known once the window is shown.
        if (const QScreen* screen = this->screen()) {
            const QRect frame = frameGeometry();
            move(screen->availableGeometry().center() -
                 QPoint(frame.width() / 2, frame.height() / 2));
        }
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
    openUrl_(KestrixAddresses::HtmlHelp());
}

void TFormKestrixAide::BtnHLPClick() {
    // There is no Windows help engine here: the HTML help opens at the same topic.
    openUrl_(KestrixAddresses::HtmlHelp(QStringLiteral("Presentation")));
}

void TFormKestrixAide::BtnOKClick() {
    close();
}

void TFormKestrixAide::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        BtnOKClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
