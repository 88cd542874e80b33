#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The user's locale as the program shows dates and times: the environment's, or French when no
// language is set (the C or POSIX locale), since every text of the program is French.
namespace UserLocale {

QLocale Locale();

// The locale that a system locale stands for: French in place of C or POSIX.
QLocale EffectiveLocale(const QLocale& system);

// The short date with a four-digit year (French: 07/12/2026).
QString ShortDate(const QDate& date, const QLocale& locale = Locale());

// Hours, minutes and seconds in the locale's form, without a time zone (French: 11:23:08).
QString LongTime(const QTime& time, const QLocale& locale = Locale());

// Long weekday and month names as the locale writes them (French: lundi, décembre).
QString DayName(const QDate& date);
QString MonthName(const QDate& date);

}  // namespace UserLocale
