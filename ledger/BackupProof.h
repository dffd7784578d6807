#pragma once

#include "ledger/LedgerError.h"

#include <QStringList>
#include <atomic>
#include <optional>

// What the proof of a copy of the ledger found.
struct BackupProof {
    bool whole = false;
    // When not whole, one of: the engine's integrity check's first problems, in its own words; the check answered
    // nothing at all; a page that failed as it was read.
    QStringList integrityProblems;
    bool integrityCheckSilent = false;
    std::optional<LedgerError> unreadable;
};

// Proves the file at `path` a whole ledger: opened read-only with the key on a connection of its own, the
// engine's integrity check answers exactly "ok", and every person's name and notes read back. SQLCipher 3.4.1
// has no check of its own: a page whose HMAC fails shows when it is read, so every page in use is read.
//
// Damage is an answer, not an error. Failures that say nothing of the file's content (it cannot be opened or
// read, no memory, `stop` set meanwhile) throw LedgerError.
BackupProof ProveBackup(const QString& path, const std::atomic<bool>* stop = nullptr);
