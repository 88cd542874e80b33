#include "widgets/TintoColorNames.h"

#include "widgets/SystemColours.h"

#include <array>

namespace {

struct Identifier {
    TColor value;
    const char* name;
};

const std::array<Identifier, 42> kIdentifiers = {{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
    {clMenuText, "clMenuText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
}};

// Names by language, in the order of TTintoColorComboBox::TCLanguage: French, Danish, English,
// Portuguese, System. Entries 16 to 41 in Danish are the English names.
const char* const kFrench[kTintoEntryCount] = {"Noir",
                                               "Marron",
                                               "Vert",
                                               "Olive",
                                               "Bleu Marine",
                                               "Mauve",
                                               "Bleu-Vert",
                                               "Gris",
                                               "Argent",
                                               "Rouge",
                                               "Vert Clair",
                                               "Jaune",
                                               "Bleu",
                                               "Violet",
                                               "Bleu Cyan",
                                               "Blanc",
                                               "Barre Scrolling",
                                               "Bureau",
                                               "Intitulé Actif",
                                               "Intitulé Inactif",
                                               "Menu",
                                               "Fenêtre",
                                               "Cadre Fenêtre",
                                               "Texte Fenêtre",
                                               "Texte Menu",
                                               "Texte Intitulé",
                                               "Bordure Active",
                                               "Bordure Inactive",
                                               "Espace Travail",
                                               "Surbrillance",
                                               "Texte Sélect.",
                                               "Bouton",
                                               "Ombre Bouton",
                                               "Texte Grisé",
                                               "Texte Bouton",
                                               "Texte Intitulé",
                                               "Bouton Sélect.",
                                               "Ombre 3D",
                                               "Lumière 3D",
                                               "Texte Info-Bulle",
                                               "Fond Info-Bulle",
                                               "Aucune",
                                               "Personnalisée..."};

const char* const kEnglish[kTintoEntryCount] = {"Black",
                                                "Maroon",
                                                "Green",
                                                "Olive",
                                                "Navy",
                                                "Purple",
                                                "Teal",
                                                "Gray",
                                                "Silver",
                                                "Red",
                                                "Lime",
                                                "Yellow",
                                                "Blue",
                                                "Fuchsia",
                                                "Aqua",
                                                "White",
                                                "Scrollbar",
                                                "Desktop",
                                                "Active Caption",
                                                "Inact. Caption",
                                                "Menu",
                                                "Window",
                                                "Window Frame",
                                                "Window Text",
                                                "Menu Text",
                                                "Caption Text",
                                                "Active Border",
                                                "Inactive Border",
                                                "Work Space",
                                                "Highlight",
                                                "Highlight Text",
                                                "Button",
                                                "Button Shadow",
                                                "Grayed Text",
                                                "Button Text",
                                                "Caption Text",
                                                "Highlight Button",
                                                "3D Shadow",
                                                "3D Light",
                                                "Hint Text",
                                                "Hint Background",
                                                "None",
                                                "More..."};

const char* const kDanishOwn[kTintoBasicCount] = {
    "Sort",       "Rødbrun",    "Grøn",     "Olivenfarve", "Marineblåt", "Lilla",
    "Dystergrøn", "Grå",        "Sølvgrå",  "Rød",         "Neon Grøn",  "Gul",
    "Blå",        "Neon Lilla", "Vandblåt", "Hvid"};

const char* const kPortuguese[kTintoEntryCount] = {"Preto",
                                                   "Marron",
                                                   "Verde",
                                                   "Oliva",
                                                   "Azul Escuro",
                                                   "Roxo",
                                                   "Azul-petróleo",
                                                   "Cinza",
                                                   "Prata",
                                                   "Vermelho",
                                                   "Limão",
                                                   "Amarelo",
                                                   "Azul",
                                                   "Rosa",
                                                   "Turquesa",
                                                   "Branco",
                                                   "Barra de rolagem",
                                                   "Área de trabalho",
                                                   "Barra título Ativa",
                                                   "Barra título Inativa",
                                                   "Menu",
                                                   "Janela",
                                                   "Borda da janela",
                                                   "Texto da janela",
                                                   "Texto de Menu",
                                                   "Texto da legenda",
                                                   "Borda Ativa",
                                                   "Borda Inativa",
                                                   "Área de Trabalho",
                                                   "Destaque",
                                                   "Texto em destaque",
                                                   "Botão",
                                                   "Sombra do botão",
                                                   "Texto inativo",
                                                   "Botão de texto",
                                                   "Texto da legenda",
                                                   "Botão destacado",
                                                   "Sombra 3D",
                                                   "Iluminado 3D",
                                                   "Texto de dicas",
                                                   "Fundo de dicas",
                                                   "Nenhum",
                                                   "Mais..."};

const char* const kSystem[kTintoEntryCount] = {
    "clBlack",         "clMaroon",       "clGreen",          "clOlive",         "clNavy",
    "clPurple",        "clTeal",         "clGray",           "clSilver",        "clRed",
    "clLime",          "clYellow",       "clBlue",           "clFuchsia",       "clAqua",
    "clWhite",         "clScrollBar",    "clBackground",     "clActiveCaption", "clInactiveCaption",
    "clMenu",          "clWindow",       "clWindowFrame",    "clWindowText",    "clMenuText",
    "clCaptionText",   "clActiveBorder", "clInactiveBorder", "clAppWorkSpace",  "clHighlight",
    "clHighlightText", "clBtnFace",      "clBtnShadow",      "clGrayText",      "clBtnText",
    "clCaptionText",   "clBtnHighlight", "cl3DDkShadow",     "cl3DLight",       "clInfoText",
    "clInfoBk",        "clNone",         "clCustom"};

}  // namespace

TColor TintoEntryValue(int entry) {
    if (entry >= 0 && entry < static_cast<int>(kIdentifiers.size())) {
        return kIdentifiers[static_cast<size_t>(entry)].value;
    }
    return kTintoCustomStart;
}

QString TintoEntryName(int language, int entry) {
    if (entry < 0 || entry >= kTintoEntryCount) {
        return QString();
    }
    const char* name = nullptr;
    switch (language) {
        case 0:
            name = kFrench[entry];
            break;
        case 1:
            name = entry < kTintoBasicCount        ? kDanishOwn[entry]
                   : entry == kTintoEntryCount - 1 ? "Andre..."
                                                   : kEnglish[entry];
            break;
        case 2:
            name = kEnglish[entry];
            break;
        case 3:
            name = kPortuguese[entry];
            break;
        default:
            name = kSystem[entry];
            break;
    }
    return QString::fromUtf8(name);
}

QString ColorToText(TColor colour) {
    for (const Identifier& id : kIdentifiers) {
        if (id.value == colour) {
            return QString::fromLatin1(id.name);
        }
    }
    return QStringLiteral("$%1")
        .arg(static_cast<quint32>(colour), 8, 16, QLatin1Char('0'))
        .toUpper();
}

bool TextToColor(const QString& text, TColor* colour) {
    for (const Identifier& id : kIdentifiers) {
        if (text.compare(QLatin1String(id.name), Qt::CaseInsensitive) == 0) {
            *colour = id.value;
            return true;
        }
    }
    bool ok = false;
    quint32 value = 0;
    if (text.startsWith(QLatin1Char('$'))) {
        const QString digits = text.mid(1);
        ok = !digits.isEmpty() && digits.size() <= 8;
        value = ok ? digits.toUInt(&ok, 16) : 0;
    } else {
        const int decimal = text.toInt(&ok, 10);
        value = static_cast<quint32>(decimal);
    }
    if (ok) {
        *colour = static_cast<TColor>(value);
    }
    return ok;
}

QString WebNotation(TColor colour) {
    const QString hex = QStringLiteral("%1")
                            .arg(static_cast<quint32>(ColorToRGB(colour)), 6, 16, QLatin1Char('0'))
                            .toUpper();
    return QLatin1Char('#') + hex.mid(4, 2) + hex.mid(2, 2) + hex.mid(0, 2);
}
