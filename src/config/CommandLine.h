#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "config/Settings.h"
#include "report/Reporter.h"

// The arguments as main received them, before the application object takes out the options it
// knows ("-reverse", "-style"...): each one decoded without loss, so that a path given as bytes
// that are not UTF-8 names the same file again.
QStringList RawArguments(int argc, const char* const* argv);

// Reads the process arguments (index 0 is the program path, examined like the others) into the
// open command-line section of the report: "/rep" DIR and "/bat" or "/nobat" set the last
// backup's destination and boot batch choice in `settings`, and "/auto", in any letter case,
// calls `runUnattended` at once, before the later arguments are examined.
void ReadCommandLine(const QStringList& arguments, Reporter& reporter, Settings& settings,
                     const std::function<void()>& runUnattended);

// "--help" or "-h" among the arguments after index 0, other than the destination that follows
// "/rep": the usage is printed and nothing else is done.
bool AsksForHelp(const QStringList& arguments);

// The usage that "--help" prints; the settings, list and reports are named from the program
// folder `programFolder`, through the links the package makes there.
QString Usage(const QString& programFolder);
