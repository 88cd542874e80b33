#include "controller/RunController.h"

#include <QFileInfo>
#include <cstdio>

#include "config/CommandLine.h"
#include "platform/AppControl.h"
#include "platform/FileSystem.h"

RunController::RunController(ControllerHost& host)
    : host_(host), reporter_(*this), engine_(reporter_, host) {}

RunController::~RunController() {
    // The handler refers to this run's report.
    AppControl::SetExceptionHandler(nullptr);
}

void RunController::Start(const QStringList& arguments) {
    if (FileSystem::FileExists(Reporter::kImportantReport)) {
        ShowMessage(
            MessageIcon::Warning, MessageButtons::Ok,
            QStringLiteral(
                "Un fichier rapport important a été détecté dans le répertoire du "
                "logiciel, ce qui signifie qu'il y a eu des erreurs lors de la dernière "
                "exécution du logiciel. Déplacez-le dans un autre répertoire, sinon il sera "
                "écrasé si un autre rapport est créé."));
    }

    AppControl::SetExceptionHandler([this] { reporter_.ApplicationException(); });

    // The rest of start-up runs before any event loop: what escapes it goes to the same handler
    // as an exception escaping an event handler.
    try {
        reporter_.StartReport();
        reporter_.Report().OpenSection(
            QStringLiteral("Lecture de la configuration depuis le fichier \"Kestrix.ini\""));
        if (!FileSystem::FileExists(kIniPath)) {
            reporter_.ReportError(ErrorCode::NoFichierIni);
        }
        ReadSettings(reporter_, settings_);
        host_.ShowSettings(settings_);
        if (!reporter_.ErrorOccurred()) {
            reporter_.Report().AppendNoErrorLines();
        }
        reporter_.Report().OpenSection(
            QStringLiteral("Lecture et gestion des paramètres de la ligne de commandes"));
        ReadCommandLine(arguments, reporter_, settings_, [this] { RunUnattendedBackup(); });
        host_.ShowSettings(settings_);
    } catch (...) {
        AppControl::HandleUncaughtException();
    }
}

void RunController::RunUnattendedBackup() {
    host_.ShowSettings(settings_);
    host_.UnattendedRunStarts();
    settings_.chemin = engine_.PrepareDestination(settings_.chemin);
    host_.ShowSettings(settings_);
    const std::optional<std::vector<JobLine>> lines = engine_.LoadFileList();
    engine_.LogMissingFiles();
    host_.UnattendedBackupStarts();
    const BackupJob job{settings_.chemin, lines.value_or(std::vector<JobLine>()),
                        settings_.autoexec, settings_.trackBarPosition};
    engine_.RunBackup(job);
    host_.UnattendedBackupEnded();
    host_.TakeSettings(settings_);
    WriteSettings(reporter_, settings_);
    const bool saved = reporter_.SaveReport();
    engine_.LogEnd(ExitStatus(),
                   saved ? QFileInfo(reporter_.ReportFileName()).absoluteFilePath() : QString());
    RequestEnd();
}

void RunController::Shutdown() {
    host_.TakeSettings(settings_);
    WriteSettings(reporter_, settings_);
    reporter_.SaveReport();
}

int RunController::ExitStatus() const {
    return reporter_.ErrorReported() || engine_.CopyIncomplete() || !engine_.Distrust().isEmpty()
               ? 1
               : 0;
}

MessageAnswer RunController::ShowMessage(MessageIcon icon, MessageButtons buttons,
                                         const QString& text) {
    return host_.ShowMessage(icon, buttons, text);
}

void RunController::RequestEnd() {
    AppControl::RequestEnd();
}

void RunController::RunShutdownStage() {
    // A window runs the stage in its close sequence; without one it runs here.
    if (!host_.CloseWindow()) {
        Shutdown();
        RequestEnd();
    }
}

MessageAnswer ControllerHost::AnswerOnStderr(MessageIcon icon, MessageButtons buttons,
                                             const QString& text) {
    const char* title = icon == MessageIcon::Error ? "Erreur" : "Avertissement";
    std::fprintf(stderr, "%s : %s\n", title, text.toLocal8Bit().constData());
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}
