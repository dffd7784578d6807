#include "ledger/NewLedger.h"

#include "ledger/FileSync.h"
#include "ledger/LedgerDraft.h"
#include "ledger/LedgerError.h"
#include "ledger/LedgerFile.h"
#include "ledger/WelcomeNote.h"

#include <QFileInfo>
#include <cerrno>

void CreateNewLedger(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        throw LedgerError(LedgerFailure::AlreadyExists, path);

    // Built under a temporary name beside the target, then linked into place: a link never replaces an
    // existing file, so a ledger that appeared meanwhile is safe too.
    LedgerDraft draft(target.absolutePath());
    try {
        draft.write({{ReservedPersonName, WelcomeNote}});
        if (const int error = draft.linkAs(path))
            throw error == EEXIST ? LedgerError(LedgerFailure::AlreadyExists, path)
                                  : LedgerError::System(LedgerStep::CreatingLedger, path, error);
        SyncToDisk(target.absolutePath());
    } catch (const LedgerError& error) {
        throw LedgerError::During(LedgerStep::CreatingLedger, path, error);
    }
}
