#include "backup/DestinationCatalogue.h"

#include <cerrno>

#include "platform/NativeNames.h"

#include "platform/BackupFiles.h"
#include "platform/Failure.h"

void DestinationCatalogue::Create(const QString& path, const QDate& date, const QTime& time) {
    fd_ = BackupFiles::ReplaceDestination(path, 0666);
    WriteLine(DateLine(date, time));
}

void DestinationCatalogue::AppendRecord(const QString& entryPath) {
    if (!fd_) {
        errno = EBADF;
        KESTRIX_FAIL("the catalogue is not open");
    }
    WriteLine(Record(entryPath));
}

void DestinationCatalogue::Close() {
    fd_.close();
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

void DestinationCatalogue::WriteLine(const QString& line) {
    const QByteArray bytes = NativeNames::Encode(line) + "\r\n";
    fd_.writeAll(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
