#include <gtest/gtest.h>

#include "platform/UserLocale.h"

namespace {
const QDate kMonday(2026, 12, 7);
const QTime kTime(11, 23, 8);
}  // namespace

TEST(UserLocale, CLocaleFallsBackToFrench) {
    EXPECT_EQ(UserLocale::EffectiveLocale(QLocale::c()).language(), QLocale::French);
    // The tests run under LC_ALL=C.
    EXPECT_EQ(UserLocale::ShortDate(kMonday), QStringLiteral("07/12/2026"));
    EXPECT_EQ(UserLocale::LongTime(kTime), QStringLiteral("11:23:08"));
    EXPECT_EQ(UserLocale::DayName(kMonday), QStringLiteral("lundi"));
    EXPECT_EQ(UserLocale::MonthName(kMonday), QStringLiteral("décembre"));
}

TEST(UserLocale, OtherLocalesKeepTheirFormsWithAFourDigitYearAndNoZone) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(UserLocale::ShortDate(kMonday, us), QStringLiteral("12/7/2026"));
    const QString usTime = UserLocale::LongTime(kTime, us);
    EXPECT_TRUE(usTime.startsWith(QStringLiteral("11:23:08"))) << usTime.toStdString();
    EXPECT_TRUE(usTime.endsWith(QStringLiteral("AM"))) << usTime.toStdString();

    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(UserLocale::ShortDate(kMonday, german), QStringLiteral("07.12.2026"));
    EXPECT_EQ(UserLocale::LongTime(QTime(23, 5, 9), german), QStringLiteral("23:05:09"));
}
