#pragma once

#include <QString>
#include <QStringList>

#include "report/Reporter.h"

// What the command line changes in the main window: the destination edit box, the boot batch
// check box, and the unattended backup that "/auto" starts where it stands.
class CommandLineTarget {
public:
    virtual ~CommandLineTarget() = default;

    virtual QString EditChemin() const = 0;
    virtual void SetEditChemin(const QString& text) = 0;
    virtual void SetAutoexecChecked(bool checked) = 0;
    virtual void RunUnattendedBackup() = 0;
};

// The arguments as main received them, before the application object takes out the options it
// knows ("-reverse", "-style"...): each one decoded without loss, so that a path given as bytes
// that are not UTF-8 names the same file again.
QStringList RawArguments(int argc, const char* const* argv);

// Reads the process arguments (index 0 is the program path, examined like the others) into the
// open command-line section of the report: "/rep" DIR, "/bat", "/nobat", "/auto", in any letter
// case. "/auto" runs the unattended backup at once, before the later arguments are examined.
void ReadCommandLine(const QStringList& arguments, Reporter& reporter, CommandLineTarget& target);

// "--help" or "-h" among the arguments after index 0, other than the destination that follows
// "/rep": the usage is printed and nothing else is done.
bool AsksForHelp(const QStringList& arguments);

// The usage that "--help" prints; the settings, list and reports are named from the program
// folder `programFolder`, through the links the package makes there.
QString Usage(const QString& programFolder);
