#include "config/CommandLine.h"

#include "platform/NativeNames.h"

QStringList RawArguments(int argc, const char* const* argv) {
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i) {
        arguments << NativeNames::Decode(QByteArray(argv[i]));
    }
    return arguments;
}

void ReadCommandLine(const QStringList& arguments, Reporter& reporter, CommandLineTarget& target) {
    bool destinationGiven = false;
    bool batchGiven = false;
    bool automaticGiven = false;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i).toLower();
        if (option == QLatin1String("/rep")) {
            destinationGiven = true;
            // The path is taken as typed; it is examined in the next pass like any argument.
            target.SetEditChemin(i + 1 < arguments.size() ? arguments.at(i + 1) : QString());
            reporter.Append(QStringLiteral(" * Répertoire destination   : ") + target.EditChemin());
        }
        if (option == QLatin1String("/bat")) {
            batchGiven = true;
            target.SetAutoexecChecked(true);
            reporter.Append(QStringLiteral(" * Création d'Autoexec.bat : Oui"));
        }
        if (option == QLatin1String("/nobat")) {
            batchGiven = true;
            target.SetAutoexecChecked(false);
            reporter.Append(QStringLiteral(" * Création d'Autoexec.bat : Non"));
        }
        if (option == QLatin1String("/auto")) {
            automaticGiven = true;
            reporter.Append(QStringLiteral(" * Sauvegarde automatique  : Oui"));
            target.RunUnattendedBackup();
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
