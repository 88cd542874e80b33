#include "SettingsReportLines.h"

QStringList DisplayLines(const QString& texture) {
    return {QStringLiteral(" - Paramètres généraux et d'affichage"),
            QStringLiteral(" * Usage de la texture  : ") + texture,
            QStringLiteral(" * Taille des blocs     : 3 (20 Ko - Normal)")};
}

QStringList DefaultReadLines(const QString& number) {
    return DisplayLines() +
           QStringList{QStringLiteral(" * Couleurs de la barre : $00004000, $0080FF80"),
                       QStringLiteral(" * Couleur des fenêtres : clBtnFace"),
                       QStringLiteral(" * Couleurs des boutons : $00E0E0E0, clSilver"),
                       QString(),
                       QStringLiteral(" - Paramètres à enregistrer à la fermeture du programme"),
                       QStringLiteral(" * Création d'Autoexec.bat   : Oui"),
                       QStringLiteral(" * Nom du répertoire utilisé : Oui"),
                       QStringLiteral(" * Couleurs des boutons      : Oui"),
                       QStringLiteral(" * Couleurs de la barre      : Oui"),
                       QStringLiteral(" * Couleur des fenêtres      : Oui"),
                       QStringLiteral(" * Taille des blocs fichier  : Oui"),
                       QStringLiteral(" * Utilisation de la texture : Oui"),
                       QString(),
                       QStringLiteral(" - Paramètres de la dernière sauvegarde"),
                       QStringLiteral(" * Créer un Autoexec.bat  : Non"),
                       QStringLiteral(" * Répertoire destination : /var/backups/Save"),
                       QString(),
                       QStringLiteral(" - Autres paramètres"),
                       QStringLiteral(" * Numéro de rapport courant : ") + number};
}

QStringList WriteOpening() {
    const QString title = QStringLiteral(" # Ecriture des paramètres vers le fichier Ini");
    return {QString(),
            QString(62, QLatin1Char('~')),
            QString(),
            title,
            QLatin1Char(' ') + QString(title.size() - 1, QLatin1Char('-')),
            QString()};
}

QStringList WriteLines(const QString& number, const QStringList& status, const QStringList& flags) {
    const auto s = [&](int i) {
        return status.isEmpty() ? QStringLiteral("Enregistré") : status[i];
    };
    const auto f = [&](int i) { return flags.isEmpty() ? QStringLiteral("Oui") : flags[i]; };
    return WriteOpening() +
           QStringList{QStringLiteral(" - Paramètres de la sauvegarde"),
                       QStringLiteral(" * Création d'Autoexec.bat   : ") + s(0),
                       QStringLiteral(" * Nom du répertoire utilisé : ") + s(1),
                       QString(),
                       QStringLiteral(" - Paramètres généraux et d'affichage"),
                       QStringLiteral(" * Utilisation de la texture : ") + s(2),
                       QStringLiteral(" * Taille des blocs fichier  : ") + s(3),
                       QStringLiteral(" * Couleur des fenêtres      : ") + s(4),
                       QStringLiteral(" * Couleur de la barre       : ") + s(5),
                       QStringLiteral(" * Couleur des boutons       : ") + s(6),
                       QString(),
                       QStringLiteral(" - Paramètres d'enregistrement"),
                       QStringLiteral(" * Création d'Autoexec.bat   : ") + f(0),
                       QStringLiteral(" * Nom du répertoire utilisé : ") + f(1),
                       QStringLiteral(" * Couleurs des boutons      : ") + f(2),
                       QStringLiteral(" * Couleurs de la barre      : ") + f(3),
                       QStringLiteral(" * Couleur de la fenêtre     : ") + f(4),
                       QStringLiteral(" * Utilisation de la texture : ") + f(5),
                       QStringLiteral(" * Taille des blocs fichier  : ") + f(6),
                       QString(),
                       QStringLiteral(" - Autres paramètres"),
                       QStringLiteral(" * Numéro de rapport courant : ") + number,
                       QString(),
                       QStringLiteral("  <!> Aucune erreur ne semble s'être produite.")};
}
