#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

#include "report/ErrorCode.h"
#include "report/RunReport.h"
#include "report/UserInterface.h"

// The program-wide reporting state that the main window owns for the whole run: the run report
// with its number and file name, the stage flag, and the reporting of errors by code.
class Reporter {
public:
    using Clock = std::function<QDateTime()>;

    static const QString kReportFolder;     // ./Rapports
    static const QString kImportantReport;  // ./Rapport Important.txt

    explicit Reporter(UserInterface& ui);

    // The window that shows this run's messages.
    UserInterface& Ui() const { return ui_; }

    RunReport& Report() { return report_; }
    const RunReport& Report() const { return report_; }
    void Append(const QString& line) { report_.Append(line); }

    // Stage protocol: a stage clears the flag and opens its section; when it ends with the flag
    // still clear it appends the no-error lines.
    void BeginStage(const QString& title);
    void EndStage();

    bool ErrorOccurred() const { return errorOccurred_; }
    void ClearErrorOccurred() { errorOccurred_ = false; }

    // True once any error code or unexpected error has been reported in this run of the program.
    bool ErrorReported() const { return errorReported_; }

    // A new empty report with its header.
    void StartReport();

    // The report number that follows the stored one; its text gets a "0" in front below 10.
    void SetReportNumber(int number);
    // The stored text kept as it was read, when it is not a number.
    void SetReportNumberText(const QString& text) { reportNumberText_ = text; }
    int ReportNumber() const { return reportNumber_; }
    const QString& ReportNumberText() const { return reportNumberText_; }
    static QString NumberText(int number);

    const QString& ReportFileName() const { return reportFileName_; }

    // The numbered, dated report file name for the current number and date.
    QString NumberedFileName(const QDate& date) const;

    // Saves the report under its numbered name; a failure shows its message box only. False
    // when it could not be saved.
    bool SaveReport();

    // A new report for a further backup: next number, header and the restart notice.
    void RestartReport();

    // Reports a failure by its error code: message box, report lines and important report.
    // Called inside a catch block, it quotes that exception. Returns what follows from the code
    // (and, for "GetFreeSpace", from the user's answer), which the caller carries out.
    ErrorOutcome ReportError(ErrorCode code);

    // Rewrites ".\Rapport Important.txt" with the report so far.
    void WriteImportantReport();

    // Records an exception that no stage caught (call it inside the catch block) and requests
    // the end of the application without a message.
    void ApplicationException();

    const QString& LastErrorText() const { return lastErrorText_; }

    bool SkipFreeSpaceCheck() const { return skipFreeSpaceCheck_; }
    void SetSkipFreeSpaceCheck(bool skip) { skipFreeSpaceCheck_ = skip; }

    // The file being copied, quoted by "FileError".
    const QString& CurrentSourcePath() const { return currentSourcePath_; }
    void SetCurrentSourcePath(const QString& path) { currentSourcePath_ = path; }

    void SetClock(Clock clock) { clock_ = std::move(clock); }
    QDateTime Now() const { return clock_(); }

private:
    void BuildLastErrorText();
    void AppendErrorLines(const QString& label, const QString& message);

    UserInterface& ui_;
    RunReport report_;
    bool errorOccurred_ = false;
    bool errorReported_ = false;
    QString lastErrorText_;
    int reportNumber_ = 0;
    QString reportNumberText_;
    QString reportFileName_;
    bool skipFreeSpaceCheck_ = false;
    QString currentSourcePath_;
    Clock clock_;
};
