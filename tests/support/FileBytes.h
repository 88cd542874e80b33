#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading and writing whole files in tests, byte for byte.
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

// The lines of a CR LF, Windows-1252 text file (report, INI, catalogue), without their line
// ends; fails the calling test when a line does not end with CR LF.
QStringList readCrLfLines(const QString& path);
