#pragma once

#include <QDate>
#include <QList>
#include <set>

// Which daily backups stay, by the dates in their names. The slots are counted over the backups there are, not
// over the calendar from today: days without a start leave no slot empty, and a clock set wrong cannot make real
// backups look old.
struct BackupGenerations {
    // The most recent backups, one a day.
    int days = 7;
    // Then, among the older ones, the newest of each of the most recent weeks (ISO 8601) that hold one.
    int weeks = 5;
    // Then, among those still left, the newest of each of the most recent months that hold one.
    int months = 12;
};

// The backups that go on `today`. A backup dated after today is neither counted nor removed until its date
// comes: a clock set ahead once costs at most the slots of the backups it made. The most recent backup dated on
// or before today always stays.
std::set<QDate> BackupsToRemove(const QList<QDate>& backups, QDate today, BackupGenerations kept = {});

// The backups that may go to make room for the day's one when the disk is full, oldest first: those dated on or
// before `today` beyond the kept.days most recent.
QList<QDate> BackupsForRoom(const QList<QDate>& backups, QDate today, BackupGenerations kept = {});
