#include "FileBytes.h"

#include <gtest/gtest.h>
#include <QFile>

#include "platform/Cp1252.h"

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
}

QStringList readCrLfLines(const QString& path) {
    const QByteArray bytes = readBytes(path);
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0) {
            ADD_FAILURE() << "last line of " << path.toStdString() << " has no CR LF";
            lines << FromCp1252(bytes.mid(start));
            break;
        }
        const QByteArray line = bytes.mid(start, end - start);
        EXPECT_FALSE(line.contains('\r') || line.contains('\n'))
            << "lone line end in " << path.toStdString();
        lines << FromCp1252(line);
        start = end + 2;
    }
    return lines;
}
