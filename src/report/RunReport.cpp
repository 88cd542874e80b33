#include "report/RunReport.h"

#include "platform/Cp1252.h"
#include "platform/UserLocale.h"

const QString RunReport::kTildes = QString(62, QLatin1Char('~'));
const QString RunReport::kEquals =
    QStringLiteral("      ") + QString(51, QLatin1Char('=')) + QStringLiteral("     ");
const QString RunReport::kNoError =
    QStringLiteral("  <i> Aucune erreur ne semble s'être produite.");

QString RunReport::HeaderLine(const QDateTime& now) {
    return QStringLiteral("      Rapport Kestrix 1.1 - Créé le ") +
           UserLocale::ShortDate(now.date()) + QStringLiteral(" à ") +
           UserLocale::LongTime(now.time()) + QStringLiteral("     ");
}

QString RunReport::TitleLine(const QString& title) {
    return QStringLiteral(" # ") + title;
}

QString RunReport::Underline(const QString& titleLine) {
    return QLatin1Char(' ') + QString(titleLine.size() - 1, QLatin1Char('-'));
}

void RunReport::WriteHeader(const QDateTime& now) {
    Append(QString());
    Append(HeaderLine(now));
    Append(kEquals);
}

void RunReport::OpenSection(const QString& title) {
    const QString titleLine = TitleLine(title);
    Append(QString());
    Append(kTildes);
    Append(QString());
    Append(titleLine);
    Append(Underline(titleLine));
    Append(QString());
}

void RunReport::AppendNoErrorLines() {
    Append(QString());
    Append(kNoError);
}

QByteArray RunReport::ToBytes() const {
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines_) {
        size += line.size() + 2;
    }
    bytes.reserve(size);
    for (const QString& line : lines_) {
        bytes.append(ToCp1252(line));
        bytes.append("\r\n", 2);
    }
    return bytes;
}
