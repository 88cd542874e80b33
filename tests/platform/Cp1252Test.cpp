#include <gtest/gtest.h>

#include "platform/Cp1252.h"

TEST(Cp1252, AccentsEuroAndOutsideCharacters) {
    EXPECT_EQ(ToCp1252(QStringLiteral("Créé à ")), QByteArray("Cr\xE9\xE9 \xE0 "));
    EXPECT_EQ(ToCp1252(QStringLiteral("€…œ")), QByteArray("\x80\x85\x9C"));
    EXPECT_EQ(ToCp1252(QStringLiteral("日本")), QByteArray("??"));
    EXPECT_EQ(ToCp1252(QString::fromUtf8("\xF0\x9F\x98\x80")), QByteArray("?"));
    EXPECT_EQ(FromCp1252(QByteArray("\x80\xE9\x81\xFF")), QStringLiteral("€é\u0081ÿ"));
}
