// The controls of the main window: every page's controls are built once, at creation, at the
// places and with the texts of the design; the pages only show and hide them.
#include "wizard/TFormKestrix.h"

#include <QCheckBox>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSlider>

#include "config/BlockSize.h"
#include "widgets/SystemColours.h"
#include "widgets/TGradProgress.h"
#include "widgets/TSystemTreeView.h"
#include "widgets/TTintoColorComboBox.h"
#include "widgets/TZederuGradientButton.h"
#include "widgets/TZederuWallpaper.h"
#include "widgets/WidgetResources.h"
#include "wizard/ColourPresets.h"
#include "wizard/WizardBevel.h"
#include "wizard/WizardPages.h"

using namespace WizardPages;

namespace {

constexpr TColor kCheckBoxColour = 0x00C8C8C8;
// The design colours of the wizard buttons, top and bottom, until the settings are read.
constexpr TColor kButtonLight = 0x00E0E0E0;
constexpr TColor kButtonShadow = clSilver;

const QString kCaption = QStringLiteral("Kestrix - Version 1.1");

int GroupIndex(unsigned bit) {
    int index = 0;
    while (bit > 1u) {
        bit >>= 1;
        ++index;
    }
    return index;
}

// The pictures of the widgets library are registered once, whatever the number of windows.
void InitResourcesOnce() {
    static const bool done = [] {
        InitWidgetResources();
        return true;
    }();
    Q_UNUSED(done);
}

QImage Picture(const char* name) {
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(name));
}

QFont InterfaceFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    return font;
}

}  // namespace

void TFormKestrix::CreateControls() {
    InitResourcesOnce();
    setObjectName(QStringLiteral("FormKestrix"));
    setWindowTitle(kCaption);
    setFixedSize(458, 343);
    setFont(InterfaceFont());
    setAutoFillBackground(true);
    SetWindowColour(0x00C8C8C8);

    CreateFrame();
    CreateButtons();
    CreateBackupPages();
    CreateOptionsPages();
    ConnectHandlers();
    NameControlsByTheirLabels();
    SetTabOrder();

    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (place.width() > 0) {
        label->setWordWrap(true);
        label->setGeometry(place);
    } else {
        label->move(place.topLeft());
        label->adjustSize();
    }
    return label;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, int left, int top,
                        const QString& hint, bool checked) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setGeometry(left, top, 13, 13);
    box->setToolTip(hint);
    box->setChecked(checked);
    // The boxes keep their own background whatever the window colour.
    QPalette colours = box->palette();
    colours.setColor(QPalette::Window, TColorToQColor(kCheckBoxColour));
    box->setPalette(colours);
    box->setAutoFillBackground(true);
    return box;
}

QRect At(int left, int top) {
    return QRect(left, top, 0, 0);
}

}  // namespace

void TFormKestrix::CreateFrame() {
    // Covers the whole client area and lies behind every other control.
    ZederuWallpaper = new TZederuWallpaper(this);
    ZederuWallpaper->setObjectName(QStringLiteral("ZederuWallpaper"));
    ZederuWallpaper->setAlignClient(true);
    ZederuWallpaper->setImage(Picture("texture.png"));
    ZederuWallpaper->setTransColor(0x02BFBFBF);

    ImageLogo = new QLabel(this);
    ImageLogo->setObjectName(QStringLiteral("ImageLogo"));
    ImageLogo->setGeometry(8, 8, 115, 330);
    ImageLogo->setAlignment(Qt::AlignCenter);
    ImageLogo->setPixmap(QPixmap::fromImage(Picture("logo.png")));
    BevelImage = MakeBevel(this, QStringLiteral("BevelImage"), QRect(8, 8, 115, 330),
                           WizardBevel::Shape::Box, QFrame::Sunken);

    LabelTitre = new QLabel(this);
    LabelTitre->setObjectName(QStringLiteral("LabelTitre"));
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    titleFont.setUnderline(true);
    LabelTitre->setFont(titleFont);
    LabelTitre->move(152, 10);

    BevelHaut = MakeBevel(this, QStringLiteral("BevelHaut"), QRect(152, 40, 289, 9),
                          WizardBevel::Shape::BottomLine, QFrame::Raised);
    BevelBas = MakeBevel(this, QStringLiteral("BevelBas"), QRect(152, 288, 289, 9),
                         WizardBevel::Shape::BottomLine, QFrame::Raised);
}

void TFormKestrix::CreateButtons() {
    // The creation order is the control order that decides which of two visible buttons with
    // the same accelerator letter acts: Parcourir before Précédent, Affichage before Aide.
    const auto make = [this](const char* name, const QString& caption, const QString& hint,
                             const char* glyph, int spacing, const QRect& place) {
        auto* button = new TZederuGradientButton(this);
        button->setObjectName(QLatin1String(name));
        button->setCaption(caption);
        button->setToolTip(hint);
        button->setLayout(TZederuGradientButton::blGlyphLeft);
        button->setVertical(true);
        button->setSpacing(spacing);
        if (glyph != nullptr) {
            button->setGlyph(Picture(glyph));
        }
        button->setLightColor(kButtonLight);
        button->setShadowColor(kButtonShadow);
        button->setGeometry(place);
        return button;
    };
    BtnParcourir = make("BtnParcourir", QStringLiteral("&Parcourir..."),
                        QStringLiteral("Parcourir à la recherche d'un dossier"), nullptr, 110,
                        QRect(152, 174, 289, 25));
    BtnOptionsGen = make("BtnOptionsGen", QStringLiteral("&Général      "),
                         QStringLiteral("Configurer les options générales du programme"),
                         "optgen.png", 25, QRect(152, 60, 93, 25));
    BtnOptionsAff =
        make("BtnOptionsAff", QStringLiteral("&Affichage      "),
             QStringLiteral("Configurer les options relatives à l'apparence du programme"),
             "optaff.png", 25, QRect(250, 60, 93, 25));
    BtnOptionsEnreg =
        make("BtnOptionsEnreg", QStringLiteral("&Paramètres       "),
             QStringLiteral(
                 "Configurer les options relatives à l'enregistrement des paramètres de Kestrix"),
             "optenreg.png", 25, QRect(348, 60, 93, 25));
    BtnOptionsDefault =
        make("BtnOptionsDefault", QStringLiteral("Paramètres par défaut"),
             QStringLiteral("Restaurer les couleurs par défaut de Windows ou du logiciel"), nullptr,
             15, QRect(296, 252, 133, 21));
    BtnAide = make("BtnAide", QStringLiteral("&Aide       "),
                   QStringLiteral("Affiche la boite A propos du programme (informations sur le "
                                  "logiciel, l'auteur...)"),
                   "aide.png", 25, QRect(384, 10, 57, 25));
    BtnSuivant = make("BtnSuivant", QStringLiteral("&Suivant       "),
                      QStringLiteral("Passer à l'étape suivante"), "suivant.png", 25,
                      QRect(250, 310, 90, 25));
    BtnPrecedent = make("BtnPrecedent", QStringLiteral("&Précédent       "),
                        QStringLiteral("Retourner à l'étape précédente"), "precedent.png", 25,
                        QRect(148, 310, 93, 25));
    BtnOptions = make("BtnOptions", QStringLiteral("&Options      "),
                      QStringLiteral("Afficher et configurer les options du programme"),
                      "options.png", 25, QRect(148, 310, 93, 25));
    BtnValider = make("BtnValider", QStringLiteral("&Valider"),
                      QStringLiteral("Valider les modifications apportées"), "valider.png", 20,
                      QRect(148, 310, 192, 25));
    BtnDemarrer = make("BtnDemarrer", QStringLiteral("&Démarrer     "),
                       QStringLiteral("Démarre la création de la sauvegarde"), "demarrer.png", 20,
                       QRect(250, 310, 90, 25));
    BtnRapport = make("BtnRapport", QStringLiteral("&Rapport       "),
                      QStringLiteral("Voir le rapport de Kestrix dans le Bloc-Notes"),
                      "rapport.png", 25, QRect(250, 310, 90, 25));
    BtnQuitter = make("BtnQuitter", QStringLiteral("&Quitter      "),
                      QStringLiteral("Ferme et quitte le logiciel"), "quitter.png", 25,
                      QRect(350, 310, 90, 25));

    buttonGroups_[GroupIndex(kAide)] = {BtnAide};
    buttonGroups_[GroupIndex(kDemarrer)] = {BtnDemarrer};
    buttonGroups_[GroupIndex(kRapport)] = {BtnRapport};
    buttonGroups_[GroupIndex(kValider)] = {BtnValider};
    buttonGroups_[GroupIndex(kSuivant)] = {BtnSuivant};
    buttonGroups_[GroupIndex(kPrecedent)] = {BtnPrecedent};
    buttonGroups_[GroupIndex(kParcourir)] = {BtnParcourir};
    buttonGroups_[GroupIndex(kOptionsDefault)] = {BtnOptionsDefault};
    buttonGroups_[GroupIndex(kOptions)] = {BtnOptions};
    buttonGroups_[GroupIndex(kOptionsTabs)] = {BtnOptionsGen, BtnOptionsAff, BtnOptionsEnreg};
}

void TFormKestrix::CreateBackupPages() {
    auto& texts = textGroups_;
    const auto label = [this](const char* name, const QString& text, const QRect& place) {
        return MakeLabel(this, QLatin1String(name), text, place);
    };

    texts[GroupIndex(kWelcomeTexts)] = {
        label("LabelStep1Num1",
              QStringLiteral("Bienvenue dans Kestrix. Ce programme va vous permettre de "
                             "sauvegarder les fichiers système les plus importants pour le "
                             "fonctionnement de Windows."),
              QRect(152, 80, 281, 39)),
        label("LabelStep1Num2",
              QStringLiteral("Vous pourrez alors restaurer votre configuration Windows d'origine "
                             "au cas où le système refuserait de démarrer."),
              QRect(152, 136, 272, 26)),
        label("LabelStep1Num3",
              QStringLiteral("Cet assistant va vous guider pas à pas dans la création de votre "
                             "sauvegarde. Vous pouvez à tout moment consulter l'aide ou quitter "
                             "l'application en cas de besoin."),
              QRect(152, 176, 278, 39)),
        label("LabelStep1Num4",
              QStringLiteral("Pour commencer la sauvegarde, cliquez sur Suivant."),
              QRect(152, 248, 248, 13)),
    };

    texts[GroupIndex(kDestinationTexts)] = {
        label("LabelStep2Num1",
              QStringLiteral("Indiquez ci-dessous le répertoire où créer la sauvegarde. Ce "
                             "répertoire sera automatiquement créé s'il n'existe pas."),
              QRect(152, 80, 285, 26)),
        label("LabelStep2Num2",
              QStringLiteral("Pour mettre à jour une sauvegarde déjà existante, indiquez "
                             "simplement son emplacement actuel."),
              QRect(152, 224, 279, 26)),
    };
    EditChemin_ = new QLineEdit(QStringLiteral("/var/backups/Save"), this);
    EditChemin_->setObjectName(QStringLiteral("EditChemin"));
    EditChemin_->setGeometry(152, 136, 289, 21);
    EditChemin_->setToolTip(
        QStringLiteral("Entrez ici le chemin complet du répertoire où placer la sauvegarde"));
    controlGroups_[GroupIndex(kEditChemin)] = {EditChemin_};

    texts[GroupIndex(kParcourirText)] = {
        label("LabelStepParcourir",
              QStringLiteral("Sélectionnez ci-dessous le répertoire où créer la sauvegarde."),
              QRect(152, 64, 287, 13))};
    SystemTreeViewParcourir = new TSystemTreeView(this);
    SystemTreeViewParcourir->setObjectName(QStringLiteral("SystemTreeViewParcourir"));
    SystemTreeViewParcourir->setGeometry(152, 96, 289, 153);
    SystemTreeViewParcourir->setIndentation(19);
    SystemTreeViewParcourir->setToolTip(
        QStringLiteral("Sélectionnez le dossier où créer la sauvegarde et cliquez sur Valider"));
    SystemTreeViewParcourir->setSelection(QStringLiteral("/"));
    SystemTreeViewParcourir->setErrorHandler(
        [this](const QString& text) { ShowMessage(MessageIcon::Error, MessageButtons::Ok, text); });
    controlGroups_[GroupIndex(kTreeViewParcourir)] = {SystemTreeViewParcourir};

    texts[GroupIndex(kStep3Text)] = {
        label("LabelStep3",
              QStringLiteral("Cochez dans la liste ci-dessous les fichiers que vous voulez placer "
                             "dans la sauvegarde et décochez les autres."),
              QRect(152, 72, 283, 26))};
    CheckListBoxFiles = new QListWidget(this);
    CheckListBoxFiles->setObjectName(QStringLiteral("CheckListBoxFiles"));
    CheckListBoxFiles->setGeometry(152, 120, 289, 153);
    CheckListBoxFiles->setToolTip(
        QStringLiteral("Cochez dans cette liste les fichiers à mettre dans la sauvegarde"));
    controlGroups_[GroupIndex(kCheckListBoxFiles)] = {CheckListBoxFiles};

    CheckBoxAutoexec =
        MakeCheckBox(this, QStringLiteral("CheckBoxAutoexec"), 152, 176,
                     QStringLiteral("Cochez cette case si vous souhaitez créer un fichier "
                                    "Autoexec.at"),
                     false);
    checkBoxGroups_[GroupIndex(kAutoexecBox)] = {CheckBoxAutoexec};
    texts[GroupIndex(kBootFileTexts)] = {
        label("LabelStep4Num1", QStringLiteral("Souhaitez vous créer un fichier Autoexec.bat ?"),
              QRect(152, 72, 221, 13)),
        label("LabelStep4Num2",
              QStringLiteral("C'est un fichier qui permet, lorsque la sauvegarde est créée sur "
                             "disquette, de lancer automatiquement le programme de restauration "
                             "des fichiers si vous placez la disquette dans votre lecteur au "
                             "démarrage de l'ordinateur."),
              QRect(152, 104, 281, 52)),
        label("LabelStep4Num3",
              QStringLiteral("Cette option n'est vraiment utile que si vous créez votre "
                             "sauvegarde sur une disquette."),
              QRect(152, 208, 263, 26)),
        label("LabelStep4Num4", QStringLiteral("Créer un fichier Autoexec.bat avec la sauvegarde"),
              QRect(168, 176, 234, 13)),
        label("LabelStep4Num5", QStringLiteral("Cliquez sur Démarrer pour créer la sauvegarde."),
              QRect(152, 256, 221, 13)),
    };

    LabelStatus = label(
        "LabelStatus", QStringLiteral("Etape 1 sur 2 : Ecriture des informations de configuration"),
        QRect(152, 136, 266, 13));
    LabelCopyFile = label("LabelCopyFile", QStringLiteral("Copie de <Fichier>"), At(152, 228));
    LabelFileSize = label("LabelFileSize", QStringLiteral("<Taille> Ko / <Taille> Ko"),
                          QRect(323, 228, 117, 13));
    LabelFileSize->setAlignment(Qt::AlignRight | Qt::AlignTop);
    texts[GroupIndex(kBackupTexts)] = {
        label("LabelStep5Num1", QStringLiteral("Kestrix crée maintenant votre sauvegarde système."),
              QRect(152, 96, 245, 13)),
        LabelStatus, LabelCopyFile, LabelFileSize};
    GradProgressFile = new TGradProgress(this);
    GradProgressFile->setObjectName(QStringLiteral("GradProgressFile"));
    GradProgressFile->setGeometry(152, 184, 289, 25);
    GradProgressFile->setStyle(TGradProgress::gsHorizontal);
    GradProgressFile->setBevelStyle(TGradProgress::bsRaised);
    GradProgressFile->setBevelWidth(1);
    GradProgressFile->setMaxValue(100);
    GradProgressFile->setStep(1);
    GradProgressFile->setShowPercent(true);
    GradProgressFile->setBackColor(clBtnFace);
    GradProgressFile->setFontColor(clWhite);
    GradProgressFile->setStartColor(0x00004000);
    GradProgressFile->setEndColor(0x0080FF80);
    {
        // The percentage in the toolkit's default face, 11 pixels high.
        QFont percentFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        percentFont.setPixelSize(11);
        GradProgressFile->setFont(percentFont);
    }
    controlGroups_[GroupIndex(kGradProgressFile)] = {GradProgressFile};

    LabelStep6Num1 = label("LabelStep6Num1", QString(), QRect(152, 76, 211, 13));
    SetEndPageOutcome(true);
    texts[GroupIndex(kEndTexts)] = {
        LabelStep6Num1,
        label("LabelStep6Num2",
              QStringLiteral("Pour restaurer les fichiers copiés, vous devez lancer le programme "
                             "de restauration (Restore.exe) se trouvant dans le répertoire de la "
                             "sauvegarde. Il doit être exécuté sous Dos."),
              QRect(152, 113, 284, 39)),
        label("LabelStep6Num3",
              QStringLiteral("Kestrix a créé un rapport, dans lequel il a fait un résumé des "
                             "opérations importantes qu'il a effectuées. Cliquez sur le bouton "
                             "Rapport pour le voir avec le Bloc-Notes."),
              QRect(152, 172, 277, 39)),
        label("LabelStep6Num4",
              QStringLiteral("Cliquez sur Précédent pour redémarrer une sauvegarde, sinon cliquez "
                             "sur Quitter pour sortir du programme."),
              QRect(152, 239, 266, 26)),
    };
}

void TFormKestrix::CreateOptionsPages() {
    auto& texts = textGroups_;
    const auto label = [this](const char* name, const QString& text, const QRect& place) {
        return MakeLabel(this, QLatin1String(name), text, place);
    };
    const auto centred = [&](const char* name, const QString& text, const QRect& place) {
        QLabel* l = label(name, text, place);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return l;
    };

    controlGroups_[GroupIndex(kBevelOptions)] = {
        MakeBevel(this, QStringLiteral("BevelOptions"), QRect(152, 98, 289, 185),
                  WizardBevel::Shape::Box, QFrame::Raised)};

    // General options.
    controlGroups_[GroupIndex(kBevelTrackBar)] = {
        MakeBevel(this, QStringLiteral("BevelTrackBar"), QRect(279, 111, 152, 35),
                  WizardBevel::Shape::Box, QFrame::Sunken)};
    TrackBarVitesse = new QSlider(Qt::Horizontal, this);
    TrackBarVitesse->setObjectName(QStringLiteral("TrackBarVitesse"));
    TrackBarVitesse->setGeometry(280, 112, 150, 33);
    TrackBarVitesse->setRange(BlockSize::kMinPosition, BlockSize::kMaxPosition);
    TrackBarVitesse->setValue(BlockSize::kDefaultPosition);
    TrackBarVitesse->setTickPosition(QSlider::TicksBelow);
    TrackBarVitesse->setTickInterval(1);
    TrackBarVitesse->setPageStep(1);
    TrackBarVitesse->setToolTip(
        QStringLiteral("Déplacez le curseur pour régler la taille des blocs fichiers"));
    controlGroups_[GroupIndex(kTrackBarVitesse)] = {TrackBarVitesse};
    LabelOptions1Desc =
        centred("LabelOptions1Desc", QStringLiteral("Description"), QRect(160, 130, 110, 13));
    texts[GroupIndex(kGeneralOptionsTexts)] = {
        label("LabelOptions1Num1", QStringLiteral("Taille des blocs fichier :"),
              QRect(160, 114, 110, 13)),
        LabelOptions1Desc,
        label("LabelOptions1Num2",
              QStringLiteral("Ce paramètre vous permet de définir la vitesse à laquelle seront "
                             "copiés vos fichiers par Kestrix."),
              QRect(160, 162, 268, 26)),
        label("LabelOptions1Num3",
              QStringLiteral("Plus la valeur exprimée en Ko est élevée, plus la vitesse de "
                             "transfert des fichiers est haute."),
              QRect(160, 202, 266, 26)),
        label("LabelOptions1Num4",
              QStringLiteral("Sachez cependant que plus la vitesse est élevée, plus votre "
                             "processeur travaille et moins le débit est fluide."),
              QRect(160, 242, 260, 26)),
    };

    // Display options.
    const auto combo = [this](ColourBox box, const char* name, TColor value, const QRect& place) {
        auto* c = new TTintoColorComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setLanguage(TTintoColorComboBox::lgFrench);
        c->setShowSysColors(true);
        c->setColorValue(value);
        c->setGeometry(place);
        colourBoxes_[box] = c;
        controlGroups_[GroupIndex(kColourCombos)].push_back(c);
    };
    combo(ColourBox::Fond, "TintoColorComboBoxFond", clBtnFace, QRect(297, 110, 135, 22));
    combo(ColourBox::ButtonHaut, "TintoColorComboBoxButtonHaut", 0x00E0E0E0,
          QRect(297, 140, 135, 22));
    combo(ColourBox::ButtonBas, "TintoColorComboBoxButtonBas", clSilver, QRect(297, 164, 135, 22));
    combo(ColourBox::BarDebut, "TintoColorComboBoxBarDebut", 0x00004000, QRect(297, 196, 135, 22));
    combo(ColourBox::BarFin, "TintoColorComboBoxBarFin", 0x0080FF80, QRect(297, 220, 135, 22));
    CheckBoxOptions2Texture =
        MakeCheckBox(this, QStringLiteral("CheckBoxOptions2Texture"), 160, 258, QString(), true);
    // The preset menu belongs to no control: BtnOptionsDefault only opens it under itself.
    MenuOptionsAffichage = new QMenu(this);
    MenuOptionsAffichage->setObjectName(QStringLiteral("MenuOptionsAffichage"));
    for (int i = 0; i < ColourPresets::kCount; ++i) {
        const ColourPreset& preset = ColourPresets::At(i);
        QAction* item = MenuOptionsAffichage->addAction(QString::fromUtf16(preset.caption));
        item->setObjectName(QLatin1String(preset.name));
        connect(item, &QAction::triggered, this, [this, i] { ApplyColourPreset(i); });
    }
    BtnOptionsDefault->setDropDownMenu(MenuOptionsAffichage);
    checkBoxGroups_[GroupIndex(kTextureBox)] = {CheckBoxOptions2Texture};
    texts[GroupIndex(kDisplayOptionsTexts)] = {
        centred("LabelOptions2Num1", QStringLiteral("Couleur des fenêtres :"), At(160, 114)),
        centred("LabelOptions2Num2", QStringLiteral("Couleur des boutons (haut) :"), At(160, 145)),
        centred("LabelOptions2Num3", QStringLiteral("Couleur des boutons (bas) :"), At(160, 168)),
        centred("LabelOptions2Num4", QStringLiteral("Couleur de la barre (début) :"), At(162, 202)),
        centred("LabelOptions2Num5", QStringLiteral("Couleur de la barre (fin) :"), At(162, 226)),
        centred("LabelOptions2Num6", QStringLiteral("Texture de fond"), At(180, 258)),
    };

    // Saving options.
    controlGroups_[GroupIndex(kBevelsOptions3)] = {
        MakeBevel(this, QStringLiteral("BevelOptions3Num1"), QRect(160, 128, 137, 77),
                  WizardBevel::Shape::Box, QFrame::Raised),
        MakeBevel(this, QStringLiteral("BevelOptions3Num2"), QRect(160, 218, 137, 57),
                  WizardBevel::Shape::Box, QFrame::Raised),
        MakeBevel(this, QStringLiteral("BevelOptions3Num3"), QRect(304, 128, 129, 147),
                  WizardBevel::Shape::Box, QFrame::Raised),
        MakeBevel(this, QStringLiteral("BevelOptions3Num4"), QRect(312, 208, 113, 9),
                  WizardBevel::Shape::BottomLine, QFrame::Raised),
    };
    const auto saveBox = [this](SaveFlag flag, const char* name, int left, int top) {
        QCheckBox* box = MakeCheckBox(this, QLatin1String(name), left, top, QString(), true);
        saveBoxes_[flag] = box;
        return box;
    };
    // In the order of the saving-page group.
    checkBoxGroups_[GroupIndex(kSavingBoxes)] = {
        saveBox(SaveFlag::WinColor, "CheckBoxOptions3WinColor", 312, 162),
        saveBox(SaveFlag::Texture, "CheckBoxOptions3Texture", 312, 186),
        saveBox(SaveFlag::BtnColor, "CheckBoxOptions3BtnColor", 312, 232),
        saveBox(SaveFlag::BarColor, "CheckBoxOptions3BarColor", 312, 255),
        saveBox(SaveFlag::RepName, "CheckBoxOptions3RepName", 168, 162),
        saveBox(SaveFlag::Autoexec, "CheckBoxOptions3Autoexec", 168, 186),
        saveBox(SaveFlag::Vitesse, "CheckBoxOptions3Vitesse", 168, 255),
    };
    texts[GroupIndex(kSavingOptionsTexts)] = {
        centred("LabelOptions3Num1",
                QStringLiteral("Paramètres à sauvegarder à la fermeture du programmme :"),
                QRect(160, 104, 275, 13)),
        label("LabelOptions3Num2", QStringLiteral("Paramètres sauvegarde :"), At(168, 136)),
        label("LabelOptions3Num3", QStringLiteral("Nom du répertoire"), At(185, 162)),
        label("LabelOptions3Num4", QStringLiteral("Création Autoexec.bat"), At(185, 186)),
        label("LabelOptions3Num5", QStringLiteral("Paramètres généraux"), At(176, 226)),
        label("LabelOptions3Num6", QStringLiteral("Taille des blocs fichier"), At(184, 255)),
        label("LabelOptions3Num7", QStringLiteral("Paramètres d'affichage :"), At(312, 136)),
        label("LabelOptions3Num8", QStringLiteral("Couleur des fenêtres"), At(329, 162)),
        label("LabelOptions3Num9", QStringLiteral("Utilisation de texture"), At(329, 186)),
        label("LabelOptions3Num10", QStringLiteral("Couleur des boutons"), At(329, 232)),
        label("LabelOptions3Num11", QStringLiteral("Couleur de la barre"), At(329, 255)),
    };

    // The page frames lie behind the controls they frame (BtnOptionsDefault sits inside
    // BevelOptions), and the wallpaper behind everything.
    for (const unsigned group : {kBevelOptions, kBevelsOptions3, kBevelTrackBar}) {
        for (QWidget* bevel : controlGroups_[GroupIndex(group)]) {
            bevel->lower();
        }
    }
    ZederuWallpaper->lower();
}

void TFormKestrix::ConnectHandlers() {
    const auto on = [this](TZederuGradientButton* button, void (TFormKestrix::*handler)()) {
        connect(button, &TZederuGradientButton::clicked, this,
                [this, handler] { (this->*handler)(); });
    };
    on(BtnSuivant, &TFormKestrix::BtnSuivantClick);
    on(BtnPrecedent, &TFormKestrix::BtnPrecedentClick);
    on(BtnParcourir, &TFormKestrix::BtnParcourirClick);
    on(BtnValider, &TFormKestrix::BtnValiderClick);
    on(BtnDemarrer, &TFormKestrix::BtnDemarrerClick);
    on(BtnRapport, &TFormKestrix::BtnRapportClick);
    on(BtnOptions, &TFormKestrix::BtnOptionsClick);
    on(BtnOptionsGen, &TFormKestrix::BtnOptionsGenClick);
    on(BtnOptionsAff, &TFormKestrix::BtnOptionsAffClick);
    on(BtnOptionsEnreg, &TFormKestrix::BtnOptionsEnregClick);
    on(BtnAide, &TFormKestrix::BtnAideClick);
    on(BtnQuitter, &TFormKestrix::BtnQuitterClick);
    connect(CheckBoxOptions2Texture, &QCheckBox::clicked, this,
            [this] { CheckBoxOptions2TextureClick(); });
    const auto onColour = [this](ColourBox box, void (TFormKestrix::*handler)()) {
        connect(colourBoxes_.at(box), &TTintoColorComboBox::changed, this,
                [this, handler] { (this->*handler)(); });
    };
    onColour(ColourBox::Fond, &TFormKestrix::TintoColorComboBoxFondChange);
    onColour(ColourBox::ButtonHaut, &TFormKestrix::TintoColorComboBoxButtonHautChange);
    onColour(ColourBox::ButtonBas, &TFormKestrix::TintoColorComboBoxButtonBasChange);
    onColour(ColourBox::BarDebut, &TFormKestrix::TintoColorComboBoxBarDebutChange);
    onColour(ColourBox::BarFin, &TFormKestrix::TintoColorComboBoxBarFinChange);
    // A backup in progress reads its block size again at each block.
    connect(TrackBarVitesse, &QSlider::valueChanged, this,
            [this](int position) { job_.trackBarPosition = position; });
}

void TFormKestrix::NameControlsByTheirLabels() {
    // A screen reader names an edit box, a list, the folder tree, a slider, a combo box or a
    // check box by the label beside it (without its closing colon).
    const struct {
        const char* control;
        const char* label;
    } kNames[] = {
        {"EditChemin", "LabelStep2Num1"},
        {"SystemTreeViewParcourir", "LabelStepParcourir"},
        {"CheckListBoxFiles", "LabelStep3"},
        {"CheckBoxAutoexec", "LabelStep4Num4"},
        {"TrackBarVitesse", "LabelOptions1Num1"},
        {"TintoColorComboBoxFond", "LabelOptions2Num1"},
        {"TintoColorComboBoxButtonHaut", "LabelOptions2Num2"},
        {"TintoColorComboBoxButtonBas", "LabelOptions2Num3"},
        {"TintoColorComboBoxBarDebut", "LabelOptions2Num4"},
        {"TintoColorComboBoxBarFin", "LabelOptions2Num5"},
        {"CheckBoxOptions2Texture", "LabelOptions2Num6"},
        {"CheckBoxOptions3RepName", "LabelOptions3Num3"},
        {"CheckBoxOptions3Autoexec", "LabelOptions3Num4"},
        {"CheckBoxOptions3Vitesse", "LabelOptions3Num6"},
        {"CheckBoxOptions3WinColor", "LabelOptions3Num8"},
        {"CheckBoxOptions3Texture", "LabelOptions3Num9"},
        {"CheckBoxOptions3BtnColor", "LabelOptions3Num10"},
        {"CheckBoxOptions3BarColor", "LabelOptions3Num11"},
    };
    for (const auto& name : kNames) {
        auto* control = findChild<QWidget*>(QLatin1String(name.control));
        auto* label = findChild<QLabel*>(QLatin1String(name.label));
        QString text = label->text();
        if (text.endsWith(QLatin1Char(':'))) {
            text.chop(1);
        }
        control->setAccessibleName(text.trimmed());
        label->setBuddy(control);
    }
    // The hints are what a screen reader gives as descriptions, also for the list and the
    // combo boxes, whose interfaces do not read tooltips.
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->toolTip().isEmpty()) {
            control->setAccessibleDescription(control->toolTip());
        }
    }
}

void TFormKestrix::SetTabOrder() {
    // Each page from top to bottom and, along a row, from left to right; hidden controls are
    // skipped, so one chain serves every page.
    const char* const kOrder[] = {
        "BtnAide",
        "BtnOptionsGen",
        "BtnOptionsAff",
        "BtnOptionsEnreg",
        "EditChemin",
        "BtnParcourir",
        "SystemTreeViewParcourir",
        "CheckListBoxFiles",
        "CheckBoxAutoexec",
        "TrackBarVitesse",
        "TintoColorComboBoxFond",
        "TintoColorComboBoxButtonHaut",
        "TintoColorComboBoxButtonBas",
        "TintoColorComboBoxBarDebut",
        "TintoColorComboBoxBarFin",
        "CheckBoxOptions2Texture",
        "BtnOptionsDefault",
        "CheckBoxOptions3RepName",
        "CheckBoxOptions3WinColor",
        "CheckBoxOptions3Autoexec",
        "CheckBoxOptions3Texture",
        "CheckBoxOptions3BtnColor",
        "CheckBoxOptions3Vitesse",
        "CheckBoxOptions3BarColor",
        "BtnPrecedent",
        "BtnOptions",
        "BtnValider",
        "BtnSuivant",
        "BtnDemarrer",
        "BtnRapport",
        "BtnQuitter",
    };
    QWidget* previous = nullptr;
    for (const char* name : kOrder) {
        auto* control = findChild<QWidget*>(QLatin1String(name));
        if (previous != nullptr) {
            setTabOrder(previous, control);
        }
        previous = control;
    }
}
