#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The source list ./Data/Kestrix.dat: one path per line, kept exactly as written.
class SourceList {
public:
    // The lines of the file: a line ends at CR LF, a lone CR or a lone LF; a line end at the
    // very end adds no entry; a NUL byte ends the text. Nothing is trimmed or skipped.
    static QStringList Lines(const QByteArray& bytes);

    // "<Fichier non trouvé : \"path\">", the text of an entry whose file does not exist.
    static QString MissingMarker(const QString& path);

    // "<Nom déjà utilisé : \"path\">", the text of an entry left out because an earlier source
    // has the same file name: both would share one copy.
    static QString ClashMarker(const QString& path);
};
