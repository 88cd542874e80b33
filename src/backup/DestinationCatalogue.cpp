#include "backup/DestinationCatalogue.h"

#include <cerrno>

#include "platform/CheckedIo.h"
#include "platform/Failure.h"
#include "platform/NativeNames.h"
#include "shared/BackupNames.h"
#include "shared/Catalogue.h"

namespace {

void WriteLine(const FileDescriptor& fd, const std::string& line) {
    const std::string bytes = line + Catalogue::kLineEnd;
    CheckedIo::WriteAll(fd, bytes.data(), bytes.size());
}

std::string Bytes(const QString& text) {
    return NativeNames::Encode(text).toStdString();
}

}  // namespace

void DestinationCatalogue::Create(const DirectoryHandle& directory, const QDate& date,
                                  const QTime& time) {
    fd_ = directory.CreateFile(BackupNames::kCatalogue, 0644);
    WriteLine(fd_, Bytes(DateLine(date, time)));
}

void DestinationCatalogue::AppendRecord(const QString& entryPath) {
    if (!fd_) {
        errno = EBADF;
        KESTRIX_FAIL("the catalogue is not open");
    }
    WriteLine(fd_, Catalogue::Record(Bytes(entryPath)));
}

void DestinationCatalogue::AppendLine(const std::string& record) {
    if (!fd_) {
        errno = EBADF;
        KESTRIX_FAIL("the catalogue is not open");
    }
    WriteLine(fd_, record);
}

void DestinationCatalogue::Close() {
    CheckedIo::FlushAndClose(fd_);
}

QString DestinationCatalogue::DateLine(const QDate& date, const QTime& time,
                                       const QLocale& locale) {
    return UserLocale::ShortDate(date, locale) + QLatin1Char(',') +
           UserLocale::LongTime(time, locale);
}

QString DestinationCatalogue::FileName(const QString& entryPath) {
    return NativeNames::Decode(QByteArray::fromStdString(Catalogue::FileName(Bytes(entryPath))));
}
