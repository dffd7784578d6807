#include "ledger/LedgerError.h"

#include <cerrno>
#include <sqlite3.h>
#include <string>

namespace {

// What the failure says of itself when nothing words it: the engine's or the other failure's own words, else
// the system's error number.
std::string Diagnosis(const QString& message, int systemError)
{
    return systemError != 0 ? "system error " + std::to_string(systemError) : message.toStdString();
}

// The kind of a system failure from its error number.
LedgerFailure KindOfSystemError(int error)
{
    switch (error) {
    case ENOENT:
        return LedgerFailure::Missing;
    case EEXIST:
        return LedgerFailure::AlreadyExists;
    case ENOSPC:
    case EDQUOT:
        return LedgerFailure::DiskFull;
    case EIO:
        return LedgerFailure::InputOutput;
    case EACCES:
    case EPERM:
    case EROFS:
        return LedgerFailure::ReadOnly;
    case ENOMEM:
        return LedgerFailure::OutOfMemory;
    default:
        return LedgerFailure::Other;
    }
}

} // namespace

LedgerError::LedgerError(LedgerFailure kind, LedgerStep step, const QString& path, const QString& message,
                         int extendedCode, int systemError)
    : std::runtime_error(Diagnosis(message, systemError)), kind_(kind), step_(step), path_(path), message_(message),
      extendedCode_(extendedCode), systemError_(systemError)
{
}

LedgerError::LedgerError(LedgerFailure kind, const QString& path, const QString& engineMessage, int extendedCode)
    : LedgerError(kind, LedgerStep::Using, path, engineMessage, extendedCode, 0)
{
}

LedgerError::LedgerError(LedgerFailure kind, const QString& path) : LedgerError(kind, path, QString(), 0) {}

LedgerError LedgerError::System(LedgerStep step, const QString& path, int error)
{
    return LedgerError(KindOfSystemError(error), step, path, QString(), 0, error);
}

LedgerError LedgerError::During(LedgerStep step, const QString& path, const LedgerError& cause)
{
    return LedgerError(cause.kind_, step, path, cause.message_, cause.extendedCode_, cause.systemError_);
}

LedgerError LedgerError::Failed(LedgerStep step, const QString& path, const QString& ownWords)
{
    return LedgerError(LedgerFailure::Other, step, path, ownWords, 0, 0);
}

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
