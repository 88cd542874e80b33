#include "backup/DestinationCatalogue.h"

#include <cerrno>

#include "platform/Failure.h"
#include "platform/NativeNames.h"

namespace {

QByteArray Line(const QString& text) {
    return NativeNames::Encode(text) + "\r\n";
}

}  // namespace

void DestinationCatalogue::Create(const DirectoryHandle& directory, const QDate& date,
                                  const QTime& time) {
    fd_ = directory.CreateFile(QByteArrayLiteral("Kestrix.dat"), 0644);
    const QByteArray line = Line(DateLine(date, time));
    fd_.writeAll(line.constData(), static_cast<std::size_t>(line.size()));
}

void DestinationCatalogue::AppendRecord(const QString& entryPath) {
    if (!fd_) {
        errno = EBADF;
        KESTRIX_FAIL("the catalogue is not open");
    }
    const QByteArray line = Line(Record(entryPath));
    fd_.writeAll(line.constData(), static_cast<std::size_t>(line.size()));
}

void DestinationCatalogue::Close() {
    fd_.flushAndClose();
}

QString DestinationCatalogue::DateLine(const QDate& date, const QTime& time,
                                       const QLocale& locale) {
    return UserLocale::ShortDate(date, locale) + QLatin1Char(',') +
           UserLocale::LongTime(time, locale);
}

QString DestinationCatalogue::FileName(const QString& entryPath) {
    return entryPath.mid(entryPath.lastIndexOf(QLatin1Char('/')) + 1);
}

QString DestinationCatalogue::Record(const QString& entryPath) {
    const int separator = entryPath.lastIndexOf(QLatin1Char('/'));
    QString directory = entryPath.left(separator + 1);
    // The final separator goes, unless it is a root: one at the start or after another.
    if (separator > 0 && entryPath.at(separator - 1) != QLatin1Char('/')) {
        directory.chop(1);
    }
    return FileName(entryPath) + QLatin1Char(',') + directory;
}
