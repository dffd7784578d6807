#include "ledger/BackupGenerations.h"

#include <algorithm>
#include <functional>

namespace {

// The backups dated on or before `today`, newest first.
QList<QDate> PastNewestFirst(const QList<QDate>& backups, QDate today)
{
    QList<QDate> past;
    for (const QDate& day : backups)
        if (day.isValid() && day <= today)
            past.append(day);
    std::sort(past.begin(), past.end(), std::greater<>());
    past.erase(std::unique(past.begin(), past.end()), past.end());
    return past;
}

// Takes out of `newestFirst` the newest backup of each of its `periods` most recent periods.
void KeepNewestOfPeriods(QList<QDate>& newestFirst, int periods, const std::function<int(QDate)>& periodOf)
{
    QList<QDate> left;
    int used = 0;
    int lastPeriod = 0;
    for (const QDate& day : newestFirst) {
        const int period = periodOf(day);
        if (used < periods && (used == 0 || period != lastPeriod)) {
            ++used;
            lastPeriod = period;
        } else {
            left.append(day);
        }
    }
    newestFirst = left;
}

int WeekOf(QDate day)
{
    int year = 0;
    const int week = day.weekNumber(&year);
    return year * 100 + week;
}

int MonthOf(QDate day)
{
    return day.year() * 12 + day.month();
}

} // namespace

std::set<QDate> BackupsToRemove(const QList<QDate>& backups, QDate today, BackupGenerations kept)
{
    QList<QDate> rest = PastNewestFirst(backups, today).mid(std::max(kept.days, 1));
    KeepNewestOfPeriods(rest, kept.weeks, WeekOf);
    KeepNewestOfPeriods(rest, kept.months, MonthOf);
    return {rest.begin(), rest.end()};
}

QList<QDate> BackupsForRoom(const QList<QDate>& backups, QDate today, BackupGenerations kept)
{
    QList<QDate> older = PastNewestFirst(backups, today).mid(std::max(kept.days, 1));
    std::reverse(older.begin(), older.end());
    return older;
}
