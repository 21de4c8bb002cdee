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
// A Qt date or time format in the pattern language of the date texts. Quoted text is dropped (the
// pattern language has no quoting, so its letters would be read as fields), as are fields the
// language does not have (time zones).
std::string patternFromQt(const QString& format)
{
    std::string out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        i += run;
        if (quoted)
            continue;
        const char letter = char(c.toLatin1());
        switch (letter) {
        case 'd': out += std::string(std::min<qsizetype>(run, 4), 'd'); break;
        case 'M': out += std::string(std::min<qsizetype>(run, 4), 'm'); break;
        case 'y': out += run >= 3 ? "yyyy" : "yy"; break;
        case 'h': case 'H': out += run >= 2 ? "hh" : "h"; break;
        case 'm': out += run >= 2 ? "nn" : "n"; break;
        case 's': out += run >= 2 ? "ss" : "s"; break;
        case 'A': out += "AM/PM"; break;
        case 'a': out += "am/pm"; break;
        default:
            if (!c.isLetter())
                out += QString(run, c).toStdString();
            break;
        }
    }
    // Whatever separated a dropped field is left at the ends.
    const auto first = out.find_first_not_of(" ,");
    const auto last = out.find_last_not_of(" ,");
    return first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
}

// The locale's short time with seconds: the short format shows minutes only.
std::string timeWithSeconds(std::string time)
{
    if (time.find('s') != std::string::npos)
        return time;
    const auto minutes = time.find('n');
    if (minutes == std::string::npos)
        return time;
    const auto end = time.find_first_not_of('n', minutes);
    time.insert(end == std::string::npos ? time.size() : end, ":ss");
    return time;
}

} // namespace

std::string localeGeneralPattern(const QLocale& locale)
{
    return patternFromQt(locale.dateFormat(QLocale::ShortFormat)) + " " +
           timeWithSeconds(patternFromQt(locale.timeFormat(QLocale::ShortFormat)));
}

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
    result.generalPattern = localeGeneralPattern(locale);
    return result;
}

} // namespace dirlix
