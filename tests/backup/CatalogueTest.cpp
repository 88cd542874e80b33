#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include "FileBytes.h"
#include "QtPrinters.h"
#include "backup/DestinationCatalogue.h"
#include "platform/Failure.h"
#include "platform/NativeNames.h"

TEST(CatalogueRecord, FileNameKeepsTheBytesOfANameThatIsNotUtf8) {
    const QString path = NativeNames::Decode(
        "/donn\xE9"
        "es/\xE9t\xE9");
    EXPECT_EQ(NativeNames::Encode(DestinationCatalogue::FileName(path)), QByteArray("\xE9t\xE9"));
    EXPECT_EQ(DestinationCatalogue::FileName(QStringLiteral("grub")), QStringLiteral("grub"));
}

TEST(CatalogueDateLine, LocaleFormats) {
    const QDate date(2026, 12, 7);
    const QTime time(11, 15, 45);
    EXPECT_EQ(DestinationCatalogue::DateLine(date, time), QStringLiteral("07/12/2026,11:15:45"));
    EXPECT_EQ(
        DestinationCatalogue::DateLine(date, time, QLocale(QLocale::German, QLocale::Germany)),
        QStringLiteral("07.12.2026,11:15:45"));
    const QString us = DestinationCatalogue::DateLine(
        date, QTime(15, 15, 45), QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(us.startsWith(QStringLiteral("12/7/2026,3:15:45"))) << us.toStdString();
    EXPECT_TRUE(us.endsWith(QStringLiteral("PM"))) << us.toStdString();
}

TEST(CatalogueFile, ReplacedWrittenLineByLineWithCrLf) {
    QTemporaryDir temp;
    const QString path = temp.filePath(QStringLiteral("Kestrix.dat"));
    writeBytes(path, "an older catalogue\r\nwith lines\r\n");
    DestinationCatalogue catalogue;
    EXPECT_FALSE(catalogue.IsOpen());
    EXPECT_THROW(catalogue.AppendRecord("/etc/fstab"), Failure);
    catalogue.Create(DirectoryHandle::Open(temp.path()), QDate(2026, 12, 7), QTime(9, 5, 3));
    EXPECT_TRUE(catalogue.IsOpen());
    catalogue.AppendRecord("/etc/fstab");
    // Each line is on disk as soon as it is written.
    EXPECT_EQ(readBytes(path), QByteArray("07/12/2026,09:05:03\r\nfstab,/etc\r\n"));
    catalogue.AppendRecord("/données/été,1.txt");
    catalogue.Close();
    EXPECT_FALSE(catalogue.IsOpen());
    EXPECT_EQ(readBytes(path), QByteArray("07/12/2026,09:05:03\r\nfstab,/etc\r\n") +
                                   QByteArray("été,1.txt,/données\r\n"));
}
