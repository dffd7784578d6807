#include "ledger/LedgerError.h"

#include <sqlite3.h>

LedgerError::LedgerError(const QString& message, int engineCode)
    : std::runtime_error(message.toStdString()), message_(message), engineCode_(engineCode)
{
}

bool LedgerError::isOutOfMemory() const
{
    return engineCode_ == SQLITE_NOMEM;
}
