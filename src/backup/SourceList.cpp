#include "backup/SourceList.h"

#include "platform/NativeNames.h"

QStringList SourceList::Lines(const QByteArray& bytes) {
    const int nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    QStringList lines;
    int start = 0;
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const char c = text.at(i);
        if (c != '\r' && c != '\n') {
            continue;
        }
        lines.append(NativeNames::Decode(text.mid(start, i - start)));
        if (c == '\r' && i + 1 < size && text.at(i + 1) == '\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        lines.append(NativeNames::Decode(text.mid(start)));
    }
    return lines;
}

QString SourceList::MissingMarker(const QString& path) {
    return QStringLiteral("<Fichier non trouvé : \"") + path + QStringLiteral("\">");
}

QString SourceList::ClashMarker(const QString& path) {
    return QStringLiteral("<Nom déjà utilisé : \"") + path + QStringLiteral("\">");
}
