#include "ui/main/FormatStamp.h"

#include "ui/toolkit/Clock.h"

namespace {

QString TwoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

// A time format's literal text: quoted runs lose their quotes, and '' stands for one apostrophe.
QString FormatLiteral(QStringView pattern)
{
    QString literal;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != u'\'') {
            literal += pattern[i];
        } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
            literal += u'\'';
            ++i;
        }
        // A lone quote opens or closes a quoted run: dropped.
    }
    return literal;
}

} // namespace

QString TimeSeparator(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    bool quoted = false;
    qsizetype hoursEnd = -1;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && (c == u'h' || c == u'H'))
            hoursEnd = i + 1;
        else if (!quoted && c == u'm' && hoursEnd >= 0) {
            const QString separator = FormatLiteral(QStringView(format).sliced(hoursEnd, i - hoursEnd));
            return separator.isEmpty() ? QStringLiteral(":") : separator;
        }
    }
    return QStringLiteral(":");
}

QString FormatStamp(const QDateTime& when, const QLocale& locale)
{
    const QDate date = when.date();
    const QTime time = when.time();
    return locale.dayName(date.dayOfWeek(), QLocale::LongFormat) + QStringLiteral(" le ") +
           QString::number(date.day()) + QLatin1Char(' ') + locale.monthName(date.month(), QLocale::LongFormat) +
           QLatin1Char(' ') + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')).right(2) +
           QStringLiteral(" à ") + TwoDigits(time.hour()) + TimeSeparator(locale) + TwoDigits(time.minute()) +
           QStringLiteral("\r\n");
}

QString FormatStamp()
{
    return FormatStamp(CurrentDateTime(), QLocale());
}
