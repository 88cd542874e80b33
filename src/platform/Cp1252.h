#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the reports and of Kestrix.ini. Characters outside the code
// page are written as '?'; the five bytes that the code page leaves undefined read as the
// control characters of the same value.
QByteArray ToCp1252(const QString& text);
QString FromCp1252(const QByteArray& bytes);
