#pragma once

#include <QByteArray>
#include <QString>

// File names are bytes on Linux, mostly but not always UTF-8. Names travel through the program
// as QString and must come back as the very bytes they were read as: each byte that is not part
// of valid UTF-8 is held as the lone surrogate U+DC00 + byte, and turned back into that byte.
namespace NativeNames {

QString Decode(const QByteArray& bytes);

// Lone surrogates other than the escaped bytes cannot come from Decode; they become '?'.
QByteArray Encode(const QString& name);

}  // namespace NativeNames
