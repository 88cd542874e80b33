#include "report/Reporter.h"

#include <QDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"
#include "platform/UserLocale.h"

const QString Reporter::kReportFolder = QStringLiteral("./Rapports");
const QString Reporter::kImportantReport = QStringLiteral("./Rapport Important.txt");

namespace {

// Only a to z change case, as the report names have always been formed.
QString CapitalizeFirst(QString text) {
    if (!text.isEmpty() && text.at(0) >= QLatin1Char('a') && text.at(0) <= QLatin1Char('z')) {
        text[0] = QChar(text.at(0).unicode() - 'a' + 'A');
    }
    return text;
}

QString Quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

struct ErrorCase {
    ErrorCode code;
    ErrorOutcome outcome;
    MessageButtons buttons;
    const char16_t* boxText;     // the box; for "FileError" the text around the path
    const char16_t* label;       // "Erreur : " or "Erreur fatale : "
    const char16_t* reportText;  // quoted in "  -> Message : "
};

const QString kFileErrorBefore =
    QStringLiteral("Une erreur est survenue lors de la copie du fichier \"");
const QString kFileErrorAfter = QStringLiteral(
    "\". Vérifiez que le disque de destination ne soit pas protégé en écriture. Kestrix termine la "
    "tâche en cours, puis va continuer avec le fichier suivant.");

const ErrorCase kErrorCases[] = {
    {ErrorCode::FichierIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de travailler sur le fichier Kestrix.ini !", u"Erreur : ",
     u"Impossible de travailler sur le fichier Kestrix.ini !"},
    {ErrorCode::NoFichierIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Le fichier \"Kestrix.ini\" n'a pas été trouvé dans le répertoire Data du logiciel !",
     nullptr, u"Le fichier Kestrix.ini n'a pas été trouvé dans le répertoire du logiciel !"},
    {ErrorCode::Repertoire, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.",
     u"Erreur : ",
     u"Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide."},
    {ErrorCode::DressList, ErrorOutcome::EndProgram, MessageButtons::Ok,
     u"Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le fichier "
     u"Kestrix.dat. Le programme ne peut pas continuer et va donc se terminer.",
     u"Erreur fatale : ",
     u"Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le fichier "
     u"Kestrix.dat. Le programme ne peut pas continuer et va donc se terminer."},
    {ErrorCode::SaveDat, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de travailler sur le fichier Kestrix.dat !", u"Erreur : ",
     u"Impossible de travailler sur le fichier Kestrix.dat !"},
    // Answered "Non", the checks go on.
    {ErrorCode::GetFreeSpace, ErrorOutcome::SkipFreeSpaceChecks, MessageButtons::YesNo,
     u"Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
     u"disponible ! Voulez-vous ignorer cette opération à l'avenir ?",
     u"Erreur : ",
     u"Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
     u"disponible !"},
    {ErrorCode::CopyFile, ErrorOutcome::EndProgram, MessageButtons::Ok,
     u"Impossible de copier l'application de restauration des fichiers ! L'application ne peut "
     u"pas continuer et va donc se terminer.",
     u"Erreur fatale : ",
     u"Impossible de copier l'application de restauration des fichiers ! L'application ne peut "
     u"pas continuer et va donc se terminer."},
    {ErrorCode::FileError, ErrorOutcome::RunShutdownStage, MessageButtons::Ok, nullptr,
     u"Erreur : ", nullptr},
    {ErrorCode::SaveAutoexec, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible d'écrire le fichier Autoexec.bat. Vérifiez que le disque de destination ne soit "
     u"pas plein ou protégé en écriture.",
     u"Erreur : ",
     u"Impossible d'écrire le fichier Autoexec.bat. Vérifiez que le disque de destination ne soit "
     u"pas plein ou protégé en écriture."},
    {ErrorCode::WriteIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible d'écrire la configuration des paramètres dans le fichier Kestrix.ini ! Vérifiez "
     u"que le disque ne soit pas plein ou protégé en écriture et rééssayez.",
     u"Erreur : ",
     u"Impossible d'écrire la configuration des paramètres dans le fichier Kestrix.ini ! Vérifiez "
     u"que le disque ne soit pas plein ou protégé en écriture et rééssayez."},
};

const ErrorCase& FindCase(ErrorCode code) {
    for (const ErrorCase& c : kErrorCases) {
        if (c.code == code) {
            return c;
        }
    }
    // Every code has its row above: a code without one is a fault of this table.
    std::abort();
}

}  // namespace

Reporter::Reporter(UserInterface& ui)
    : ui_(ui), clock_([] { return QDateTime::currentDateTime(); }) {}

void Reporter::BeginStage(const QString& title) {
    errorOccurred_ = false;
    report_.OpenSection(title);
}

void Reporter::EndStage() {
    if (!errorOccurred_) {
        report_.AppendNoErrorLines();
    }
}

void Reporter::StartReport() {
    report_.Clear();
    report_.WriteHeader(Now());
}

QString Reporter::NumberText(int number) {
    return number < 10 ? QStringLiteral("0") + QString::number(number) : QString::number(number);
}

void Reporter::SetReportNumber(int number) {
    reportNumber_ = number;
    reportNumberText_ = NumberText(number);
}

QString Reporter::NumberedFileName(const QDate& date) const {
    return kReportFolder + QStringLiteral("/Rapport ") + reportNumberText_ + QStringLiteral(" - ") +
           CapitalizeFirst(UserLocale::DayName(date)) + QLatin1Char(' ') +
           QString::number(date.day()).rightJustified(2, QLatin1Char('0')) + QLatin1Char(' ') +
           CapitalizeFirst(UserLocale::MonthName(date)) + QLatin1Char(' ') +
           QString::number(date.year()).rightJustified(4, QLatin1Char('0')) +
           QStringLiteral(".txt");
}

bool Reporter::SaveReport() {
    reportFileName_ = NumberedFileName(Now().date());
    try {
        FileSystem::WriteWholeFile(reportFileName_, report_.ToBytes());
        return true;
    } catch (const Failure&) {
        ui_.ShowMessage(MessageIcon::Error, MessageButtons::Ok,
                        QStringLiteral("Impossible de sauvegarder le rapport vers le fichier \"") +
                            reportFileName_ + QStringLiteral("\" !"));
        return false;
    }
}

void Reporter::RestartReport() {
    SetReportNumber(reportNumber_ + 1);
    report_.Clear();
    report_.WriteHeader(Now());
    report_.Append(QString());
    report_.Append(RunReport::kTildes);
    report_.Append(QString());
    report_.Append(
        QStringLiteral(" Ce rapport a été créé après qu'une sauvegarde ait été faite, "));
    report_.Append(
        QStringLiteral("  car vous avez cliqué sur le bouton \"Précédent\" à la fin de  "));
    report_.Append(
        QStringLiteral("  celle-ci afin d'en recommencer une autre. Les informations  "));
    report_.Append(
        QStringLiteral(" concernant la lecture du fichier Ini et des paramètres de la "));
    report_.Append(
        QStringLiteral("       ligne de commande ne seront donc pas enregistrés.      "));
}

void Reporter::BuildLastErrorText() {
    int errorNumber = errno;
    std::int32_t location = 0;
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const Failure& failure) {
            errorNumber = failure.errorNumber();
            location = failure.location();
        } catch (...) {
        }
    }
    lastErrorText_ = QStringLiteral("Code ") + QString::number(location) + QStringLiteral(" - ") +
                     SystemErrorMessage(errorNumber);
}

void Reporter::AppendErrorLines(const QString& label, const QString& message) {
    report_.Append(QStringLiteral("  <!> ") + label);
    report_.Append(QStringLiteral("  -> Message : ") + Quoted(message));
}

ErrorOutcome Reporter::ReportError(ErrorCode code) {
    errorOccurred_ = true;
    errorReported_ = true;
    BuildLastErrorText();

    const ErrorCase& c = FindCase(code);
    const bool fileError = code == ErrorCode::FileError;
    const QString boxText = fileError ? kFileErrorBefore + currentSourcePath_ + kFileErrorAfter
                                      : QString::fromUtf16(c.boxText);
    const QString reportText = fileError ? boxText : QString::fromUtf16(c.reportText);
    const MessageAnswer answer = ui_.ShowMessage(MessageIcon::Error, c.buttons, boxText);
    if (c.label) {
        AppendErrorLines(QString::fromUtf16(c.label) + lastErrorText_, reportText);
    } else {
        AppendErrorLines(QStringLiteral("Erreur : le fichier \"Kestrix.ini\" n'existe pas."),
                         reportText);
    }
    WriteImportantReport();
    if (code == ErrorCode::GetFreeSpace && answer == MessageAnswer::No) {
        return ErrorOutcome::GoOn;
    }
    return c.outcome;
}

void Reporter::ApplicationException() {
    errorOccurred_ = true;
    errorReported_ = true;
    BuildLastErrorText();
    report_.Append(QString());
    report_.Append(QStringLiteral("  <!> Une erreur inconnue s'est produite !"));
    report_.Append(QStringLiteral("  <!> ") + lastErrorText_);
    report_.Append(QStringLiteral("  Il s'agit certainement d'un bug dans le programme !"));
    report_.Append(QStringLiteral(
        "  Pour m'aider à le résoudre, envoyez-moi ce rapport à une des adresses indiquées dans le "
        "fichier Kestrix.txt !"));
    WriteImportantReport();
    ui_.RequestEnd();
}

void Reporter::WriteImportantReport() {
    // Nothing guards this write and it must never fail the run: the report stays in memory and
    // is saved with the numbered report.
    try {
        FileSystem::WriteWholeFile(kImportantReport, report_.ToBytes());
    } catch (const Failure& failure) {
        std::fprintf(stderr, "Kestrix : impossible d'écrire \"Rapport Important.txt\" (%s)\n",
                     SystemErrorMessage(failure.errorNumber()).toLocal8Bit().constData());
    }
}
