#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// Putting a backup back in the ledger's place, once the ledger is found damaged.

// The newest backup of the ledger at `ledgerPath` that passes the proof now (ProveBackup): those dated on or
// before `today` first, newest first, then those dated after it; none when there is none.
std::optional<QString> LatestGoodBackup(const QString& ledgerPath, QDate today);

// Puts a copy of the backup at `backupPath` in the place of the ledger at `ledgerPath`, to be called while no
// connection is open on the ledger. The damaged ledger is kept aside beside it as
// BDPLORN-endommage-AAAA-MM-JJ-HHMMSS.mdb after `now` (with -2, -3 ... when that name is taken: no file is ever
// replaced), and its journal, when there is one, as the same name followed by -journal: a journal left beside the
// restored file would be played into it. The copy is written under a temporary name beside the ledger, synced,
// renamed into place and the folder synced; it is readable by its owner only. The backup is only read.
//
// Returns the path the damaged ledger was kept under. Throws LedgerError naming the step and the file on any
// failure; a failure before the copy takes the ledger's place leaves the ledger where it was, with its journal.
QString RestoreBackup(const QString& ledgerPath, const QString& backupPath, const QDateTime& now);
