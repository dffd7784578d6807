#pragma once

#include "ledger/BackupProof.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerError.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

// The daily backup of the ledger: a copy of the encrypted file, as it is, in a folder beside it, kept only once
// proved whole.

// The folder beside the ledger that holds its backups, readable by its owner only.
inline const QString BackupFolderName = QStringLiteral("BDPLORN-sauvegardes");

// The backup folder beside the ledger at `ledgerPath`.
QString BackupFolderFor(const QString& ledgerPath);
// The backup of the ledger at `ledgerPath` made on `day`: BDPLORN-sauvegardes/BDPLORN-AAAA-MM-JJ.mdb.
QString BackupPathFor(const QString& ledgerPath, QDate day);

struct DatedBackup {
    QDate day;
    QString path;
};
// The backups of the ledger at `ledgerPath`: the files of its folder named BDPLORN-AAAA-MM-JJ.mdb after a real
// date, in no order.
QList<DatedBackup> BackupsOf(const QString& ledgerPath);

struct BackupOutcome {
    enum class Result {
        Made,          // the day's backup was made and proved whole
        AlreadyThere,  // the day's backup existed already: nothing was done
        LedgerDamaged, // the copy failed its proof: the ledger itself is damaged, and no backup was made
        Failed         // no backup was made; `failure` says why
    };
    Result result = Result::Failed;
    QString ledgerPath;
    // The day's backup (made or already there), whatever the result.
    QString path;
    // Failed: the step that failed, the file it worked on and why.
    std::optional<LedgerError> failure;
    // LedgerDamaged: what the proof found.
    BackupProof damage;
    // LedgerDamaged: the most recent good backup (see LatestGoodBackup), empty when there is none.
    QString latestGoodBackup;
    // Made: the older backups that could not be removed (the day's backup itself is whole).
    QList<LedgerError> unremoved;
    // The disk was too full for the day's backup: these older backups were removed to make room, oldest first,
    // whatever the result.
    QStringList removedForRoom;
};

// Makes the day's backup of the ledger at `ledgerPath` unless there is one already.
//
// The file is copied byte for byte, still encrypted, through a connection of its own (keyed, waiting up to
// `busyTimeoutMs` for a writer that is committing) whose read transaction keeps writers from committing while
// the bytes are read: the copy holds the committed state only. It is written under a temporary name in the
// folder and synced; the read transaction has ended by then. The copy is then proved whole (ProveBackup) and
// only then renamed into place, and the folder synced. A copy that fails its proof is removed, and nothing else
// is: the result is LedgerDamaged. The folder is made mode 0700 and the file 0600, whatever the umask.
//
// Before the copy, the drafts a backup cut short left in the folder are removed. After it, the older backups
// beyond the generations kept go (BackupsToRemove); files whose names are not BDPLORN-AAAA-MM-JJ.mdb or a draft's
// are never touched. When the disk is too full for the copy, the oldest backups beyond the seven most recent days
// go one at a time until it fits (BackupsForRoom), and the outcome says so.
//
// Safe on a worker thread while another connection (the window's) has the ledger open; never throws. Setting
// `stop` ends a proof under way: the result is then Failed. The ledger is only read.
BackupOutcome MakeDailyBackup(const QString& ledgerPath, QDate day, int busyTimeoutMs = Ledger::DefaultBusyTimeoutMs,
                              const std::atomic<bool>* stop = nullptr) noexcept;
