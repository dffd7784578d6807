#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The stamp line "samedi le 22 août 09 à 05:20" and its CR LF: day and month names from the locale, the
// day unpadded, the year's last two digits, the time as hours and minutes in two digits each joined by
// the locale's time separator. Digits are ASCII whatever the locale.
QString FormatStamp(const QDateTime& when, const QLocale& locale);

// The stamp for now, in the program's locale.
QString FormatStamp();

// The text between hours and minutes in the locale's short time format, or ":" when it has none.
QString TimeSeparator(const QLocale& locale);
