#include "platform/UserLocale.h"

#include <QRegularExpression>

namespace UserLocale {

QLocale Locale() {
    return EffectiveLocale(QLocale::system());
}

QLocale EffectiveLocale(const QLocale& system) {
    if (system.language() == QLocale::C || system.language() == QLocale::AnyLanguage) {
        return QLocale(QLocale::French, QLocale::France);
    }
    return system;
}

QString ShortDate(const QDate& date, const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // A two-digit year ("yy" alone) becomes four digits; "yyyy" stays.
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return locale.toString(date, format);
}

QString LongTime(const QTime& time, const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    // Qt's long time carries the zone ("t", "tttt"...): drop it with the blanks around it.
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return locale.toString(time, format.trimmed());
}

QString DayName(const QDate& date) {
    return Locale().dayName(date.dayOfWeek(), QLocale::LongFormat);
}

QString MonthName(const QDate& date) {
    return Locale().monthName(date.month(), QLocale::LongFormat);
}

}  // namespace UserLocale
