#include "backup/SourceList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "shared/FileDescriptor.h"

QByteArray SourceList::Read(const QString& path, QString& refusal) {
    // Non-blocking, so that a FIFO put in the list's place cannot hold the run at the open.
    FileDescriptor fd(::open(FileSystem::NativePath(path).constData(),
                             O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        KESTRIX_FAIL("cannot open " + path.toStdString());
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        KESTRIX_FAIL("cannot read the status of " + path.toStdString());
    }
    const QString named =
        QStringLiteral("la liste des fichiers à sauvegarder \"") + path + QStringLiteral("\" ");
    if (!S_ISREG(st.st_mode)) {
        refusal = named + QStringLiteral("n'est pas un fichier ordinaire (") +
                  (S_ISDIR(st.st_mode)    ? QStringLiteral("un dossier")
                   : S_ISFIFO(st.st_mode) ? QStringLiteral("un tube")
                                          : QStringLiteral("un périphérique")) +
                  QStringLiteral(") : elle n'est pas lue.");
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        KESTRIX_FAIL("not a regular file: " + path.toStdString());
    }
    try {
        return FileSystem::ReadAll(fd, kMaxBytes);
    } catch (const Failure& failure) {
        if (failure.errorNumber() == EFBIG) {
            refusal = named + QStringLiteral("fait plus de ") + QString::number(kMaxBytes >> 20) +
                      QStringLiteral(" Mo : elle n'est pas lue.");
        }
        throw;
    }
}

QStringList SourceList::Lines(const QByteArray& bytes, QList<Refused>* withNul) {
    QStringList lines;
    int number = 0;
    const auto add = [&](const QByteArray& line) {
        ++number;
        if (line.contains('\0')) {
            if (withNul != nullptr) {
                withNul->append(
                    Refused{number, NativeNames::Decode(QByteArray(line).replace('\0', "\\0"))});
            }
            return;
        }
        lines.append(NativeNames::Decode(line));
    };
    // A list saved with a UTF-8 byte-order mark: the mark is no part of the first path.
    int start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const int size = bytes.size();
    for (int i = start; i < size; ++i) {
        const char c = bytes.at(i);
        if (c != '\r' && c != '\n') {
            continue;
        }
        add(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < size && bytes.at(i + 1) == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        add(bytes.mid(start));
    }
    return lines;
}

QString SourceList::MissingMarker(const QString& path) {
    return QStringLiteral("<Fichier non trouvé : \"") + path + QStringLiteral("\">");
}

QString SourceList::CountedText(const QString& line, int count) {
    return line + QStringLiteral(" (") + QString::number(count) +
           (count > 1 ? QStringLiteral(" fichiers)") : QStringLiteral(" fichier)"));
}
