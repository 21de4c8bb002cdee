// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the user's locale through QLocale.
#include "output/SystemLocale.h"

#include <QLocale>

namespace dirlix {

namespace {
// The first character of a Qt date or time format that is not a field letter, quote or space:
// the locale's separator between its parts ("/" in "dd/MM/yyyy", "." in "dd.MM.yy").
std::string separatorIn(const QString& format, const std::string& fallback)
{
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\''))
            return QString(c).toStdString();
    return fallback;
}
} // namespace

DateLocale systemDateLocale()
{
    const QLocale locale = QLocale::system();
    DateLocale result;
    if (locale.language() == QLocale::C)
        return result;
    for (int month = 1; month <= 12; ++month) {
        result.monthShort[month - 1] = locale.monthName(month, QLocale::ShortFormat).toStdString();
        result.monthLong[month - 1] = locale.standaloneMonthName(month, QLocale::LongFormat).toStdString();
    }
    for (int day = 0; day < 7; ++day) {
        const int qtDay = day == 0 ? 7 : day; // Qt counts Monday as 1 and Sunday as 7
        result.dayShort[day] = locale.dayName(qtDay, QLocale::ShortFormat).toStdString();
        result.dayLong[day] = locale.dayName(qtDay, QLocale::LongFormat).toStdString();
    }
    result.dateSeparator = separatorIn(locale.dateFormat(QLocale::ShortFormat), result.dateSeparator);
    result.timeSeparator = separatorIn(locale.timeFormat(QLocale::ShortFormat), result.timeSeparator);
    result.thousandsSeparator = locale.groupSeparator().toStdString();
    return result;
}

} // namespace dirlix
