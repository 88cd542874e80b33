#include "config/CommandLine.h"

#include <QDir>
#include <QFileInfo>

#include "platform/NativeNames.h"

QStringList RawArguments(int argc, const char* const* argv) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) {
        arguments << NativeNames::Decode(QByteArray(argv[i]));
    }
    return arguments;
}

void ReadCommandLine(const QStringList& arguments, Reporter& reporter, Settings& settings,
                     const std::function<void()>& runUnattended) {
    bool destinationGiven = false;
    bool batchGiven = false;
    bool automaticGiven = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i).toLower();
        if (option == QLatin1String("/rep")) {
            destinationGiven = true;
            // The path is taken as typed; it is examined in the next pass like any argument.
            settings.chemin = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
            reporter.Append(QStringLiteral(" * Répertoire destination   : ") + settings.chemin);
        }
        if (option == QLatin1String("/bat")) {
            batchGiven = true;
            settings.autoexec = true;
            reporter.Append(QStringLiteral(" * Création d'Autoexec.bat : Oui"));
        }
        if (option == QLatin1String("/nobat")) {
            batchGiven = true;
            settings.autoexec = false;
            reporter.Append(QStringLiteral(" * Création d'Autoexec.bat : Non"));
        }
        if (option == QLatin1String("/auto")) {
            automaticGiven = true;
            reporter.Append(QStringLiteral(" * Sauvegarde automatique  : Oui"));
            runUnattended();
        }
    }

    if (!destinationGiven) {
        reporter.Append(QStringLiteral(" * Répertoire destination  : Non spécifié"));
    }
    if (!batchGiven) {
        reporter.Append(QStringLiteral(" * Création d'Autoexec.bat : Non spécifié"));
    }
    if (!automaticGiven) {
        reporter.Append(QStringLiteral(" * Sauvegarde automatique  : Non"));
    }
}

bool AsksForHelp(const QStringList& arguments) {
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool afterDestinationOption = arguments.at(i - 1).toLower() == QLatin1String("/rep");
        if (!afterDestinationOption &&
            (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return true;
        }
    }
    return false;
}

namespace {

// The file a name of the program folder leads to, where it exists.
QString Resolved(const QDir& folder, const QString& name) {
    const QString path = folder.absoluteFilePath(name);
    const QString target = QFileInfo(path).canonicalFilePath();
    return target.isEmpty() ? path : target;
}

}  // namespace

QString Usage(const QString& programFolder) {
    const QDir folder(programFolder);
    return QStringLiteral(
               "Utilisation : kestrix [/rep RÉPERTOIRE] [/bat | /nobat] [/auto]\n"
               "Copie de secours des fichiers dont le système a besoin pour démarrer.\n"
               "\n"
               "  /rep RÉPERTOIRE  le répertoire de destination, créé avec ses parents s'il "
               "manque\n"
               "  /bat, /nobat     écrire, ou ne pas écrire, Autoexec.bat (la dernière l'emporte)\n"
               "  /auto            faire la sauvegarde tout de suite, sans l'utilisateur, puis "
               "s'arrêter\n"
               "  --help, -h       afficher cette aide\n"
               "\n"
               "Les options sont reconnues quelle que soit la casse et agissent dans l'ordre "
               "donné.\n"
               "Sans affichage (ni DISPLAY, ni WAYLAND_DISPLAY), seule une sauvegarde /auto est "
               "possible.\n"
               "\n"
               "Code de sortie :\n"
               "  0  aucune erreur, et chaque fichier coché a été copié\n"
               "  1  une erreur, un fichier coché non copié, un fichier écarté pour son nom, ou,\n"
               "     lancé par root, une destination que Restore.exe refusera\n"
               "  2  Kestrix n'a pas pu démarrer (sans /auto : aucun affichage, ou pas de "
               "fenêtre)\n"
               "\n") +
           QStringLiteral("Réglages : ") + Resolved(folder, QStringLiteral("Data/Kestrix.ini")) +
           QStringLiteral("\nListe des fichiers : ") +
           Resolved(folder, QStringLiteral("Data/Kestrix.dat")) + QStringLiteral("\nRapports : ") +
           folder.absoluteFilePath(QStringLiteral("Rapports")) +
           QStringLiteral("/\n\nPour en savoir plus : man kestrix\n");
}
