#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The source list ./Data/Kestrix.dat: one path per line, kept exactly as written.
class SourceList {
public:
    // No list of boot files comes near; reading more would only cost memory.
    static constexpr qint64 kMaxBytes = 16 << 20;

    // The whole list file, opened without blocking and checked on its handle: anything but a
    // regular file (a device such as /dev/zero, a FIFO, a folder) and a file over kMaxBytes are
    // refused, with why in `refusal` (French). Throws Failure.
    static QByteArray Read(const QString& path, QString& refusal);

    // A line left out of the list: its number (from 1) and its text, NUL bytes shown as "\0".
    struct Refused {
        int number = 0;
        QString text;
    };

    // The lines of the file: a line ends at CR LF, a lone CR or a lone LF; a line end at the
    // very end adds no entry. Nothing is trimmed or skipped, except a line that holds a NUL
    // byte, which no path can: it goes to `withNul`.
    static QStringList Lines(const QByteArray& bytes, QList<Refused>* withNul = nullptr);

    // "<Fichier non trouvé : \"path\">", the text of an entry whose file does not exist.
    static QString MissingMarker(const QString& path);

    // "/etc/ssh/ssh_host_* (6 fichiers)", the text of an entry that stands for several files.
    static QString CountedText(const QString& line, int count);
};
