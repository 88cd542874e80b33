#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FileBytes.h"
#include "TempProgramFolder.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"

TEST(FileSystem, OnlyRegularFilesExist) {
    TempProgramFolder folder;
    writeBytes(QStringLiteral("fichier"), "x");
    ASSERT_TRUE(QFile::link(QStringLiteral("fichier"), QStringLiteral("lien")));
    ASSERT_TRUE(QFile::link(QStringLiteral("absent"), QStringLiteral("lien-mort")));
    EXPECT_TRUE(FileSystem::FileExists(QStringLiteral("fichier")));
    EXPECT_TRUE(FileSystem::FileExists(QStringLiteral("lien")));
    EXPECT_FALSE(FileSystem::FileExists(QStringLiteral("lien-mort")));
    EXPECT_FALSE(FileSystem::FileExists(QStringLiteral("Data")));
    EXPECT_FALSE(FileSystem::FileExists(QString()));
    EXPECT_FALSE(FileSystem::FileExists(QStringLiteral(" fichier")));
    EXPECT_FALSE(FileSystem::FileExists(QStringLiteral("/dev/null")));
    EXPECT_TRUE(FileSystem::DirectoryExists(QStringLiteral("Data")));
    EXPECT_FALSE(FileSystem::DirectoryExists(QStringLiteral("fichier")));
}

TEST(FileSystem, WholeFilesRoundTripAndFailuresCarryErrno) {
    TempProgramFolder folder;
    const QByteArray bytes("a\0b\r\n", 5);
    FileSystem::WriteWholeFile(QStringLiteral("Data/é.txt"), bytes);
    EXPECT_EQ(FileSystem::ReadWholeFile(QStringLiteral("Data/é.txt")), bytes);
    EXPECT_TRUE(QFile::exists(QString::fromUtf8("Data/\xC3\xA9.txt")));
    try {
        FileSystem::WriteWholeFile(QStringLiteral("absent/x"), bytes);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.errorNumber(), ENOENT);
    }
    EXPECT_THROW(FileSystem::ReadWholeFile(QStringLiteral("absent")), Failure);
}
