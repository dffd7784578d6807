#include "ledger/LedgerError.h"

#include <sqlite3.h>

LedgerError::LedgerError(const QString& message, int engineCode)
    : std::runtime_error(message.toStdString()), kind_(LedgerFailure::Refused), message_(message),
      extendedCode_(engineCode)
{
}

LedgerError::LedgerError(LedgerFailure kind, const QString& path, const QString& engineMessage, int extendedCode)
    : std::runtime_error(engineMessage.toStdString()), kind_(kind), path_(path), message_(engineMessage),
      extendedCode_(extendedCode)
{
}

LedgerError::LedgerError(LedgerFailure kind, const QString& path) : LedgerError(kind, path, QString(), 0) {}

LedgerFailure LedgerError::KindOf(int extendedCode)
{
    switch (extendedCode) {
    case SQLITE_IOERR_NOMEM:
        return LedgerFailure::OutOfMemory;
    case SQLITE_READONLY_DBMOVED:
        return LedgerFailure::Replaced;
    default:
        break;
    }
    switch (extendedCode & 0xff) {
    case SQLITE_NOTADB:
        return LedgerFailure::NotALedger;
    case SQLITE_CORRUPT:
    // The engine's statements are fixed and checked at open: what SQLCipher 3 reports of a page whose HMAC fails.
    case SQLITE_ERROR:
        return LedgerFailure::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return LedgerFailure::Busy;
    case SQLITE_FULL:
        return LedgerFailure::DiskFull;
    case SQLITE_IOERR:
        return LedgerFailure::InputOutput;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return LedgerFailure::ReadOnly;
    case SQLITE_NOMEM:
        return LedgerFailure::OutOfMemory;
    case SQLITE_CANTOPEN:
        return LedgerFailure::CannotOpen;
    default:
        return LedgerFailure::Other;
    }
}

bool LedgerError::isOutOfMemory() const
{
    return kind_ == LedgerFailure::OutOfMemory || engineCode() == SQLITE_NOMEM;
}
