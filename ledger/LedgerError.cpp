#include "ledger/LedgerError.h"

LedgerError::LedgerError(const QString& message, int engineCode)
    : std::runtime_error(message.toStdString()), message_(message), engineCode_(engineCode)
{
}
