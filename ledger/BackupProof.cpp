#include "ledger/BackupProof.h"

#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/SqliteHandles.h"

namespace {

// How many of the engine's virtual machine steps run between two looks at the stop flag: about a millisecond.
constexpr int StepsBetweenStopChecks = 10000;

int StopRequested(void* stop)
{
    return static_cast<const std::atomic<bool>*>(stop)->load(std::memory_order_relaxed) ? 1 : 0;
}

// SQLCipher 3.4.1 reports a page whose HMAC fails as a plain SQLITE_ERROR ("SQL logic error or missing
// database"), the first page as SQLITE_NOTADB.
// Stops the proof before its next step when `stop` is set, as the engine does within one.
void StopHereIfAsked(const std::atomic<bool>* stop)
{
    if (stop && stop->load(std::memory_order_relaxed))
        throw LedgerError(LedgerError::KindOf(SQLITE_INTERRUPT), QString(),
                          QString::fromUtf8(sqlite3_errstr(SQLITE_INTERRUPT)), SQLITE_INTERRUPT);
}

bool IsDamage(const LedgerError& error)
{
    const int code = error.engineCode();
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_ERROR;
}

// The engine's integrity check: whole when it answers "ok" and nothing else.
BackupProof CheckIntegrity(sqlite3* db)
{
    QStringList answer;
    Statement check(db, "PRAGMA integrity_check");
    while (check.step())
        answer << check.text(0);
    if (answer == QStringList{QStringLiteral("ok")})
        return {true, {}, false, {}};
    return {false, answer.mid(0, 3), answer.isEmpty(), {}};
}

// Reads every name and every note in full: a page of notes that fails its HMAC fails here.
void ReadEveryValue(sqlite3* db)
{
    Statement read(db, "SELECT NomPers, LesPlorns FROM tblPlorn");
    while (read.step()) {
        read.bytesView(0);
        read.bytesView(1);
    }
}

} // namespace

BackupProof ProveBackup(const QString& path, const std::atomic<bool>* stop)
{
    try {
        Connection db = OpenKeyedReadOnlyConnection(path, LedgerPassword);
        if (stop)
            sqlite3_progress_handler(db.get(), StepsBetweenStopChecks, &StopRequested,
                                     const_cast<std::atomic<bool>*>(stop));
        StopHereIfAsked(stop);
        if (BackupProof integrity = CheckIntegrity(db.get()); !integrity.whole)
            return integrity;
        StopHereIfAsked(stop);
        ReadEveryValue(db.get());
        return {true, {}, false, {}};
    } catch (const LedgerError& error) {
        if (IsDamage(error))
            return {false, {}, false, error};
        throw;
    }
}
