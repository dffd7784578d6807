#pragma once

#include "ledger/Ledger.h"

#include <QDate>
#include <QString>

// The daily backup of the ledger: a copy of the encrypted file, as it is, in a folder beside it.

// The folder beside the ledger that holds its backups, readable by its owner only.
inline const QString BackupFolderName = QStringLiteral("BDPLORN-sauvegardes");
// How many backups stay, the day's one included.
inline constexpr int DefaultBackupsKept = 10;

// The backup folder beside the ledger at `ledgerPath`.
QString BackupFolderFor(const QString& ledgerPath);
// The backup of the ledger at `ledgerPath` made on `day`: BDPLORN-sauvegardes/BDPLORN-AAAA-MM-JJ.mdb.
QString BackupPathFor(const QString& ledgerPath, QDate day);

struct BackupOutcome {
    enum class Result {
        Made,         // the day's backup was made
        AlreadyThere, // the day's backup existed already: nothing was done
        Failed        // no backup was made; `reason` says why
    };
    Result result = Result::Failed;
    // The day's backup (made or already there), whatever the result.
    QString path;
    // Failed: why, in French, naming the path, with the engine's or the system's message in parentheses.
    // Made: empty, or what went wrong removing older backups (the day's backup itself is whole).
    QString reason;
};

// Makes the day's backup of the ledger at `ledgerPath` unless there is one already, then removes the
// older backups beyond the `kept` most recent (by the date in their names; the day's one always stays;
// files of the folder whose names are not BDPLORN-AAAA-MM-JJ.mdb are never touched).
//
// The file is copied byte for byte, still encrypted, through a connection of its own (keyed, waiting up
// to `busyTimeoutMs` for a writer that is committing) whose read transaction keeps writers from
// committing while the bytes are read: the copy holds the committed state only. It is written under a
// temporary name in the folder, synced, renamed into place, then the folder is synced. The folder is
// made mode 0700 and the file 0600, whatever the umask.
//
// Safe on a worker thread while another connection (the window's) has the ledger open; never throws.
// The ledger is only read; a failure leaves no file behind.
BackupOutcome MakeDailyBackup(const QString& ledgerPath, QDate day, int kept = DefaultBackupsKept,
                              int busyTimeoutMs = Ledger::DefaultBusyTimeoutMs) noexcept;
